// Decides, sample by sample, whether the Morse tone is present: a band-pass
// filter on the tone frequency, an envelope summed over 11 samples, a
// low-pass matched to the sending speed, and a slow step (every 33 samples)
// that follows the mean level for the automatic threshold and estimates the
// sending speed. Filtering is integer arithmetic; the designs are floating
// point, rounded once.
//
// Threads: Traiter_echantillon runs on the decoder thread only.
// Regler_passe_bande may be called from any thread at any time: the new
// coefficient set is swapped in whole between two band-pass steps.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "dsp/ReglagesReception.h"

namespace vestral {

constexpr int kLongueur_passe_bande = 230;
constexpr int kDemi_passe_bande = kLongueur_passe_bande / 2;
constexpr int kGain_passe_bande = 15;
constexpr int kLigne_passe_bas = 109;
constexpr int kColonnes_passe_bas = 61;

using CoefficientsPasseBande = std::array<int32_t, kDemi_passe_bande>;
using LignePasseBas = std::array<int32_t, kColonnes_passe_bas>;

// One half of the symmetric band-pass response for a tone frequency.
CoefficientsPasseBande Concevoir_passe_bande(int32_t frequence, bool bande_etroite);
// Length N(v) of the low-pass for v words per minute, and its half response.
int Longueur_passe_bas(int vitesse);
LignePasseBas Concevoir_passe_bas(int vitesse);
// The automatic speed estimate for a speed measure z.
int32_t Vitesse_de_mesure(double mesure);

// What the decoder reads after a millisecond step: the filtered envelope,
// the threshold and the dot length, as they stood once the step was done.
struct Releve {
  int32_t apres;  // the step came with the apres-th sample of the recording batch
  int32_t enveloppe;
  uint16_t seuil;
  uint16_t duree_point;
};

class FiltreTonalite {
 public:
  explicit FiltreTonalite(ReglagesReception& reglages);

  void Preparer_filtres();
  void Regler_passe_bande();
  void Traiter_echantillon(uint8_t echantillon) { Traiter_echantillons(&echantillon, 1); }
  // The same as that many calls of Traiter_echantillon, in order; the
  // band-pass outputs are then computed together.
  void Traiter_echantillons(const uint8_t* echantillons, int nombre);

  // While a list is given, each millisecond step appends its Releve there,
  // counted from the samples processed since it was given (the decoder
  // reads ahead and replays them as it takes the samples).
  void Enregistrer_releves(std::vector<Releve>* releves) {
    releves_ = releves;
    traites_ = 0;
  }

  // The band-pass sums are done with the widest vectors the processor has;
  // the tests may ask for a narrower set (answers false when the processor
  // lacks it).
  enum class Jeu { Base, Avx2, Avx512 };
  bool Choisir_jeu(Jeu jeu);
  Jeu Jeu_choisi() const { return jeu_; }

  // Observed values, for the displays and the tests.
  int32_t Sortie_passe_bande() const { return sortie_passe_bande_; }
  double Niveau_moyen() const { return niveau_moyen_; }
  double Mesure_vitesse() const { return mesure_vitesse_; }
  CoefficientsPasseBande Coefficients_passe_bande();
  const LignePasseBas& Ligne_passe_bas(int vitesse) const { return table_passe_bas_[vitesse - 10]; }

 private:
  // Band-pass outputs from the sums of 256 products c[j] x x[i + j], for
  // i = 0 .. n - 1; and the low-pass product of 128 terms.
  using Sorties = void (*)(const int16_t* x, const int16_t* c, int32_t* sorties, int n);
  using Produit = int32_t (*)(const int16_t* x, const int16_t* h);

  void Prendre_nouveaux_coefficients();
  void Pas_passe_bas();
  void Pas_lent();
  void Mesure_de_vitesse(double a);
  void Traiter_morceau(const uint8_t* echantillons, int nombre);

  ReglagesReception& reglages_;
  Sorties sorties_;
  Produit produit_;
  Jeu jeu_;

  // Band-pass: the whole symmetric response over the 230 taps, padded with
  // zeros to 256 (int16 suffices: |c| <= 200000 x 600 / 5512), and the
  // inputs 2s - 255 in arrival order; the step's output is the sum over the
  // newest 230. The gain 15 is applied after the sum. Every product and
  // partial sum fits in 32 bits (|x| <= 255, and the sum of |c| stays far
  // below 2^31 / 255).
  static constexpr int kTaps_calcul = 256;
  static constexpr int kHistorique = 4096;
  static constexpr int kMorceau = 1024;  // samples per batch: kMorceau / 2 outputs
  alignas(64) std::array<int16_t, kTaps_calcul> coefficients_{};
  alignas(64) std::array<int16_t, kHistorique + kTaps_calcul> historique_{};
  int fin_historique_ = kLongueur_passe_bande - 1;
  std::array<int32_t, kMorceau / 2 + 1> sorties_morceau_{};
  int32_t sortie_passe_bande_ = 0;

  // A retune from another thread: the new half response waits here.
  std::mutex verrou_coefficients_;
  CoefficientsPasseBande coefficients_en_attente_{};
  CoefficientsPasseBande coefficients_actuels_{};
  std::atomic<bool> nouveaux_coefficients_{false};

  std::array<LignePasseBas, 45> table_passe_bas_{};
  // Each row over its whole symmetric length N(v), for a plain dot product.
  // Both in 16 bits (|h| <= 10000 x 2 x 23 / 1002, |x| <= 11 x 3825 / 10),
  // so that the products pair up in 32-bit sums.
  // Rows are zero past their length, for a product of 128 terms. The line
  // holds its newest value at position_passe_bas_ and the older ones after
  // it, running down through a buffer (its newest 128 copied back to the end
  // when it reaches the start).
  static constexpr int kTampon_passe_bas = 1024;
  alignas(16) std::array<std::array<int16_t, 2 * kLigne_passe_bas + 2>, 45> rangs_complets_{};
  alignas(64) std::array<int16_t, kTampon_passe_bas + 129> ligne_passe_bas_{};
  int position_passe_bas_ = 0;

  std::vector<Releve>* releves_ = nullptr;
  int32_t traites_ = 0;

  int echantillons_par_ms_ = 11;
  uint8_t compteur_echantillons_ = 0;
  uint8_t compteur_decimation_ = 0;
  uint16_t compteur_ticks_ = 0;
  int32_t cumul_enveloppe_ = 0;
  int32_t somme_trois_ticks_ = 0;
  int32_t nombre_bas_ = 0;

  double niveau_moyen_ = 0;
  double comparateur_precedent_ = 0;
  double sortie_vitesse_precedente_ = 0;
  double mesure_vitesse_ = 0;
  double dt_ = 0, rc1_ = 0, rc2_ = 0;
};

}  // namespace vestral
