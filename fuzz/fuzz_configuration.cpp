// The settings file loader on any CONFCWER.SER: whatever the file holds,
// the record in memory ends valid, every field has its caption, and the file
// left behind loads again without a message.
#include <cstdint>
#include <cstdlib>

#include "fuzz/DossierFuzz.h"
#include "shell/Configuration.h"

using namespace vestral;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* donnees, std::size_t taille) {
  static fuzz::DossierFuzz dossier;
  dossier.Ecrire(kFichier_configuration, donnees, taille);
  RapportMemoire rapport;
  FichiersTexte fichiers(rapport, dossier.chemin);
  fuzz::MixerFactice mixer;
  Configuration configuration(fichiers, rapport, mixer);
  configuration.Lire_configuration();
  if (!Configuration_valide(configuration.Enregistrement())) std::abort();

  RapportMemoire rapport2;
  FichiersTexte fichiers2(rapport2, dossier.chemin);
  Configuration relue(fichiers2, rapport2, mixer);
  relue.Lire_configuration();
  if (!rapport2.Erreurs().empty()) std::abort();
  if (relue.Enregistrement() != configuration.Enregistrement()) std::abort();
  return 0;
}
