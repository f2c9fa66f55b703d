// The detection filter of the sensitive decoder: a low-pass over the 2 ms
// frames of ConversionBande, a Hann window a little shorter than the dot,
// so that a dot's tone adds up while the noise of a wide band does not
// (a window of L frames lets through about 1.5/L of the frame noise).
// Unity gain for a steady tone at the pitch; the length changes with the
// speed, the delay line is kept.
#pragma once

#include <array>
#include <complex>

namespace vestral {

class FiltreAdapte {
 public:
  static constexpr int kLongueur_max = 160;  // frames (320 ms: a dot at 4 words/min)

  FiltreAdapte() { Regler_longueur(16); }

  // Window length in frames, 2..kLongueur_max (clamped).
  void Regler_longueur(int trames);
  int Longueur() const { return longueur_; }
  // Sum of the squared taps: how much of the frame noise comes through.
  float Gain_bruit() const { return gain_bruit_; }
  // Frames between an input and the middle of the window.
  int Retard() const { return longueur_ / 2; }
  void Vider();

  std::complex<float> Filtrer(std::complex<float> trame);

 private:
  std::array<float, kLongueur_max> coefficients_{};
  // The delay line, written twice so that the window is always contiguous.
  std::array<std::complex<float>, 2 * kLongueur_max> ligne_{};
  int ecriture_ = 0;
  int longueur_ = 0;
  float gain_bruit_ = 0;
};

}  // namespace vestral
