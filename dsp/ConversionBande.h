// The first block of the sensitive decoder: each sample is mixed down to
// zero hertz at the pitch followed (a complex oscillator), smoothed by two
// one-pole low-passes of kCoupure_hz, and every
// kEchantillons_par_trame samples (2 ms) gives one frame: the mean of the
// mixed samples (the tone's complex amplitude, half its peak) and the mean
// power of the raw samples (everything the band holds, for the static crash
// detector).
#pragma once

#include <complex>

namespace vestral {

struct TrameBande {
  std::complex<float> amplitude;  // mean of x(n) e^{-j w n} over the frame
  float puissance_large = 0;      // mean of x(n)^2 over the frame
  // The power of the frame outside the tone: puissance_large minus the
  // tone's own power (2 |amplitude|^2), never negative.
  float Puissance_hors_tonalite() const;
  // The power of a tone at the pitch: 2 |amplitude|^2.
  float Puissance_tonalite() const { return 2.0f * std::norm(amplitude); }
};

class ConversionBande {
 public:
  static constexpr int kEchantillons_par_trame = 22;  // 2.0 ms at 11025 Hz
  static constexpr double kCoupure_hz = 200.0;

  explicit ConversionBande(double frequence_echantillonnage = 11025.0);

  // The oscillator's frequency in Hz; its phase runs on without a jump.
  void Regler_frequence(double hertz);
  double Frequence() const { return frequence_; }
  // Forgets the frame under way.
  void Vider();

  // One sample (any scale, 0 = silence); true when it completed `trame`.
  bool Pousser(float x, TrameBande& trame) {
    // Two one-pole low-passes before the frame's mean: the image at twice
    // the pitch, which a 2 ms mean alone lets through, is gone.
    etage1_ += coefficient_ * (oscillateur_ * x - etage1_);
    etage2_ += coefficient_ * (etage1_ - etage2_);
    somme_ += etage2_;
    somme_carres_ += x * x;
    oscillateur_ *= pas_;
    if (++compte_ < kEchantillons_par_trame) return false;
    Finir_trame(trame);
    return true;
  }

 private:
  void Finir_trame(TrameBande& trame);

  double frequence_echantillonnage_;
  double frequence_ = 0;
  std::complex<float> oscillateur_{1.0f, 0.0f};
  std::complex<float> pas_{1.0f, 0.0f};
  std::complex<float> somme_{};
  std::complex<float> etage1_{}, etage2_{};
  float coefficient_ = 0;
  float somme_carres_ = 0;
  int compte_ = 0;
};

}  // namespace vestral
