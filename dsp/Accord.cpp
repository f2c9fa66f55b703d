#include "dsp/Accord.h"

#include <cmath>

namespace vestral {

double Frequence_du_centre(double centre) {
  return std::nearbyint(30 * centre) * 0.1;
}

PlageRaies Pixels_en_raies(int gauche, int droite, int largeur) {
  return {((gauche * (2700 - 200)) / largeur + 200) / 3,
          ((droite * (2700 - 200)) / largeur + 200) / 3};
}

}  // namespace vestral
