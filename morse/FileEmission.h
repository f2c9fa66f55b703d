// The transmit text queue: characters typed in the editor or taken from a
// stored sequence, waiting to be turned into Morse. The front character is
// the next to send. Only bytes accepted by Convertir_touche enter it, line
// breaks as CR LF.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vestral {

constexpr int kLimite_texte_a_emettre = 10010;
// Answer of Prendre_caractere for an empty queue (never a queued byte).
constexpr uint8_t kFile_vide = 255;

constexpr uint8_t kTouche_retour_arriere = 8;
constexpr uint8_t kRetour_chariot = 13;
constexpr uint8_t kSaut_de_ligne = 10;

class FileEmission {
 public:
  // Filters a typed key and queues it. Answers the byte the editor shows
  // (a capital for a small letter, 10 for Enter) or 0 when nothing is shown:
  // a refused key, or a full queue. Enter queues CR then LF, each under the
  // limit.
  uint8_t Ajouter_touche(uint8_t touche);

  // Removes and returns the front byte, or kFile_vide.
  uint8_t Prendre_caractere();

  // Backspace: removes the last queued (not yet sent) character and answers
  // true, the key then going on to the editor; answers false when nothing
  // is left to erase (characters already sent stay).
  [[nodiscard]] bool Retour_arriere();

  void Vider();
  // The pump notes the length after taking a character.
  void Noter_longueur();

  const std::string& Texte_a_emettre() const { return texte_; }
  uint16_t Longueur_texte_a_emettre() const { return longueur_; }
  bool Est_vide() const { return texte_.empty(); }

 private:
  std::string texte_;
  uint16_t longueur_ = 0;
};

// The editor is trimmed when it reaches kLongueur_editeur_pleine characters:
// only its last kLongueur_editeur_gardee characters are kept. Answers the
// text to put back into the editor, or nothing when it stays as it is.
constexpr std::size_t kLongueur_editeur_pleine = 20000;
constexpr std::size_t kLongueur_editeur_gardee = 4999;
[[nodiscard]] std::optional<std::string> Limiter_editeur(std::string_view texte);

}  // namespace vestral
