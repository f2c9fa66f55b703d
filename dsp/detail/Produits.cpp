#include "dsp/detail/Produits.h"

#include <immintrin.h>

namespace vestral::detail {
namespace {

// Pairs of products added by pmaddwd: 8 per instruction, four sums at a
// time, their lanes added together in one tree.
template <int kTermes>
void Produits_sse2_fixe(const int16_t* x, const int16_t* c, int32_t* s, int n, int termes) {
  if constexpr (kTermes > 0) termes = kTermes;
  auto Somme = [c, termes](const int16_t* v) {
    __m128i a0 = _mm_setzero_si128(), a1 = _mm_setzero_si128();
    for (int b = 0; b < termes; b += 16) {
      const auto* pv = reinterpret_cast<const __m128i*>(v + b);
      const auto* pc = reinterpret_cast<const __m128i*>(c + b);
      a0 = _mm_add_epi32(a0, _mm_madd_epi16(_mm_loadu_si128(pv), _mm_loadu_si128(pc)));
      a1 = _mm_add_epi32(a1, _mm_madd_epi16(_mm_loadu_si128(pv + 1), _mm_loadu_si128(pc + 1)));
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

// The filters' two lengths with a fixed count (the loops unrolled), any
// other as it comes.
void Produits_sse2(const int16_t* x, const int16_t* c, int32_t* s, int n, int termes) {
  if (termes == 256) return Produits_sse2_fixe<256>(x, c, s, n, termes);
  if (termes == 128) return Produits_sse2_fixe<128>(x, c, s, n, termes);
  Produits_sse2_fixe<0>(x, c, s, n, termes);
}

// The same on 16 products per instruction.
template <int kTermes>
__attribute__((target("avx2"))) void Produits_avx2_fixe(const int16_t* x, const int16_t* c,
                                                        int32_t* s, int n, int termes) {
  if constexpr (kTermes > 0) termes = kTermes;
  auto Somme = [ c, termes ](const int16_t* v) __attribute__((target("avx2"))) {
    __m256i a0 = _mm256_setzero_si256(), a1 = _mm256_setzero_si256();
    for (int b = 0; b < termes; b += 32) {
      const auto* pv = reinterpret_cast<const __m256i*>(v + b);
      const auto* pc = reinterpret_cast<const __m256i*>(c + b);
      a0 = _mm256_add_epi32(a0, _mm256_madd_epi16(_mm256_loadu_si256(pv), _mm256_loadu_si256(pc)));
      a1 = _mm256_add_epi32(
          a1, _mm256_madd_epi16(_mm256_loadu_si256(pv + 1), _mm256_loadu_si256(pc + 1)));
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

__attribute__((target("avx2"))) void Produits_avx2(const int16_t* x, const int16_t* c, int32_t* s,
                                                   int n, int termes) {
  if (termes == 256) return Produits_avx2_fixe<256>(x, c, s, n, termes);
  if (termes == 128) return Produits_avx2_fixe<128>(x, c, s, n, termes);
  Produits_avx2_fixe<0>(x, c, s, n, termes);
}

// 32 products per instruction, added in pairs straight into the sums; the
// coefficients stay in registers.
// (GCC 12 wrongly reports the intrinsics' own undefined operands.)
#if !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
template <int kBlocs>
__attribute__((target("avx512f,avx512bw,avx512vnni"))) void Produits_avx512_fixe(const int16_t* x,
                                                                                 const int16_t* c,
                                                                                 int32_t* s,
                                                                                 int n) {
  static_assert(kBlocs % 2 == 0);
  __m512i k[kBlocs];
  for (int b = 0; b < kBlocs; ++b) k[b] = _mm512_loadu_si512(c + 32 * b);
  auto Somme = [&](const int16_t* v) __attribute__((target("avx512f,avx512bw,avx512vnni"))) {
    __m512i a0 = _mm512_dpwssd_epi32(_mm512_setzero_si512(), _mm512_loadu_si512(v), k[0]);
    __m512i a1 = _mm512_dpwssd_epi32(_mm512_setzero_si512(), _mm512_loadu_si512(v + 32), k[1]);
    for (int b = 2; b < kBlocs; b += 2) {
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

__attribute__((target("avx512f,avx512bw,avx512vnni"))) void Produits_avx512(const int16_t* x,
                                                                            const int16_t* c,
                                                                            int32_t* s, int n,
                                                                            int termes) {
  // The filters' two lengths with their coefficients in registers; any
  // other by pieces of 128 terms.
  if (termes == 256) return Produits_avx512_fixe<8>(x, c, s, n);
  if (termes == 128) return Produits_avx512_fixe<4>(x, c, s, n);
  for (int i = 0; i < n; ++i) s[i] = 0;
  for (int b = 0; b < termes; b += 64) {
    alignas(64) int32_t morceau[16];
    for (int i = 0; i < n; i += 16) {
      const int m = n - i < 16 ? n - i : 16;
      Produits_avx512_fixe<2>(x + i + b, c + b, morceau, m);
      for (int j = 0; j < m; ++j) s[i + j] += morceau[j];
    }
  }
}
#if !defined(__clang__)
#pragma GCC diagnostic pop
#endif

}  // namespace

Produits Produits_pour(JeuInstructions jeu) {
  switch (jeu) {
    case JeuInstructions::Base:
      return Produits_sse2;
    case JeuInstructions::Avx2:
      return __builtin_cpu_supports("avx2") ? Produits_avx2 : nullptr;
    case JeuInstructions::Avx512:
      return __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vnni")
                 ? Produits_avx512
                 : nullptr;
  }
  return nullptr;
}

}  // namespace vestral::detail
