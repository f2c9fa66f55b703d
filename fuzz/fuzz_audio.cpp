// The audio file input of vestral-decode on any file: an error text or
// samples, never both, and at most what the file's length allows.
#include <cstdint>
#include <cstdlib>

#include "fuzz/DossierFuzz.h"
#include "sound/FichierAudio.h"

using namespace vestral;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* donnees, std::size_t taille) {
  static fuzz::DossierFuzz dossier;
  dossier.Ecrire("entree.wav", donnees, taille);
  const auto lecture = Lire_fichier_audio((dossier.chemin / "entree.wav").string());
  if (!lecture.erreur.empty() && !lecture.echantillons.empty()) std::abort();
  return 0;
}
