#include "morse/TableMorse.h"

#include <algorithm>

namespace vestral {

// Ordered by pattern length, as the correspondence window lists them.
const std::array<CaractereMorse, 63> Table_morse = {{
    {'E', ".", ""},
    {'T', "_", ""},
    {'I', "..", ""},
    {'A', "._", ""},
    {'N', "_.", ""},
    {'M', "__", ""},
    {'S', "...", ""},
    {'U', ".._", ""},
    {'R', "._.", ""},
    {'W', ".__", ""},
    {'D', "_..", ""},
    {'K', "_._", ""},
    {'G', "__.", ""},
    {'O', "___", ""},
    {'H', "....", ""},
    {'V', "..._", ""},
    {'F', ".._.", ""},
    {0xDC, "..__", ""},
    {'L', "._..", ""},
    {0xC4, "._._", ""},
    {'P', ".__.", ""},
    {'J', ".___", ""},
    {'B', "_...", ""},
    {'X', "_.._", ""},
    {'C', "_._.", ""},
    {'Y', "_.__", ""},
    {'Z', "__..", ""},
    {'Q', "__._", ""},
    {0xD6, "___.", ""},
    {0xE7, "____", "CH"},
    {'5', ".....", ""},
    {'4', "...._", ""},
    {'&', "..._.", "Compris"},
    {'3', "...__", ""},
    {0xE9, ".._..", "\xE9=\xE8=\xEB"},
    {'2', "..___", ""},
    {0xA3, "._...", "Attente"},
    {'%', "._.._", "S\xE9parateur"},
    {'+', "._._.", ""},
    {0xE0, ".__._", ""},
    {'1', ".____", ""},
    {'6', "_....", ""},
    {'=', "_..._", ""},
    {'/', "_.._.", ""},
    {'!', "_._._",
     "D\xE9"
     "but"},
    {'(', "_.__.", ""},
    {'7', "__...", ""},
    {0xD1, "__.__", ""},
    {'8', "___..", ""},
    {'9', "____.", ""},
    {'0', "_____", ""},
    {'$', "..._._", "Fin (VA)"},
    {'?', "..__..", ""},
    {'_', "..__._", "Soulign\xE9"},
    {'"', "._.._.", ""},
    {'.', "._._._", ""},
    {'\'', ".____.", ""},
    {'-', "_...._", ""},
    {';', "_._._.", ""},
    {')', "_.__._", ""},
    {',', "__..__", ""},
    {':', "___...", ""},
    {'*', "........", "Erreur"},
}};

namespace {

struct IndexMorse {
  std::array<std::string_view, 256> motifs{};
  IndexMorse() {
    for (const auto& c : Table_morse) motifs[c.caractere] = c.motif;
  }
};

const IndexMorse& Index() {
  static const IndexMorse index;
  return index;
}

bool Que_des_points(std::string_view motif) {
  return std::all_of(motif.begin(), motif.end(), [](char e) { return e == '.'; });
}

}  // namespace

std::string_view Motif_morse(uint8_t caractere) {
  return Index().motifs[caractere];
}

ToucheConvertie Convertir_touche(uint8_t touche) {
  if (touche >= 'a' && touche <= 'z') return {true, static_cast<uint8_t>(touche - 32)};
  if (!Motif_morse(touche).empty() || touche == ' ' || touche == 13) return {true, touche};
  return {false, 0};
}

int Caractere_du_noeud(std::string_view motif) {
  if (motif.empty()) return kAucunCaractere;
  for (const auto& c : Table_morse)
    if (c.motif == motif) return c.caractere;
  if ((motif.size() == 7 || motif.size() == 9) && Que_des_points(motif)) return '*';
  return kAucunCaractere;
}

bool Noeud_a_des_enfants(std::string_view motif) {
  if (motif.size() <= 4) return true;
  if (motif.size() == 5) {
    return std::any_of(Table_morse.begin(), Table_morse.end(), [&](const CaractereMorse& c) {
      return c.motif.size() > 5 && c.motif.substr(0, 5) == motif;
    });
  }
  return motif.size() <= 8 && Que_des_points(motif);
}

}  // namespace vestral
