// The inside of FFTEntiere, for its tests only: the tables, the steps of a
// run one by one, and the choice of a narrower instruction set.
#pragma once

#include <cstdint>
#include <vector>

#include "dsp/FFT.h"

namespace vestral::detail {

struct AccesFFT {
  static int Taille_FFT(const FFTEntiere& f) { return f.taille_; }
  static int Etages_FFT(const FFTEntiere& f) { return f.etages_; }
  static const std::vector<uint16_t>& Table_inversion_bits(const FFTEntiere& f) {
    return f.inversion_bits_;
  }
  static int32_t Cosinus(const FFTEntiere& f, int index) { return f.cosinus_[index]; }
  static int32_t Sinus(const FFTEntiere& f, int index) { return f.sinus_[index]; }
  static std::vector<int32_t>& Entree_FFT(FFTEntiere& f) { return f.entree_; }
  static std::vector<int32_t>& Partie_reelle(FFTEntiere& f) { return f.reelle_; }
  static std::vector<int32_t>& Partie_imaginaire(FFTEntiere& f) { return f.imaginaire_; }
  // False when the processor lacks the set.
  [[nodiscard]] static bool Choisir_jeu(FFTEntiere& f, FFTEntiere::Jeu jeu) {
    return f.Choisir_jeu(jeu);
  }
  static void Transformer_FFT(FFTEntiere& f) { f.Transformer_FFT(); }
  static void Calculer_modules(FFTEntiere& f) { f.Calculer_modules(); }
  static void Cumuler_spectres(FFTEntiere& f) { f.Cumuler_spectres(); }
};

}  // namespace vestral::detail
