// What the transceiver does to its window, "EMETTEUR-RECEPTEUR CW": the
// captions of the three mode buttons, what is shown or hidden, the labels,
// the two indicators, the radio buttons, the two memos, the focus and the
// spectrum image. The Qt window implements it; the tests record it.
// Every call is made on the user-interface thread. Texts are CP1252.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "morse/Emetteur.h"
#include "transceiver/ImageAccord.h"

namespace vestral {

// The controls the transceiver shows, hides, focuses or writes into.
enum class Controle {
  Image_spectre,
  Memo1,  // decoded text
  Memo2,  // transmit editor
  Arret_sequence,
  Label3,  // "Signal"
};

// Labels whose caption the transceiver writes.
enum class Etiquette {
  Niveau,
  Gain,
  F_reception,
  Vit_Auto,
  Label5,  // transmit speed
  Arret_sequence,
};

// The two coloured indicators: Label6 ("Emission en cours"), Label7 ("Sat").
enum class Indicateur { Label6, Label7 };

// The radio-button groups of the window and their buttons, with the value
// each button stands for.
enum class GroupeRadio { Vitesse, Seuil, Gain, Emission_continue, Presence_son, Bande };

struct BoutonRadio {
  std::string_view nom;      // designed name, also the Qt object name
  std::string_view libelle;  // caption (UTF-8 source text)
  GroupeRadio groupe;
  int valeur;  // words per minute, threshold, gain in percent, or 0/1; 0 = "Auto"
};

inline constexpr BoutonRadio kBoutons_radio[] = {
    {"V10", "10", GroupeRadio::Vitesse, 10},
    {"V13", "13", GroupeRadio::Vitesse, 13},
    {"V16", "16", GroupeRadio::Vitesse, 16},
    {"V20", "20", GroupeRadio::Vitesse, 20},
    {"V26", "26", GroupeRadio::Vitesse, 26},
    {"V33", "33", GroupeRadio::Vitesse, 33},
    {"V43", "43", GroupeRadio::Vitesse, 43},
    {"V54", "54", GroupeRadio::Vitesse, 54},
    {"Vi_Auto", "Auto", GroupeRadio::Vitesse, 0},
    {"S100", "100", GroupeRadio::Seuil, 1600},
    {"S50", "50", GroupeRadio::Seuil, 800},
    {"S25", "25", GroupeRadio::Seuil, 400},
    {"S12", "12", GroupeRadio::Seuil, 200},
    {"S6", "6", GroupeRadio::Seuil, 100},
    {"S3", "3", GroupeRadio::Seuil, 50},
    {"S1", "1", GroupeRadio::Seuil, 16},
    {"Sauto", "Auto", GroupeRadio::Seuil, 0},
    {"FOIS_0_2", "x 0,2", GroupeRadio::Gain, 20},
    {"FOIS_0_4", "x 0,4", GroupeRadio::Gain, 40},
    {"FOIS_0_6", "x0,6", GroupeRadio::Gain, 60},
    {"FOIS_0_8", "x0,8", GroupeRadio::Gain, 80},
    {"FOIS_1", "x1", GroupeRadio::Gain, 100},
    {"AGC", "Auto", GroupeRadio::Gain, 0},
    {"RadioButton9", "En", GroupeRadio::Emission_continue, 1},
    {"RadioButton10", "Hors", GroupeRadio::Emission_continue, 0},
    {"Son_en", "En", GroupeRadio::Presence_son, 1},
    {"Son_hors", "Hors", GroupeRadio::Presence_son, 0},
    {"Large", "Large", GroupeRadio::Bande, 0},
    {"Etroit", "Etroite", GroupeRadio::Bande, 1},
};

// The button of a group standing for `valeur`, or null.
const BoutonRadio* Bouton_radio(GroupeRadio groupe, int valeur);
const BoutonRadio* Bouton_radio(std::string_view nom);

class VueEmetteurRecepteur {
 public:
  virtual ~VueEmetteurRecepteur() = default;

  // Captions of Bouton_Edition, Bouton_Arret and Bouton_Traduction.
  virtual void Libelles_modes(const std::string& edition, const std::string& arret,
                              const std::string& traduction) = 0;
  virtual void Visible(Controle controle, bool visible) = 0;
  virtual void Focus(Controle controle) = 0;
  virtual void Texte(Etiquette etiquette, const std::string& texte) = 0;
  virtual void Couleur(Indicateur indicateur, CouleurLabel6 couleur) = 0;
  // Shows a radio button as chosen (the others of its group are not).
  virtual void Selectionner(const BoutonRadio& bouton) = 0;

  // Memo1 and Memo2. Lengths count a line break as two characters (CR LF).
  virtual std::size_t Longueur_memo(Controle memo) = 0;
  virtual std::string Texte_memo(Controle memo) = 0;
  virtual void Remplacer_memo(Controle memo, const std::string& texte) = 0;
  // A typed character at the caret: 10 or 13 is a line break, 8 erases the
  // character before the caret.
  virtual void Inserer_memo(Controle memo, uint8_t caractere) = 0;
  virtual void Vider_memo(Controle memo) = 0;

  // Closes the window (the opener's modal loop ends).
  virtual void Fermer() = 0;

  virtual CanevasSpectre& Canevas() = 0;
};

}  // namespace vestral
