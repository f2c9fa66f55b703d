#include "station/Indicatifs.h"

#include <cctype>
#include <vector>

namespace vestral {
namespace {

bool Lettre(char c) {
  return c >= 'A' && c <= 'Z';
}
bool Chiffre(char c) {
  return c >= '0' && c <= '9';
}

std::string Majuscules(std::string_view mot) {
  std::string m(mot);
  for (char& c : m) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return m;
}

// The call itself, without a prefix or suffix: 1 to 3 characters of prefix
// (at least one letter, or a digit then a letter), the area digits, then 1
// to 4 letters.
bool Indicatif_de_base(const std::string& m) {
  // Split into: prefix, digits, suffix letters. The suffix is the trailing
  // letters; the digit run before them; the prefix before that.
  std::size_t fin = m.size();
  std::size_t debut_suffixe = fin;
  while (debut_suffixe > 0 && Lettre(m[debut_suffixe - 1])) --debut_suffixe;
  const std::size_t suffixe = fin - debut_suffixe;
  if (suffixe < 1 || suffixe > 4) return false;
  std::size_t debut_chiffres = debut_suffixe;
  while (debut_chiffres > 0 && Chiffre(m[debut_chiffres - 1])) --debut_chiffres;
  const std::size_t chiffres = debut_suffixe - debut_chiffres;
  if (chiffres < 1) return false;
  const std::string prefixe = m.substr(0, debut_chiffres);
  // A prefix made only of letters (F, DL, VK), or a digit and a letter (9A,
  // 4X) with the area digit after it; some prefixes end with a digit (the
  // run of digits then counts two).
  if (prefixe.empty()) {
    // "2E0ABC" style: digit, letter(s) is handled as prefix "2E" below; a
    // bare digit start without letters is not a call.
    return false;
  }
  if (prefixe.size() > 3) return false;
  bool lettre = false;
  for (const char c : prefixe) {
    if (!Lettre(c) && !Chiffre(c)) return false;
    lettre = lettre || Lettre(c);
  }
  return lettre && chiffres <= 2;
}

}  // namespace

bool Ressemble_indicatif(std::string_view mot) {
  if (mot.size() < 3 || mot.size() > 12) return false;
  const std::string m = Majuscules(mot);
  std::vector<std::string> parties;
  std::size_t debut = 0;
  for (std::size_t i = 0; i <= m.size(); ++i)
    if (i == m.size() || m[i] == '/') {
      parties.push_back(m.substr(debut, i - debut));
      debut = i + 1;
    }
  if (parties.size() > 3) return false;
  for (const auto& p : parties)
    if (p.empty()) return false;
  // The call is the longest part that has the shape; the others are a short
  // prefix or suffix (P, M, QRP, 5, F).
  bool trouve = false;
  for (const auto& p : parties) {
    if (Indicatif_de_base(p)) {
      trouve = true;
    } else {
      if (p.size() > 4) return false;
      for (const char c : p)
        if (!Lettre(c) && !Chiffre(c)) return false;
    }
  }
  return trouve;
}

std::string Dernier_indicatif(std::string_view texte) {
  std::string dernier;
  std::string mot;
  auto Fin_mot = [&] {
    if (Ressemble_indicatif(mot)) dernier = Majuscules(mot);
    mot.clear();
  };
  for (const char c : texte) {
    if (std::isalnum(static_cast<unsigned char>(c)) || c == '/')
      mot += c;
    else
      Fin_mot();
  }
  Fin_mot();
  return dernier;
}

}  // namespace vestral
