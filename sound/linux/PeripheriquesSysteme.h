// The sound devices as the menus offer them, and a choice by name turned
// into what the streams open.
//
// With a desktop sound server, the devices are the server's (capture: its
// sources, monitors of its outputs included; playback: its outputs), named
// as the server names them; the streams go through PortAudio's "pulse"
// device and the server is told which source or output to use (the
// PULSE_SOURCE and PULSE_SINK variables, read when a stream opens). Without
// a server, the devices are PortAudio's (ALSA's) by their names.
#pragma once

#include <string>
#include <vector>

#include "sound/ChoixPeripheriques.h"
#include "sound/linux/MixerPulse.h"
#include "sound/linux/PeripheriqueSonPortAudio.h"

namespace vestral {

struct PeripheriqueMenu {
  std::string nom;      // what is remembered and chosen by
  std::string libelle;  // what the menu shows (UTF-8)
};

struct PeripheriquesMenus {
  bool serveur = false;
  std::vector<PeripheriqueMenu> capture, restitution;
};

PeripheriquesMenus Lister_peripheriques_menus(const std::vector<PeripheriqueServeur>& serveur,
                                              const std::vector<Description_peripherique>& alsa);

struct ChoixResolu {
  ChoixPeripheriques choix;  // what PortAudio opens
  // The server's devices chosen (empty: the server's default, or no server).
  std::string source_serveur, sortie_serveur, ecoute_serveur;
  // Remembered names found nowhere (the default device is used instead).
  std::vector<std::string> absents;
};

// `impose`: the options and environment variables, which win and are taken
// as given when no server device matches them; `memorise`: the names
// remembered in the settings file, which must match a device.
ChoixResolu Resoudre_choix(const ChoixPeripheriques& impose, const ChoixPeripheriques& memorise,
                           const std::vector<PeripheriqueServeur>& serveur,
                           const std::vector<Description_peripherique>& alsa);

// The same, reading the server's and PortAudio's devices only when a name
// is given (both lists take a moment to read).
ChoixResolu Resoudre_choix(const ChoixPeripheriques& impose, const ChoixPeripheriques& memorise);

// Tells the server which source and output the next streams use (the
// variables the process had at start come back when nothing is chosen).
void Diriger_flux_serveur(const std::string& source, const std::string& sortie);

// The message for a remembered device that is absent (CP1252).
std::string Message_peripherique_absent(const std::string& nom);

}  // namespace vestral
