#include "morse/ModeleTemps.h"

#include <algorithm>
#include <cmath>

namespace vestral {

namespace {

struct Partage {
  double bas, haut;  // the two centres
  int nombre_bas, nombre_haut;
};

// The best cut of sorted values in two (least squared spread about the two
// means): one-dimensional clustering, exact, for a few tens of values.
// Each side keeps at least a sixth of the values (three at least), so that
// a stray blip does not make a cluster of its own.
Partage Couper_en_deux(const double* tries, int n) {
  Partage meilleur{tries[0], tries[n - 1], 0, 0};
  const int minimum = std::max(3, n / 6);
  double meilleur_cout = 1e300;
  double somme_totale = 0, carres_totaux = 0;
  for (int i = 0; i < n; ++i) {
    somme_totale += tries[i];
    carres_totaux += tries[i] * tries[i];
  }
  double somme = 0, carres = 0;
  for (int i = 1; i < n; ++i) {
    somme += tries[i - 1];
    carres += tries[i - 1] * tries[i - 1];
    if (i < minimum || n - i < minimum) continue;
    const double s2 = somme_totale - somme, c2 = carres_totaux - carres;
    const double cout = (carres - somme * somme / i) + (c2 - s2 * s2 / (n - i));
    if (cout < meilleur_cout) {
      meilleur_cout = cout;
      meilleur = {somme / i, s2 / (n - i), i, n - i};
    }
  }
  return meilleur;
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
  std::array<double, kMarques> tries;
  std::copy_n(journal_marques_.begin(), n, tries.begin());
  std::sort(tries.begin(), tries.begin() + n);
  const Partage partage = Couper_en_deux(tries.data(), n);
  double point = std::exp(partage.bas), trait = std::exp(partage.haut);
  if (partage.nombre_bas == 0 || trait < 1.7 * point) {
    // One kind of mark only (a run of E's or T's): it is the one it is
    // nearer to, the other keeps its ratio.
    double somme = 0;
    for (int i = 0; i < n; ++i) somme += tries[i];
    const double c = std::exp(somme / n);
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
  // Gaps inside and between characters below five dots, word gaps above.
  std::array<double, kEspaces> courts;
  int nombre_courts = 0, nombre_longs = 0;
  double somme_longs = 0;
  const double limite = std::log(5 * point_);
  for (int i = 0; i < n; ++i) {
    if (journal_espaces_[i] < limite) {
      courts[nombre_courts++] = journal_espaces_[i];
    } else {
      somme_longs += journal_espaces_[i];
      ++nombre_longs;
    }
  }
  double element = espace_element_, caractere = espace_caractere_;
  if (nombre_courts >= 3) {
    std::sort(courts.begin(), courts.begin() + nombre_courts);
    const Partage partage = Couper_en_deux(courts.data(), nombre_courts);
    if (partage.nombre_bas > 0 && partage.haut - partage.bas > std::log(1.8) &&
        std::exp(partage.bas) > 0.5 * point_) {
      element = std::exp(partage.bas);
      caractere = std::exp(partage.haut);
    } else {
      // One kind of gap only: the one it is nearer to.
      const double c = std::exp(0.5 * (partage.bas + partage.haut));
      if (std::abs(std::log(c / element)) < std::abs(std::log(c / caractere)))
        element = c;
      else
        caractere = c;
    }
  }
  element = std::clamp(element, 0.4 * point_, 1.6 * point_);
  caractere = std::max(caractere, 1.8 * element);
  double mot = nombre_longs > 0 ? std::exp(somme_longs / nombre_longs) : 7.0 / 3 * caractere;
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
