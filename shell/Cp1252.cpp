#include "shell/Cp1252.h"

#include <array>
#include <cstdint>

namespace vestral {
namespace {

// Code points of bytes 0x80..0x9F; 0 where CP1252 leaves the byte undefined
// (those bytes pass through as the C1 control of the same value).
constexpr std::array<char32_t, 32> kPlage80 = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char32_t Point_de_code(uint8_t octet) {
  if (octet >= 0x80 && octet < 0xA0 && kPlage80[octet - 0x80] != 0) return kPlage80[octet - 0x80];
  return octet;
}

void Ajouter_utf8(std::string& sortie, char32_t c) {
  if (c < 0x80) {
    sortie += static_cast<char>(c);
  } else if (c < 0x800) {
    sortie += static_cast<char>(0xC0 | (c >> 6));
    sortie += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    sortie += static_cast<char>(0xE0 | (c >> 12));
    sortie += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    sortie += static_cast<char>(0x80 | (c & 0x3F));
  }
}

int Octet_cp1252(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
  for (int i = 0; i < 32; ++i)
    if (kPlage80[i] == c) return 0x80 + i;
  if (c >= 0x80 && c < 0xA0 && kPlage80[c - 0x80] == 0) return static_cast<int>(c);
  return -1;
}

}  // namespace

std::string Cp1252_vers_utf8(std::string_view texte) {
  std::string sortie;
  sortie.reserve(texte.size() + texte.size() / 4);
  for (char octet : texte) Ajouter_utf8(sortie, Point_de_code(static_cast<uint8_t>(octet)));
  return sortie;
}

std::string Utf8_vers_cp1252(std::string_view texte, int* pertes) {
  std::string sortie;
  sortie.reserve(texte.size());
  int perdus = 0;
  std::size_t i = 0;
  while (i < texte.size()) {
    const auto o = static_cast<uint8_t>(texte[i]);
    int longueur = o < 0x80 ? 1 : (o >> 5) == 6 ? 2 : (o >> 4) == 14 ? 3 : (o >> 3) == 30 ? 4 : 0;
    char32_t c = longueur == 1   ? o
                 : longueur == 2 ? (o & 0x1F)
                 : longueur == 3 ? (o & 0x0F)
                                 : (o & 0x07);
    bool valide = longueur != 0 && i + longueur <= texte.size();
    for (int k = 1; valide && k < longueur; ++k) {
      const auto suite = static_cast<uint8_t>(texte[i + k]);
      if ((suite & 0xC0) != 0x80) valide = false;
      c = (c << 6) | (suite & 0x3F);
    }
    if (!valide) {
      sortie += '?';
      ++perdus;
      ++i;
      continue;
    }
    const int octet = Octet_cp1252(c);
    if (octet < 0) {
      sortie += '?';
      ++perdus;
    } else {
      sortie += static_cast<char>(octet);
    }
    i += longueur;
  }
  if (pertes) *pertes = perdus;
  return sortie;
}

}  // namespace vestral
