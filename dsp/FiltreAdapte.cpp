#include "dsp/FiltreAdapte.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vestral {

void FiltreAdapte::Regler_longueur(int trames) {
  longueur_ = std::clamp(trames, 2, kLongueur_max);
  double somme = 0;
  for (int k = 0; k < longueur_; ++k) {
    const double w = std::sin(std::numbers::pi * (k + 0.5) / longueur_);
    coefficients_[k] = static_cast<float>(w * w);
    somme += coefficients_[k];
  }
  double carres = 0;
  for (int k = 0; k < longueur_; ++k) {
    coefficients_[k] = static_cast<float>(coefficients_[k] / somme);
    carres += static_cast<double>(coefficients_[k]) * coefficients_[k];
  }
  gain_bruit_ = static_cast<float>(carres);
}

void FiltreAdapte::Vider() {
  ligne_.fill({});
  ecriture_ = 0;
}

std::complex<float> FiltreAdapte::Filtrer(std::complex<float> trame) {
  ligne_[ecriture_] = trame;
  ligne_[ecriture_ + kLongueur_max] = trame;
  ecriture_ = (ecriture_ + 1) % kLongueur_max;
  // The newest `longueur_` frames end just before ecriture_ + kLongueur_max.
  const std::complex<float>* x = &ligne_[ecriture_ + kLongueur_max - longueur_];
  float re = 0, im = 0;
  for (int k = 0; k < longueur_; ++k) {
    re += coefficients_[k] * x[k].real();
    im += coefficients_[k] * x[k].imag();
  }
  return {re, im};
}

}  // namespace vestral
