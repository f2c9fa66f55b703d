// The audio file input of vestral-decode on any file: an error text or
// samples, never both, at most what the file's length allows, and the same
// when read a piece at a time.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "fuzz/DossierFuzz.h"
#include "shell/FormatSon.h"
#include "sound/FichierAudio.h"

using namespace vestral;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* donnees, std::size_t taille) {
  static fuzz::DossierFuzz dossier;
  dossier.Ecrire("entree.wav", donnees, taille);
  const auto lecture = Lire_fichier_audio((dossier.chemin / "entree.wav").string());
  if (!lecture.erreur.empty() && !lecture.echantillons.empty()) std::abort();
  // Read a piece at a time, the same samples or the same error.
  LecteurAudio lecteur;
  if (lecteur.Ouvrir((dossier.chemin / "entree.wav").string()) != lecture.erreur) std::abort();
  std::vector<uint8_t> lus;
  uint8_t morceau[kTaille_bloc_reception];
  while (const std::size_t n = lecteur.Lire(morceau)) {
    lus.insert(lus.end(), morceau, morceau + n);
    if (lus.size() > lecture.echantillons.size()) std::abort();
  }
  if (lus != lecture.echantillons) std::abort();
  return 0;
}
