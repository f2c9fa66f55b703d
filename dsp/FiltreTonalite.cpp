#include "dsp/FiltreTonalite.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

namespace vestral {
namespace {

constexpr int kDecimation_passe_bande = 2;
constexpr int kSortie_max = 255 * kGain_passe_bande;

int32_t Arrondi(double x) {
  return static_cast<int32_t>(std::nearbyint(x));  // to nearest, halves to even
}

// Sum of a[j] x b[j]: every product and partial sum fits in 32 bits
// (|a| <= 255, and the sum of |b| stays far below 2^31 / 255). Compiled
// twice; the processor's widest vectors are chosen when the filter is made.
[[gnu::always_inline]] inline int32_t Somme_produits(const int16_t* a, const int16_t* b) {
  int32_t somme = 0;
  for (int j = 0; j < kLongueur_passe_bande; ++j)
    somme += static_cast<int32_t>(a[j]) * static_cast<int32_t>(b[j]);
  return somme;
}

int32_t Produit_scalaire(const int16_t* a, const int16_t* b) {
  return Somme_produits(a, b);
}

__attribute__((target("avx2"))) int32_t Produit_scalaire_avx2(const int16_t* a, const int16_t* b) {
  return Somme_produits(a, b);
}

}  // namespace

CoefficientsPasseBande Concevoir_passe_bande(int32_t frequence, bool bande_etroite) {
  const double demi_largeur = bande_etroite ? 60 : 300;
  const double f1 = std::max(0.0, frequence - demi_largeur);
  const double f2 = frequence + demi_largeur;
  const double r = kFrequence_echantillonnage_entree / kDecimation_passe_bande;
  constexpr double pi = std::numbers::pi;
  CoefficientsPasseBande c{};
  for (int k = 0; k < kDemi_passe_bande; ++k) {
    const double t = k + 0.5;
    c[k] = Arrondi(100000.0 * (std::sin(2 * pi * f2 * t / r) - std::sin(2 * pi * f1 * t / r)) /
                   (pi * t));
  }
  return c;
}

int Longueur_passe_bas(int vitesse) {
  return 2 * ((1090 / vitesse) / 2);
}

LignePasseBas Concevoir_passe_bas(int vitesse) {
  const double re = kFrequence_echantillonnage_entree / (kFrequence_echantillonnage_entree / 1000);
  const int n = Longueur_passe_bas(vitesse);
  const double fc = (44 * vitesse) / 100;
  constexpr double pi = std::numbers::pi;
  LignePasseBas ligne{};
  for (int k = 0; k < n / 2; ++k) {
    const double t = k + 0.5;
    ligne[k] = Arrondi(10000.0 * std::sin(2 * pi * fc * t / re) / (pi * t) *
                       (0.54 + 0.46 * std::cos(2 * pi * t / n)));
  }
  return ligne;
}

int32_t Vitesse_de_mesure(double z) {
  constexpr double echelle = 125.0 / 92.0;
  if (z > 875) return 10;
  if (z > 826) return Arrondi((7 + 3 * (875 - z) / 49) * echelle);
  if (z > 766) return Arrondi((10 + 4 * (826 - z) / 60) * echelle);
  if (z > 682) return Arrondi((14 + 6 * (766 - z) / 84) * echelle);
  if (z > 572) return Arrondi((20 + 8 * (682 - z) / 110) * echelle);
  if (z > 466) return Arrondi((28 + 12 * (572 - z) / 106) * echelle);
  return 54;
}

FiltreTonalite::FiltreTonalite(ReglagesReception& reglages)
    : reglages_(reglages),
      produit_scalaire_(__builtin_cpu_supports("avx2") ? Produit_scalaire_avx2 : Produit_scalaire) {
}

void FiltreTonalite::Preparer_filtres() {
  echantillons_par_ms_ = kFrequence_echantillonnage_entree / 1000;
  cumul_enveloppe_ = 0;
  compteur_echantillons_ = 0;
  compteur_decimation_ = 0;
  mesure_vitesse_ = 691;
  Regler_passe_bande();
  ligne_passe_bande_.fill(0);
  position_passe_bande_ = 0;
  for (int v = kVitesse_min; v <= kVitesse_max; ++v)
    table_passe_bas_[v - kVitesse_min] = Concevoir_passe_bas(v);
  ligne_passe_bas_.fill(0);
  position_passe_bas_ = 0;
  sortie_passe_bande_ = 0;
  dt_ = 1.0 / 333;
  rc1_ = 1 / (2 * std::numbers::pi * 0.1);
  rc2_ = 1 / (2 * std::numbers::pi * 7);
}

void FiltreTonalite::Regler_passe_bande() {
  const auto c = Concevoir_passe_bande(reglages_.Frequence_reception, reglages_.Bande_etroite == 1);
  std::lock_guard lock(verrou_coefficients_);
  coefficients_en_attente_ = c;
  nouveaux_coefficients_.store(true, std::memory_order_release);
}

CoefficientsPasseBande FiltreTonalite::Coefficients_passe_bande() {
  std::lock_guard lock(verrou_coefficients_);
  return nouveaux_coefficients_ ? coefficients_en_attente_ : coefficients_actuels_;
}

void FiltreTonalite::Prendre_nouveaux_coefficients() {
  std::lock_guard lock(verrou_coefficients_);
  coefficients_actuels_ = coefficients_en_attente_;
  for (int k = 0; k < kDemi_passe_bande; ++k) {
    const auto c = static_cast<int16_t>(coefficients_actuels_[k]);
    coefficients_[kDemi_passe_bande - 1 - k] = c;
    coefficients_[kDemi_passe_bande + k] = c;
  }
  nouveaux_coefficients_.store(false, std::memory_order_relaxed);
}

void FiltreTonalite::Pas_passe_bande(uint8_t s) {
  if (nouveaux_coefficients_.load(std::memory_order_acquire)) Prendre_nouveaux_coefficients();
  position_passe_bande_ =
      position_passe_bande_ == 0 ? kLongueur_passe_bande - 1 : position_passe_bande_ - 1;
  const auto e = static_cast<int16_t>(2 * s - 255);
  ligne_passe_bande_[position_passe_bande_] = e;
  ligne_passe_bande_[position_passe_bande_ + kLongueur_passe_bande] = e;
  // The delay line holds (2s - 255) x 15; the gain is applied after the sum.
  const int64_t somme =
      int64_t{kGain_passe_bande} *
      produit_scalaire_(&ligne_passe_bande_[position_passe_bande_], coefficients_.data());
  sortie_passe_bande_ =
      static_cast<int32_t>(std::clamp<int64_t>(somme / 100000, -kSortie_max, kSortie_max));
}

void FiltreTonalite::Pas_passe_bas() {
  position_passe_bas_ = position_passe_bas_ == 0 ? kLigne_passe_bas - 1 : position_passe_bas_ - 1;
  const int32_t x0 = cumul_enveloppe_ / 10;
  ligne_passe_bas_[position_passe_bas_] = x0;
  ligne_passe_bas_[position_passe_bas_ + kLigne_passe_bas] = x0;
  const int vitesse = reglages_.Vitesse_auto == 1 ? reglages_.Vitesse_estimee.load()
                                                  : reglages_.Vitesse_reception.load();
  const int v = std::clamp(vitesse, kVitesse_min, kVitesse_max);
  const auto& h = table_passe_bas_[v - kVitesse_min];
  const int demi = Longueur_passe_bas(v) / 2;
  const int32_t* x = &ligne_passe_bas_[position_passe_bas_];
  int64_t y = 0;
  for (int k = 0; k < demi; ++k) y += int64_t{x[demi - 1 - k] + x[demi + k]} * h[k];
  reglages_.Enveloppe_filtree.store(static_cast<int32_t>(y / 7700), std::memory_order_relaxed);
}

void FiltreTonalite::Traiter_echantillon(uint8_t echantillon) {
  ++compteur_echantillons_;
  ++compteur_decimation_;
  if (compteur_decimation_ >= kDecimation_passe_bande) {
    Pas_passe_bande(echantillon);
    compteur_decimation_ = 0;
  }
  cumul_enveloppe_ += std::abs(sortie_passe_bande_);
  if (compteur_echantillons_ < echantillons_par_ms_) return;
  Pas_passe_bas();
  ++compteur_ticks_;
  somme_trois_ticks_ += cumul_enveloppe_;
  if (compteur_ticks_ >= 3) Pas_lent();
  compteur_echantillons_ = 0;
  cumul_enveloppe_ = 0;
}

void FiltreTonalite::Pas_lent() {
  const double a = somme_trois_ticks_ / 3;
  niveau_moyen_ = niveau_moyen_ * rc1_ / (rc1_ + dt_) + a * dt_ / (rc1_ + dt_);
  compteur_ticks_ = 0;
  somme_trois_ticks_ = 0;
  if (reglages_.Seuil_auto == 1) {
    const int32_t seuil = Arrondi(0.05 * niveau_moyen_);
    reglages_.Seuil_filtrage = static_cast<uint16_t>(seuil <= 10 ? 10 : seuil);
  }
  if (reglages_.Vitesse_auto == 1) {
    Mesure_de_vitesse(a);
    reglages_.Duree_point_reception =
        static_cast<uint16_t>(1250 / std::max<int32_t>(reglages_.Vitesse_estimee, 1));
  }
}

void FiltreTonalite::Mesure_de_vitesse(double a) {
  const double k = a > niveau_moyen_ ? 1000 : -1000;
  nombre_bas_ = k < 0 ? nombre_bas_ + 1 : 0;
  if (nombre_bas_ >= 20 / 3) return;  // the estimate holds through silences
  double y = (dt_ * (k + comparateur_precedent_) - (dt_ - 2 * rc2_) * sortie_vitesse_precedente_) /
             (dt_ + 2 * rc2_);
  sortie_vitesse_precedente_ = y;
  comparateur_precedent_ = k;
  if (mesure_vitesse_ < 420 && reglages_.Seuil_auto == 1) {
    const int32_t seuil = Arrondi(0.1 * niveau_moyen_);
    reglages_.Seuil_filtrage = static_cast<uint16_t>(seuil <= 10 ? 10 : seuil);
  }
  if (mesure_vitesse_ <= 416) y = 566;
  mesure_vitesse_ = mesure_vitesse_ * rc1_ / (rc1_ + dt_) + std::abs(y) * dt_ / (rc1_ + dt_);
  reglages_.Vitesse_estimee = Vitesse_de_mesure(mesure_vitesse_);
}

}  // namespace vestral
