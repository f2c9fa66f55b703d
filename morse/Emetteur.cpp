#include "morse/Emetteur.h"

#include "shell/Cp1252.h"

namespace vestral {

Emetteur::Emetteur(JournalQSO& journal, FenetreEmission& fenetre)
    : journal_(journal), fenetre_(fenetre) {}

void Emetteur::Demarrage_transmission(int duree_point_emission, int frequence_reception) {
  transmission_en_cours_ = true;
  sequence_.Sequence_en_cours = false;
  sequence_.Caractere_sequence = 0;
  file_.Vider();
  synthese_.Vider();
  fenetre_.Arret_sequence_visible(false);
  sortie_1_muette_ = true;
  sortie_2_muette_ = true;
  journal_.Ajout_marqueur(kMarque_emission);
  synthese_.Preparer(duree_point_emission, frequence_reception);
}

uint8_t Emetteur::Appui_touche(uint8_t touche) {
  if (sequence_.Sequence_en_cours) {
    if (touche != kDemande_echo || sequence_.Echo_fait) return 0;
    sequence_.Echo_fait = true;
    return sequence_.Caractere_sequence;
  }
  if (touche == kTouche_retour_arriere) return file_.Retour_arriere() ? touche : 0;
  return file_.Ajouter_touche(touche);
}

void Emetteur::Completer_echantillons() {
  if (synthese_.Echantillons_a_emettre().size() <= synthese_.Seuil_remplissage()) {
    const uint8_t c = file_.Prendre_caractere();
    if (c != kFile_vide) Coder_caractere(c);
  }
  file_.Noter_longueur();
}

CouleurLabel6 Emetteur::Remplir_bloc(int sortie, std::span<uint8_t> bloc) {
  const bool muette = synthese_.Remplir_bloc(bloc, emission_continue_);
  (sortie == 1 ? sortie_1_muette_ : sortie_2_muette_) = muette;
  if (emission_continue_ || !sortie_1_muette_ || !sortie_2_muette_) return CouleurLabel6::Rouge;
  return CouleurLabel6::Face_bouton;
}

void Emetteur::Coder_caractere(uint8_t c) {
  synthese_.Coder_son(c);
  journal_.Ajout_QSO(c);

  if (sequence_.Sequence_en_cours) {
    if (c != kSaut_de_ligne) {
      sequence_.Caractere_sequence = c;
      sequence_.Echo_fait = false;
      // Typed-ahead characters are already in the editor.
      if (sequence_.Reste_avant_sequence == 0) fenetre_.Demande_echo();
    }
    fenetre_.Focus_editeur();
  }
  if (sequence_.Reste_avant_sequence > 0) --sequence_.Reste_avant_sequence;

  fenetre_.Limiter_editeur();

  if (sequence_.Sequence_en_cours && file_.Est_vide()) Fin_de_sequence();
}

void Emetteur::Demande_sequence(std::string_view texte, int numero) {
  if (!transmission_en_cours_) return;
  if (texte.empty())
    fenetre_.Focus_editeur();
  else
    Envoyer_sequence(texte, numero);
}

void Emetteur::Envoyer_sequence(std::string_view texte, int numero) {
  if (sequence_.Sequence_en_cours) {
    file_.Vider();
    fenetre_.Arret_sequence_visible(false);
  }
  fenetre_.Libelle_arret_sequence("Arrêt séq."_cp + std::to_string(numero));
  fenetre_.Arret_sequence_visible(true);
  if (transmission_en_cours_) {
    sequence_.Reste_avant_sequence = static_cast<int32_t>(file_.Texte_a_emettre().size());
    for (const char octet : texte) file_.Ajouter_touche(static_cast<uint8_t>(octet));
  }
  sequence_.Sequence_en_cours = true;
  // A text whose every byte was refused leaves nothing to send: the sequence
  // ends at once rather than blocking the keyboard until Arret_sequence is
  // pressed.
  if (file_.Est_vide()) Fin_de_sequence();
}

void Emetteur::Arret_sequence() {
  if (!transmission_en_cours_ || !sequence_.Sequence_en_cours) return;
  file_.Vider();
  fenetre_.Arret_sequence_visible(false);
  sequence_.Sequence_en_cours = false;
  fenetre_.Focus_editeur();
}

void Emetteur::Fin_de_sequence() {
  sequence_.Sequence_en_cours = false;
  sequence_.Caractere_sequence = 0;
  fenetre_.Arret_sequence_visible(false);
}

}  // namespace vestral
