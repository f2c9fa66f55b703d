// Texts are CP1252 (Windows Western) bytes everywhere in the core and in
// every file; these two conversions are used only at the edges (terminal,
// toolkit).
#pragma once

#include <string>
#include <string_view>

namespace vestral {

[[nodiscard]] std::string Cp1252_vers_utf8(std::string_view texte);

// Characters that CP1252 cannot hold, and malformed UTF-8 sequences, become
// '?'; *pertes (when given) counts them.
[[nodiscard]] std::string Utf8_vers_cp1252(std::string_view texte, int* pertes = nullptr);

// Literal CP1252 text written in UTF-8 source: "Arrêt"_cp.
inline std::string operator""_cp(const char* texte, std::size_t longueur) {
  return Utf8_vers_cp1252(std::string_view(texte, longueur));
}

}  // namespace vestral
