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

class FiltreTonalite {
 public:
  explicit FiltreTonalite(ReglagesReception& reglages);

  void Preparer_filtres();
  void Regler_passe_bande();
  void Traiter_echantillon(uint8_t echantillon);

  // Observed values, for the displays and the tests.
  int32_t Sortie_passe_bande() const { return sortie_passe_bande_; }
  double Niveau_moyen() const { return niveau_moyen_; }
  double Mesure_vitesse() const { return mesure_vitesse_; }
  CoefficientsPasseBande Coefficients_passe_bande();
  const LignePasseBas& Ligne_passe_bas(int vitesse) const { return table_passe_bas_[vitesse - 10]; }

 private:
  void Prendre_nouveaux_coefficients();
  void Pas_passe_bande(uint8_t echantillon);
  void Pas_passe_bas();
  void Pas_lent();
  void Mesure_de_vitesse(double a);

  ReglagesReception& reglages_;
  int32_t (*produit_scalaire_)(const int16_t*, const int16_t*);

  // Band-pass: coefficients spread over the whole 230 taps (int16 suffices:
  // |c| <= 200000 x 600 / 5512), delay line of 2s - 255 values, newest
  // first, kept twice so that a contiguous window always exists.
  alignas(32) std::array<int16_t, kLongueur_passe_bande + 2> coefficients_{};
  alignas(32) std::array<int16_t, 2 * kLongueur_passe_bande + 2> ligne_passe_bande_{};
  int position_passe_bande_ = 0;
  int32_t sortie_passe_bande_ = 0;

  // A retune from another thread: the new half response waits here.
  std::mutex verrou_coefficients_;
  CoefficientsPasseBande coefficients_en_attente_{};
  CoefficientsPasseBande coefficients_actuels_{};
  std::atomic<bool> nouveaux_coefficients_{false};

  std::array<LignePasseBas, 45> table_passe_bas_{};
  std::array<int32_t, 2 * kLigne_passe_bas> ligne_passe_bas_{};
  int position_passe_bas_ = 0;

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
