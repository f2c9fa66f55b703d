#include <gtest/gtest.h>

#include <set>
#include <string>

#include "morse/TableMorse.h"

namespace vestral {
namespace {

TEST(TableMorse, SoixanteTroisCaracteresDistincts) {
  std::set<uint8_t> caracteres;
  std::set<std::string_view> motifs;
  int par_longueur[10] = {};
  for (const auto& c : Table_morse) {
    caracteres.insert(c.caractere);
    motifs.insert(c.motif);
    ++par_longueur[c.motif.size()];
    EXPECT_EQ(Motif_morse(c.caractere), c.motif) << c.caractere;
  }
  EXPECT_EQ(caracteres.size(), 63u);
  EXPECT_EQ(motifs.size(), 63u);
  const int attendu[10] = {0, 2, 4, 8, 16, 21, 11, 0, 1, 0};
  for (int n = 0; n < 10; ++n) EXPECT_EQ(par_longueur[n], attendu[n]) << "longueur " << n;
}

TEST(TableMorse, MotifsParticuliers) {
  struct Cas {
    uint8_t caractere;
    std::string_view motif;
  } cas[] = {{'a', ""},     {'A', "._"},    {'*', "........"}, {209, "__.__"},
             {165, ""},     {' ', ""},      {13, ""},          {10, ""},
             {231, "____"}, {233, ".._.."}, {'_', "..__._"},   {'$', "..._._"}};
  for (const auto& c : cas) EXPECT_EQ(Motif_morse(c.caractere), c.motif) << int(c.caractere);
}

TEST(TableMorse, ConvertirTouche) {
  struct Cas {
    uint8_t touche;
    bool acceptee;
    uint8_t converti;
  } cas[] = {{'a', true, 'A'}, {'z', true, 'Z'}, {'Q', true, 'Q'}, {'7', true, '7'},
             {13, true, 13},   {' ', true, ' '}, {10, false, 0},   {8, false, 0},
             {'#', false, 0},  {'@', false, 0},  {'<', false, 0},  {'~', false, 0},
             {232, false, 0},  {235, false, 0},  {233, true, 233}, {228, false, 0},
             {196, true, 196}, {165, false, 0},  {'?', true, '?'}, {0, false, 0}};
  for (const auto& c : cas) {
    const auto r = Convertir_touche(c.touche);
    EXPECT_EQ(r.acceptee, c.acceptee) << int(c.touche);
    EXPECT_EQ(r.caractere, c.converti) << int(c.touche);
  }
  int acceptees = 0;
  for (int b = 0; b < 256; ++b) acceptees += Convertir_touche(static_cast<uint8_t>(b)).acceptee;
  EXPECT_EQ(acceptees, 63 + 26 + 2);
}

TEST(TableMorse, ArbreDuDecodeur) {
  // Depth 5: the eleven nodes without a character, and the eleven that go on.
  const std::set<std::string> sans_caractere = {".._._", "..__.", "._.__", ".__..",
                                                ".___.", "_..__", "_._..", "_.___",
                                                "__.._", "__._.", "___._"};
  const std::set<std::string> avec_enfants = {".....", "..._.", "..__.", "._.._", "._._.", ".____",
                                              "_....", "_._._", "_.__.", "__.._", "___.."};
  for (int n = 0; n < 32; ++n) {
    std::string motif;
    for (int b = 4; b >= 0; --b) motif += (n >> b) & 1 ? '_' : '.';
    EXPECT_EQ(Caractere_du_noeud(motif) == kAucunCaractere, sans_caractere.count(motif) == 1)
        << motif;
    EXPECT_EQ(Noeud_a_des_enfants(motif), avec_enfants.count(motif) == 1) << motif;
  }
  for (int n = 0; n <= 4; ++n) EXPECT_TRUE(Noeud_a_des_enfants(std::string(n, '.')));
  EXPECT_EQ(Caractere_du_noeud("......"), kAucunCaractere);
  for (int n : {7, 8, 9}) EXPECT_EQ(Caractere_du_noeud(std::string(n, '.')), '*') << n;
  EXPECT_TRUE(Noeud_a_des_enfants("........"));
  EXPECT_FALSE(Noeud_a_des_enfants("........."));
  EXPECT_FALSE(Noeud_a_des_enfants("._.._."));
  EXPECT_EQ(Caractere_du_noeud("..__.."), '?');
}

}  // namespace
}  // namespace vestral
