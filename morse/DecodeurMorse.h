// The one interface of every Morse decoder: parameters in, samples pushed,
// events out. A decoder is a plain state machine: it never waits and owns
// no thread, so the same object decodes a recording, runs in the reception
// thread of the transceiver window, or many times over in a band skimmer.
//
// Samples are the reception format: 8-bit unsigned, mono, 11025 Hz
// (kFrequence_echantillonnage_entree), 128 is silence.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace vestral {

// What the operator (or the command line) asks of a decoder. Each decoder
// takes what it can use and says in its guide what it ignores.
struct ParametresDecodeur {
  int32_t frequence = 800;    // tone frequency in Hz; 0: nothing tuned, the decoder looks
  bool bande_etroite = true;  // narrow (±60 Hz) or wide (±300 Hz) band
  int vitesse = 0;            // words per minute; 0: automatic
  uint16_t seuil = 0;         // threshold compared with the envelope; 0: automatic
};

enum class TypeEvenement : uint8_t {
  Caractere,      // valeur: the character (CP1252 byte), a space for a word gap
  Hauteur,        // valeur: the pitch followed, in tenths of a hertz
  Vitesse,        // valeur: the speed, words per minute
  Seuil,          // valeur: the threshold the envelope is compared with
  Enveloppe,      // valeur: the filtered envelope
  Niveau_entree,  // valeur: the input peak level, percent (0..100)
  Presence,       // valeur: 1 while a keyed signal is heard, else 0
  Rapport_signal_bruit,  // valeur: SNR in tenths of a dB (tone over noise in 2500 Hz)
};

struct EvenementDecodeur {
  TypeEvenement type;
  int64_t position;  // index of the pushed sample it came with, from 0 at Reinitialiser
  int32_t valeur;
};

class DecodeurMorse {
 public:
  virtual ~DecodeurMorse() = default;

  // The decoder's name as the menus show it (CP1252).
  virtual std::string_view Nom() const = 0;

  // New parameters; from any thread, taken between two steps of the decoder.
  virtual void Regler(const ParametresDecodeur& parametres) = 0;
  // Drops the character under way (an operator change: speed, threshold,
  // band, tuning); from any thread, taken between two steps.
  virtual void Relancer() = 0;
  // A new reception: everything pushed so far is forgotten, positions start
  // again from 0.
  virtual void Reinitialiser() = 0;

  // Any number of samples, at any time; the decoder goes as far as they
  // take it and keeps its place for the next push.
  virtual void Pousser(std::span<const uint8_t> echantillons) = 0;
  // The end of the input: whatever is pending comes out (the last
  // character of a recording, or at a reception stop).
  virtual void Terminer() = 0;

  // Appends the events since the last call, in order, and forgets them.
  virtual void Prendre_evenements(std::vector<EvenementDecodeur>& evenements) = 0;

  // Samples pushed since Reinitialiser.
  virtual int64_t Echantillons_pousses() const = 0;
};

}  // namespace vestral
