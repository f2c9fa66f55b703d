// The stages of the tone filter, each an object with its own state and its
// own outputs (FiltreTonalite chains them for the decoder):
//   PasseBande        every second sample, the band-pass output on the tone
//   Enveloppe         the sum of the held |outputs| over each millisecond
//   BancPasseBas      that sum through the low-pass matched to the speed
//   NiveauSeuil       every 3 ms, the slow mean level and the automatic threshold
//   EstimateurVitesse every 3 ms, the speed estimate and its dot length
// Filtering is integer arithmetic; the designs are floating point, rounded
// once.
#pragma once

#include <array>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <mutex>
#include <numbers>
#include <span>

#include "dsp/ReglagesReception.h"
#include "dsp/detail/Produits.h"

namespace vestral {

constexpr int kLongueur_passe_bande = 230;
constexpr int kDemi_passe_bande = kLongueur_passe_bande / 2;
constexpr int kGain_passe_bande = 15;
constexpr int kDecimation_passe_bande = 2;
constexpr int kLigne_passe_bas = 109;
constexpr int kColonnes_passe_bas = 61;
// Milliseconds of samples per envelope step (11), steps per slow step.
constexpr int kEchantillons_par_ms = kFrequence_echantillonnage_entree / 1000;
constexpr int kPas_par_pas_lent = 3;

using CoefficientsPasseBande = std::array<int32_t, kDemi_passe_bande>;
using LignePasseBas = std::array<int32_t, kColonnes_passe_bas>;
using JeuInstructions = detail::JeuInstructions;

// To nearest, halves to even (as std::nearbyint in the default rounding
// mode): below 2^52, adding and taking back 2^52 leaves the nearest integer,
// without a call into the maths library.
[[nodiscard]] inline int32_t Arrondi(double x) {
  constexpr double k2_52 = 4503599627370496.0;
  if (x >= 0 && x < k2_52) return static_cast<int32_t>((x + k2_52) - k2_52);
  if (x < 0 && x > -k2_52) return static_cast<int32_t>((x - k2_52) + k2_52);
  return static_cast<int32_t>(std::nearbyint(x));
}

// One half of the symmetric band-pass response for a tone frequency.
[[nodiscard]] CoefficientsPasseBande Concevoir_passe_bande(int32_t frequence, bool bande_etroite);
// Length N(v) of the low-pass for v words per minute, and its half response.
[[nodiscard]] int Longueur_passe_bas(int vitesse);
[[nodiscard]] LignePasseBas Concevoir_passe_bas(int vitesse);
// The automatic speed estimate for a speed measure z.
[[nodiscard]] int32_t Vitesse_de_mesure(double mesure);

// Band-pass on every second sample (inputs 2s - 255), 230 taps, gain 15 /
// 100000, within +-3825.
//
// Threads: Regler may be called from any thread at any time: the new
// coefficient set is swapped in whole before the next batch.
class PasseBande {
 public:
  static constexpr int kMorceau = 1024;  // samples per batch at most
  // The outputs from the sums (gain, division, clamp), in place.
  using Echelle = void (*)(int32_t* sommes, int n);

  PasseBande();
  [[nodiscard]] bool Choisir_jeu(JeuInstructions jeu);
  JeuInstructions Jeu_choisi() const { return jeu_; }

  void Regler(int32_t frequence, bool bande_etroite);
  // The coefficients of the last Regler, when they are new (between two
  // batches, on the filtering thread).
  void Appliquer_reglage();
  // The delay line and the last output at 0.
  void Vider();
  // Up to kMorceau samples: the outputs they bring (one on every second
  // sample, counted across batches), valid until the next call.
  std::span<const int32_t> Filtrer(const uint8_t* echantillons, int nombre);
  // The newest output.
  int32_t Sortie() const { return sortie_; }
  [[nodiscard]] CoefficientsPasseBande Coefficients();

 private:
  JeuInstructions jeu_ = JeuInstructions::Base;
  detail::Produits produits_ = nullptr;
  Echelle echelle_ = nullptr;
  // The whole symmetric response padded with zeros to 256 (int16 suffices:
  // |c| <= 200000 x 600 / 5512), and the inputs in arrival order; an output
  // is the sum over the newest 230. Every product and partial sum fits in
  // 32 bits (|x| <= 255, and the sum of |c| stays far below 2^31 / 255).
  static constexpr int kTaps_calcul = 256;
  static constexpr int kHistorique = 4096;
  alignas(64) std::array<int16_t, kTaps_calcul> coefficients_{};
  alignas(64) std::array<int16_t, kHistorique + kTaps_calcul> historique_{};
  int fin_historique_ = kLongueur_passe_bande - 1;
  std::array<int32_t, kMorceau / 2 + 1> sorties_{};
  int phase_ = 0;
  int32_t sortie_ = 0;

  // A retune from another thread: the new half response waits here.
  std::mutex verrou_;
  CoefficientsPasseBande en_attente_{};
  CoefficientsPasseBande actuels_{};
  std::atomic<bool> nouveaux_{false};
};

// Each sample adds the band-pass output it holds (an output comes with every
// second sample and is held for two) to the sum of the millisecond.
class Enveloppe {
 public:
  void Vider();
  // Takes samples from the batch until its end or the end of the
  // millisecond, with the outputs they bring (advanced past those used);
  // answers how many it took. Pas_complet() tells whether the millisecond
  // is complete: Prendre_somme() then hands its sum over and starts the next.
  int Avancer(int nombre, const int32_t*& sorties, int32_t& tenue);
  bool Pas_complet() const { return compteur_ == kEchantillons_par_ms; }
  int32_t Prendre_somme();
  int32_t Somme() const { return somme_; }

 private:
  int32_t somme_ = 0;
  int compteur_ = 0;
  int phase_ = 0;
};

// The low-pass matched to the speed: a line of the millisecond sums (each
// divided by 10), through the row of the speed's response; the output is
// the filtered envelope compared with the threshold.
class BancPasseBas {
 public:
  BancPasseBas();
  [[nodiscard]] bool Choisir_jeu(JeuInstructions jeu);
  void Preparer();
  int32_t Pas(int32_t somme, int vitesse);
  int32_t Sortie() const { return sortie_; }
  const LignePasseBas& Ligne(int vitesse) const { return table_[vitesse - kVitesse_min]; }

 private:
  static constexpr int kTermes = 128;
  static constexpr int kTampon = 1024;
  detail::Produits produits_ = nullptr;
  std::array<LignePasseBas, kVitesse_max - kVitesse_min + 1> table_{};
  // Each row over its whole symmetric length N(v), zero past it, in 16 bits
  // (|h| <= 10000 x 2 x 23 / 1002, |x| <= 11 x 3825 / 10), so that the
  // products pair up in 32-bit sums. The line holds its newest value at
  // position_ and the older ones after it, running down through a buffer
  // (its newest 128 copied back to the end when it reaches the start).
  alignas(16) std::array<std::array<int16_t, 2 * kLigne_passe_bas + 2>,
                         kVitesse_max - kVitesse_min + 1> rangs_{};
  alignas(64) std::array<int16_t, kTampon + kTermes + 1> ligne_{};
  int position_ = kTampon;
  int32_t sortie_ = 0;
};

// The slow mean level of the envelope (a first-order low-pass of 0.1 Hz on
// the mean of three millisecond sums) and the threshold it gives.
class NiveauSeuil {
 public:
  static constexpr double kDt = 1.0 / 333;
  static constexpr double kRc = 1 / (2 * std::numbers::pi * 0.1);
  void Pas(double moyenne);
  double Niveau_moyen() const { return niveau_moyen_; }
  // The threshold at `fraction` of the level, at least 10.
  [[nodiscard]] uint16_t Seuil(double fraction) const;

 private:
  double niveau_moyen_ = 0;
};

// The speed estimate: whether the mean of three millisecond sums is above
// the slow level, through a 7 Hz low-pass, its magnitude through 0.1 Hz: the
// measure z, and the speed it gives. It holds through silences.
class EstimateurVitesse {
 public:
  static constexpr double kRc_comparateur = 1 / (2 * std::numbers::pi * 7);
  static constexpr int32_t kVitesse_depart = 20;
  static constexpr uint16_t kDuree_point_depart = 62;
  void Preparer() { mesure_ = 691; }
  // The automatic speed chosen anew: the estimate starts again from 20.
  void Redemarrer();
  // A slow step; answers whether it ran with a measure below 420 (a slow
  // sender: the automatic threshold is then raised).
  [[nodiscard]] bool Pas(double moyenne, double niveau_moyen);
  double Mesure() const { return mesure_; }
  int32_t Vitesse() const { return vitesse_.load(std::memory_order_relaxed); }
  uint16_t Duree_point() const { return duree_point_; }

 private:
  int32_t nombre_bas_ = 0;
  double comparateur_precedent_ = 0;
  double sortie_precedente_ = 0;
  double mesure_ = 0;
  std::atomic<int32_t> vitesse_{kVitesse_depart};
  uint16_t duree_point_ = kDuree_point_depart;
};

}  // namespace vestral
