// Window-wide flags set by the main window at start-up and read by the
// transceiver window and the decoder.
#pragma once

#include <atomic>
#include <cstdint>

namespace vestral {

struct EtatGeneral {
  std::atomic<uint8_t> Horloge_active{0};  // the transceiver window's timer runs a pump
  std::atomic<uint8_t> Seuil_auto{0};      // automatic reception threshold
  std::atomic<uint8_t> Vitesse_auto{0};    // automatic reception speed
  uint8_t Carte_son_utilisable = 0;        // result of the last sound card check
  uint8_t Economiseur_ecran_actif = 0;     // the screen saver was held off by us
};

}  // namespace vestral
