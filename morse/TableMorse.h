// The 63 characters the system sends and recognises, with their Morse
// patterns ('.' a dot, '_' a dash). Characters are CP1252 bytes.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace vestral {

struct CaractereMorse {
  uint8_t caractere;
  std::string_view motif;
  std::string_view nom;  // name shown by the correspondence window (CP1252), or empty
};

extern const std::array<CaractereMorse, 63> Table_morse;

// Pattern of a table character; empty for any other byte (no case folding).
[[nodiscard]] std::string_view Motif_morse(uint8_t caractere);

// The character filter shared by the keyboard and the stored sequences.
struct ToucheConvertie {
  bool acceptee;
  uint8_t caractere;  // 0 when refused
};
[[nodiscard]] ToucheConvertie Convertir_touche(uint8_t touche);

// The decoder's tree, a node being the pattern received so far.
constexpr int kAucunCaractere = -1;
// Character of a node (table character, '*' for 7 and 9 dots), or kAucunCaractere.
[[nodiscard]] int Caractere_du_noeud(std::string_view motif);
// Whether the walk may go on from this node (depth at most 9).
[[nodiscard]] bool Noeud_a_des_enfants(std::string_view motif);

}  // namespace vestral
