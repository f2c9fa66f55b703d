#include "dsp/QuantileGlissant.h"

#include <algorithm>
#include <cmath>

namespace vestral {

QuantileGlissant::QuantileGlissant(int capacite)
    : anneau_(static_cast<std::size_t>(std::max(1, capacite))), tri_(anneau_.size()) {}

void QuantileGlissant::Pousser(float valeur) {
  anneau_[ecriture_] = valeur;
  ecriture_ = (ecriture_ + 1) % static_cast<int>(anneau_.size());
  nombre_ = std::min(nombre_ + 1, static_cast<int>(anneau_.size()));
}

void QuantileGlissant::Vider() {
  ecriture_ = 0;
  nombre_ = 0;
}

void QuantileGlissant::Echelonner(float facteur) {
  for (float& v : anneau_) v *= facteur;
}

float QuantileGlissant::Quantile(float q) const {
  if (nombre_ == 0) return 0;
  std::copy_n(anneau_.begin(), nombre_, tri_.begin());
  const int rang = std::clamp(static_cast<int>(std::lround(q * (nombre_ - 1))), 0, nombre_ - 1);
  std::nth_element(tri_.begin(), tri_.begin() + rang, tri_.begin() + nombre_);
  return tri_[rang];
}

}  // namespace vestral
