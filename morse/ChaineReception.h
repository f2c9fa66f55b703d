// The whole reception chain on one object: settings, tone filter, sample
// window and decoder. The transceiver window feeds it from the capture pump
// and runs the decoder in its thread; Decoder_echantillons feeds it a
// recording block by block, exactly as capture would.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "dsp/FenetreEchantillons.h"
#include "dsp/FiltreTonalite.h"
#include "dsp/ReglagesReception.h"
#include "morse/TRADUCTION_MORSE.h"
#include "shell/JournalQSO.h"

namespace vestral {

class ChaineReception {
 public:
  // The settings are the program's, shared with the operator controls.
  ChaineReception(ReglagesReception& reglages, JournalQSO& journal, SortieDecodeur& sortie);

  // The signal-processing steps of a reception start: filters designed,
  // decoder prepared, window emptied.
  void Preparer_filtres() { filtre.Preparer_filtres(); }
  void Preparer_decodeur() { decodeur.Preparer(); }

  ReglagesReception& reglages;
  FiltreTonalite filtre;
  FenetreEchantillons fenetre;
  Decodeur decodeur;
};

struct ParametresReception {
  int frequence = 800;
  int vitesse = 0;  // 0: automatic, else words per minute (10..54)
  int seuil = 0;    // 0: automatic, else the threshold compared with the envelope
  bool bande_etroite = true;
};

struct CaractereDecode {
  uint8_t caractere;
  int64_t position;  // index of the received sample at which it came out
};

// A recording's samples in order, as a file delivers them: fills the span as
// far as it can and answers how many it gave (0: the end).
using SourceEchantillons = std::function<std::size_t(std::span<uint8_t>)>;

// Decodes 8-bit unsigned samples at 11025 Hz; the stop is requested at the
// end of the input so that the last character comes out.
std::vector<CaractereDecode> Decoder_echantillons(const SourceEchantillons& source,
                                                  const ParametresReception& parametres);
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
