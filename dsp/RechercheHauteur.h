// Finds the pitch of the strongest keyed signal in a band of frequencies:
// a 512-point spectrum (Hann window, 21.5 Hz bins) every block, and for
// each bin the power of its last few seconds of blocks. A keyed carrier is
// loud in some blocks and at the noise in others, so its score is the mean
// power over the low quantile of the same bin; a steady carrier (a
// heterodyne, a tuning tone) scores nothing however loud, and neither does
// static spread over every bin alike. The best bin is refined between its
// neighbours.
#pragma once

#include <complex>
#include <vector>

namespace vestral {

struct HauteurTrouvee {
  bool trouvee = false;
  double frequence = 0;     // Hz
  double score = 0;         // keyed power at that pitch (mean minus low quantile)
  double score_median = 0;  // the same, median over the band searched
  // How far the best bin stands out of the band searched: score / median.
  double Contraste() const { return score_median > 0 ? score / score_median : 0; }
};

class RechercheHauteur {
 public:
  static constexpr int kTaille_bloc = 512;
  static constexpr int kBlocs_memoire = 64;  // about 3 s at 11025 Hz

  explicit RechercheHauteur(double frequence_echantillonnage = 11025.0);

  // The band searched, in Hz; `un_bloc_sur` analyses one block in that many
  // (1: every block; more when a tuned pitch only needs watching). Forgets
  // the blocks seen.
  void Regler_bande(double frequence_basse, double frequence_haute, int un_bloc_sur = 1);
  void Vider();

  // One sample; true when a block has just been analysed.
  bool Pousser(float x) {
    if (saut_ > 0) {
      if (++ignores_ < saut_ * kTaille_bloc) return false;
      ignores_ = 0;
      saut_ = 0;
    }
    bloc_[remplissage_++] = x;
    if (remplissage_ < kTaille_bloc) return false;
    Analyser();
    return true;
  }

  // The best keyed pitch over the blocks kept (needs a second of them).
  HauteurTrouvee Meilleure() const;
  // The keyed score of the bin nearest to a frequency.
  double Score_a(double frequence) const;
  int Blocs_vus() const { return blocs_; }

 private:
  void Analyser();
  double Score_raie(int raie) const;

  double frequence_echantillonnage_;
  int raie_basse_ = 0, raie_haute_ = 0;
  int un_bloc_sur_ = 1;
  int saut_ = 0, ignores_ = 0;
  std::vector<float> bloc_;
  std::vector<float> fenetre_;
  std::vector<std::complex<float>> tampon_, facteurs_;
  std::vector<int> inversion_;
  std::vector<float> puissances_;  // [raie - raie_basse][bloc]
  mutable std::vector<float> tri_;
  mutable std::vector<double> scores_;
  int remplissage_ = 0;
  int bloc_courant_ = 0;
  int blocs_ = 0;
};

}  // namespace vestral
