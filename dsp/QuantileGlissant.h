// A quantile of the last values pushed (a ring of fixed capacity): the
// robust statistics of the sensitive decoder. A low quantile of the frame
// powers is the noise floor, which a static crash filling a few frames
// does not lift as a mean would; a high one follows the signal's level
// through fading.
#pragma once

#include <vector>

namespace vestral {

class QuantileGlissant {
 public:
  // `capacite` values kept; the memory is taken here, never while pushing.
  explicit QuantileGlissant(int capacite);

  void Pousser(float valeur);
  void Vider();
  // Multiplies every value kept (a change of scale upstream).
  void Echelonner(float facteur);
  int Nombre() const { return nombre_; }

  // The q-quantile (0..1) of the values kept, 0 when there are none. Costs a
  // partial sort of the ring: ask a few times a second, not per value.
  float Quantile(float q) const;

 private:
  std::vector<float> anneau_;
  mutable std::vector<float> tri_;
  int ecriture_ = 0;
  int nombre_ = 0;
};

}  // namespace vestral
