// Morse sent by the synthesis and decoded by the reception chain gives the
// text back.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "morse/ChaineReception.h"
#include "morse/Synthese.h"
#include "morse/TableMorse.h"
#include "shell/Cp1252.h"
#include "shell/FormatSon.h"

namespace vestral {
namespace {

// Decodes a signal sent between 1 s of silence before and 2 s after.
std::string Decoder(const std::vector<uint8_t>& signal, const ParametresReception& p) {
  std::vector<uint8_t> tout(
      kFrequence_echantillonnage_entree + signal.size() + 2 * kFrequence_echantillonnage_entree,
      kEchantillon_silence);
  std::copy(signal.begin(), signal.end(), tout.begin() + kFrequence_echantillonnage_entree);
  std::string texte;
  for (const auto& c : Decoder_echantillons(tout, p)) texte += static_cast<char>(c.caractere);
  while (!texte.empty() && texte.back() == ' ') texte.pop_back();
  return texte;
}

// Manual speed and the manual threshold "25" (400): each character alone.
TEST(AllerRetour, ChaqueCaractereAChaqueVitesse) {
  for (int vitesse : {10, 13, 16, 20, 26, 33, 43, 54}) {
    ParametresReception p;
    p.vitesse = vitesse;
    p.seuil = 400;
    for (const auto& c : Table_morse) {
      const std::string caractere(1, static_cast<char>(c.caractere));
      EXPECT_EQ(Decoder(Echantillons_du_texte(caractere, vitesse, p.frequence), p), caractere)
          << vitesse << " mots/min, '" << Cp1252_vers_utf8(caractere) << "' (" << c.motif << ")";
    }
  }
}

// Automatic speed and threshold. The estimate starts at 20 words per minute:
// at 20 the sentence comes out whole; at other speeds it settles during a
// preamble, after which the sentence comes out whole.
TEST(AllerRetour, PhraseEnVitesseAutomatique) {
  const std::string phrase = "CQ CQ DE F4ABC F4ABC PSE K";
  const ParametresReception automatique;
  EXPECT_EQ(Decoder(Echantillons_du_texte(phrase, 20, 800), automatique), phrase);
  for (int vitesse : {10, 13, 16, 26, 33, 43}) {
    const std::string texte =
        Decoder(Echantillons_du_texte("VVV VVV " + phrase, vitesse, 800), automatique);
    EXPECT_TRUE(texte.ends_with(" " + phrase)) << vitesse << " mots/min: \"" << texte << '"';
  }
}

}  // namespace
}  // namespace vestral
