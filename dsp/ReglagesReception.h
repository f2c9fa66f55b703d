// The operator's reception settings, shared between the user-interface
// thread (controls, tuning, the settings file) and the decoder thread (tone
// filter, decoder walk), which reads them between two steps. Each value is
// read and written whole. Nothing measured is written back here: the
// filter keeps its measures and the decoder reports them as events.
#pragma once

#include <atomic>
#include <cstdint>

#include "shell/FormatSon.h"

namespace vestral {

constexpr int kVitesse_min = 10;
constexpr int kVitesse_max = 54;
// Manual thresholds of the buttons "100", "50", "25", "12", "6", "3", "1".
constexpr uint16_t kSeuils_manuels[] = {1600, 800, 400, 200, 100, 50, 16};

struct ReglagesReception {
  std::atomic<int32_t> Frequence_reception{800};
  std::atomic<uint8_t> Bande_etroite{1};
  std::atomic<uint8_t> Seuil_auto{0};
  // The operator's threshold (where the automatic one starts from).
  std::atomic<uint16_t> Seuil_filtrage{0};
  std::atomic<uint8_t> Vitesse_auto{0};
  std::atomic<uint16_t> Vitesse_reception{0};
  // The dot length of the chosen speed (62 when automatic is chosen).
  std::atomic<uint16_t> Duree_point_reception{0};
  // Counts of the choices the filter acts upon once: an automatic speed
  // chosen (its estimate restarts), a manual threshold chosen.
  std::atomic<uint32_t> Choix_vitesse_auto{0};
  std::atomic<uint32_t> Choix_seuil{0};

  // Automatic speed: the estimate restarts from 20 words per minute.
  void Choisir_vitesse_auto() {
    Vitesse_auto = 1;
    Duree_point_reception = 62;
    ++Choix_vitesse_auto;
  }
  void Choisir_vitesse(int vitesse) {
    Vitesse_auto = 0;
    Vitesse_reception = static_cast<uint16_t>(vitesse);
    Duree_point_reception = static_cast<uint16_t>(1250 / vitesse);
  }
  void Choisir_seuil_auto() { Seuil_auto = 1; }
  void Choisir_seuil(uint16_t seuil) {
    Seuil_auto = 0;
    Seuil_filtrage = seuil;
    ++Choix_seuil;
  }
};

}  // namespace vestral
