// The integer FFT as the program runs it (twiddles from per-stage tables,
// vector butterflies where the processor has them) against the transform
// written the plain way, on random and extreme blocks: every bin of the
// transform and every summed magnitude equal.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "dsp/FFT.h"
#include "AccesFFT.h"

namespace vestral {
namespace {

// The plain transform: index of each twiddle by one division, 64-bit
// products, truncating divisions.
struct FFTReference {
  std::vector<int32_t> cosinus = std::vector<int32_t>(36001), sinus = std::vector<int32_t>(36001);
  std::vector<int32_t> re = std::vector<int32_t>(2048), im = std::vector<int32_t>(2048);

  FFTReference() {
    for (int i = 0; i <= 36000; ++i) {
      cosinus[i] =
          static_cast<int32_t>(std::nearbyint(200 * std::cos(i / 100.0 * std::numbers::pi / 180)));
      sinus[i] =
          static_cast<int32_t>(std::nearbyint(200 * std::sin(i / 100.0 * std::numbers::pi / 180)));
    }
  }

  void Transformer(const std::vector<int32_t>& entree) {
    const int n = 2048;
    std::vector<int> inversion(n, 0);
    for (int h = 1; h < n; h *= 2)
      for (int i = 0; i < h; ++i) {
        const int t = 2 * inversion[i];
        inversion[i] = t;
        inversion[i + h] = t + 1;
      }
    for (int i = 0; i < n; ++i) {
      im[i] = 0;
      re[inversion[i]] = entree[i];
    }
    for (int s = 1; s <= 11; ++s) {
      const int h = 1 << (s - 1), envergure = 2 * h, m = n / envergure;
      for (int g = 0; g < m; ++g) {
        const int base = (g * n) / m;
        for (int j = 0; j < h; ++j) {
          const int index = (j * 36000 / envergure) % 36000;
          const int64_t c = cosinus[index], sn = sinus[index];
          const int a = base + j, b = a + h;
          const auto tr = static_cast<int32_t>((int64_t{re[b]} * c + int64_t{im[b]} * sn) / 200);
          const auto ti = static_cast<int32_t>((int64_t{im[b]} * c - int64_t{re[b]} * sn) / 200);
          re[b] = re[a] - tr;
          im[b] = im[a] - ti;
          re[a] = re[a] + tr;
          im[a] = im[a] + ti;
        }
      }
    }
    for (int k = 60; k <= 907; ++k) {
      re[k] /= n;
      im[k] /= n;
    }
  }
};

TEST(FFTExacte, IdentiqueALaTransformeeSimple) {
  FFTReference reference;
  for (auto jeu : {FFTEntiere::Jeu::Entiers, FFTEntiere::Jeu::Avx2, FFTEntiere::Jeu::Avx512}) {
    std::mt19937 aleas(7);
    FFTEntiere fft;
    if (!detail::AccesFFT::Choisir_jeu(fft, jeu)) continue;
    for (int bloc = 0; bloc < 150; ++bloc) {
      std::vector<int32_t> entree(2048);
      const int genre = bloc % 5;
      const double f = std::uniform_real_distribution<double>(0, 3072)(aleas);
      for (int i = 0; i < 2048; ++i) {
        uint8_t s;
        if (genre == 0)
          s = static_cast<uint8_t>(aleas());
        else if (genre == 1)  // full-scale square wave: the largest values
          s = (i / (1 + bloc % 64)) % 2 ? 255 : 0;
        else if (genre == 2)
          s = static_cast<uint8_t>(
              std::lround(127.5 + 127.5 * std::sin(2 * std::numbers::pi * f * i / 6144)));
        else if (genre == 3)
          s = bloc % 2 ? 0 : 255;
        else
          s = static_cast<uint8_t>(128 + static_cast<int>(aleas() % 9) - 4);
        entree[i] = Convertir_echantillon(s);
      }
      detail::AccesFFT::Entree_FFT(fft) = entree;
      detail::AccesFFT::Transformer_FFT(fft);
      reference.Transformer(entree);
      ASSERT_EQ(detail::AccesFFT::Partie_reelle(fft), reference.re)
          << "jeu " << static_cast<int>(jeu) << ", bloc " << bloc;
      ASSERT_EQ(detail::AccesFFT::Partie_imaginaire(fft), reference.im)
          << "jeu " << static_cast<int>(jeu) << ", bloc " << bloc;
    }
  }
}

}  // namespace
}  // namespace vestral
