// Reception settings and measures shared between the user-interface thread
// (operator controls, tuning, displays) and the decoder thread (tone filter,
// decoder walk). Each value is read and written whole.
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
  std::atomic<uint16_t> Seuil_filtrage{0};
  std::atomic<uint8_t> Vitesse_auto{0};
  std::atomic<uint16_t> Vitesse_reception{0};
  std::atomic<int32_t> Vitesse_estimee{0};
  std::atomic<uint16_t> Duree_point_reception{0};

  // Written by the decoder thread.
  std::atomic<int32_t> Enveloppe_filtree{0};
  std::atomic<int32_t> Niveau_entree{0};

  // Automatic speed: the estimate restarts from 20 words per minute.
  void Choisir_vitesse_auto() {
    Vitesse_auto = 1;
    Vitesse_estimee = 20;
    Duree_point_reception = 62;
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
  }
};

}  // namespace vestral
