// Window-wide flags of the main window and the transceiver window (the
// reception choices made at start-up live in ReglagesReception).
#pragma once

#include <atomic>
#include <cstdint>

namespace vestral {

struct EtatGeneral {
  std::atomic<uint8_t> Horloge_active{0};  // the transceiver window's timer runs a pump
  uint8_t Carte_son_utilisable = 0;        // result of the last sound card check
  uint8_t Economiseur_ecran_actif = 0;     // the screen saver was held off by us
};

}  // namespace vestral
