#include <gtest/gtest.h>

#include <string>

#include "FenetreEmissionFactice.h"
#include "morse/FileEmission.h"
#include "shell/Cp1252.h"

namespace vestral {
namespace {

TEST(FileEmission, FiltreEtConversionDesTouches) {
  struct Cas {
    std::string touches;
    std::string editeur;  // what the editor shows
    std::string file;     // what is queued
  } cas[] = {
      {"cq de f", "CQ DE F", "CQ DE F"},
      {"#", "", ""},
      {"\xE8", "", ""},                      // è
      {"\xE9\xE7", "\xE9\xE7", "\xE9\xE7"},  // é ç
      {"a\rb", "A\nB", "A\r\nB"},            // Enter: a line break in the editor
      {"a\nb", "AB", "AB"},                  // a lone line feed is refused
      {"\x1F", "", ""},                      // the echo code outside a sequence
  };
  for (const auto& c : cas) {
    FenetreEmissionFactice f;
    f.Taper(c.touches);
    EXPECT_EQ(f.editeur, c.editeur) << c.touches;
    EXPECT_EQ(f.emetteur.File().Texte_a_emettre(), c.file) << c.touches;
    EXPECT_EQ(f.emetteur.File().Longueur_texte_a_emettre(), c.file.size()) << c.touches;
  }
}

TEST(FileEmission, LimiteDe10010Caracteres) {
  FileEmission file;
  for (int i = 0; i < kLimite_texte_a_emettre - 1; ++i) ASSERT_EQ(file.Ajouter_touche('e'), 'E');
  // Enter with one place left: the CR goes in, the LF does not, nothing shown.
  EXPECT_EQ(file.Ajouter_touche('\r'), 0);
  EXPECT_EQ(file.Texte_a_emettre().size(), 10010u);
  EXPECT_EQ(file.Texte_a_emettre().back(), '\r');
  EXPECT_EQ(file.Ajouter_touche('A'), 0);
  EXPECT_EQ(file.Longueur_texte_a_emettre(), 10010);

  EXPECT_EQ(file.Prendre_caractere(), 'E');
  EXPECT_EQ(file.Ajouter_touche('b'), 'B');
  EXPECT_EQ(file.Texte_a_emettre().size(), 10010u);
}

TEST(FileEmission, PrendreCaractere) {
  FileEmission file;
  EXPECT_EQ(file.Prendre_caractere(), kFile_vide);
  file.Ajouter_touche('o');
  file.Ajouter_touche('k');
  EXPECT_EQ(file.Prendre_caractere(), 'O');
  EXPECT_EQ(file.Prendre_caractere(), 'K');
  EXPECT_EQ(file.Prendre_caractere(), kFile_vide);
}

TEST(FileEmission, RetourArriereAvantEtApresEnvoi) {
  FenetreEmissionFactice f;
  f.emetteur.Demarrage_transmission(62, 800);
  f.Taper("ab\b");
  EXPECT_EQ(f.editeur, "A");
  EXPECT_EQ(f.emetteur.File().Texte_a_emettre(), "A");

  // Once A has been taken by the pump, nothing can be erased.
  f.emetteur.Completer_echantillons();
  f.Taper("\b");
  EXPECT_EQ(f.editeur, "A");
  f.Taper("c\b\b");
  EXPECT_EQ(f.editeur, "A");
  EXPECT_EQ(f.emetteur.File().Longueur_texte_a_emettre(), 0);

  // A line break typed ahead is erased one byte at a time.
  f.Taper("\r");
  EXPECT_TRUE(f.emetteur.File().Retour_arriere());
  EXPECT_EQ(f.emetteur.File().Texte_a_emettre(), "\r");
}

TEST(FileEmission, LimiterEditeur) {
  std::string texte;
  for (int i = 0; i < 20000; ++i) texte += static_cast<char>('A' + i % 26);
  const auto garde = Limiter_editeur(texte);
  ASSERT_TRUE(garde.has_value());
  EXPECT_EQ(*garde, texte.substr(15001));
  EXPECT_EQ(garde->size(), 4999u);
  EXPECT_FALSE(Limiter_editeur(texte.substr(1)).has_value());
  EXPECT_FALSE(Limiter_editeur(texte + "A").has_value());
}

TEST(FileEmission, EditeurPleinRaccourciApresUnCaractereEnvoye) {
  FenetreEmissionFactice f;
  f.emetteur.Demarrage_transmission(62, 800);
  f.editeur.assign(19999, 'E');
  f.Taper("t");  // the 20000th character
  f.emetteur.Completer_echantillons();
  EXPECT_EQ(f.editeur.size(), 4999u);
  EXPECT_EQ(f.editeur.back(), 'T');
}

}  // namespace
}  // namespace vestral
