// The transmitting side of the transceiver, without its window and devices:
// the transmit queue and the editor's key rules, the tone synthesis that
// feeds the playback blocks, and the stored sequences. The window forwards
// keys and block refills here and implements FenetreEmission for the few
// things the transmission does to it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "morse/FileEmission.h"
#include "morse/Synthese.h"
#include "shell/JournalQSO.h"

namespace vestral {

// Private key code by which the encoder asks the editor to show the
// sequence character just encoded (delivered as a typed key).
constexpr uint8_t kDemande_echo = 31;

// What the transmission does to its window. Called on the window's thread,
// synchronously.
class FenetreEmission {
 public:
  virtual ~FenetreEmission() = default;
  // Delivers kDemande_echo to the editor (Memo2) as a typed key, at once:
  // the editor's key handler (Emetteur::Appui_touche) answers the character
  // to insert at its caret.
  virtual void Demande_echo() = 0;
  // Gives the focus to the editor (Memo2).
  virtual void Focus_editeur() = 0;
  // Shows or hides the button Arret_sequence, and sets its caption (CP1252).
  virtual void Arret_sequence_visible(bool visible) = 0;
  virtual void Libelle_arret_sequence(const std::string& libelle) = 0;
  // Trims the editor's text with Limiter_editeur (FileEmission.h).
  virtual void Limiter_editeur() = 0;
};

// State of the stored sequence being sent.
struct Sequences {
  bool Sequence_en_cours = false;
  uint8_t Caractere_sequence = 0;  // just encoded, waiting for its echo
  bool Echo_fait = true;           // Caractere_sequence is in the editor
  // Characters already queued (typed) when the sequence started, still to be
  // encoded; they are not echoed a second time.
  int32_t Reste_avant_sequence = 0;
};

// Colour of the "Emission en cours" indicator (Label6).
enum class CouleurLabel6 { Face_bouton, Rouge };

class Emetteur {
 public:
  Emetteur(JournalQSO& journal, FenetreEmission& fenetre);
  Emetteur(const Emetteur&) = delete;
  Emetteur& operator=(const Emetteur&) = delete;

  // The state part of a transmission start, before the playback stream is
  // opened: queue, encoded samples and sequence emptied, Arret_sequence
  // hidden, both blocks counted silent, the transmission marker logged, and
  // the tone and silences built for this speed and frequency.
  void Demarrage_transmission(int duree_point_emission, int frequence_reception);
  // The window closed the playback stream: transmission is over.
  void Fin_transmission() { transmission_en_cours_ = false; }
  bool Transmission_en_cours() const { return transmission_en_cours_; }

  // Key press in the editor (and in the "Retour au menu" button): answers the
  // key for the editor to show, 0 when it is dropped. 10 or 13 mean a line
  // break. During a sequence only the echo request passes.
  uint8_t Appui_touche(uint8_t touche);

  // One pass of the pump while it waits for a finished block: encodes the
  // next queued character when no more than Seuil_remplissage samples wait.
  void Completer_echantillons();

  // Refills playback block `sortie` (1 or 2) and answers the colour of
  // Label6 (red while tone is going out, or with the continuous tone on).
  CouleurLabel6 Remplir_bloc(int sortie, std::span<uint8_t> bloc);

  // Encodes one character taken from the queue: its samples, its log entry,
  // the echo and the end of a stored sequence, the editor trimming.
  void Coder_caractere(uint8_t c);

  // F1..F4 or a sequence button in transmission (the window gives the focus
  // to Memo1 itself in reception): sends `texte` (CP1252), or only focuses
  // the editor when it is empty.
  void Demande_sequence(std::string_view texte, int numero);
  void Envoyer_sequence(std::string_view texte, int numero);
  // The button Arret_sequence in transmission, and every mode request made
  // while a sequence is being sent: the rest of the queue is dropped; the
  // samples already encoded still play.
  void Arret_sequence();

  bool Emission_continue() const { return emission_continue_; }
  void Emission_continue(bool active) { emission_continue_ = active; }

  bool Sortie_1_muette() const { return sortie_1_muette_; }
  bool Sortie_2_muette() const { return sortie_2_muette_; }

  FileEmission& File() { return file_; }
  const FileEmission& File() const { return file_; }
  SyntheseMorse& Synthese() { return synthese_; }
  const SyntheseMorse& Synthese() const { return synthese_; }
  const Sequences& Etat_sequence() const { return sequence_; }

 private:
  void Fin_de_sequence();

  JournalQSO& journal_;
  FenetreEmission& fenetre_;
  FileEmission file_;
  SyntheseMorse synthese_;
  Sequences sequence_;
  bool transmission_en_cours_ = false;
  bool emission_continue_ = false;
  bool sortie_1_muette_ = true;
  bool sortie_2_muette_ = true;
};

}  // namespace vestral
