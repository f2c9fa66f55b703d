// The station around an open transceiver window: the keying server's
// requests served on each 10 ms tick (the transceiver as a logger's
// keyer), the rig's reports, a transmission keyed by a rig that stopped
// answering brought to a stop, the dial frequency in the window's title,
// and Ctrl+L for the "Contact" dialog.
#pragma once

#include <functional>
#include <string>

class QWidget;

#include "shell/Configuration.h"
#include "station/Station.h"
#include "transceiver/EmetteurRecepteur.h"

namespace vestral {

class TForm8;

// `contact`: opens the "Contact" dialog over the window, given the text
// received so far (CP1252). Everything attached ends with the window.
void Attacher_station(TForm8* fenetre, Station& station,
                      EnvironnementEmetteurRecepteur& environnement, ValeursReglages& operateur,
                      std::function<void(QWidget* parent, const std::string& recu)> contact);

}  // namespace vestral
