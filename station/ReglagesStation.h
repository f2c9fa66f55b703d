// The station settings, kept in VESTRAL.INI beside the 7-byte settings file
// (which they leave alone): the rig, how the transmitter is keyed, the
// keying server. One "name=value" line each; a missing file, and unknown or
// malformed lines, leave the starting values (no rig, keying by the serial
// line as before, no keying server).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "shell/FONCTIONS_FICHIERS.h"
#include "station/Cwdaemon.h"
#include "station/Poste.h"

namespace vestral {

inline constexpr char kFichier_station[] = "VESTRAL.INI";

enum class ModePTT {
  Serie,  // DTR and RTS of the chosen serial port (the starting value)
  Cat,    // the rig's own keying command
  Aucun,  // nothing keyed (a transmitter with VOX)
};

std::string Nom_mode_ptt(ModePTT mode);  // "serial", "cat", "none"
std::optional<ModePTT> Mode_ptt_depuis(std::string_view nom);

struct ReglagesStation {
  ReglagesPoste poste;  // modele 0: no rig
  ModePTT ptt = ModePTT::Serie;
  bool cwdaemon = false;
  std::string adresse_cwdaemon = kAdresse_cwdaemon;
  uint16_t port_cwdaemon = kPort_cwdaemon;
  bool operator==(const ReglagesStation&) const = default;
};

std::string Texte_reglages_station(const ReglagesStation& reglages);
ReglagesStation Reglages_station_depuis(std::string_view texte);

// Reads VESTRAL.INI when it exists (a missing file says nothing).
ReglagesStation Lire_reglages_station(FichiersTexte& fichiers);
// Writes it through the atomic text writer; true on failure (told by it).
[[nodiscard]] bool Ecrire_reglages_station(FichiersTexte& fichiers,
                                           const ReglagesStation& reglages);

}  // namespace vestral
