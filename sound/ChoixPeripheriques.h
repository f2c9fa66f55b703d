// Which sound devices play the part of "device 0": by default the system's
// default capture and playback devices; an operator with a USB sound card
// names the devices instead, by any part of their name as the device list
// shows it (case ignored). Every program reads the choice the same way:
//
//   environment   VESTRAL_CAPTURE=NAME  VESTRAL_PLAYBACK=NAME
//   options       --capture NAME  --playback NAME  (or --capture=NAME ...)
//                 --list-devices  (print the devices and stop)
//
// The monitor tone and the error beep may go to a second playback device
// instead of the PC speaker: VESTRAL_MONITOR=NAME or --monitor NAME.
//
// An option wins over the environment.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace vestral {

inline constexpr char kVariable_capture[] = "VESTRAL_CAPTURE";
inline constexpr char kVariable_restitution[] = "VESTRAL_PLAYBACK";
inline constexpr char kVariable_ecoute[] = "VESTRAL_MONITOR";

struct ChoixPeripheriques {
  std::string capture;      // part of a device name; empty = system default
  std::string restitution;  // the same for playback
  std::string ecoute;       // playback device for the monitor tone and beep; empty = PC speaker
  bool lister = false;      // --list-devices was given
  std::string erreur;       // non-empty when an option lacks its value
};

// Reads the environment through `environnement` (std::getenv when empty),
// then takes the device options out of `arguments`, leaving the others in
// their order.
ChoixPeripheriques Lire_choix_peripheriques(
    std::vector<std::string>& arguments,
    const std::function<const char*(const char*)>& environnement = {});

// The same on main()'s arguments: argv[0] stays, the device options are
// removed and argc is updated.
ChoixPeripheriques Lire_choix_peripheriques(
    int& argc, char** argv, const std::function<const char*(const char*)>& environnement = {});

// True when `nom` contains `motif`, case ignored (ASCII letters); an empty
// motif matches nothing.
bool Nom_correspond(const std::string& nom, const std::string& motif);

// One line for --help.
inline constexpr char kAide_choix_peripheriques[] =
    "  --capture NOM, --playback NOM  carte son à utiliser (partie du nom, voir "
    "--list-devices;\n"
    "                                 aussi VESTRAL_CAPTURE, VESTRAL_PLAYBACK)\n"
    "  --monitor NOM                  écoute à 800 Hz et bip d'erreur sur ce périphérique\n"
    "                                 au lieu du haut-parleur PC (jamais celui relié à\n"
    "                                 l'émetteur ; aussi VESTRAL_MONITOR)\n"
    "  --list-devices                 liste les périphériques son\n";

}  // namespace vestral
