// "Décodeur sensible": a decoder for signals an operator can barely hear.
// The pitch is found (the strongest keyed carrier near the tuned frequency,
// or anywhere from 200 to 2700 Hz when nothing is tuned) and followed as it
// drifts; the tone is mixed down and integrated over most of a dot, so the
// noise of a wide band is left out; the noise floor is a low quantile of the
// recent powers and the signal's level a high one, so static crashes (also
// blanked where they stand out of the band) do not lift the floor and
// fading is followed; a Viterbi decoder with a short look-ahead turns the
// soft evidence of each 2 ms frame into marks and spaces; a timing model
// learned from the fist classes them; the Morse tree is the grammar.
// Characters come out only while the signal is confidently there.
//
// Parameters: `frequence` (0: search the band), `bande_etroite` (how far
// from the tuned frequency to look: ±30 Hz narrow, ±300 Hz wide), `vitesse`
// (a hint: where the timing starts from; learned afterwards). `seuil` is
// ignored: the squelch follows the signal-to-noise ratio by itself.
//
// Events: characters (and word spaces), the pitch followed, the speed, the
// signal-to-noise ratio and the input level twice a second, presence when
// it changes. There is no envelope compared with a threshold here, so
// neither Enveloppe nor Seuil is given.
#pragma once

#include <array>
#include <atomic>
#include <mutex>
#include <string>

#include "dsp/ConversionBande.h"
#include "dsp/DecisionManipulation.h"
#include "dsp/FiltreAdapte.h"
#include "dsp/QuantileGlissant.h"
#include "dsp/RechercheHauteur.h"
#include "morse/DecodeurMorse.h"
#include "morse/ModeleTemps.h"

namespace vestral {

class DecodeurSensible final : public DecodeurMorse {
 public:
  static constexpr std::string_view kNom =
      "D\xE9"
      "codeur sensible";

  DecodeurSensible();
  explicit DecodeurSensible(const ParametresDecodeur& parametres);

  std::string_view Nom() const override { return kNom; }
  void Regler(const ParametresDecodeur& parametres) override;
  void Relancer() override;
  void Reinitialiser() override;
  void Pousser(std::span<const uint8_t> echantillons) override;
  void Terminer() override;
  void Prendre_evenements(std::vector<EvenementDecodeur>& evenements) override;
  int64_t Echantillons_pousses() const override { return position_; }

  // Measurements, for the tools and the tests.
  double Hauteur() const { return conversion_.Frequence(); }
  bool Accorde() const { return accorde_; }
  double Mots_par_minute() const;
  // Signal-to-noise ratio in dB (tone over the noise of 2500 Hz).
  double Rapport_signal_bruit_db() const;
  bool Present() const { return present_; }

 private:
  void Appliquer(const ParametresDecodeur& parametres);
  void Demarrer();
  void Oublier_caractere();
  void Traiter_trame(const TrameBande& trame);
  void Evaluer_hauteur();
  // A new pitch: the key states and the fist start again; the levels too
  // unless asked to stay.
  void Accorder(double frequence, bool garder_niveaux = false);
  void Mettre_a_jour_niveaux();
  void Adapter_vitesse();
  double Unite_depart() const;
  void Recevoir_etat(int etat);
  void Ajouter_element(int duree);
  void Finir_caractere();
  void Finir_mot();
  void Rejouer();
  void Emettre(uint8_t caractere);
  void Evenement(TypeEvenement type, int32_t valeur);
  void Rendre_compte();

  // Settings: those asked (any thread) and those in force.
  std::mutex mutex_reglage_;
  ParametresDecodeur demandes_;
  std::atomic<bool> reglage_en_attente_{false};
  std::atomic<bool> relance_en_attente_{false};
  ParametresDecodeur parametres_;

  ConversionBande conversion_;
  RechercheHauteur recherche_;
  FiltreAdapte filtre_;
  FiltreAdapte filtre_validite_;  // the same window over 1 (frame kept) or 0 (blanked)
  DecisionManipulation decision_;
  ModeleTemps temps_;
  QuantileGlissant bruit_;          // key-up frame powers over the filter's noise gain
  QuantileGlissant amorce_bruit_;   // every frame's
  QuantileGlissant niveau_;         // the same, shorter: the signal's level
  QuantileGlissant hors_tonalite_;  // power outside the tone, for static crashes

  int64_t position_ = 0;
  int64_t trames_ = 0;
  bool accorde_ = false;
  double centre_recherche_ = 0, demi_largeur_ = 0;
  int blocs_depuis_evaluation_ = 0;
  int64_t trames_depuis_accord_ = 0;
  bool mise_en_route_ = false;  // reading the past for the levels only
  // The last samples, read again when the search finds a new pitch.
  std::array<uint8_t, 16384> memoire_{};
  std::size_t memoire_ecriture_ = 0, memoire_nombre_ = 0;

  // Static crash blanking: a frame is blanked when it, or a neighbour,
  // stands out of the band's usual power.
  TrameBande trame_precedente_{};
  bool crash_precedent_ = false, crash_avant_ = false;
  float reference_hors_tonalite_ = 0;
  int trames_depuis_crash_ = 1000;

  // Levels (powers over the filter's noise gain), and those of the frames
  // awaiting their key decision.
  std::array<float, DecisionManipulation::kRetard_max + 1> puissances_{};
  float bruit_normalise_ = 0;
  float rapport_filtre_ = 0;  // signal over noise at the filter's output
  bool present_ = false;
  bool signal_entendu_ = false;  // present at least once since the tuning
  std::complex<float> sortie_precedente_{};
  std::complex<float> erreur_frequence_{};

  // Key states and the character under way; until the fist is learned, the
  // marks and spaces wait in `courses_`.
  struct Course {
    bool marque;
    int duree;
  };
  std::vector<Course> courses_;
  bool temps_appris_ = false;
  double unite_en_usage_ = 0;
  int etat_ = 0;
  int duree_etat_ = 0;
  char motif_[16] = {};
  double ecarts_[16] = {};
  int elements_ = 0;
  double ecart_courant_ = 0;
  bool abandon_ = false;
  bool caractere_fini_ = true;
  bool mot_fini_ = true;
  uint8_t dernier_emis_ = ' ';

  // Reports.
  std::vector<EvenementDecodeur> evenements_;
  int crete_entree_ = 0;
  int32_t vitesse_rapportee_ = 0, hauteur_rapportee_ = 0;
};

}  // namespace vestral
