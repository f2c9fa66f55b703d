// Tuning on the spectrum: the strongest line among a range of bins, its
// centre by a nine-bin centroid, and the frequencies it gives.
#pragma once

#include <cstdint>
#include <span>

namespace vestral {

constexpr int kRaie_min_affichee = 66;   // 200 Hz
constexpr int kRaie_max_affichee = 900;  // 2700 Hz

// The bin with the largest value from a to b; a later equal value wins, so
// an all-zero range gives b.
template <typename T>
int Chercher_raie(std::span<const T> spectre, int a, int b) {
  int raie = a;
  T plus_grand = spectre[a];
  for (int k = a; k <= b; ++k) {
    if (spectre[k] >= plus_grand) {
      plus_grand = spectre[k];
      raie = k;
    }
  }
  return raie;
}

// Centroid over bins p - 4 .. p + 4; p itself when they are all zero.
template <typename T>
double Centre_raie(std::span<const T> spectre, int p) {
  double somme = 0, moment = 0;
  for (int k = p - 4; k <= p + 4; ++k) {
    somme += static_cast<double>(spectre[k]);
    moment += static_cast<double>(k - (p - 4)) * static_cast<double>(spectre[k]);
  }
  return somme == 0 ? p : moment / somme + (p - 4);
}

// Frequence_affichee (Hz, one decimal) of a line centre in bins.
double Frequence_du_centre(double centre);

// The bins covered by pixels left..right of a spectrum image W pixels wide.
struct PlageRaies {
  int premiere, derniere;
};
PlageRaies Pixels_en_raies(int gauche, int droite, int largeur);

}  // namespace vestral
