#include "sound/AcquisitionBloc.h"

#include <memory>

namespace vestral {

AcquisitionBloc::~AcquisitionBloc() {
  if (en_cours_) Fin();
}

bool AcquisitionBloc::Debut(int taille) {
  if (en_cours_) Fin();
  wave_.Entree_stereo = 0;
  wave_.Entree_8_bits = 1;
  wave_.Taille_tampon = taille;
  wave_.Format_entree = std::make_unique<Format_son>();
  wave_.Allocation_tampon(wave_.Entree_1);
  if (!wave_.Entree_1.Utilisable() ||
      wave_.Ouverture_entree_son(wave_.Entree_8_bits, kFrequence_echantillonnage_entree,
                                 wave_.Entree_stereo) != 0) {
    wave_.Liberation_bloc_unique();
    return false;
  }
  if (wave_.Preparation_entete(wave_.Entree_1) != 0 ||
      wave_.Ajout_tampon_entree(wave_.Entree_1) != 0) {
    wave_.Suppression_entete(wave_.Entree_1);
    wave_.Fermeture_entree();
    wave_.Liberation_bloc_unique();
    return false;
  }
  wave_.Demarrage_entree();
  en_cours_ = true;
  return true;
}

bool AcquisitionBloc::Terminee() {
  return en_cours_ &&
         (wave_.Bloc_plein(wave_.Entree_1) || wave_.Peripherique_en_panne(Sens::Entree));
}

std::vector<uint8_t> AcquisitionBloc::Fin() {
  if (!en_cours_) return {};
  en_cours_ = false;
  const bool plein = wave_.Bloc_plein(wave_.Entree_1);
  wave_.Arret_entree();
  wave_.Suppression_entete(wave_.Entree_1);
  wave_.Fermeture_entree();
  std::vector<uint8_t> bloc;
  if (plein) bloc.assign(wave_.Entree_1.Donnees(), wave_.Entree_1.Donnees() + wave_.Taille_tampon);
  wave_.Liberation_bloc_unique();
  return bloc;
}

}  // namespace vestral
