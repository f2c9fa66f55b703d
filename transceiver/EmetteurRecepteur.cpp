#include "transceiver/EmetteurRecepteur.h"

#include <algorithm>
#include <cmath>

#include "morse/FileEmission.h"
#include "morse/Synthese.h"
#include "shell/Cp1252.h"

namespace vestral {

namespace {

constexpr int kFrequence_monitoring = 800;  // PC-speaker monitor of the received keying
constexpr uint8_t kEchap = 27;

}  // namespace

int32_t Pas_gain_CAG(int32_t gain, bool sature, int32_t niveau, int32_t niveau_precedent) {
  if (sature) return gain > 5 ? gain - (gain > 10 ? 10 : 5) : gain;
  if (gain < 100 && niveau < 40 && niveau_precedent < 40) return gain + (gain < 10 ? 5 : 10);
  return gain;
}

const BoutonRadio* Bouton_radio(GroupeRadio groupe, int valeur) {
  for (const BoutonRadio& b : kBoutons_radio)
    if (b.groupe == groupe && b.valeur == valeur) return &b;
  return nullptr;
}

const BoutonRadio* Bouton_radio(std::string_view nom) {
  for (const BoutonRadio& b : kBoutons_radio)
    if (b.nom == nom) return &b;
  return nullptr;
}

EmetteurRecepteur::EmetteurRecepteur(const LiensEmetteurRecepteur& liens, VueEmetteurRecepteur& vue)
    : wave_(liens.wave),
      environnement_(liens.environnement),
      journal_(liens.journal),
      reception_(liens.reception),
      operateur_(liens.operateur),
      horloge_active_(liens.Horloge_active),
      vue_(vue),
      chaine_(reception_, journal_, *this),
      emetteur_(journal_, *this),
      spectre_(vue.Canevas()) {}

EmetteurRecepteur::~EmetteurRecepteur() {
  Arreter_traduction();
  if (reception_en_cours_) wave_.Fermeture_flux_entree();
  if (emetteur_.Transmission_en_cours()) wave_.Fermeture_flux_sortie();
}

// ---------------------------------------------------------------- window

void EmetteurRecepteur::Libelles_reception() {
  vue_.Libelles_modes("Transmission (ou <Echap>)", "Arrêt"_cp, "Réception en cours"_cp);
}

void EmetteurRecepteur::Libelles_transmission() {
  vue_.Libelles_modes("Transmission en cours", "Arrêt"_cp, "Réception (ou <Echap>)"_cp);
}

void EmetteurRecepteur::Libelles_arret() {
  vue_.Libelles_modes("Transmission", "Arrêt en cours"_cp, "Réception"_cp);
}

void EmetteurRecepteur::Focus_memo_du_mode() {
  if (reception_en_cours_) vue_.Focus(Controle::Memo1);
  if (emetteur_.Transmission_en_cours()) vue_.Focus(Controle::Memo2);
}

void EmetteurRecepteur::Limiter_memo(Controle memo) {
  if (vue_.Longueur_memo(memo) != kLongueur_editeur_pleine) return;
  if (auto garde = vestral::Limiter_editeur(vue_.Texte_memo(memo)))
    vue_.Remplacer_memo(memo, *garde);
}

void EmetteurRecepteur::Selectionner(GroupeRadio groupe, int valeur) {
  if (const BoutonRadio* bouton = Bouton_radio(groupe, valeur)) vue_.Selectionner(*bouton);
}

void EmetteurRecepteur::Afficher_frequence() {
  vue_.Texte(Etiquette::F_reception, Texte_frequence(frequence_affichee_));
}

void EmetteurRecepteur::Fermer_fenetre() {
  horloge_active_ = 0;
  echap_en_attente_ = false;
  vue_.Fermer();
}

void EmetteurRecepteur::Demande_echo() {
  if (const uint8_t caractere = emetteur_.Appui_touche(kDemande_echo))
    vue_.Inserer_memo(Controle::Memo2, caractere);
}

// ------------------------------------------------------ decoder outputs

void EmetteurRecepteur::Caractere(uint8_t caractere) {
  appels_.Appeler([this, caractere] {
    Limiter_memo(Controle::Memo1);
    vue_.Inserer_memo(Controle::Memo1, caractere);
  });
}

void EmetteurRecepteur::Signal(bool present) {
  // Every 40 ms: carried over only when something is to change.
  const int8_t etat = present ? 1 : 0;
  if (etat == signal_transmis_ && !signal_a_rafraichir_.exchange(false)) return;
  signal_transmis_ = etat;
  appels_.Appeler([this, present] { Rafraichir_signal(present); });
}

void EmetteurRecepteur::Vitesse(const std::string& texte) {
  appels_.Appeler([this, &texte] { vue_.Texte(Etiquette::Vit_Auto, texte); });
}

void EmetteurRecepteur::Silence() {
  environnement_.Silence();
  // The monitor sounds again at the next refresh if the signal is there.
  signal_a_rafraichir_ = true;
}

void EmetteurRecepteur::Rafraichir_signal(bool present) {
  if (present) {
    if (presence_son_) environnement_.Son(kFrequence_monitoring);
  } else {
    environnement_.Silence();
  }
  vue_.Visible(Controle::Label3, present);
}

// --------------------------------------------------------- decoder thread

void EmetteurRecepteur::Demarrage_traduction_et_capture() {
  Arreter_traduction();         // at most one decoder thread
  chaine_.Preparer_decodeur();  // walk reset, window emptied, flags at 0
  signal_transmis_ = -1;
  horloge_active_ = 1;
  cycle_termine_ = false;
  traduction_ = std::make_unique<TRADUCTION_CARACTERES>(chaine_.decodeur, chaine_.fenetre, appels_);
  wave_.Ouverture_flux_entree();
  Pompe_reception();
}

void EmetteurRecepteur::Arreter_traduction() {
  if (!traduction_) return;
  traduction_->Terminer();
  traduction_.reset();
  Thread_termine();
}

void EmetteurRecepteur::Fermeture_capture() {
  wave_.Fermeture_flux_entree();
}

// ----------------------------------------------------------------- starts

void EmetteurRecepteur::A_l_activation_de_la_fiche() {
  Initialisation_emetteur_recepteur();
  vue_.Visible(Controle::Label3, false);
}

void EmetteurRecepteur::Initialisation_emetteur_recepteur() {
  echap_en_attente_ = false;
  const int32_t vitesse_emission = std::max(operateur_.Vitesse_emission, 1);
  vue_.Texte(Etiquette::Label5, std::to_string(vitesse_emission).substr(0, 2));
  duree_point_emission_ = Duree_point(vitesse_emission);

  Silence();
  environnement_.Relacher_PTT();
  reception_en_cours_ = false;

  Selectionner(GroupeRadio::Bande, reception_.Bande_etroite == 1 ? 1 : 0);
  Selectionner(GroupeRadio::Seuil,
               reception_.Seuil_auto == 1 ? 0 : static_cast<int>(reception_.Seuil_filtrage.load()));
  Selectionner(GroupeRadio::Gain, operateur_.CAG_active == 1 ? 0 : operateur_.Gain_entree);

  Volumes_enregistrement(operateur_.Gain_entree);
  gain_cag_ = operateur_.Gain_entree;
  environnement_.Reglage_mixer(operateur_.Volume_enregistrement_gauche,
                               operateur_.Volume_enregistrement_droite);

  wave_.Frequence_echantillonnage = kFrequence_son;
  wave_.Taille_tampon = kTaille_bloc_reception;

  emetteur_.Emission_continue(false);
  Selectionner(GroupeRadio::Emission_continue, 0);
  presence_son_ = false;
  Selectionner(GroupeRadio::Presence_son, 0);

  // A manual speed of 0 (never chosen) counts as automatic.
  const int vitesse_reception = reception_.Vitesse_reception.load();
  if (reception_.Vitesse_auto == 1 || vitesse_reception == 0) {
    Selectionner(GroupeRadio::Vitesse, 0);
    reception_.Choisir_vitesse_auto();
  } else {
    Selectionner(GroupeRadio::Vitesse, vitesse_reception);
    reception_.Choisir_vitesse(vitesse_reception);
  }

  reception_en_cours_ = true;
  Libelles_reception();
  capture_amorcee_ = false;
  vue_.Focus(Controle::Memo1);

  journal_.Ajout_marqueur(kMarque_reception);

  spectre_.Preparer_spectre();
  vue_.Visible(Controle::Image_spectre, false);
  vue_.Visible(Controle::Memo2, true);
  frequence_affichee_ = reception_.Frequence_reception;
  Afficher_frequence();
  fft_.Preparer_FFT(2048);
  chaine_.Preparer_filtres();

  Demarrage_traduction_et_capture();
}

void EmetteurRecepteur::Demarrage_reception() {
  Silence();
  environnement_.Relacher_PTT();
  wave_.Frequence_echantillonnage = kFrequence_son;
  wave_.Taille_tampon = kTaille_bloc_reception;
  reception_en_cours_ = true;
  Libelles_reception();
  vue_.Focus(Controle::Memo1);
  journal_.Ajout_marqueur(kMarque_reception);
  Demarrage_traduction_et_capture();
}

void EmetteurRecepteur::Demarrage_transmission() {
  environnement_.Activer_PTT();
  reception_en_cours_ = false;
  wave_.Frequence_echantillonnage = kFrequence_echantillonnage_emission;
  wave_.Taille_tampon = kTaille_bloc_emission;
  Libelles_transmission();
  vue_.Focus(Controle::Memo2);
  emetteur_.Demarrage_transmission(duree_point_emission_, reception_.Frequence_reception);
  cycle_termine_ = false;
  // Half a second of silence goes out first; if playback cannot start, the
  // wave layer has told why and the pump will not wait for it.
  wave_.Ouverture_flux_sortie();
  Pompe_emission();
}

void EmetteurRecepteur::Fermeture_restitution() {
  wave_.Fermeture_flux_sortie();
  emetteur_.Fin_transmission();
}

void EmetteurRecepteur::Relance_traduction() {
  if (!reception_en_cours_) return;
  chaine_.decodeur.Relance_traduction();
  horloge_active_ = 1;
  cycle_termine_ = false;
  Pompe_reception();
}

// ---------------------------------------------------------- mode requests

void EmetteurRecepteur::Arret_emission_continue() {
  emetteur_.Emission_continue(false);
  Selectionner(GroupeRadio::Emission_continue, 0);
  Focus_memo_du_mode();
}

bool EmetteurRecepteur::Bloc_sonore() const {
  return wave_.Bloc_sortie_attendu() &&
         (!emetteur_.Sortie_1_muette() || !emetteur_.Sortie_2_muette());
}

bool EmetteurRecepteur::Echantillons_en_attente() const {
  return !emetteur_.Synthese().Echantillons_a_emettre().empty();
}

void EmetteurRecepteur::Passage_en_transmission() {
  Silence();
  if (reception_en_cours_) {
    Arreter_traduction();
    Fermeture_capture();
    capture_amorcee_ = false;
    reception_en_cours_ = false;
    Silence();
    vue_.Visible(Controle::Image_spectre, false);
    vue_.Visible(Controle::Memo2, true);
    vue_.Focus(Controle::Memo2);
  }
  if (!emetteur_.Transmission_en_cours()) {
    vue_.Visible(Controle::Image_spectre, false);
    vue_.Visible(Controle::Memo2, true);
    vue_.Focus(Controle::Memo2);
    Demarrage_transmission();
  } else {
    vue_.Focus(Controle::Memo2);
  }
}

void EmetteurRecepteur::Passage_en_reception() {
  Silence();
  const bool transmission = emetteur_.Transmission_en_cours();
  if (transmission && emetteur_.Emission_continue()) Arret_emission_continue();
  if (transmission && emetteur_.Etat_sequence().Sequence_en_cours) {
    // The rest of the sequence is dropped; what is encoded still plays.
    Libelles_transmission();
    emetteur_.Arret_sequence();
  } else if (transmission && !emetteur_.File().Est_vide()) {
    Libelles_transmission();
    vue_.Focus(Controle::Memo2);
  } else if (transmission && Bloc_sonore()) {
    Libelles_transmission();
    vue_.Focus(Controle::Memo2);
  } else if (transmission && !Echantillons_en_attente()) {
    Fermeture_restitution();
    if (!reception_en_cours_) Demarrage_reception();
  } else if (transmission) {
    Libelles_transmission();
    vue_.Focus(Controle::Memo2);
  } else if (!reception_en_cours_) {
    Demarrage_reception();
  } else {
    vue_.Focus(Controle::Memo1);
  }
}

void EmetteurRecepteur::Arret_sans_retour_au_menu() {
  Silence();
  Libelles_arret();
  if (reception_en_cours_) {
    Arreter_traduction();
    Libelles_arret();
    Fermeture_capture();
    reception_en_cours_ = false;
    Silence();
    environnement_.Relacher_PTT();
  }
  if (!emetteur_.Transmission_en_cours()) return;
  if (emetteur_.Emission_continue()) Arret_emission_continue();
  if (emetteur_.Etat_sequence().Sequence_en_cours) {
    emetteur_.Arret_sequence();
    Libelles_transmission();
  } else if (Echantillons_en_attente() || Bloc_sonore()) {
    Libelles_transmission();
    vue_.Focus(Controle::Memo2);
  } else {
    // Characters still queued are not sent.
    Fermeture_restitution();
    vue_.Visible(Controle::Image_spectre, false);
    vue_.Visible(Controle::Memo2, true);
    environnement_.Relacher_PTT();
  }
}

void EmetteurRecepteur::Retour_au_menu() {
  Silence();
  if (!reception_en_cours_ && !emetteur_.Transmission_en_cours()) {
    Fermer_fenetre();
    return;
  }
  if (reception_en_cours_) {
    Arreter_traduction();
    Fermeture_capture();
    reception_en_cours_ = false;
    Silence();
    Fermer_fenetre();
    environnement_.Relacher_PTT();
    return;
  }
  if (emetteur_.Emission_continue()) Arret_emission_continue();
  if (emetteur_.Etat_sequence().Sequence_en_cours) {
    emetteur_.Arret_sequence();  // the window stays open
  } else if (!emetteur_.File().Est_vide() || Bloc_sonore()) {
    vue_.Focus(Controle::Memo2);  // the window stays open
  } else if (!Echantillons_en_attente()) {
    Fermeture_restitution();
    Fermer_fenetre();
    environnement_.Relacher_PTT();
  }
}

void EmetteurRecepteur::NettoyageClick() {
  if (reception_en_cours_) {
    vue_.Vider_memo(Controle::Memo1);
    vue_.Focus(Controle::Memo1);
  }
  if (emetteur_.Transmission_en_cours()) {
    vue_.Vider_memo(Controle::Memo2);
    vue_.Focus(Controle::Memo2);
  }
}

void EmetteurRecepteur::Memo1KeyPress(uint8_t touche) {
  if (touche != kEchap || !reception_en_cours_ || !capture_amorcee_) return;
  echap_en_attente_ = false;  // this key-down has been acted upon
  cycle_termine_ = true;
  Passage_en_transmission();
}

void EmetteurRecepteur::Memo2Click() {
  if (reception_en_cours_) vue_.Focus(Controle::Memo1);
}

void EmetteurRecepteur::Sequence_demandee(int numero) {
  if (reception_en_cours_) {
    vue_.Focus(Controle::Memo1);
    return;
  }
  emetteur_.Demande_sequence(environnement_.Sequence(numero), numero);
}

void EmetteurRecepteur::Arret_sequenceClick() {
  if (reception_en_cours_) {
    vue_.Focus(Controle::Memo1);
    return;
  }
  emetteur_.Arret_sequence();
}

// ------------------------------------------------------------------ ticks

void EmetteurRecepteur::Timer() {
  if (horloge_active_ != 1) return;
  if (cycle_termine_) {
    cycle_termine_ = false;
    if (reception_en_cours_) Pompe_reception();
    if (emetteur_.Transmission_en_cours()) Pompe_emission();
  }
  if (echap_en_attente_) {
    echap_en_attente_ = false;
    if (reception_en_cours_) {
      cycle_termine_ = true;
      Passage_en_transmission();
    } else if (emetteur_.Transmission_en_cours()) {
      cycle_termine_ = true;
      Passage_en_reception();
    }
  }
}

void EmetteurRecepteur::Pompe_reception() {
  if (cycle_termine_) return;
  cycle_termine_ = true;
  Tampon_son* tampon = wave_.Bloc_entree_a_servir();
  if (tampon == nullptr) return;
  const std::span<const uint8_t> bloc(tampon->Donnees(),
                                      static_cast<std::size_t>(wave_.Taille_tampon));
  Controle_niveau(bloc);
  if (chaine_.fenetre.Ajout_bloc_recu(bloc)) {
    // From the third block on: the spectrum.
    fft_.Analyser_bloc(bloc);
    vue_.Visible(Controle::Image_spectre, true);
    vue_.Visible(Controle::Memo2, false);
    spectre_.Dessiner_spectre(fft_.Spectre(), reception_.Bande_etroite == 1);
  }
  wave_.Remise_en_file_entree(*tampon);
  if (tampon == &wave_.Entree_2) capture_amorcee_ = true;
}

void EmetteurRecepteur::Volumes_enregistrement(int32_t gain) {
  const bool gauche = operateur_.Entree_gauche == 1 || operateur_.Entree_micro == 1;
  operateur_.Volume_enregistrement_gauche = gauche ? gain : 0;
  operateur_.Volume_enregistrement_droite = gauche ? 0 : gain;
}

void EmetteurRecepteur::Controle_niveau(std::span<const uint8_t> bloc) {
  // Only the negative full scale counts as clipping.
  const bool sature = std::find(bloc.begin(), bloc.end(), uint8_t{0}) != bloc.end();
  const int32_t niveau = reception_.Niveau_entree.load();
  vue_.Couleur(Indicateur::Label7, sature ? CouleurLabel6::Rouge : CouleurLabel6::Face_bouton);
  const bool cag = operateur_.CAG_active == 1 && environnement_.Volume_entree_present();
  const int32_t gain = cag ? Pas_gain_CAG(gain_cag_, sature, niveau, niveau_precedent_) : gain_cag_;
  if (gain != gain_cag_) {
    gain_cag_ = gain;
    Volumes_enregistrement(gain_cag_);
    environnement_.Reglage_volume_enregistrement(operateur_.Volume_enregistrement_gauche,
                                                 operateur_.Volume_enregistrement_droite);
  }
  niveau_precedent_ = niveau;
  vue_.Texte(Etiquette::Niveau, std::to_string(niveau));
  vue_.Texte(Etiquette::Gain, std::to_string(gain_cag_));
}

void EmetteurRecepteur::Pompe_emission() {
  if (cycle_termine_) return;
  if (wave_.Sortie_ouverte() && wave_.Peripherique_en_panne(Sens::Sortie)) {
    // The device has gone: it hands every block back at once, so the first
    // block would be refilled for ever and the second would keep its tone.
    // Nothing can play any more: what waits is dropped and both blocks are
    // counted silent, so that the operator can leave transmission.
    emetteur_.Arret_sequence();
    emetteur_.File().Vider();
    emetteur_.Synthese().Vider();
    for (Tampon_son* tampon : {&wave_.Sortie_1, &wave_.Sortie_2})
      if (tampon->Utilisable())
        emetteur_.Remplir_bloc(tampon->numero,
                               {tampon->Donnees(), static_cast<std::size_t>(wave_.Taille_tampon)});
    cycle_termine_ = true;
    return;
  }
  if (Tampon_son* tampon = wave_.Bloc_sortie_a_servir()) {
    wave_.Suppression_entete(*tampon);
    const std::span<uint8_t> bloc(tampon->Donnees(), static_cast<std::size_t>(wave_.Taille_tampon));
    vue_.Couleur(Indicateur::Label6, emetteur_.Remplir_bloc(tampon->numero, bloc));
    wave_.Preparation_entete(*tampon);
    wave_.Ecriture_tampon_sortie(*tampon);
  } else if (!wave_.Bloc_sortie_attendu()) {
    // Playback did not start, or the device has gone: nothing queued can
    // ever play. It is dropped, so that the operator can leave
    // transmission.
    emetteur_.Arret_sequence();
    emetteur_.File().Vider();
    emetteur_.Synthese().Vider();
  }
  emetteur_.Completer_echantillons();
  cycle_termine_ = true;
}

// -------------------------------------------------------------- controls

void EmetteurRecepteur::Bouton_radio_relache(const BoutonRadio& bouton) {
  switch (bouton.groupe) {
    case GroupeRadio::Vitesse:
      Choix_vitesse_reception(bouton.valeur);
      break;
    case GroupeRadio::Seuil:
      Choix_seuil(bouton.valeur);
      break;
    case GroupeRadio::Gain:
      Choix_gain(bouton.valeur);
      break;
    case GroupeRadio::Emission_continue:
      Choix_emission_continue(bouton.valeur == 1);
      break;
    case GroupeRadio::Presence_son:
      Choix_presence_son(bouton.valeur == 1);
      break;
    case GroupeRadio::Bande:
      Choix_bande(bouton.valeur == 1);
      break;
  }
}

void EmetteurRecepteur::Choix_vitesse_reception(int vitesse) {
  Silence();
  if (vitesse == 0)
    reception_.Choisir_vitesse_auto();
  else
    reception_.Choisir_vitesse(vitesse);
  if (reception_en_cours_) {
    Relance_traduction();
    vue_.Focus(Controle::Memo1);
  }
  if (emetteur_.Transmission_en_cours()) {
    // Transmission starts again: text and tone still waiting are dropped.
    vue_.Focus(Controle::Memo2);
    Fermeture_restitution();
    Demarrage_transmission();
  }
}

void EmetteurRecepteur::Choix_seuil(int seuil) {
  if (seuil == 0)
    reception_.Choisir_seuil_auto();
  else
    reception_.Choisir_seuil(static_cast<uint16_t>(seuil));
  Relance_traduction();
  Focus_memo_du_mode();
}

void EmetteurRecepteur::Choix_gain(int gain) {
  operateur_.CAG_active = gain == 0 ? 1 : 0;
  operateur_.Gain_entree = gain == 0 ? 100 : gain;
  Volumes_enregistrement(operateur_.Gain_entree);
  gain_cag_ = operateur_.Gain_entree;
  environnement_.Reglage_mixer(operateur_.Volume_enregistrement_gauche,
                               operateur_.Volume_enregistrement_droite);
  Focus_memo_du_mode();
}

void EmetteurRecepteur::Choix_emission_continue(bool active) {
  emetteur_.Emission_continue(active);
  Focus_memo_du_mode();
}

void EmetteurRecepteur::Choix_presence_son(bool active) {
  if (!active) Silence();
  presence_son_ = active;
  signal_a_rafraichir_ = true;
  Focus_memo_du_mode();
}

void EmetteurRecepteur::Choix_bande(bool etroite) {
  reception_.Bande_etroite = etroite ? 1 : 0;
  if (reception_en_cours_) {
    chaine_.filtre.Regler_passe_bande();
    Relance_traduction();
  }
  Focus_memo_du_mode();
}

// ---------------------------------------------------------------- tuning

void EmetteurRecepteur::Image_spectreMouseDown(int x) {
  const auto frequence = spectre_.Clic(x, fft_.Spectre(), reception_.Bande_etroite == 1);
  if (!frequence) return;
  frequence_affichee_ = *frequence;
  Afficher_frequence();
  reception_.Frequence_reception = static_cast<int32_t>(std::nearbyint(frequence_affichee_));
  chaine_.filtre.Regler_passe_bande();
  Relance_traduction();
}

}  // namespace vestral
