// The tone filter written the plain way, for comparison with the fast one:
// delay lines shifted by one at each step, newest first, the symmetric
// halves added before the multiplication, every sum in 64 bits. It reads
// and writes its own ReglagesReference (the operator's choices and its
// measures in one place, each choice written at once), so that both filters
// can be driven side by side with the same choices.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <numbers>

#include "dsp/ReglagesReception.h"
#include "shell/FormatSon.h"

namespace vestral::test {

struct ReglagesReference {
  int32_t Frequence_reception = 800;
  uint8_t Bande_etroite = 1;
  uint8_t Seuil_auto = 0;
  uint16_t Seuil_filtrage = 0;
  uint8_t Vitesse_auto = 0;
  uint16_t Vitesse_reception = 0;
  int32_t Vitesse_estimee = 20;
  uint16_t Duree_point_reception = 0;
  int32_t Enveloppe_filtree = 0;

  void Choisir_vitesse_auto() {
    Vitesse_auto = 1;
    Vitesse_estimee = 20;
    Duree_point_reception = 62;
  }
  void Choisir_vitesse(int vitesse) {
    Vitesse_auto = 0;
    Vitesse_reception = static_cast<uint16_t>(vitesse);
    Duree_point_reception = static_cast<uint16_t>(1250 / vitesse);
  }
  void Choisir_seuil_auto() { Seuil_auto = 1; }
  void Choisir_seuil(uint16_t seuil) {
    Seuil_auto = 0;
    Seuil_filtrage = seuil;
  }
};

class FiltreReference {
 public:
  explicit FiltreReference(ReglagesReference& r) : r_(r) {}

  void Preparer_filtres() {
    echantillons_par_ms_ = kFrequence_echantillonnage_entree / 1000;
    cumul_enveloppe_ = 0;
    compteur_echantillons_ = 0;
    compteur_decimation_ = 0;
    mesure_vitesse_ = 691;
    Regler_passe_bande();
    ligne_passe_bande_.fill(0);
    const int re = kFrequence_echantillonnage_entree / echantillons_par_ms_;  // 1002
    for (int v = 10; v <= 54; ++v) {
      const int n = 2 * ((1090 / v) / 2);
      const int fc = (44 * v) / 100;
      auto& h = table_passe_bas_[v - 10];
      h.fill(0);
      for (int k = 0; k < n / 2; ++k) {
        const double t = k + 0.5;
        h[k] = Arrondi(10000 * std::sin(2 * pi * fc * t / re) / (pi * t) *
                       (0.54 + 0.46 * std::cos(2 * pi * t / n)));
      }
    }
    ligne_passe_bas_.fill(0);
    ligne_passe_bande_.fill(0);
    // The program also clears the last output with the lines.
    sortie_passe_bande_ = 0;
    dt_ = 1.0 / 333;
    rc1_ = 1 / (2 * pi * 0.1);
    rc2_ = 1 / (2 * pi * 7);
  }

  void Regler_passe_bande() {
    const int w = r_.Bande_etroite == 1 ? 60 : 300;
    int f1 = r_.Frequence_reception - w;
    if (f1 < 0) f1 = 0;
    const int f2 = r_.Frequence_reception + w;
    const int taux = kFrequence_echantillonnage_entree / 2;  // 5512
    for (int k = 0; k <= 114; ++k) {
      const double t = k + 0.5;
      coefficients_[k] =
          Arrondi(100000 * (std::sin(2 * pi * f2 * t / taux) - std::sin(2 * pi * f1 * t / taux)) /
                  (pi * t));
    }
  }

  void Traiter_echantillon(uint8_t s) {
    compteur_echantillons_ += 1;
    compteur_decimation_ += 1;
    if (compteur_decimation_ >= 2) {
      Pas_passe_bande(s);
      compteur_decimation_ = 0;
    }
    if (compteur_echantillons_ < 11) {
      cumul_enveloppe_ += std::abs(sortie_passe_bande_);
      return;
    }
    cumul_enveloppe_ += std::abs(sortie_passe_bande_);
    Pas_passe_bas();
    compteur_ticks_ += 1;
    somme_trois_ticks_ += cumul_enveloppe_;
    if (compteur_ticks_ >= 3) Pas_lent();
    compteur_echantillons_ = 0;
    cumul_enveloppe_ = 0;
  }

  int32_t Sortie_passe_bande() const { return sortie_passe_bande_; }
  double Niveau_moyen() const { return niveau_moyen_; }
  double Mesure_vitesse() const { return mesure_vitesse_; }

 private:
  static constexpr double pi = std::numbers::pi;
  static int32_t Arrondi(double x) { return static_cast<int32_t>(std::nearbyint(x)); }

  void Pas_passe_bande(uint8_t s) {
    for (int i = 229; i > 0; --i) ligne_passe_bande_[i] = ligne_passe_bande_[i - 1];
    ligne_passe_bande_[0] = (2 * int32_t{s} - 255) * 15;
    int64_t y = 0;
    for (int k = 0; k <= 114; ++k)
      y += (int64_t{ligne_passe_bande_[114 - k]} + ligne_passe_bande_[115 + k]) * coefficients_[k];
    y = y / 100000;
    sortie_passe_bande_ = static_cast<int32_t>(std::clamp<int64_t>(y, -3825, 3825));
  }

  void Pas_passe_bas() {
    ligne_passe_bas_[0] = cumul_enveloppe_ / 10;
    const int v = r_.Vitesse_auto == 1 ? r_.Vitesse_estimee : r_.Vitesse_reception;
    const auto& h = table_passe_bas_[v - 10];
    const int n = 2 * ((1090 / v) / 2);
    const int demi = n / 2;
    int64_t y = 0;
    for (int k = 0; k < demi; ++k)
      y += (int64_t{ligne_passe_bas_[demi - 1 - k]} + ligne_passe_bas_[demi + k]) * h[k];
    r_.Enveloppe_filtree = static_cast<int32_t>(y / 7700);
    for (int i = 108; i > 0; --i) ligne_passe_bas_[i] = ligne_passe_bas_[i - 1];
  }

  void Pas_lent() {
    const int32_t a = somme_trois_ticks_ / 3;
    niveau_moyen_ = niveau_moyen_ * rc1_ / (rc1_ + dt_) + a * dt_ / (rc1_ + dt_);
    compteur_ticks_ = 0;
    somme_trois_ticks_ = 0;
    if (r_.Seuil_auto == 1) {
      const int32_t seuil = Arrondi(0.05 * niveau_moyen_);
      r_.Seuil_filtrage = static_cast<uint16_t>(seuil <= 10 ? 10 : seuil);
    }
    if (r_.Vitesse_auto == 1) {
      Mesure_de_vitesse(a);
      r_.Duree_point_reception = static_cast<uint16_t>(1250 / r_.Vitesse_estimee);
    }
  }

  void Mesure_de_vitesse(int32_t a) {
    const double k = a > niveau_moyen_ ? 1000 : -1000;
    if (k == -1000) nombre_bas_ += 1;
    if (k == 1000) nombre_bas_ = 0;
    if (nombre_bas_ >= 20 / 3) return;
    double y = (dt_ * (k + k_precedent_) - (dt_ - 2 * rc2_) * y_precedent_) / (dt_ + 2 * rc2_);
    y_precedent_ = y;
    k_precedent_ = k;
    if (mesure_vitesse_ < 420 && r_.Seuil_auto == 1) {
      const int32_t seuil = Arrondi(0.1 * niveau_moyen_);
      r_.Seuil_filtrage = static_cast<uint16_t>(seuil <= 10 ? 10 : seuil);
    }
    if (mesure_vitesse_ <= 416) y = 566;
    mesure_vitesse_ = mesure_vitesse_ * rc1_ / (rc1_ + dt_) + std::abs(y) * dt_ / (rc1_ + dt_);
    const double z = mesure_vitesse_;
    const double e = 125.0 / 92;
    int32_t v;
    if (z > 875)
      v = 10;
    else if (z > 826)
      v = Arrondi((7 + 3 * (875 - z) / 49) * e);
    else if (z > 766)
      v = Arrondi((10 + 4 * (826 - z) / 60) * e);
    else if (z > 682)
      v = Arrondi((14 + 6 * (766 - z) / 84) * e);
    else if (z > 572)
      v = Arrondi((20 + 8 * (682 - z) / 110) * e);
    else if (z > 466)
      v = Arrondi((28 + 12 * (572 - z) / 106) * e);
    else
      v = 54;
    r_.Vitesse_estimee = v;
  }

  ReglagesReference& r_;
  std::array<int32_t, 115> coefficients_{};
  std::array<int32_t, 230> ligne_passe_bande_{};
  int32_t sortie_passe_bande_ = 0;
  std::array<std::array<int32_t, 61>, 45> table_passe_bas_{};
  std::array<int32_t, 109> ligne_passe_bas_{};
  int echantillons_par_ms_ = 11;
  uint8_t compteur_echantillons_ = 0;
  uint8_t compteur_decimation_ = 0;
  uint16_t compteur_ticks_ = 0;
  int32_t cumul_enveloppe_ = 0;
  int32_t somme_trois_ticks_ = 0;
  int32_t nombre_bas_ = 0;
  double niveau_moyen_ = 0;
  double k_precedent_ = 0, y_precedent_ = 0;
  double mesure_vitesse_ = 0;
  double dt_ = 0, rc1_ = 0, rc2_ = 0;
};

}  // namespace vestral::test
