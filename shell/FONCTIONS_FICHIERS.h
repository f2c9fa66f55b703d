// Whole-file access to the small text files of the working directory
// (settings, stored sequences, QSO log). Every failure is shown through the
// reporting interface by this layer itself and returned as an error flag
// (true = failure). Texts are CP1252 bytes and stop at their first zero byte.
//
// A write never leaves a half-written file: it goes through the one atomic
// writer (shell/EcritureAtomique.h). A failed write leaves the previous file
// as it was.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "shell/EcritureAtomique.h"
#include "shell/Rapport.h"

namespace vestral {

constexpr int kLimite_lecture = 100010;

class FichiersTexte {
 public:
  FichiersTexte(Rapport& rapport, std::filesystem::path dossier = ".");
  ~FichiersTexte();
  FichiersTexte(const FichiersTexte&) = delete;
  FichiersTexte& operator=(const FichiersTexte&) = delete;

  const std::filesystem::path& Dossier() const { return dossier_; }

  [[nodiscard]] bool Fichier_existe(const std::string& nom) const;

  // Reads at most kLimite_lecture bytes; `texte` is cut at the first zero
  // byte, `lus` counts every byte read. On an open failure `texte` is left
  // as it was; on a read failure it is emptied.
  [[nodiscard]] bool Lecture_fichier_texte(const std::string& nom, std::string& texte, int& lus);

  [[nodiscard]] bool Ecriture_fichier_texte(const std::string& nom, const std::string& texte);

  // The three-step write of the QSO log: open, write the whole text, close.
  [[nodiscard]] bool Ouverture_fichier_ecriture(const std::string& nom);
  [[nodiscard]] bool Ecriture_tampon_fichier(const std::string& texte, bool& stockage_plein);
  void Fermeture_fichier_ecriture();

 private:
  bool Ouvrir(const std::string& nom);
  bool Ecrire(const std::string& texte);
  bool Fermer(bool garder);

  Rapport& rapport_;
  std::filesystem::path dossier_;
  std::optional<EcritureAtomique> ecriture_;
  bool ecriture_echouee_ = false;
};

}  // namespace vestral
