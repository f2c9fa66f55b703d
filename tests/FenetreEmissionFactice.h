// A transceiver window reduced to what the transmission does to it: an
// editor text, the Arret_sequence button, a focus counter. Keys are typed
// through Taper, which shows what Appui_touche answers, as the editor does.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "morse/Emetteur.h"
#include "shell/JournalQSO.h"

namespace vestral {

class FenetreEmissionFactice : public FenetreEmission {
 public:
  FenetreEmissionFactice() : emetteur(journal, *this) {}

  void Demande_echo() override { Montrer(emetteur.Appui_touche(kDemande_echo)); }
  void Focus_editeur() override { ++focus_editeur; }
  void Arret_sequence_visible(bool visible) override { arret_sequence_visible = visible; }
  void Libelle_arret_sequence(const std::string& libelle) override { libelle_arret = libelle; }
  void Limiter_editeur() override {
    if (auto garde = vestral::Limiter_editeur(editeur)) editeur = *garde;
  }

  // Keys typed into the editor (CP1252 bytes).
  void Taper(std::string_view touches) {
    for (char t : touches) Montrer(emetteur.Appui_touche(static_cast<uint8_t>(t)));
  }

  // Runs the pump until nothing is left to encode or to play; answers every
  // sample played, block after block.
  std::string Tout_emettre() {
    std::string joue;
    std::array<uint8_t, kTaille_bloc_emission> bloc{};
    for (int sortie = 1;
         !emetteur.File().Est_vide() || !emetteur.Synthese().Echantillons_a_emettre().empty();
         sortie = 3 - sortie) {
      for (int passe = 0; passe < 10; ++passe) emetteur.Completer_echantillons();
      emetteur.Remplir_bloc(sortie, bloc);
      joue.append(bloc.begin(), bloc.end());
    }
    return joue;
  }

  JournalQSO journal;
  Emetteur emetteur;
  std::string editeur;
  bool arret_sequence_visible = false;
  std::string libelle_arret;
  int focus_editeur = 0;

 private:
  void Montrer(uint8_t reponse) {
    if (reponse == kTouche_retour_arriere) {
      if (!editeur.empty()) editeur.pop_back();
    } else if (reponse != 0) {
      editeur += static_cast<char>(reponse);
    }
  }
};

}  // namespace vestral
