// The integer spectrum of one capture block: the 3675 samples thinned to
// 2048 points (6144 samples per second, so bin k stands for k x 3 Hz), a
// radix-2 transform with 64-bit products and twiddles from tables in
// hundredths of a degree, magnitudes of bins 60 to 907 and their sum over
// the last three blocks. Runs on the user-interface thread.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace vestral {

namespace detail {
struct AccesFFT;
}

constexpr int kRaie_min_calculee = 60;
constexpr int kRaie_max_calculee = 907;
constexpr int kHertz_par_raie = 3;

// 8-bit unsigned sample to transform input: 0 -> -20000, 255 -> 20000.
[[nodiscard]] int32_t Convertir_echantillon(uint8_t echantillon);

class FFTEntiere {
 public:
  FFTEntiere();

  void Preparer_FFT(int taille = 2048);

  // The butterflies run eight or four at a time where the processor has the
  // vectors (the widest is chosen when the object is made); the tests may
  // ask for a narrower set through detail::AccesFFT.
  enum class Jeu { Entiers, Avx2, Avx512 };
  void Analyser_bloc(std::span<const uint8_t> bloc);

  // Summed magnitude of bin k (valid for bins 60..907 after a run).
  const std::vector<int32_t>& Spectre() const { return spectre_; }

 private:
  // The pieces the tests reach (tests/AccesFFT.h).
  friend struct detail::AccesFFT;
  [[nodiscard]] bool Choisir_jeu(Jeu jeu);
  void Transformer_FFT();
  void Calculer_modules();
  void Cumuler_spectres();

  int taille_ = 2048;
  int etages_ = 11;
  std::vector<uint16_t> inversion_bits_;
  struct Twiddle {
    int32_t c, s;
  };
  std::vector<Twiddle> twiddles_;                // stage by stage, index j of each
  std::vector<double> twiddles_c_, twiddles_s_;  // the same, for the vector stages
  using Etage = void (*)(int32_t* re, int32_t* im, const double* c, const double* s, int n, int h);
  Etage etage_ = nullptr;   // stages of 8 butterflies and more; null: integers only
  Etage etage4_ = nullptr;  // the stage of 4
  std::size_t taille_eclaircie_ = 0;
  std::vector<uint32_t> positions_gardees_;
  std::vector<int32_t> cosinus_, sinus_;
  std::vector<int32_t> entree_, reelle_, imaginaire_;
  std::vector<int32_t> spectre_;
  std::array<std::vector<int32_t>, 3> historique_;
};

}  // namespace vestral
