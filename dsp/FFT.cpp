#include "dsp/FFT.h"

#include <immintrin.h>

#include <cmath>
#include <numbers>

#include "shell/FormatSon.h"

namespace vestral {
namespace {

// One stage of butterflies in doubles, for a processor with wide vectors.
// Every value is an integer below 2^53, so the products and sums are exact,
// and the quotient by 200, truncated, is found exactly from an estimate by
// the reciprocal corrected by the remainder: the results are those of the
// 64-bit integer butterflies. h is a multiple of the vector width.
//
// The stage is written once (Etage_vectoriel) over the operations of one
// instruction set (a struct of inline functions compiled for it); each set
// gets its own copy of the stage, compiled for it, and the transform picks
// one at run time.

// (GCC 12 wrongly reports the intrinsics' own undefined operands.)
#if !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#define VESTRAL_AVX2 __attribute__((target("avx2,fma"), always_inline)) static inline
struct Avx2 {
  using V = __m256d;
  static constexpr int kLargeur = 4;
  VESTRAL_AVX2 V Charger(const int32_t* p) {
    return _mm256_cvtepi32_pd(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
  }
  VESTRAL_AVX2 void Ranger(int32_t* p, V v) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm256_cvttpd_epi32(v));
  }
  VESTRAL_AVX2 V Charger_twiddles(const double* p) { return _mm256_loadu_pd(p); }
  VESTRAL_AVX2 V Plus(V a, V b) { return _mm256_add_pd(a, b); }
  VESTRAL_AVX2 V Moins(V a, V b) { return _mm256_sub_pd(a, b); }
  VESTRAL_AVX2 V Fois(V a, V b) { return _mm256_mul_pd(a, b); }
  // a x b + c, and c - a x b, rounded once.
  VESTRAL_AVX2 V Fois_plus(V a, V b, V c) { return _mm256_fmadd_pd(a, b, c); }
  VESTRAL_AVX2 V Moins_fois(V a, V b, V c) { return _mm256_fnmadd_pd(a, b, c); }
  VESTRAL_AVX2 V Quotient_200(V x) {
    const V deux_cents = _mm256_set1_pd(200), un = _mm256_set1_pd(1), zero = _mm256_setzero_pd();
    V q = _mm256_floor_pd(_mm256_mul_pd(x, _mm256_set1_pd(1.0 / 200)));
    V r = _mm256_fnmadd_pd(q, deux_cents, x);
    q = _mm256_add_pd(q, _mm256_and_pd(_mm256_cmp_pd(r, deux_cents, _CMP_GE_OQ), un));
    q = _mm256_sub_pd(q, _mm256_and_pd(_mm256_cmp_pd(r, zero, _CMP_LT_OQ), un));
    r = _mm256_fnmadd_pd(q, deux_cents, x);  // q is the floor: 0 <= r < 200
    const V vers_zero =
        _mm256_and_pd(_mm256_cmp_pd(x, zero, _CMP_LT_OQ), _mm256_cmp_pd(r, zero, _CMP_NEQ_OQ));
    return _mm256_add_pd(q, _mm256_and_pd(vers_zero, un));
  }
};
#undef VESTRAL_AVX2

#define VESTRAL_AVX512 __attribute__((target("avx512f"), always_inline)) static inline
struct Avx512 {
  using V = __m512d;
  static constexpr int kLargeur = 8;
  VESTRAL_AVX512 V Charger(const int32_t* p) {
    return _mm512_cvtepi32_pd(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)));
  }
  VESTRAL_AVX512 void Ranger(int32_t* p, V v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), _mm512_cvttpd_epi32(v));
  }
  VESTRAL_AVX512 V Charger_twiddles(const double* p) { return _mm512_loadu_pd(p); }
  VESTRAL_AVX512 V Plus(V a, V b) { return _mm512_add_pd(a, b); }
  VESTRAL_AVX512 V Moins(V a, V b) { return _mm512_sub_pd(a, b); }
  VESTRAL_AVX512 V Fois(V a, V b) { return _mm512_mul_pd(a, b); }
  VESTRAL_AVX512 V Fois_plus(V a, V b, V c) { return _mm512_fmadd_pd(a, b, c); }
  VESTRAL_AVX512 V Moins_fois(V a, V b, V c) { return _mm512_fnmadd_pd(a, b, c); }
  VESTRAL_AVX512 V Quotient_200(V x) {
    const V deux_cents = _mm512_set1_pd(200), un = _mm512_set1_pd(1), zero = _mm512_setzero_pd();
    V q = _mm512_roundscale_pd(_mm512_mul_pd(x, _mm512_set1_pd(1.0 / 200)),
                               _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC);
    V r = _mm512_fnmadd_pd(q, deux_cents, x);
    q = _mm512_mask_add_pd(q, _mm512_cmp_pd_mask(r, deux_cents, _CMP_GE_OQ), q, un);
    q = _mm512_mask_sub_pd(q, _mm512_cmp_pd_mask(r, zero, _CMP_LT_OQ), q, un);
    r = _mm512_fnmadd_pd(q, deux_cents, x);  // q is the floor: 0 <= r < 200
    const __mmask8 vers_zero =
        _mm512_cmp_pd_mask(x, zero, _CMP_LT_OQ) & _mm512_cmp_pd_mask(r, zero, _CMP_NEQ_OQ);
    return _mm512_mask_add_pd(q, vers_zero, q, un);
  }
};
#undef VESTRAL_AVX512

// The stage itself, for the instruction set J. A function-like macro
// because a template would be compiled for the plain processor, where
// neither the vectors nor their operations may appear; each use below sits
// in a function compiled for J.
#define VESTRAL_ETAGE_VECTORIEL(J)                                                 \
  for (int base = 0; base < n; base += 2 * h) {                                    \
    int32_t *ra = re + base, *ia = im + base, *rb = ra + h, *ib = ia + h;          \
    for (int j = 0; j < h; j += J::kLargeur) {                                     \
      const J::V r = J::Charger(rb + j), i = J::Charger(ib + j);                   \
      const J::V c = J::Charger_twiddles(tc + j), s = J::Charger_twiddles(ts + j); \
      const J::V tr = J::Quotient_200(J::Fois_plus(i, s, J::Fois(r, c)));          \
      const J::V ti = J::Quotient_200(J::Moins_fois(r, s, J::Fois(i, c)));         \
      const J::V a = J::Charger(ra + j), b = J::Charger(ia + j);                   \
      J::Ranger(rb + j, J::Moins(a, tr));                                          \
      J::Ranger(ib + j, J::Moins(b, ti));                                          \
      J::Ranger(ra + j, J::Plus(a, tr));                                           \
      J::Ranger(ia + j, J::Plus(b, ti));                                           \
    }                                                                              \
  }

__attribute__((target("avx2,fma"))) void Etage_avx2(int32_t* re, int32_t* im, const double* tc,
                                                    const double* ts, int n, int h) {
  VESTRAL_ETAGE_VECTORIEL(Avx2)
}

__attribute__((target("avx512f"))) void Etage_avx512(int32_t* re, int32_t* im, const double* tc,
                                                     const double* ts, int n, int h) {
  VESTRAL_ETAGE_VECTORIEL(Avx512)
}
#undef VESTRAL_ETAGE_VECTORIEL

#if !defined(__clang__)
#pragma GCC diagnostic pop
#endif

}  // namespace

int32_t Convertir_echantillon(uint8_t s) {
  return (200000 * int32_t{s} - 25500000) / 1275;
}

FFTEntiere::FFTEntiere() : cosinus_(36001), sinus_(36001), spectre_(1025) {
  // The widest set the processor has; the integers always do.
  if (!Choisir_jeu(Jeu::Avx512) && !Choisir_jeu(Jeu::Avx2))
    static_cast<void>(Choisir_jeu(Jeu::Entiers));
  for (int i = 0; i <= 36000; ++i) {
    const double angle = i / 100.0 * std::numbers::pi / 180.0;
    cosinus_[i] = static_cast<int32_t>(std::nearbyint(200 * std::cos(angle)));
    sinus_[i] = static_cast<int32_t>(std::nearbyint(200 * std::sin(angle)));
  }
  Preparer_FFT();
}

bool FFTEntiere::Choisir_jeu(Jeu jeu) {
  const bool avx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
  switch (jeu) {
    case Jeu::Entiers:
      etage_ = etage4_ = nullptr;
      return true;
    case Jeu::Avx2:
      if (!avx2) return false;
      etage_ = etage4_ = Etage_avx2;
      return true;
    case Jeu::Avx512:
      if (!avx2 || !__builtin_cpu_supports("avx512f")) return false;
      etage_ = Etage_avx512;
      etage4_ = Etage_avx2;
      return true;
  }
  return false;
}

void FFTEntiere::Preparer_FFT(int taille) {
  taille_ = taille;
  etages_ = 0;
  while ((1 << etages_) < taille_) ++etages_;
  entree_.assign(taille_, 0);
  taille_eclaircie_ = 0;
  reelle_.assign(taille_, 0);
  imaginaire_.assign(taille_, 0);
  spectre_.assign(1025, 0);
  for (auto& slot : historique_) slot.assign(1024, 0);
  inversion_bits_.assign(taille_, 0);
  // The twiddles of each stage in the order the butterflies use them.
  twiddles_.clear();
  twiddles_c_.clear();
  twiddles_s_.clear();
  for (int envergure = 2; envergure <= taille_; envergure *= 2) {
    for (int j = 0; j < envergure / 2; ++j) {
      const int index = static_cast<int>((int64_t{j} * 36000 / envergure) % 36000);
      twiddles_.push_back({cosinus_[index], sinus_[index]});
      twiddles_c_.push_back(cosinus_[index]);
      twiddles_s_.push_back(sinus_[index]);
    }
  }
  for (int h = 1; h < taille_; h *= 2) {
    for (int i = 0; i < h; ++i) {
      const auto t = static_cast<uint16_t>(2 * inversion_bits_[i]);
      inversion_bits_[i] = t;
      inversion_bits_[i + h] = static_cast<uint16_t>(t + 1);
    }
  }
}

void FFTEntiere::Analyser_bloc(std::span<const uint8_t> bloc) {
  // The positions kept by the thinning depend on the block length only.
  if (bloc.size() != taille_eclaircie_) {
    positions_gardees_.clear();
    int32_t precedent = 0;
    for (std::size_t c = 1; c <= bloc.size() && positions_gardees_.size() < std::size_t(taille_);
         ++c) {
      const auto b =
          static_cast<int32_t>(static_cast<int64_t>(c) * 6144 / kFrequence_echantillonnage_entree);
      if (b != precedent) positions_gardees_.push_back(static_cast<uint32_t>(c - 1));
      precedent = b;
    }
    taille_eclaircie_ = bloc.size();
  }
  for (std::size_t i = 0; i < positions_gardees_.size(); ++i)
    entree_[i] = Convertir_echantillon(bloc[positions_gardees_[i]]);
  Transformer_FFT();
  Calculer_modules();
  Cumuler_spectres();
}

void FFTEntiere::Transformer_FFT() {
  const int n = taille_;
  std::fill(imaginaire_.begin(), imaginaire_.end(), 0);
  for (int i = 0; i < n; ++i) reelle_[inversion_bits_[i]] = entree_[i];
  int32_t* re = reelle_.data();
  int32_t* im = imaginaire_.data();
  const Twiddle* twiddles = twiddles_.data();
  for (int s = 1; s <= etages_; ++s) {
    const int h = 1 << (s - 1);
    const int envergure = 2 * h;
    const Etage etage = h >= 8 ? etage_ : h == 4 ? etage4_ : nullptr;
    if (etage) {
      const auto decalage = twiddles - twiddles_.data();
      etage(re, im, twiddles_c_.data() + decalage, twiddles_s_.data() + decalage, n, h);
      twiddles += h;
      continue;
    }
    for (int base = 0; base < n; base += envergure) {
      for (int j = 0; j < h; ++j) {
        const int64_t c = twiddles[j].c;
        const int64_t sn = twiddles[j].s;
        const int a = base + j;
        const int b = a + h;
        int32_t tr, ti;
        if (c == 200 && sn == 0) {  // the same as the general case, without the division
          tr = re[b];
          ti = im[b];
        } else if (c == 0 && sn == 200) {
          tr = im[b];
          ti = -re[b];
        } else {
          tr = static_cast<int32_t>((re[b] * c + im[b] * sn) / 200);
          ti = static_cast<int32_t>((im[b] * c - re[b] * sn) / 200);
        }
        re[b] = re[a] - tr;
        im[b] = im[a] - ti;
        re[a] = re[a] + tr;
        im[a] = im[a] + ti;
      }
    }
    twiddles += h;
  }
  for (int k = kRaie_min_calculee; k <= kRaie_max_calculee && k < n; ++k) {
    re[k] /= n;
    im[k] /= n;
  }
}

void FFTEntiere::Calculer_modules() {
  for (int k = kRaie_min_calculee; k <= kRaie_max_calculee && k < taille_; ++k) {
    const double carre = static_cast<double>(int64_t{reelle_[k]} * reelle_[k] +
                                             int64_t{imaginaire_[k]} * imaginaire_[k]);
    spectre_[k] = static_cast<int32_t>(std::nearbyint(std::sqrt(carre)));
  }
}

void FFTEntiere::Cumuler_spectres() {
  historique_[0].swap(historique_[1]);
  historique_[1].swap(historique_[2]);
  std::copy(spectre_.begin() + 1, spectre_.begin() + 1025, historique_[2].begin());
  for (int k = kRaie_min_calculee; k <= kRaie_max_calculee; ++k)
    spectre_[k] += historique_[0][k - 1] + historique_[1][k - 1];
}

}  // namespace vestral
