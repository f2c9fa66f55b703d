// The transceiver: the window "EMETTEUR-RECEPTEUR CW" without its toolkit.
//
// It is always in one of three modes: reception (the capture pump feeds the
// sample window, the decoder thread and the spectrum), transmission (the
// transmit pump plays the queued text as Morse tone) or stopped. It owns the
// mode state and the three mode requests, the 10 ms pump cycle (Timer), the
// capture pump with its level, saturation and automatic gain step, the
// transmit pump, the key line at every way in and out, the operator's radio
// buttons, the tuning click and the decoder thread.
//
// Nothing here waits: each tick services at most one capture block or one
// playback block and returns, so the window stays responsive during
// transmission. User-interface thread only, except where said.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "dsp/FFT.h"
#include "dsp/FenetreEchantillons.h"
#include "dsp/ReglagesReception.h"
#include "morse/ChaineReception.h"
#include "morse/Emetteur.h"
#include "shell/Configuration.h"
#include "shell/JournalQSO.h"
#include "sound/FONCTIONS_WAVE.h"
#include "transceiver/ImageAccord.h"
#include "transceiver/TRADUCTION_CARACTERES.h"
#include "transceiver/VueEmetteurRecepteur.h"

namespace vestral {

// The devices the transceiver drives besides the sound card, and the stored
// sequences. The program binds them to the PC speaker, the serial keying
// line, the mixer set-up of the settings and the sequence files.
class EnvironnementEmetteurRecepteur {
 public:
  virtual ~EnvironnementEmetteurRecepteur() = default;
  virtual void Son(int frequence) = 0;  // PC speaker
  virtual void Silence() = 0;
  virtual void Activer_PTT() = 0;  // acts only when a serial port is chosen
  virtual void Relacher_PTT() = 0;
  // The whole mixer set-up, with these recording volumes (percent).
  virtual void Reglage_mixer(int32_t enregistrement_gauche, int32_t enregistrement_droite) = 0;
  // The recording volume alone (automatic gain control).
  virtual void Reglage_volume_enregistrement(int32_t gauche, int32_t droite) = 0;
  // The recording line has a volume control the automatic gain can move.
  virtual bool Volume_entree_present() = 0;
  // Sequence_1 .. Sequence_4 (CP1252).
  virtual std::string Sequence(int numero) = 0;
};

// One step of the automatic gain control per capture block: down by 10
// (by 5 at 10 or less, never under 5) when the block clips, up by 10 (by 5
// under 10, never over 100) after two blocks in a row peaking under 40 %.
int32_t Pas_gain_CAG(int32_t gain, bool sature, int32_t niveau, int32_t niveau_precedent);

struct LiensEmetteurRecepteur {
  FonctionsWave& wave;
  EnvironnementEmetteurRecepteur& environnement;
  JournalQSO& journal;
  ReglagesReception& reception;
  // Transmit speed, input gain and source; the gain buttons write them,
  // as the main window's menus do.
  ValeursReglages& operateur;
  // 1 while the window's timer runs its pumps; also read by the main window.
  std::atomic<uint8_t>& Horloge_active;
};

class EmetteurRecepteur : private FenetreEmission, private SortieDecodeur {
 public:
  // The devices and settings must outlive the transceiver.
  EmetteurRecepteur(const LiensEmetteurRecepteur& liens, VueEmetteurRecepteur& vue);
  ~EmetteurRecepteur() override;
  EmetteurRecepteur(const EmetteurRecepteur&) = delete;
  EmetteurRecepteur& operator=(const EmetteurRecepteur&) = delete;

  // Handlers of the window's events.
  void A_l_activation_de_la_fiche();  // each opening: reception starts
  void L_edition() { Passage_en_transmission(); }
  void La_traduction() { Passage_en_reception(); }
  void Arret_sans_retour_au_menu();
  void Retour_au_menu();
  void NettoyageClick();
  void Memo1KeyPress(uint8_t touche);
  void Memo2Click();
  // An Escape key-down reached the window; the next tick toggles the mode.
  void Echap_enfoncee() { echap_en_attente_ = true; }
  // Key press in Memo2 (or in "Retour au menu"): the byte for the editor
  // to show (10 = line break, 8 = erase), 0 when the key is dropped.
  uint8_t Appui_touche(uint8_t touche) { return emetteur_.Appui_touche(touche); }
  // F1..F4 in the editor, and the buttons Sequence1..Sequence4.
  void Sequence_demandee(int numero);
  void Arret_sequenceClick();
  // Mouse-up on a radio button.
  void Bouton_radio_relache(const BoutonRadio& bouton);
  // Mouse-down on the spectrum image, x in image pixels.
  void Image_spectreMouseDown(int x);
  // The 10 ms tick.
  void Timer();
  // Runs the call the decoder thread waits for; the view calls it when
  // woken through Appels().
  bool Servir_appels() { return appels_.Servir(); }
  AppelsSynchronises& Appels() { return appels_; }

  // Mode requests and starts.
  void Initialisation_emetteur_recepteur();
  void Demarrage_reception();
  void Passage_en_transmission();
  void Passage_en_reception();
  void Demarrage_transmission();
  void Fermeture_restitution();
  void Relance_traduction();

  // The pumps: each services at most one block and returns.
  void Pompe_reception();
  void Pompe_emission();

  // Operator controls, by group.
  void Choix_vitesse_reception(int vitesse);  // 0 = "Auto"
  void Choix_seuil(int seuil);                // 0 = "Auto"
  void Choix_gain(int gain);                  // 0 = "Auto" (AGC)
  void Choix_emission_continue(bool active);
  void Choix_presence_son(bool active);
  void Choix_bande(bool etroite);

  // State, for the window and the tests.
  bool Reception_en_cours() const { return reception_en_cours_; }
  bool Transmission_en_cours() const { return emetteur_.Transmission_en_cours(); }
  // Everything queued has been played: no character waits, no tone is left.
  bool Tout_emis() const {
    return emetteur_.File().Est_vide() && !Echantillons_en_attente() && !Bloc_sonore();
  }
  bool Cycle_termine() const { return cycle_termine_; }
  bool Capture_amorcee() const { return capture_amorcee_; }
  bool Presence_son() const { return presence_son_; }
  bool Traduction_active() const { return traduction_active_.load() == 1; }
  bool Fil_de_traduction() const { return traduction_ != nullptr; }
  int32_t Gain_CAG() const { return gain_cag_; }
  int Duree_point_emission() const { return duree_point_emission_; }
  double Frequence_affichee() const { return frequence_affichee_; }
  // Received samples the decoder has gone through (any thread).
  int64_t Echantillons_lus() const { return fenetre_.Echantillons_lus(); }

  Emetteur& Emission() { return emetteur_; }
  const ImageAccord& Accord() const { return spectre_; }
  const FFTEntiere& FFT() const { return fft_; }
  FiltreTonalite& Filtre() { return chaine_.filtre; }

 private:
  // FenetreEmission: what the transmission does to the window.
  void Demande_echo() override;
  void Focus_editeur() override { vue_.Focus(Controle::Memo2); }
  void Arret_sequence_visible(bool visible) override {
    vue_.Visible(Controle::Arret_sequence, visible);
  }
  void Libelle_arret_sequence(const std::string& libelle) override {
    vue_.Texte(Etiquette::Arret_sequence, libelle);
  }
  void Limiter_editeur() override { Limiter_memo(Controle::Memo2); }

  // SortieDecodeur: called on the decoder thread, carried over.
  void Caractere(uint8_t caractere) override;
  void Signal(bool present) override;
  void Vitesse(const std::string& texte) override;
  void Niveau_entree(int32_t niveau) override { niveau_entree_.store(niveau); }
  // The decoder's parameters from the operator's settings.
  ParametresDecodeur Parametres_decodeur() const;

  void Libelles_reception();
  void Libelles_transmission();
  void Libelles_arret();
  void Focus_memo_du_mode();
  void Limiter_memo(Controle memo);
  void Selectionner(GroupeRadio groupe, int valeur);
  void Rafraichir_signal(bool present);
  void Silence();
  void Afficher_frequence();
  void Demarrage_traduction_et_capture();
  void Arreter_traduction();
  void Thread_termine() { traduction_active_ = 0; }
  void Fermeture_capture();
  void Controle_niveau(std::span<const uint8_t> bloc);
  void Volumes_enregistrement(int32_t gain);
  // Continuous tone is switched off and "Hors" shown again.
  void Arret_emission_continue();
  // A playback block still carries tone, or encoded samples wait, on a
  // playback stream that still plays.
  bool Bloc_sonore() const;
  bool Echantillons_en_attente() const;
  void Fermer_fenetre();

  FonctionsWave& wave_;
  EnvironnementEmetteurRecepteur& environnement_;
  JournalQSO& journal_;
  ReglagesReception& reception_;
  ValeursReglages& operateur_;
  std::atomic<uint8_t>& horloge_active_;
  VueEmetteurRecepteur& vue_;

  // The decoder, and the sample window that hands the capture blocks over
  // to its thread.
  ChaineReception chaine_;
  DecodeurMorse& decodeur_ = chaine_;
  FenetreEchantillons fenetre_{kTaille_bloc_reception};
  std::atomic<uint8_t> traduction_active_{0};
  // The input level the decoder last reported (decoder thread).
  std::atomic<int32_t> niveau_entree_{0};
  Emetteur emetteur_;
  FFTEntiere fft_;
  ImageAccord spectre_;
  AppelsSynchronises appels_;
  std::unique_ptr<TRADUCTION_CARACTERES> traduction_;

  bool reception_en_cours_ = false;
  bool cycle_termine_ = false;
  bool capture_amorcee_ = false;
  bool echap_en_attente_ = false;
  bool presence_son_ = false;
  int32_t gain_cag_ = 100;
  int32_t niveau_precedent_ = 0;
  int duree_point_emission_ = 62;
  double frequence_affichee_ = 800;
  // The "Signal" state last carried over (decoder thread; -1: none yet),
  // and a request to carry it over again (the speaker was silenced).
  int8_t signal_transmis_ = -1;
  std::atomic<bool> signal_a_rafraichir_{false};
};

}  // namespace vestral
