#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "shell/FormatSon.h"
#include "sound/NiveauEntree.h"

namespace vestral {
namespace {

std::vector<uint8_t> Bloc(auto echantillon) {
  std::vector<uint8_t> bloc(kTaille_bloc_niveau);
  for (int i = 0; i < kTaille_bloc_niveau; ++i) bloc[i] = static_cast<uint8_t>(echantillon(i));
  return bloc;
}

TEST(NiveauEntree, Niveaux) {
  const double pi = std::acos(-1.0);
  struct Cas {
    const char* nom;
    std::vector<uint8_t> bloc;
    const char* texte;
  } cas[] = {
      {"silence", Bloc([](int) { return 128; }), "0 %"},
      {"constante", Bloc([](int) { return 37; }), "0 %"},
      {"carre pleine echelle", Bloc([](int i) { return i % 2 ? 255 : 0; }), "141 %"},
      {"sinus pleine echelle", Bloc([&](int i) {
         return std::lround(127.5 +
                            127.5 * std::sin(2 * pi * 700 * i / kFrequence_echantillonnage_entree));
       }),
       "100 %"},
      {"sinus mi-echelle", Bloc([&](int i) {
         return std::lround(128 +
                            64 * std::sin(2 * pi * 700 * i / kFrequence_echantillonnage_entree));
       }),
       "50 %"},
  };
  for (const auto& c : cas) EXPECT_EQ(Texte_niveau(Niveau_bloc(c.bloc)), c.texte) << c.nom;
}

TEST(NiveauEntree, BordsDuBlocIgnores) {
  // The first and last ten bytes are not measured.
  auto bloc = Bloc([](int) { return 128; });
  for (int i = 0; i < 10; ++i) bloc[i] = bloc[kTaille_bloc_niveau - 1 - i] = 255;
  EXPECT_EQ(Niveau_bloc(bloc), 0.0);
}

TEST(NiveauEntree, ArrondiAuPairLePlusProche) {
  EXPECT_EQ(Texte_niveau(140.5), "140 %");
  EXPECT_EQ(Texte_niveau(141.5), "142 %");
  EXPECT_EQ(Texte_niveau(0.49), "0 %");
}

}  // namespace
}  // namespace vestral
