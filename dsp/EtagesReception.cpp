#include "dsp/EtagesReception.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace vestral {
namespace {

constexpr int kSortie_max = 255 * kGain_passe_bande;

// The outputs from the sums: gain 15, divided by 100000 (truncated), within
// +-3825. 15 s / 100000 is 3 s / 20000, and any |s| of 25506667 or more
// gives 3826 or more before the clamp: clamped first, 3 s stays in 32 bits
// and the division vectorizes.
constexpr int32_t kSomme_saturee = 25506667;
static_assert(int64_t{kGain_passe_bande} * kSomme_saturee / 100000 == kSortie_max + 1);
static_assert(int64_t{kGain_passe_bande} * (kSomme_saturee - 1) / 100000 == kSortie_max);
[[gnu::always_inline]] inline void Sorties_generiques(int32_t* s, int n) {
  for (int i = 0; i < n; ++i) {
    const int32_t v = std::clamp(s[i], -kSomme_saturee, kSomme_saturee);
    s[i] = std::clamp(3 * v / 20000, -kSortie_max, kSortie_max);
  }
}
// Compiled for each instruction set, as the sums.
void Sorties_base(int32_t* s, int n) {
  Sorties_generiques(s, n);
}
__attribute__((target("avx2"))) void Sorties_avx2(int32_t* s, int n) {
  Sorties_generiques(s, n);
}
__attribute__((target("avx512f,avx512bw"))) void Sorties_avx512(int32_t* s, int n) {
  Sorties_generiques(s, n);
}
PasseBande::Echelle Echelle_pour(JeuInstructions jeu) {
  switch (jeu) {
    case JeuInstructions::Avx2:
      return Sorties_avx2;
    case JeuInstructions::Avx512:
      return Sorties_avx512;
    case JeuInstructions::Base:
      break;
  }
  return Sorties_base;
}

detail::Produits Le_plus_large(JeuInstructions& jeu) {
  for (JeuInstructions j : {JeuInstructions::Avx512, JeuInstructions::Avx2}) {
    if (const auto p = detail::Produits_pour(j)) {
      jeu = j;
      return p;
    }
  }
  jeu = JeuInstructions::Base;
  return detail::Produits_pour(JeuInstructions::Base);
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
  const double re = kFrequence_echantillonnage_entree / kEchantillons_par_ms;
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

// ---------------------------------------------------------------- band-pass

PasseBande::PasseBande() {
  produits_ = Le_plus_large(jeu_);
  echelle_ = Echelle_pour(jeu_);
}

bool PasseBande::Choisir_jeu(JeuInstructions jeu) {
  const auto p = detail::Produits_pour(jeu);
  if (p == nullptr) return false;
  produits_ = p;
  echelle_ = Echelle_pour(jeu);
  jeu_ = jeu;
  return true;
}

void PasseBande::Regler(int32_t frequence, bool bande_etroite) {
  const auto c = Concevoir_passe_bande(frequence, bande_etroite);
  std::lock_guard lock(verrou_);
  en_attente_ = c;
  nouveaux_.store(true, std::memory_order_release);
}

CoefficientsPasseBande PasseBande::Coefficients() {
  std::lock_guard lock(verrou_);
  return nouveaux_ ? en_attente_ : actuels_;
}

void PasseBande::Appliquer_reglage() {
  if (!nouveaux_.load(std::memory_order_acquire)) return;
  std::lock_guard lock(verrou_);
  actuels_ = en_attente_;
  for (int k = 0; k < kDemi_passe_bande; ++k) {
    const auto c = static_cast<int16_t>(actuels_[k]);
    coefficients_[kDemi_passe_bande - 1 - k] = c;
    coefficients_[kDemi_passe_bande + k] = c;
  }
  nouveaux_.store(false, std::memory_order_relaxed);
}

void PasseBande::Vider() {
  historique_.fill(0);
  fin_historique_ = kLongueur_passe_bande - 1;
  phase_ = 0;
  sortie_ = 0;
}

std::span<const int32_t> PasseBande::Filtrer(const uint8_t* e, int n) {
  // The inputs of the batch (every second sample), after the newest 229 of
  // the earlier ones; then all their sums at once.
  constexpr int kAnciens = kLongueur_passe_bande - 1;
  if (fin_historique_ + n / 2 + 1 > kHistorique) {
    std::memmove(historique_.data(), historique_.data() + fin_historique_ - kAnciens,
                 kAnciens * sizeof(int16_t));
    fin_historique_ = kAnciens;
  }
  const int premier = fin_historique_;
  for (int i = kDecimation_passe_bande - 1 - phase_; i < n; i += kDecimation_passe_bande)
    historique_[fin_historique_++] = static_cast<int16_t>(2 * e[i] - 255);
  phase_ = (phase_ + n) % kDecimation_passe_bande;
  const int nombre = fin_historique_ - premier;
  if (nombre > 0) {
    produits_(&historique_[premier - kAnciens], coefficients_.data(), sorties_.data(), nombre,
              kTaps_calcul);
    echelle_(sorties_.data(), nombre);
    sortie_ = sorties_[nombre - 1];
  }
  return {sorties_.data(), static_cast<std::size_t>(nombre)};
}

// ----------------------------------------------------------------- envelope

void Enveloppe::Vider() {
  somme_ = 0;
  compteur_ = 0;
  phase_ = 0;
}

int Enveloppe::Avancer(int nombre, const int32_t*& sorties, int32_t& tenue) {
  static_assert(kDecimation_passe_bande == 2);
  const int jusqu_au_pas = std::max(kEchantillons_par_ms - compteur_, 1);
  const int r = std::min(nombre, jusqu_au_pas);
  int32_t somme = 0;
  int reste = r;
  if (phase_ == 0) {  // the first sample still holds the last output
    somme += std::abs(tenue);
    --reste;
  }
  // Then a new output on the 1st, 3rd... of the rest, the last one held
  // once when the rest is odd.
  const int nouvelles = (reste + 1) / 2;
  for (int k = 0; k < nouvelles; ++k) somme += 2 * std::abs(sorties[k]);
  if (nouvelles > 0) {
    tenue = sorties[nouvelles - 1];
    if (reste & 1) somme -= std::abs(tenue);
  }
  sorties += nouvelles;
  phase_ = (reste & 1) ? 0 : 1;
  somme_ += somme;
  compteur_ += r;
  return r;
}

int32_t Enveloppe::Prendre_somme() {
  const int32_t somme = somme_;
  somme_ = 0;
  compteur_ = 0;
  return somme;
}

// ------------------------------------------------------------ low-pass bank

BancPasseBas::BancPasseBas() {
  JeuInstructions jeu;
  produits_ = Le_plus_large(jeu);
}

bool BancPasseBas::Choisir_jeu(JeuInstructions jeu) {
  const auto p = detail::Produits_pour(jeu);
  if (p == nullptr) return false;
  produits_ = p;
  return true;
}

void BancPasseBas::Preparer() {
  for (int v = kVitesse_min; v <= kVitesse_max; ++v) {
    const auto& h = table_[v - kVitesse_min] = Concevoir_passe_bas(v);
    const int demi = Longueur_passe_bas(v) / 2;
    auto& complet = rangs_[v - kVitesse_min];
    complet.fill(0);
    for (int k = 0; k < demi; ++k)
      complet[demi - 1 - k] = complet[demi + k] = static_cast<int16_t>(h[k]);
  }
  ligne_.fill(0);
  position_ = kTampon;
}

int32_t BancPasseBas::Pas(int32_t somme, int vitesse) {
  // The line runs downwards through its buffer; near the start, its newest
  // values go back to the end.
  if (position_ == 0) {
    std::memmove(&ligne_[kTampon], &ligne_[0], kTermes * sizeof(int16_t));
    position_ = kTampon;
  }
  --position_;
  const int32_t x0 = somme / 10;
  ligne_[position_] = static_cast<int16_t>(x0);
  const int v = std::clamp(vitesse, kVitesse_min, kVitesse_max);
  // 32 bits suffice: |x| <= 11 x 3825 / 10, |h| <= 10000 x 2 x 23 / 1002,
  // at most 108 terms that are not zero. The newest value is taken from the
  // register: a vector load over the value just stored would wait for the
  // store.
  const int16_t* h = rangs_[v - kVitesse_min].data();
  int32_t y = 0;
  produits_(&ligne_[position_ + 1], h + 1, &y, 1, kTermes);
  sortie_ = (x0 * h[0] + y) / 7700;
  return sortie_;
}

// ------------------------------------------------------ level and threshold

void NiveauSeuil::Pas(double a) {
  niveau_moyen_ = niveau_moyen_ * kRc / (kRc + kDt) + a * kDt / (kRc + kDt);
}

uint16_t NiveauSeuil::Seuil(double fraction) const {
  const int32_t seuil = Arrondi(fraction * niveau_moyen_);
  return static_cast<uint16_t>(seuil <= 10 ? 10 : seuil);
}

// ------------------------------------------------------------ speed estimate

void EstimateurVitesse::Redemarrer() {
  vitesse_.store(kVitesse_depart, std::memory_order_relaxed);
  duree_point_ = kDuree_point_depart;
}

bool EstimateurVitesse::Pas(double a, double niveau_moyen) {
  constexpr double kDt = NiveauSeuil::kDt, kRc = NiveauSeuil::kRc, kRc2 = kRc_comparateur;
  // Below the level for 20 ms: the estimate holds.
  constexpr int kPas_bas_max = 20 / kPas_par_pas_lent;
  const double k = a > niveau_moyen ? 1000 : -1000;
  nombre_bas_ = k < 0 ? nombre_bas_ + 1 : 0;
  bool lent = false;
  if (nombre_bas_ < kPas_bas_max) {
    double y = (kDt * (k + comparateur_precedent_) - (kDt - 2 * kRc2) * sortie_precedente_) /
               (kDt + 2 * kRc2);
    sortie_precedente_ = y;
    comparateur_precedent_ = k;
    lent = mesure_ < 420;
    if (mesure_ <= 416) y = 566;
    mesure_ = mesure_ * kRc / (kRc + kDt) + std::abs(y) * kDt / (kRc + kDt);
    vitesse_.store(Vitesse_de_mesure(mesure_), std::memory_order_relaxed);
  }
  duree_point_ = static_cast<uint16_t>(1250 / std::max<int32_t>(Vitesse(), 1));
  return lent;
}

}  // namespace vestral
