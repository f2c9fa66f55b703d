// What a receiver would put on the sound card's input: the Morse of a text
// at a given speed and tone, in band-limited noise at a given signal-to-
// noise ratio. 8-bit unsigned samples at 11025 Hz (128 = silence), one
// channel; a SignalSimule is itself a capture source of CarteSimulee.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace vestral {

// The Morse of a CP1252 text as 8-bit samples at 11025 Hz: the transmit
// synthesis (Echantillons_du_texte) or any stand-in with its signature.
using Synthese_morse = std::function<std::vector<uint8_t>(std::string_view texte_cp1252,
                                                          int mots_par_minute, int frequence_hz)>;

struct Parametres_signal {
  std::string texte;  // CP1252
  int mots_par_minute = 20;
  int frequence = 800;  // Hz
  // Power of the steady tone over the power of the noise in the band;
  // infinity for no noise at all.
  double rapport_signal_bruit_db = std::numeric_limits<double>::infinity();
  double bande_basse = 300;     // Hz: the receiver's audio passband,
  double bande_haute = 2800;    // where the noise lies
  double amplitude = 0.5;       // the tone's peak, as a fraction of full scale
  double pause_secondes = 1.0;  // between two sendings of the text
  bool repeter = true;          // else silence (and noise) after the text
  uint32_t graine = 1;
};

class SignalSimule {
 public:
  // The Morse comes from the transmit synthesis (Echantillons_du_texte).
  explicit SignalSimule(const Parametres_signal& parametres);
  SignalSimule(const Parametres_signal& parametres, const Synthese_morse& synthese);

  void Produire(uint8_t* echantillons, std::size_t nombre);
  void operator()(uint8_t* echantillons, std::size_t nombre) { Produire(echantillons, nombre); }

  // Standard deviation of the noise, in sample steps.
  double Ecart_type_bruit() const { return ecart_type_bruit_; }

 private:
  struct Biquad {
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    double Filtrer(double x);
  };
  double Bruit();

  std::vector<double> morse_;  // the keyed tone, in sample steps around 0
  std::size_t longueur_pause_;
  bool repeter_;
  std::size_t position_ = 0;
  Biquad passe_haut_, passe_bas_;
  std::mt19937 generateur_;
  std::normal_distribution<double> normale_{0.0, 1.0};
  double ecart_type_blanc_ = 0;
  double ecart_type_bruit_ = 0;
};

}  // namespace vestral
