// The program's own settings beyond the 7-byte CONFCWER.SER (which keeps
// exactly what it always held): VESTRAL.INI in the working directory, one
// "key=value" line per setting, CP1252. Keys this version does not know are
// kept as they are. Written through the text file layer (a whole new file
// replaces the old one, so a failed write leaves the previous settings).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "shell/FONCTIONS_FICHIERS.h"

namespace vestral {

inline constexpr char kFichier_reglages_programme[] = "VESTRAL.INI";

// The sound devices chosen in the menus.
inline constexpr char kCle_capture[] = "capture";
inline constexpr char kCle_restitution[] = "restitution";
inline constexpr char kCle_ecoute[] = "ecoute";

class ReglagesProgramme {
 public:
  explicit ReglagesProgramme(FichiersTexte& fichiers,
                             std::string nom = kFichier_reglages_programme);

  // Reads the file; a missing file is an empty set of settings (no report).
  void Lire();
  // "" when the key is absent.
  std::string Valeur(const std::string& cle) const;
  // Sets one key (an empty value removes it) and rewrites the file at once;
  // true when written (a failure was reported by the text file layer).
  // The file is read again first, so that what another part of the program
  // wrote there meanwhile stays.
  [[nodiscard]] bool Changer(const std::string& cle, const std::string& valeur);
  // Several keys at once, one write.
  [[nodiscard]] bool Changer(const std::vector<std::pair<std::string, std::string>>& valeurs);

  // The file's text for these settings.
  std::string Texte() const;
  // Reads a file's text; lines without "=" are dropped, later keys win.
  void Analyser(const std::string& texte);

 private:
  FichiersTexte& fichiers_;
  std::string nom_;
  std::vector<std::pair<std::string, std::string>> valeurs_;
};

}  // namespace vestral
