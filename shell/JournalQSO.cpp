#include "shell/JournalQSO.h"

namespace vestral {

void JournalQSO::Ajouter(uint8_t octet) {
  if (longueur_ < kTaille_texte_QSO) ++longueur_;
  texte_[longueur_ - 1] = static_cast<char>(octet);
}

void JournalQSO::Ajout_QSO(uint8_t octet) {
  std::lock_guard lock(verrou_);
  Ajouter(octet);
}

void JournalQSO::Ajout_marqueur(uint8_t marque) {
  const std::string note = note_ ? note_() : std::string();
  std::lock_guard lock(verrou_);
  for (uint8_t octet : {uint8_t{13}, uint8_t{10}, uint8_t{13}, uint8_t{10}, marque, uint8_t{32}})
    Ajouter(octet);
  for (const char c : note) Ajouter(static_cast<uint8_t>(c));
  Ajouter(13);
  Ajouter(10);
}

int JournalQSO::Longueur_QSO() const {
  std::lock_guard lock(verrou_);
  return longueur_;
}

std::string JournalQSO::Texte() const {
  std::lock_guard lock(verrou_);
  return std::string(texte_.data(), static_cast<std::size_t>(longueur_));
}

void JournalQSO::Ecriture_QSO(FichiersTexte& fichiers, Rapport& rapport) const {
  const std::string texte = Texte();
  if (fichiers.Ouverture_fichier_ecriture(kFichier_QSO)) return;
  bool stockage_plein = false;
  // The file is open: only the storage-full flag can tell a failure.
  static_cast<void>(fichiers.Ecriture_tampon_fichier(texte, stockage_plein));
  fichiers.Fermeture_fichier_ecriture();
  if (stockage_plein)
    rapport.Erreur(
        "Plus de place pour \xE9"
        "crire le fichier de QSO.");
}

}  // namespace vestral
