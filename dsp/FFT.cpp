#include "dsp/FFT.h"

#include <cmath>
#include <numbers>

namespace vestral {

int32_t Convertir_echantillon(uint8_t s) {
  return (200000 * int32_t{s} - 25500000) / 1275;
}

FFTEntiere::FFTEntiere() : cosinus_(36001), sinus_(36001), spectre_(1025) {
  for (int i = 0; i <= 36000; ++i) {
    const double angle = i / 100.0 * std::numbers::pi / 180.0;
    cosinus_[i] = static_cast<int32_t>(std::nearbyint(200 * std::cos(angle)));
    sinus_[i] = static_cast<int32_t>(std::nearbyint(200 * std::sin(angle)));
  }
  Preparer_FFT();
}

void FFTEntiere::Preparer_FFT(int taille) {
  taille_ = taille;
  etages_ = 0;
  while ((1 << etages_) < taille_) ++etages_;
  entree_.assign(taille_, 0);
  reelle_.assign(taille_, 0);
  imaginaire_.assign(taille_, 0);
  spectre_.assign(1025, 0);
  for (auto& slot : historique_) slot.assign(1024, 0);
  inversion_bits_.assign(taille_, 0);
  for (int h = 1; h < taille_; h *= 2) {
    for (int i = 0; i < h; ++i) {
      const auto t = static_cast<uint16_t>(2 * inversion_bits_[i]);
      inversion_bits_[i] = t;
      inversion_bits_[i + h] = static_cast<uint16_t>(t + 1);
    }
  }
}

void FFTEntiere::Analyser_bloc(std::span<const uint8_t> bloc) {
  int n = 0;
  int32_t precedent = 0;
  for (std::size_t c = 1; c <= bloc.size() && n < taille_; ++c) {
    const auto b = static_cast<int32_t>(static_cast<int64_t>(c) * 6144 / 11025);
    if (b != precedent) entree_[n++] = Convertir_echantillon(bloc[c - 1]);
    precedent = b;
  }
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
  for (int s = 1; s <= etages_; ++s) {
    const int h = 1 << (s - 1);
    const int envergure = 2 * h;
    const int groupes = n / envergure;
    for (int g = 0; g < groupes; ++g) {
      const int base = g * n / groupes;
      for (int j = 0; j < h; ++j) {
        const int index = static_cast<int>((int64_t{j} * 36000 / envergure) % 36000);
        const int64_t c = cosinus_[index];
        const int64_t sn = sinus_[index];
        const int a = base + j;
        const int b = a + h;
        const auto tr = static_cast<int32_t>((re[b] * c + im[b] * sn) / 200);
        const auto ti = static_cast<int32_t>((im[b] * c - re[b] * sn) / 200);
        re[b] = re[a] - tr;
        im[b] = im[a] - ti;
        re[a] = re[a] + tr;
        im[a] = im[a] + ti;
      }
    }
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
