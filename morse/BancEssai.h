// Recordings for measuring decoders: one or more stations, each keyed by a
// machine or a hand (jitter, a dash/dot ratio of its own, a wandering
// speed), with shaped or clicking key edges, chirp, pitch drift and slow
// fading; white noise at a given signal-to-noise ratio (tone power while
// the key is down over the noise power in 2500 Hz) and static crashes added
// once over all of them. Everything random comes from one seed. Samples are
// the reception format: 8-bit unsigned, 11025 Hz, 128 = silence.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace vestral {

struct StationBanc {
  std::string texte;  // CP1252: what it sends, once
  double mots_par_minute = 20;
  double frequence = 700;               // Hz, at the start
  double rapport_signal_bruit_db = 20;  // mean over the fading
  double debut = 0.5;                   // s
  double montee_ms = 5;                 // rise and fall of each element (raised cosine)
  double derive_hz_par_minute = 0;      // pitch drift
  double chirp_hz = 0;                  // pitch pulled at each key-down, back within ~20 ms
  double fading_db = 0;                 // depth of the slow fading; 0: none
  double gigue = 0;                     // relative spread of each element and gap
  double rapport_trait_point = 3;
  double variation_vitesse = 0;  // ± share of the speed, wandering slowly
};

struct ParametresBanc {
  std::vector<StationBanc> stations;
  bool bruit = true;                    // white noise, the reference of every station's ratio
  double crepitements_par_seconde = 0;  // static crashes (5 to 50 ms)
  double crepitements_db_min = 10;      // peak power over the first station's tone
  double crepitements_db_max = 20;
  double duree = 0;  // s; 0: until the last station ends, and a second more
  uint32_t graine = 1;
};

// The recording; the stations are keyed in their order, each from its own
// stream of random numbers drawn from the seed.
std::vector<uint8_t> Generer_banc(const ParametresBanc& parametres);

// When each key-down of a station starts and ends, in seconds.
struct IntervalleManipulation {
  double debut, fin;
};
std::vector<IntervalleManipulation> Manipulation_station(const StationBanc& station,
                                                         std::mt19937& generateur);

enum class GenreTexte { Indicatifs, Concours, Phrases, Groupes };
// A random text of about `caracteres` characters: callsigns, contest
// exchanges, phrases of a QSO or five-character groups.
std::string Texte_banc(GenreTexte genre, int caracteres, std::mt19937& generateur);

}  // namespace vestral
