// Decides, sample by sample, whether the Morse tone is present: the stages
// of EtagesReception.h chained (band-pass on the tone frequency, envelope
// summed over 11 samples, low-pass matched to the sending speed, and every
// 33 samples the slow level, the automatic threshold and the speed
// estimate), on the operator's settings.
//
// Settings in, measurements out: the filter reads the operator's choices
// (speed, threshold, automatic or not) at each millisecond step and keeps its
// measures itself. A new automatic speed choice restarts the estimate from
// 20 words per minute; the automatic threshold starts from the operator's
// last threshold.
//
// Threads: Traiter_echantillon runs on the decoder thread only.
// Regler_passe_bande may be called from any thread at any time: the new
// coefficient set is swapped in whole between two batches.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "dsp/EtagesReception.h"
#include "dsp/ReglagesReception.h"

namespace vestral {

// What the decoder reads after a millisecond step: the filtered envelope,
// the threshold and the dot length, as they stood once the step was done.
struct Releve {
  int32_t apres;  // the step came with the apres-th sample since Enregistrer_releves
  int32_t enveloppe;
  uint16_t seuil;
  uint16_t duree_point;
};

class FiltreTonalite {
 public:
  explicit FiltreTonalite(ReglagesReception& reglages);

  void Preparer_filtres();
  // The band-pass designed for the settings' frequency and band.
  void Regler_passe_bande();
  void Traiter_echantillon(uint8_t echantillon) { Traiter_echantillons(&echantillon, 1); }
  // The same as that many calls of Traiter_echantillon, in order; the
  // band-pass outputs are then computed together.
  void Traiter_echantillons(const uint8_t* echantillons, int nombre);

  // While a list is given, each millisecond step appends its Releve there,
  // counted from the samples processed since it was given.
  void Enregistrer_releves(std::vector<Releve>* releves) {
    releves_ = releves;
    traites_ = 0;
  }

  // The vector sums are done with the widest instructions the processor
  // has; the tests may ask for a narrower set (answers false when the
  // processor lacks it).
  using Jeu = JeuInstructions;
  [[nodiscard]] bool Choisir_jeu(Jeu jeu);
  Jeu Jeu_choisi() const { return passe_bande_.Jeu_choisi(); }

  // Measures (on the decoder thread; Vitesse_estimee from any thread).
  int32_t Sortie_passe_bande() const { return passe_bande_.Sortie(); }
  int32_t Enveloppe_filtree() const { return passe_bas_.Sortie(); }
  // The threshold the envelope is compared with: the operator's, or the
  // automatic one.
  uint16_t Seuil_filtrage() const;
  int32_t Vitesse_estimee() const;
  // The dot length in ms: of the operator's speed, or of the estimate.
  uint16_t Duree_point_reception() const;
  double Niveau_moyen() const { return niveau_.Niveau_moyen(); }
  double Mesure_vitesse() const { return vitesse_.Mesure(); }
  CoefficientsPasseBande Coefficients_passe_bande() { return passe_bande_.Coefficients(); }
  const LignePasseBas& Ligne_passe_bas(int vitesse) const { return passe_bas_.Ligne(vitesse); }

 private:
  void Traiter_morceau(const uint8_t* echantillons, int nombre);
  // The operator's choices since the last step.
  void Prendre_choix();
  void Pas_milliseconde(int32_t somme);
  void Pas_lent();
  bool Choix_vitesse_en_attente() const {
    return reglages_.Choix_vitesse_auto.load(std::memory_order_relaxed) !=
           choix_vitesse_vu_.load(std::memory_order_relaxed);
  }
  bool Choix_seuil_en_attente() const {
    return !seuil_auto_suivi_ ||
           reglages_.Choix_seuil.load(std::memory_order_relaxed) != choix_seuil_vu_;
  }

  ReglagesReception& reglages_;
  PasseBande passe_bande_;
  Enveloppe enveloppe_;
  BancPasseBas passe_bas_;
  NiveauSeuil niveau_;
  EstimateurVitesse vitesse_;

  int compteur_pas_ = 0;
  int32_t somme_trois_pas_ = 0;
  std::atomic<uint32_t> choix_vitesse_vu_{0};
  uint32_t choix_seuil_vu_ = 0;
  bool seuil_auto_suivi_ = false;
  uint16_t seuil_auto_ = 0;

  std::vector<Releve>* releves_ = nullptr;
  int32_t traites_ = 0;
};

}  // namespace vestral
