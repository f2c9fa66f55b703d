#include "dsp/FFT.h"

#include <immintrin.h>

#include <cmath>
#include <numbers>

namespace vestral {
namespace {

// One stage of butterflies in doubles, for a processor with wide vectors.
// Every value is an integer below 2^53, so the products and sums are exact,
// and the quotient by 200, truncated, is found exactly from an estimate by
// the reciprocal corrected by the remainder: the results are those of the
// 64-bit integer butterflies. h is a multiple of the vector width.
#define VESTRAL_AVX2 __attribute__((target("avx2,fma"), always_inline)) inline
VESTRAL_AVX2 __m256d Quotient_200(__m256d x) {
  const __m256d deux_cents = _mm256_set1_pd(200), un = _mm256_set1_pd(1),
                zero = _mm256_setzero_pd();
  __m256d q = _mm256_floor_pd(_mm256_mul_pd(x, _mm256_set1_pd(1.0 / 200)));
  __m256d r = _mm256_fnmadd_pd(q, deux_cents, x);
  q = _mm256_add_pd(q, _mm256_and_pd(_mm256_cmp_pd(r, deux_cents, _CMP_GE_OQ), un));
  q = _mm256_sub_pd(q, _mm256_and_pd(_mm256_cmp_pd(r, zero, _CMP_LT_OQ), un));
  r = _mm256_fnmadd_pd(q, deux_cents, x);  // q is the floor: 0 <= r < 200
  const __m256d vers_zero =
      _mm256_and_pd(_mm256_cmp_pd(x, zero, _CMP_LT_OQ), _mm256_cmp_pd(r, zero, _CMP_NEQ_OQ));
  return _mm256_add_pd(q, _mm256_and_pd(vers_zero, un));
}
VESTRAL_AVX2 __m256d Charger(const int32_t* p) {
  return _mm256_cvtepi32_pd(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}
VESTRAL_AVX2 void Ranger(int32_t* p, __m256d v) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm256_cvttpd_epi32(v));
}
#undef VESTRAL_AVX2

__attribute__((target("avx2,fma"))) void Etage_avx2(int32_t* re, int32_t* im, const double* tc,
                                                    const double* ts, int n, int h) {
  for (int base = 0; base < n; base += 2 * h) {
    int32_t *ra = re + base, *ia = im + base, *rb = ra + h, *ib = ia + h;
    for (int j = 0; j < h; j += 4) {
      const __m256d r = Charger(rb + j), i = Charger(ib + j);
      const __m256d c = _mm256_loadu_pd(tc + j), s = _mm256_loadu_pd(ts + j);
      const __m256d tr = Quotient_200(_mm256_fmadd_pd(i, s, _mm256_mul_pd(r, c)));
      const __m256d ti = Quotient_200(_mm256_fnmadd_pd(r, s, _mm256_mul_pd(i, c)));
      const __m256d a = Charger(ra + j), b = Charger(ia + j);
      Ranger(rb + j, _mm256_sub_pd(a, tr));
      Ranger(ib + j, _mm256_sub_pd(b, ti));
      Ranger(ra + j, _mm256_add_pd(a, tr));
      Ranger(ia + j, _mm256_add_pd(b, ti));
    }
  }
}

// (GCC 12 wrongly reports the intrinsics' own undefined operands.)
#if !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#define VESTRAL_AVX512 __attribute__((target("avx512f"), always_inline)) inline
VESTRAL_AVX512 __m512d Quotient_200(__m512d x) {
  const __m512d deux_cents = _mm512_set1_pd(200), un = _mm512_set1_pd(1),
                zero = _mm512_setzero_pd();
  __m512d q = _mm512_roundscale_pd(_mm512_mul_pd(x, _mm512_set1_pd(1.0 / 200)),
                                   _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC);
  __m512d r = _mm512_fnmadd_pd(q, deux_cents, x);
  q = _mm512_mask_add_pd(q, _mm512_cmp_pd_mask(r, deux_cents, _CMP_GE_OQ), q, un);
  q = _mm512_mask_sub_pd(q, _mm512_cmp_pd_mask(r, zero, _CMP_LT_OQ), q, un);
  r = _mm512_fnmadd_pd(q, deux_cents, x);  // q is the floor: 0 <= r < 200
  const __mmask8 vers_zero =
      _mm512_cmp_pd_mask(x, zero, _CMP_LT_OQ) & _mm512_cmp_pd_mask(r, zero, _CMP_NEQ_OQ);
  return _mm512_mask_add_pd(q, vers_zero, q, un);
}
VESTRAL_AVX512 __m512d Charger8(const int32_t* p) {
  return _mm512_cvtepi32_pd(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)));
}
VESTRAL_AVX512 void Ranger8(int32_t* p, __m512d v) {
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), _mm512_cvttpd_epi32(v));
}
#undef VESTRAL_AVX512

__attribute__((target("avx512f"))) void Etage_avx512(int32_t* re, int32_t* im, const double* tc,
                                                     const double* ts, int n, int h) {
  for (int base = 0; base < n; base += 2 * h) {
    int32_t *ra = re + base, *ia = im + base, *rb = ra + h, *ib = ia + h;
    for (int j = 0; j < h; j += 8) {
      const __m512d r = Charger8(rb + j), i = Charger8(ib + j);
      const __m512d c = _mm512_loadu_pd(tc + j), s = _mm512_loadu_pd(ts + j);
      const __m512d tr = Quotient_200(_mm512_fmadd_pd(i, s, _mm512_mul_pd(r, c)));
      const __m512d ti = Quotient_200(_mm512_fnmadd_pd(r, s, _mm512_mul_pd(i, c)));
      const __m512d a = Charger8(ra + j), b = Charger8(ia + j);
      Ranger8(rb + j, _mm512_sub_pd(a, tr));
      Ranger8(ib + j, _mm512_sub_pd(b, ti));
      Ranger8(ra + j, _mm512_add_pd(a, tr));
      Ranger8(ia + j, _mm512_add_pd(b, ti));
    }
  }
}
#if !defined(__clang__)
#pragma GCC diagnostic pop
#endif

}  // namespace

int32_t Convertir_echantillon(uint8_t s) {
  return (200000 * int32_t{s} - 25500000) / 1275;
}

FFTEntiere::FFTEntiere() : cosinus_(36001), sinus_(36001), spectre_(1025) {
  if (!Choisir_jeu(Jeu::Avx512) && !Choisir_jeu(Jeu::Avx2)) Choisir_jeu(Jeu::Entiers);
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
      const auto b = static_cast<int32_t>(static_cast<int64_t>(c) * 6144 / 11025);
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
