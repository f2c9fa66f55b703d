#include "dsp/ConversionBande.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vestral {

float TrameBande::Puissance_hors_tonalite() const {
  return std::max(0.0f, puissance_large - 2.0f * std::norm(amplitude));
}

ConversionBande::ConversionBande(double frequence_echantillonnage)
    : frequence_echantillonnage_(frequence_echantillonnage),
      coefficient_(static_cast<float>(
          1.0 - std::exp(-2.0 * std::numbers::pi * kCoupure_hz / frequence_echantillonnage))) {}

void ConversionBande::Regler_frequence(double hertz) {
  frequence_ = hertz;
  const double w = -2.0 * std::numbers::pi * hertz / frequence_echantillonnage_;
  pas_ = {static_cast<float>(std::cos(w)), static_cast<float>(std::sin(w))};
}

void ConversionBande::Vider() {
  etage1_ = etage2_ = {};
  somme_ = {};
  somme_carres_ = 0;
  compte_ = 0;
}

void ConversionBande::Finir_trame(TrameBande& trame) {
  constexpr float kInverse = 1.0f / kEchantillons_par_trame;
  trame.amplitude = somme_ * kInverse;
  trame.puissance_large = somme_carres_ * kInverse;
  // The oscillator's magnitude drifts by rounding: bring it back to 1.
  oscillateur_ /= std::abs(oscillateur_);
  somme_ = {};
  somme_carres_ = 0;
  compte_ = 0;
}

}  // namespace vestral
