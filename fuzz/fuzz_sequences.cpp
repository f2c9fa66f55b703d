// The stored sequence files F1.SER..F4.SER of any length and content: a
// file up to 5000 bytes is loaded as it is (cut at a zero byte), a longer
// one is reported and emptied, and the file is never left longer than that.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz/DossierFuzz.h"
#include "shell/Configuration.h"

using namespace vestral;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* donnees, std::size_t taille) {
  static fuzz::DossierFuzz dossier;
  const int numero = taille > 0 ? 1 + donnees[0] % 4 : 1;
  const std::string nom = "F" + std::to_string(numero) + ".SER";
  dossier.Ecrire(nom, donnees, taille);
  RapportMemoire rapport;
  FichiersTexte fichiers(rapport, dossier.chemin);
  fuzz::MixerFactice mixer;
  Configuration configuration(fichiers, rapport, mixer);
  configuration.Verifier_fichier_sequence(nom);
  const std::string& sequence = configuration.Sequence(numero);
  if (taille <= kTaille_maximale_sequence) {
    const std::size_t attendu = ::strnlen(reinterpret_cast<const char*>(donnees), taille);
    if (sequence != std::string(reinterpret_cast<const char*>(donnees), attendu)) std::abort();
    if (!rapport.Erreurs().empty()) std::abort();
  } else {
    if (!sequence.empty() || rapport.Erreurs().size() != 1) std::abort();
    if (std::filesystem::file_size(dossier.chemin / nom) != 0) std::abort();
  }
  return 0;
}
