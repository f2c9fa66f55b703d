// The "Périphériques son" menu: the capture, playback and monitor-tone
// devices by their names, the chosen one of each marked "...choisi". The
// lists are read again each time a sub-menu opens (a device plugged in
// since shows up).
#pragma once

#include <functional>
#include <string>

#include "sound/linux/PeripheriquesSysteme.h"

class QMenuBar;

namespace vestral {

struct ActionsPeripheriquesSon {
  std::function<PeripheriquesMenus()> Lister;
  // The name in use for a key of VESTRAL.INI (kCle_capture...), "" for the
  // default device.
  std::function<std::string(const std::string& cle)> Choisi;
  // The operator chose `nom` ("" = the default) for that key.
  std::function<void(const std::string& cle, const std::string& nom)> Choisir;
};

void Ajouter_menu_peripheriques_son(QMenuBar* barre, ActionsPeripheriquesSon actions);

}  // namespace vestral
