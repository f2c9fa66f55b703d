#include "sound/NiveauEntree.h"

#include <algorithm>
#include <cfenv>
#include <cmath>

namespace vestral {

double Niveau_bloc(std::span<const uint8_t> bloc) {
  const std::size_t debut = kPremier_echantillon_mesure;
  const std::size_t fin = std::min<std::size_t>(bloc.size(), debut + kEchantillons_mesures);
  if (fin <= debut) return 0.0;
  const auto mesures = bloc.subspan(debut, fin - debut);
  const double n = static_cast<double>(mesures.size());
  double somme = 0.0;
  for (uint8_t x : mesures) somme += x;
  const double moyenne = somme / n;
  double carres = 0.0;
  for (uint8_t x : mesures) carres += (x - moyenne) * (x - moyenne);
  return std::sqrt(carres / n) / 90.2 * 100.0;
}

std::string Texte_niveau(double niveau) {
  const int ancien = std::fegetround();
  std::fesetround(FE_TONEAREST);
  const long entier = std::lrint(niveau);
  std::fesetround(ancien);
  return std::to_string(entier) + " %";
}

}  // namespace vestral
