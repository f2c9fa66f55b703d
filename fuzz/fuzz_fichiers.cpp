// The text file layer: any bytes written come back, read, up to the first
// zero byte and the read limit; a read never reports more than it holds.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz/DossierFuzz.h"
#include "shell/FONCTIONS_FICHIERS.h"

using namespace vestral;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* donnees, std::size_t taille) {
  static fuzz::DossierFuzz dossier;
  const std::string brut(reinterpret_cast<const char*>(donnees), taille);
  RapportMemoire rapport;
  FichiersTexte fichiers(rapport, dossier.chemin);

  // A file as found on disk.
  dossier.Ecrire("LU.TXT", donnees, taille);
  std::string texte = "avant";
  int lus = 0;
  if (fichiers.Lecture_fichier_texte("LU.TXT", texte, lus)) std::abort();
  const std::size_t limite = std::min<std::size_t>(taille, kLimite_lecture);
  if (lus != static_cast<int>(limite)) std::abort();
  if (texte != brut.substr(0, ::strnlen(brut.c_str(), limite))) std::abort();

  // The same bytes written by the layer, whole and in the three steps.
  if (fichiers.Ecriture_fichier_texte("ECRIT.TXT", brut)) std::abort();
  std::string relu;
  if (fichiers.Lecture_fichier_texte("ECRIT.TXT", relu, lus)) std::abort();
  const std::string attendu = brut.substr(0, ::strnlen(brut.c_str(), brut.size()));
  if (relu != attendu.substr(0, kLimite_lecture)) std::abort();
  bool plein = false;
  if (fichiers.Ouverture_fichier_ecriture("JOURNAL.TXT")) std::abort();
  if (fichiers.Ecriture_tampon_fichier(brut, plein) || plein) std::abort();
  fichiers.Fermeture_fichier_ecriture();
  if (std::filesystem::file_size(dossier.chemin / "JOURNAL.TXT") != attendu.size()) std::abort();
  if (!rapport.Evenements().empty()) std::abort();
  return 0;
}
