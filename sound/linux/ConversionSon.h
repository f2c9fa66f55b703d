// Between a stream's PCM format (8-bit unsigned or 16-bit signed, one or
// two channels, its rate) and a device that only offers float frames of its
// own channel count and rate. Used from the audio callback: no allocation
// and no lock after Preparer.
#pragma once

#include <samplerate.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "sound/PeripheriqueSon.h"

namespace vestral {

class ConversionSon {
 public:
  // Fills exactly `nombre` bytes of the stream's format.
  using Puiser = void (*)(void* contexte, uint8_t* octets, std::size_t nombre);

  // `trames_max`: the most device frames one call may carry. False when
  // the resampler cannot be made.
  bool Preparer(Sens sens, const Format_son& format, int canaux_peripherique,
                double frequence_peripherique, unsigned long trames_max);
  bool Reechantillonne() const { return etat_ != nullptr; }

  // Capture: device frames in, stream bytes out (Octets(), the count
  // returned).
  std::size_t Depuis_peripherique(const float* entree, unsigned long trames);
  const uint8_t* Octets() const { return octets_.data(); }

  // Playback: `trames` device frames made from stream bytes drawn through
  // `puiser`.
  void Vers_peripherique(float* sortie, unsigned long trames, Puiser puiser, void* contexte);

  void Remettre_a_zero();  // forget the resampler's history

 private:
  struct Liberer_src {
    void operator()(SRC_STATE* etat) const { src_delete(etat); }
  };
  static long Fournir(void* conversion, float** donnees);
  float Vers_flottant(const uint8_t* octets) const;
  void Vers_octets(float valeur, uint8_t* octets) const;

  int canaux_flux_ = 1;
  int canaux_peripherique_ = 1;
  int octets_echantillon_ = 1;
  double rapport_ = 1;  // stream rate over device rate
  std::unique_ptr<SRC_STATE, Liberer_src> etat_;
  std::vector<float> melange_;          // stream channels, device rate
  std::vector<float> reechantillonne_;  // stream channels, stream rate
  std::vector<float> morceau_;          // playback: one chunk handed to the resampler
  std::vector<uint8_t> octets_;
  Puiser puiser_ = nullptr;
  void* contexte_ = nullptr;
};

}  // namespace vestral
