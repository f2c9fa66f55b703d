#include "dsp/FiltreTonalite.h"

#include <immintrin.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numbers>

namespace vestral {
namespace {

constexpr int kDecimation_passe_bande = 2;
constexpr int kSortie_max = 255 * kGain_passe_bande;

// To nearest, halves to even (as std::nearbyint in the default rounding
// mode): below 2^52, adding and taking back 2^52 leaves the nearest integer,
// without a call into the maths library.
int32_t Arrondi(double x) {
  constexpr double k2_52 = 4503599627370496.0;
  if (x >= 0 && x < k2_52) return static_cast<int32_t>((x + k2_52) - k2_52);
  if (x < 0 && x > -k2_52) return static_cast<int32_t>((x - k2_52) + k2_52);
  return static_cast<int32_t>(std::nearbyint(x));
}

constexpr int kTaps_calcul = 256;

// Band-pass sums: s[i] = sum over j of x[i + j] x c[j], 256 terms. Every
// product and partial sum fits in 32 bits, so the order of the additions
// does not matter. Compiled once per instruction set; the filter picks the
// widest the processor has when it is made (a plain function pointer: the
// thread sanitizer does not run GNU indirect functions).

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

// The low-pass product over 128 terms (the row is zero past its length).
constexpr int kTermes_produit = 128;
[[gnu::always_inline]] inline int32_t Produit_generique(const int16_t* x, const int16_t* h) {
  int32_t y = 0;
  for (int k = 0; k < kTermes_produit; ++k) y += int32_t{x[k]} * int32_t{h[k]};
  return y;
}

// Pairs of products added by pmaddwd: 8 per instruction, four sums at a
// time, their lanes added together in one tree.
void Sommes_sse2(const int16_t* x, const int16_t* c, int32_t* s, int n) {
  auto Somme = [c](const int16_t* v) {
    __m128i a0 = _mm_setzero_si128(), a1 = _mm_setzero_si128();
    for (int b = 0; b < kTaps_calcul; b += 16) {
      const auto* pv = reinterpret_cast<const __m128i*>(v + b);
      const auto* pc = reinterpret_cast<const __m128i*>(c + b);
      a0 = _mm_add_epi32(a0, _mm_madd_epi16(_mm_loadu_si128(pv), _mm_load_si128(pc)));
      a1 = _mm_add_epi32(a1, _mm_madd_epi16(_mm_loadu_si128(pv + 1), _mm_load_si128(pc + 1)));
    }
    return _mm_add_epi32(a0, a1);
  };
  int i = 0;
  for (; i + 4 <= n; i += 4) {
    const __m128i a = Somme(x + i), b = Somme(x + i + 1), d = Somme(x + i + 2),
                  e = Somme(x + i + 3);
    const __m128i ab = _mm_add_epi32(_mm_unpacklo_epi32(a, b), _mm_unpackhi_epi32(a, b));
    const __m128i de = _mm_add_epi32(_mm_unpacklo_epi32(d, e), _mm_unpackhi_epi32(d, e));
    const __m128i t = _mm_add_epi32(_mm_unpacklo_epi64(ab, de), _mm_unpackhi_epi64(ab, de));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(s + i), t);
  }
  for (; i < n; ++i) {
    alignas(16) int32_t l[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(l), Somme(x + i));
    s[i] = l[0] + l[1] + l[2] + l[3];
  }
}

void Sorties_base(const int16_t* x, const int16_t* c, int32_t* s, int n) {
  Sommes_sse2(x, c, s, n);
  Sorties_generiques(s, n);
}
int32_t Produit_base(const int16_t* x, const int16_t* h) {
  return Produit_generique(x, h);
}

// The same on 16 products per instruction.
__attribute__((target("avx2"))) void Sommes_avx2(const int16_t* x, const int16_t* c, int32_t* s,
                                                 int n) {
  auto Somme = [c](const int16_t* v) __attribute__((target("avx2"))) {
    __m256i a0 = _mm256_setzero_si256(), a1 = _mm256_setzero_si256();
    for (int b = 0; b < kTaps_calcul; b += 32) {
      const auto* pv = reinterpret_cast<const __m256i*>(v + b);
      const auto* pc = reinterpret_cast<const __m256i*>(c + b);
      a0 = _mm256_add_epi32(a0, _mm256_madd_epi16(_mm256_loadu_si256(pv), _mm256_load_si256(pc)));
      a1 = _mm256_add_epi32(
          a1, _mm256_madd_epi16(_mm256_loadu_si256(pv + 1), _mm256_load_si256(pc + 1)));
    }
    return _mm256_add_epi32(a0, a1);
  };
  int i = 0;
  for (; i + 4 <= n; i += 4) {
    const __m256i a = Somme(x + i), b = Somme(x + i + 1), d = Somme(x + i + 2),
                  e = Somme(x + i + 3);
    const __m256i ab = _mm256_add_epi32(_mm256_unpacklo_epi32(a, b), _mm256_unpackhi_epi32(a, b));
    const __m256i de = _mm256_add_epi32(_mm256_unpacklo_epi32(d, e), _mm256_unpackhi_epi32(d, e));
    const __m256i t =
        _mm256_add_epi32(_mm256_unpacklo_epi64(ab, de), _mm256_unpackhi_epi64(ab, de));
    const __m128i w = _mm_add_epi32(_mm256_castsi256_si128(t), _mm256_extracti128_si256(t, 1));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(s + i), w);
  }
  for (; i < n; ++i) {
    alignas(32) int32_t l[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(l), Somme(x + i));
    s[i] = l[0] + l[1] + l[2] + l[3] + l[4] + l[5] + l[6] + l[7];
  }
}

__attribute__((target("avx2"))) void Sorties_avx2(const int16_t* x, const int16_t* c, int32_t* s,
                                                  int n) {
  Sommes_avx2(x, c, s, n);
  Sorties_generiques(s, n);
}
__attribute__((target("avx2"))) int32_t Produit_avx2(const int16_t* x, const int16_t* h) {
  return Produit_generique(x, h);
}

// 32 products per instruction, added in pairs straight into the sums.
// (GCC 12 wrongly reports the intrinsics' own undefined operands.)
#if !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
__attribute__((target("avx512f,avx512bw,avx512vnni"))) void Sommes_avx512(const int16_t* x,
                                                                          const int16_t* c,
                                                                          int32_t* s, int n) {
  __m512i k[8];
  for (int b = 0; b < 8; ++b) k[b] = _mm512_load_si512(c + 32 * b);
  auto Somme = [&](const int16_t* v) __attribute__((target("avx512f,avx512bw,avx512vnni"))) {
    __m512i a0 = _mm512_dpwssd_epi32(_mm512_setzero_si512(), _mm512_loadu_si512(v), k[0]);
    __m512i a1 = _mm512_dpwssd_epi32(_mm512_setzero_si512(), _mm512_loadu_si512(v + 32), k[1]);
    for (int b = 2; b < 8; b += 2) {
      a0 = _mm512_dpwssd_epi32(a0, _mm512_loadu_si512(v + 32 * b), k[b]);
      a1 = _mm512_dpwssd_epi32(a1, _mm512_loadu_si512(v + 32 * b + 32), k[b + 1]);
    }
    return _mm512_add_epi32(a0, a1);
  };
  int i = 0;
  // Four sums at a time, their lanes added together in one tree.
  for (; i + 4 <= n; i += 4) {
    const __m512i a = Somme(x + i), b = Somme(x + i + 1), d = Somme(x + i + 2),
                  e = Somme(x + i + 3);
    const __m512i ab = _mm512_add_epi32(_mm512_unpacklo_epi32(a, b), _mm512_unpackhi_epi32(a, b));
    const __m512i de = _mm512_add_epi32(_mm512_unpacklo_epi32(d, e), _mm512_unpackhi_epi32(d, e));
    const __m512i t =
        _mm512_add_epi32(_mm512_unpacklo_epi64(ab, de), _mm512_unpackhi_epi64(ab, de));
    const __m256i u = _mm256_add_epi32(_mm512_castsi512_si256(t), _mm512_extracti64x4_epi64(t, 1));
    const __m128i w = _mm_add_epi32(_mm256_castsi256_si128(u), _mm256_extracti128_si256(u, 1));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(s + i), w);
  }
  for (; i < n; ++i) s[i] = _mm512_reduce_add_epi32(Somme(x + i));
}

__attribute__((target("avx512f,avx512bw,avx512vnni"))) void Sorties_avx512(const int16_t* x,
                                                                           const int16_t* c,
                                                                           int32_t* s, int n) {
  Sommes_avx512(x, c, s, n);
  Sorties_generiques(s, n);
}
__attribute__((target("avx512f,avx512bw,avx512vnni"))) int32_t Produit_avx512(const int16_t* x,
                                                                              const int16_t* h) {
  return Produit_generique(x, h);
}
#if !defined(__clang__)
#pragma GCC diagnostic pop
#endif

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

FiltreTonalite::FiltreTonalite(ReglagesReception& reglages) : reglages_(reglages) {
  if (!Choisir_jeu(Jeu::Avx512) && !Choisir_jeu(Jeu::Avx2)) Choisir_jeu(Jeu::Base);
}

bool FiltreTonalite::Choisir_jeu(Jeu jeu) {
  switch (jeu) {
    case Jeu::Base:
      sorties_ = Sorties_base;
      produit_ = Produit_base;
      break;
    case Jeu::Avx2:
      if (!__builtin_cpu_supports("avx2")) return false;
      sorties_ = Sorties_avx2;
      produit_ = Produit_avx2;
      break;
    case Jeu::Avx512:
      if (!__builtin_cpu_supports("avx512bw") || !__builtin_cpu_supports("avx512vnni"))
        return false;
      sorties_ = Sorties_avx512;
      produit_ = Produit_avx512;
      break;
  }
  jeu_ = jeu;
  return true;
}

void FiltreTonalite::Preparer_filtres() {
  echantillons_par_ms_ = kFrequence_echantillonnage_entree / 1000;
  cumul_enveloppe_ = 0;
  compteur_echantillons_ = 0;
  compteur_decimation_ = 0;
  mesure_vitesse_ = 691;
  Regler_passe_bande();
  historique_.fill(0);
  fin_historique_ = kLongueur_passe_bande - 1;
  for (int v = kVitesse_min; v <= kVitesse_max; ++v) {
    const auto& h = table_passe_bas_[v - kVitesse_min] = Concevoir_passe_bas(v);
    const int demi = Longueur_passe_bas(v) / 2;
    auto& complet = rangs_complets_[v - kVitesse_min];
    complet.fill(0);
    for (int k = 0; k < demi; ++k)
      complet[demi - 1 - k] = complet[demi + k] = static_cast<int16_t>(h[k]);
  }
  ligne_passe_bas_.fill(0);
  position_passe_bas_ = kTampon_passe_bas;
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

void FiltreTonalite::Pas_passe_bas() {
  // The line runs downwards through its buffer; near the start, its newest
  // values go back to the end.
  if (position_passe_bas_ == 0) {
    std::memmove(&ligne_passe_bas_[kTampon_passe_bas], &ligne_passe_bas_[0],
                 kTermes_produit * sizeof(int16_t));
    position_passe_bas_ = kTampon_passe_bas;
  }
  --position_passe_bas_;
  const int32_t x0 = cumul_enveloppe_ / 10;
  ligne_passe_bas_[position_passe_bas_] = static_cast<int16_t>(x0);
  const int vitesse = reglages_.Vitesse_auto == 1 ? reglages_.Vitesse_estimee.load()
                                                  : reglages_.Vitesse_reception.load();
  const int v = std::clamp(vitesse, kVitesse_min, kVitesse_max);
  // 32 bits suffice: |x| <= 11 x 3825 / 10, |h| <= 10000 x 2 x 23 / 1002,
  // at most 108 terms that are not zero. The newest value is taken from the
  // register: a vector load over the value just stored would wait for the
  // store.
  const int16_t* h = rangs_complets_[v - kVitesse_min].data();
  const int32_t y = x0 * h[0] + produit_(&ligne_passe_bas_[position_passe_bas_ + 1], h + 1);
  reglages_.Enveloppe_filtree.store(y / 7700, std::memory_order_relaxed);
}

void FiltreTonalite::Traiter_echantillons(const uint8_t* echantillons, int nombre) {
  // A new coefficient set is taken before the band-pass steps of the batch.
  if (nouveaux_coefficients_.load(std::memory_order_acquire)) Prendre_nouveaux_coefficients();
  while (nombre > 0) {
    const int n = std::min(nombre, kMorceau);
    Traiter_morceau(echantillons, n);
    echantillons += n;
    nombre -= n;
  }
}

void FiltreTonalite::Traiter_morceau(const uint8_t* e, int n) {
  // The band-pass inputs of the batch (every second sample), after the
  // newest 229 of the earlier ones; then all their sums at once.
  constexpr int kAnciens = kLongueur_passe_bande - 1;
  if (fin_historique_ + n / 2 + 1 > kHistorique) {
    std::memmove(historique_.data(), historique_.data() + fin_historique_ - kAnciens,
                 kAnciens * sizeof(int16_t));
    fin_historique_ = kAnciens;
  }
  const int premier = fin_historique_;
  for (int i = kDecimation_passe_bande - 1 - compteur_decimation_; i < n;
       i += kDecimation_passe_bande)
    historique_[fin_historique_++] = static_cast<int16_t>(2 * e[i] - 255);
  if (fin_historique_ > premier)
    sorties_(&historique_[premier - kAnciens], coefficients_.data(), sorties_morceau_.data(),
             fin_historique_ - premier);

  // Each sample adds the band-pass output it holds to the envelope sum: an
  // output comes with every second sample and is held for two. Every
  // echantillons_par_ms_ samples the sum goes through the low-pass.
  static_assert(kDecimation_passe_bande == 2);
  const int32_t* sortie = sorties_morceau_.data();
  int32_t tenue = sortie_passe_bande_;
  int decimation = compteur_decimation_;
  int i = 0;
  while (i < n) {
    const int jusqu_au_pas = std::max(echantillons_par_ms_ - compteur_echantillons_, 1);
    const int r = std::min(n - i, jusqu_au_pas);
    int32_t cumul = 0;
    int reste = r;
    if (decimation == 0) {  // the first sample still holds the last output
      cumul += std::abs(tenue);
      --reste;
    }
    // Then a new output on the 1st, 3rd... of the rest, the last one held
    // once when the rest is odd.
    const int nouvelles = (reste + 1) / 2;
    for (int k = 0; k < nouvelles; ++k) cumul += 2 * std::abs(sortie[k]);
    if (nouvelles > 0) {
      tenue = sortie[nouvelles - 1];
      if (reste & 1) cumul -= std::abs(tenue);
    }
    sortie += nouvelles;
    decimation = (reste & 1) ? 0 : 1;
    cumul_enveloppe_ += cumul;
    compteur_echantillons_ = static_cast<uint8_t>(compteur_echantillons_ + r);
    i += r;
    if (r < jusqu_au_pas) break;
    Pas_passe_bas();
    ++compteur_ticks_;
    somme_trois_ticks_ += cumul_enveloppe_;
    if (compteur_ticks_ >= 3) Pas_lent();
    compteur_echantillons_ = 0;
    cumul_enveloppe_ = 0;
    if (releves_ != nullptr)
      releves_->push_back({traites_ + i,
                           reglages_.Enveloppe_filtree.load(std::memory_order_relaxed),
                           reglages_.Seuil_filtrage.load(std::memory_order_relaxed),
                           reglages_.Duree_point_reception.load(std::memory_order_relaxed)});
  }
  sortie_passe_bande_ = tenue;
  compteur_decimation_ = static_cast<uint8_t>(decimation);
  traites_ += n;
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
