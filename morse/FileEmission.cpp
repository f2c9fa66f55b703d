#include "morse/FileEmission.h"

#include "morse/TableMorse.h"

namespace vestral {

uint8_t FileEmission::Ajouter_touche(uint8_t touche) {
  const ToucheConvertie convertie = Convertir_touche(touche);
  uint8_t reponse = 0;
  if (convertie.acceptee && texte_.size() < kLimite_texte_a_emettre) {
    texte_ += static_cast<char>(convertie.caractere);
    reponse = convertie.caractere;
  }
  if (reponse == kRetour_chariot) {
    if (texte_.size() < kLimite_texte_a_emettre) {
      texte_ += static_cast<char>(kSaut_de_ligne);
      reponse = kSaut_de_ligne;
    } else {
      reponse = 0;
    }
  }
  Noter_longueur();
  return reponse;
}

uint8_t FileEmission::Prendre_caractere() {
  if (texte_.empty()) return kFile_vide;
  const auto c = static_cast<uint8_t>(texte_.front());
  texte_.erase(0, 1);
  return c;
}

bool FileEmission::Retour_arriere() {
  // The noted length is the queue's own length except between a take and
  // the pump's note that follows it; never erase past the real end.
  if (longueur_ == 0 || longueur_ > texte_.size()) return false;
  texte_.erase(longueur_ - 1, 1);
  --longueur_;
  return true;
}

void FileEmission::Vider() {
  texte_.clear();
  longueur_ = 0;
}

void FileEmission::Noter_longueur() {
  longueur_ = static_cast<uint16_t>(texte_.size());
}

std::optional<std::string> Limiter_editeur(std::string_view texte) {
  if (texte.size() != kLongueur_editeur_pleine) return std::nullopt;
  return std::string(texte.substr(kLongueur_editeur_pleine - kLongueur_editeur_gardee));
}

}  // namespace vestral
