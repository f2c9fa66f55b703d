// Every file the programs write goes through here. The new contents go to a
// temporary file beside the target, are flushed to disk, and only then
// replace the target by a rename (the folder is flushed too, so the rename
// itself lasts). A write that fails at any step leaves the previous file as
// it was and no temporary file behind.
//
// One permission rule: a file that is replaced keeps its permission bits; a
// new file gets 0666 less the umask, as a plain create would. A target that
// could not be opened for writing in place (a folder, a read-only file) is
// refused before anything is written.
//
// Results are 0 or an errno value.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <filesystem>
#include <string_view>

#include "shell/Descripteur.h"

namespace vestral {

class EcritureAtomique {
 public:
  // Creates the temporary file; Erreur_ouverture() tells whether it worked.
  explicit EcritureAtomique(std::filesystem::path cible);
  // Removes the temporary file unless Remplacer succeeded.
  ~EcritureAtomique();
  EcritureAtomique(const EcritureAtomique&) = delete;
  EcritureAtomique& operator=(const EcritureAtomique&) = delete;

  [[nodiscard]] int Erreur_ouverture() const { return erreur_ouverture_; }
  const std::filesystem::path& Cible() const { return cible_; }

  // Writes all the bytes (ENOSPC when the disk takes none).
  [[nodiscard]] int Ecrire(std::string_view octets);
  [[nodiscard]] int Ecrire(const void* octets, std::size_t taille);
  // Flushes what was written to the disk.
  [[nodiscard]] int Synchroniser();
  // Flushes, closes and renames the temporary file onto the target.
  [[nodiscard]] int Remplacer();
  // Closes and removes the temporary file; answers the close's result.
  int Abandonner();

 private:
  std::filesystem::path cible_;
  std::filesystem::path temporaire_;
  Descripteur fichier_;
  int erreur_ouverture_ = 0;
  bool synchronise_ = false;
};

// The whole file in one call: 0, or the errno of the first step that failed.
[[nodiscard]] int Ecrire_fichier_atomique(const std::filesystem::path& cible,
                                          std::string_view octets);

// Writes all the bytes to an open descriptor (a pipe, standard output).
[[nodiscard]] int Ecrire_tout(int descripteur, const void* octets, std::size_t taille);

}  // namespace vestral
