#include "morse/ModeleTemps.h"

#include <algorithm>
#include <cmath>

namespace vestral {

namespace {

// One-dimensional k-means from the given centres (logarithms); an empty
// cluster keeps its centre.
template <std::size_t K>
void K_moyennes(const double* valeurs, int n, std::array<double, K>& centres) {
  for (int iteration = 0; iteration < 6; ++iteration) {
    std::array<double, K> somme{};
    std::array<int, K> nombre{};
    for (int i = 0; i < n; ++i) {
      std::size_t meilleur = 0;
      for (std::size_t k = 1; k < K; ++k) {
        if (std::abs(valeurs[i] - centres[k]) < std::abs(valeurs[i] - centres[meilleur])) {
          meilleur = k;
        }
      }
      somme[meilleur] += valeurs[i];
      ++nombre[meilleur];
    }
    for (std::size_t k = 0; k < K; ++k) {
      if (nombre[k] > 0) centres[k] = somme[k] / nombre[k];
    }
  }
}

}  // namespace

ModeleTemps::ModeleTemps(double unite, double unite_min, double unite_max)
    : unite_min_(unite_min), unite_max_(unite_max) {
  Reinitialiser(unite);
}

void ModeleTemps::Reinitialiser(double unite) {
  unite = std::clamp(unite, unite_min_, unite_max_);
  marques_ = espaces_ = 0;
  point_ = unite;
  trait_ = 3 * unite;
  espace_element_ = unite;
  espace_caractere_ = 3 * unite;
  espace_mot_ = 7 * unite;
  Calculer_seuils();
}

double ModeleTemps::Unite() const {
  return std::clamp((point_ + trait_ + espace_element_ + espace_caractere_) / 8, unite_min_,
                    unite_max_);
}

void ModeleTemps::Apprendre_marque(double duree) {
  // Blips far shorter than a dot teach nothing.
  if (duree < 0.3 * point_) return;
  journal_marques_[marques_ % kMarques] = std::log(duree);
  ++marques_;
  Calculer_marques();
  Calculer_seuils();
}

void ModeleTemps::Apprendre_espace(double duree) {
  // Pauses longer than a few words teach nothing about the fist.
  if (duree < 0.3 * point_ || duree > 14 * Unite()) return;
  journal_espaces_[espaces_ % kEspaces] = std::log(duree);
  ++espaces_;
  Calculer_espaces();
  Calculer_seuils();
}

void ModeleTemps::Calculer_marques() {
  const int n = std::min(marques_, kMarques);
  if (n < 3) return;
  std::array<double, 2> centres{std::log(point_), std::log(trait_)};
  K_moyennes(journal_marques_.data(), n, centres);
  double point = std::exp(centres[0]), trait = std::exp(centres[1]);
  if (trait < 1.7 * point) {
    // One kind of mark only (a run of E's or T's): it is the one it is
    // nearer to, the other keeps its ratio.
    const double c = std::exp(0.5 * (centres[0] + centres[1]));
    const double rapport = std::clamp(trait_ / point_, 2.0, 4.5);
    if (std::abs(std::log(c / point_)) < std::abs(std::log(c / trait_))) {
      point = c;
      trait = c * rapport;
    } else {
      trait = c;
      point = c / rapport;
    }
  }
  point = std::clamp(point, 0.5 * unite_min_, 2 * unite_max_);
  trait = std::clamp(trait, 2.0 * point, 5.0 * point);
  point_ = point;
  trait_ = trait;
}

void ModeleTemps::Calculer_espaces() {
  const int n = std::min(espaces_, kEspaces);
  if (n < 3) return;
  // From the marks' dot each time, so that a stray cluster of blips
  // cannot hold a centre.
  std::array<double, 3> centres{std::log(point_), std::log(3 * point_), std::log(7 * point_)};
  K_moyennes(journal_espaces_.data(), n, centres);
  double element = std::exp(centres[0]), caractere = std::exp(centres[1]),
         mot = std::exp(centres[2]);
  // The gaps keep their order and a sensible ratio; a short gap from the
  // marks' dot when the clusters have not parted yet.
  element = std::clamp(element, 0.4 * point_, 1.6 * point_);
  caractere = std::max(caractere, 1.8 * element);
  mot = std::max(mot, 1.6 * caractere);
  espace_element_ = element;
  espace_caractere_ = caractere;
  espace_mot_ = mot;
}

void ModeleTemps::Calculer_seuils() {
  seuil_trait_ = std::sqrt(point_ * trait_);
  seuil_caractere_ = std::sqrt(espace_element_ * espace_caractere_);
  seuil_mot_ = std::sqrt(espace_caractere_ * espace_mot_);
}

GenreEspace ModeleTemps::Classer_espace(double duree) const {
  if (duree > seuil_mot_) return GenreEspace::Mot;
  if (duree > seuil_caractere_) return GenreEspace::Caractere;
  return GenreEspace::Element;
}

}  // namespace vestral
