#include "station/Poste.h"

namespace vestral {

bool PosteSimule::Ouvrir(const ReglagesPoste&) {
  etat_->ouvertures++;
  etat_->ferme = false;
  return etat_->ouvrable.load();
}

std::optional<int64_t> PosteSimule::Lire_frequence() {
  if (!etat_->repond) return std::nullopt;
  etat_->lectures++;
  return etat_->frequence.load();
}

bool PosteSimule::Positionner_PTT(bool emission) {
  if (!etat_->repond) return false;
  etat_->ptt = emission;
  etat_->Noter(emission ? 'E' : 'R');
  return true;
}

void PosteSimule::Fermer() {
  etat_->ferme = true;
}

}  // namespace vestral
