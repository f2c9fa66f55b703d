#include "sound/GenerateurTonalite.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vestral {

GenerateurTonalite::GenerateurTonalite(double frequence_echantillonnage, double duree_rampe,
                                       float amplitude)
    : frequence_echantillonnage_(frequence_echantillonnage),
      echantillons_rampe_(
          std::max(1, static_cast<int>(std::lround(duree_rampe * frequence_echantillonnage)))),
      amplitude_(amplitude) {}

void GenerateurTonalite::Produire(float* sortie, std::size_t trames, int canaux) {
  const int demandee = frequence_demandee_.load(std::memory_order_relaxed);
  // A new frequency is taken at once: the phase runs on, so the wave only
  // changes its pace. After a stop the last frequency fades out.
  if (demandee > 0) frequence_ = demandee;
  const bool monter = demandee > 0;
  const double pas = frequence_ / frequence_echantillonnage_;
  for (std::size_t t = 0; t < trames; ++t) {
    if (monter ? position_rampe_ < echantillons_rampe_ : position_rampe_ > 0)
      position_rampe_ += monter ? 1 : -1;
    float valeur = 0;
    if (position_rampe_ > 0) {
      const double enveloppe =
          position_rampe_ == echantillons_rampe_
              ? 1.0
              : 0.5 - 0.5 * std::cos(std::numbers::pi * position_rampe_ / echantillons_rampe_);
      valeur = static_cast<float>(amplitude_ * enveloppe * std::sin(2 * std::numbers::pi * phase_));
      phase_ += pas;
      if (phase_ >= 1) phase_ -= 1;
    }
    for (int c = 0; c < canaux; ++c) *sortie++ = valeur;
  }
}

}  // namespace vestral
