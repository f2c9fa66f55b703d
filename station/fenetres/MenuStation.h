// The "Station" menu of the main window and what its items open; the
// "Contact" dialog as the transceiver window opens it too.
#pragma once

#include <QMenu>
#include <functional>
#include <string>

#include "shell/FONCTIONS_FICHIERS.h"
#include "shell/Rapport.h"
#include "station/JournalAdif.h"
#include "station/Station.h"

namespace vestral {

struct LiensMenuStation {
  Station& station;
  JournalContacts& contacts;
  FichiersTexte& fichiers;
  // The text received so far (CP1252), for the contact's call sign.
  std::function<std::string()> texte_recu;
  // The transceiver window is open (its requests are then its own).
  std::function<bool()> emetteur_recepteur_ouvert;
};

// "Réglages de la station...", "Contact..." (Ctrl+L), "Journal des
// contacts". Also starts, on the menu's window, the 100 ms timer that tells
// the rig's reports and refuses the keying server's text while the
// transceiver window is closed.
void Remplir_menu_station(QMenu* menu, const LiensMenuStation& liens);

// The "Contact" dialog over `parent`, pre-filled from `recu`, the clock and
// the dial; modal.
void Ouvrir_contact(QWidget* parent, JournalContacts& contacts, const Station& station,
                    const std::string& recu);

}  // namespace vestral
