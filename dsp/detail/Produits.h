// The one vector kernel under every filter of the reception: sums of
// products of 16-bit samples by 16-bit coefficients,
//   s[i] = x[i] c[0] + x[i + 1] c[1] + ... + x[i + termes - 1] c[termes - 1]
// for i = 0 .. n - 1, in 32 bits. The caller guarantees that no product or
// partial sum leaves 32 bits, so that the order of the additions does not
// matter and every instruction set gives the same sums. Compiled once per
// instruction set; the filters take the widest the processor has (a plain
// function pointer: the thread sanitizer does not run GNU indirect
// functions).
#pragma once

#include <cstdint>

namespace vestral::detail {

// termes: a multiple of 64.
using Produits = void (*)(const int16_t* x, const int16_t* c, int32_t* s, int n, int termes);

enum class JeuInstructions { Base, Avx2, Avx512 };

// The kernel for an instruction set, or nullptr when the processor lacks it.
[[nodiscard]] Produits Produits_pour(JeuInstructions jeu);

}  // namespace vestral::detail
