// The specified reception chain as a decoder: the tone filter and the
// decoder walk on the operator's settings. The transceiver window pushes the
// capture blocks to it from its decoder thread; Decoder_echantillons pushes
// a recording block by block, exactly as capture would.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>
#include <vector>

#include "dsp/FiltreTonalite.h"
#include "dsp/ReglagesReception.h"
#include "morse/DecodeurMorse.h"
#include "morse/TRADUCTION_MORSE.h"

namespace vestral {

// Its name in the menus (CP1252).
inline constexpr std::string_view kNom_decodeur_classique =
    "D\xE9"
    "codeur classique";

class ChaineReception final : public DecodeurMorse {
 public:
  // The settings are the program's, shared with the operator controls;
  // Regler writes them too.
  explicit ChaineReception(ReglagesReception& reglages);

  std::string_view Nom() const override { return kNom_decodeur_classique; }
  void Regler(const ParametresDecodeur& parametres) override;
  void Relancer() override { decodeur.Relance_traduction(); }
  void Reinitialiser() override { decodeur.Preparer(); }
  void Pousser(std::span<const uint8_t> echantillons) override { decodeur.Pousser(echantillons); }
  void Terminer() override { decodeur.Terminer(); }
  void Prendre_evenements(std::vector<EvenementDecodeur>& evenements) override {
    decodeur.Prendre_evenements(evenements);
  }
  int64_t Echantillons_pousses() const override { return decodeur.Echantillons_pousses(); }

  // The signal-processing steps of a reception start: filters designed
  // (at each opening of the window), decoder prepared (at each start).
  void Preparer_filtres() { filtre.Preparer_filtres(); }
  void Preparer_decodeur() { decodeur.Preparer(); }

  ReglagesReception& reglages;
  FiltreTonalite filtre;
  Decodeur decodeur;
};

using ParametresReception = ParametresDecodeur;

struct CaractereDecode {
  uint8_t caractere;
  int64_t position;  // index of the received sample at which it came out
};

// A recording's samples in order, as a file delivers them: fills the span as
// far as it can and answers how many it gave (0: the end).
using SourceEchantillons = std::function<std::size_t(std::span<uint8_t>)>;

// Decodes 8-bit unsigned samples at 11025 Hz with the classic decoder:
// pushed block by block, then Terminer so that the last character comes out.
std::vector<CaractereDecode> Decoder_echantillons(const SourceEchantillons& source,
                                                  const ParametresReception& parametres);
// The same with any decoder (prepared and set by the caller).
std::vector<CaractereDecode> Decoder_echantillons(DecodeurMorse& decodeur,
                                                  const SourceEchantillons& source);
std::vector<CaractereDecode> Decoder_echantillons(std::span<const uint8_t> echantillons,
                                                  const ParametresReception& parametres);

// The samples of a recording from the `debut`-th on: fills the span as far
// as it can and answers how many it gave.
using LectureA = std::function<std::size_t(int64_t debut, std::span<uint8_t>)>;

// The tone frequency of a recording: the integer spectrum summed over its
// whole blocks, the strongest line between 200 and 2700 Hz, refined by the
// nine-bin centroid (in Hz, one decimal). Over a long recording,
// kBlocs_frequence_max blocks spread evenly over it suffice (one in every
// ceil(blocks / kBlocs_frequence_max)); only they are read.
constexpr int kBlocs_frequence_max = 512;
double Trouver_frequence(const LectureA& lecture, int64_t nombre_echantillons);
double Trouver_frequence(std::span<const uint8_t> echantillons);

// A source over samples in memory.
SourceEchantillons Source_memoire(std::span<const uint8_t> echantillons);

}  // namespace vestral
