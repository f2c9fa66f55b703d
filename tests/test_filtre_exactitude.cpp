// The fast tone filter (vectorised band-pass, chosen for the processor at
// run time) against the plain one, sample for sample, on random input with
// random retunes and settings changes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "dsp/FiltreTonalite.h"
#include "shell/FormatSon.h"
#include "tests/FiltreReference.h"

namespace vestral {
namespace {

// Random sound: stretches of noise, keyed tones at any frequency and speed,
// silence and clipped tones.
std::vector<uint8_t> Son_aleatoire(std::mt19937& aleas, std::size_t taille) {
  std::vector<uint8_t> e;
  e.reserve(taille);
  std::uniform_int_distribution<int> octet(0, 255);
  while (e.size() < taille) {
    const int genre = std::uniform_int_distribution<int>(0, 3)(aleas);
    const std::size_t n = std::uniform_int_distribution<std::size_t>(1, 30000)(aleas);
    const double f = std::uniform_real_distribution<double>(100, 5000)(aleas);
    const double amplitude = std::uniform_real_distribution<double>(1, 400)(aleas);
    const int point = std::uniform_int_distribution<int>(200, 1500)(aleas);
    const double bruit = std::uniform_real_distribution<double>(0, 40)(aleas);
    std::normal_distribution<double> gauss(0, 1);
    for (std::size_t i = 0; i < n && e.size() < taille; ++i) {
      double x = 128;
      if (genre == 0) {
        x = octet(aleas);
      } else if (genre >= 2) {
        const bool ton = genre == 3 || (i / point) % 3 != 2;
        if (ton)
          x += amplitude * std::sin(2 * std::numbers::pi * f * static_cast<double>(i) /
                                    kFrequence_echantillonnage_entree);
        x += bruit * gauss(aleas);
      }
      e.push_back(static_cast<uint8_t>(std::clamp(std::lround(x), 0L, 255L)));
    }
  }
  return e;
}

// One run: a random sound with random settings changes between batches of
// random length (or sample by sample), both filters compared after each.
void Comparer(unsigned graine, FiltreTonalite::Jeu jeu, bool par_lots) {
  constexpr int kVitesses[] = {10, 13, 16, 20, 26, 33, 43, 54};
  std::mt19937 aleas(graine);
  ReglagesReception r_rapide;
  test::ReglagesReference r_reference;
  FiltreTonalite rapide(r_rapide);
  ASSERT_TRUE(rapide.Choisir_jeu(jeu));
  test::FiltreReference reference(r_reference);
  auto Deux = [&](auto&& action) {
    action(r_rapide);
    action(r_reference);
  };
  Deux([](auto& r) {
    r.Choisir_vitesse_auto();
    r.Choisir_seuil_auto();
  });
  rapide.Preparer_filtres();
  reference.Preparer_filtres();

  const auto son = Son_aleatoire(aleas, 30 * kFrequence_echantillonnage_entree);
  std::size_t prochain_evenement = 0;
  for (std::size_t i = 0; i < son.size();) {
    if (i >= prochain_evenement) {
      prochain_evenement = i + std::uniform_int_distribution<std::size_t>(1, 20000)(aleas);
      const int genre = std::uniform_int_distribution<int>(0, 9)(aleas);
      if (genre <= 4) {  // a tuning click, or a band button
        const int f = std::uniform_int_distribution<int>(0, 5512)(aleas);
        const bool bande = genre != 4;
        Deux([&](auto& r) {
          r.Frequence_reception = f;
          r.Bande_etroite = bande ? 1 : 0;
        });
        rapide.Regler_passe_bande();
        reference.Regler_passe_bande();
      } else if (genre == 5) {
        const int v = std::uniform_int_distribution<int>(0, 8)(aleas);
        Deux([&](auto& r) { v == 8 ? r.Choisir_vitesse_auto() : r.Choisir_vitesse(kVitesses[v]); });
      } else if (genre == 6) {
        const int s = std::uniform_int_distribution<int>(0, 7)(aleas);
        Deux([&](auto& r) {
          s == 7 ? r.Choisir_seuil_auto() : r.Choisir_seuil(kSeuils_manuels[s]);
        });
      } else if (genre == 7) {  // a new reception start
        rapide.Preparer_filtres();
        reference.Preparer_filtres();
      }
    }
    std::size_t n = 1;
    if (par_lots)
      n = std::min({std::uniform_int_distribution<std::size_t>(1, 2500)(aleas),
                    prochain_evenement - i, son.size() - i});
    rapide.Traiter_echantillons(&son[i], static_cast<int>(n));
    for (std::size_t k = 0; k < n; ++k) reference.Traiter_echantillon(son[i + k]);
    i += n;
    const auto Ou = [&] {
      return ::testing::Message() << "graine " << graine << ", jeu " << static_cast<int>(jeu)
                                  << (par_lots ? " par lots" : "") << ", échantillon " << i - 1;
    };
    ASSERT_EQ(rapide.Sortie_passe_bande(), reference.Sortie_passe_bande()) << Ou();
    ASSERT_EQ(rapide.Enveloppe_filtree(), r_reference.Enveloppe_filtree) << Ou();
    ASSERT_EQ(rapide.Seuil_filtrage(), r_reference.Seuil_filtrage) << Ou();
    ASSERT_EQ(rapide.Vitesse_estimee(), r_reference.Vitesse_estimee) << Ou();
    ASSERT_EQ(rapide.Duree_point_reception(), r_reference.Duree_point_reception) << Ou();
  }
  EXPECT_EQ(rapide.Niveau_moyen(), reference.Niveau_moyen()) << graine;
  EXPECT_EQ(rapide.Mesure_vitesse(), reference.Mesure_vitesse()) << graine;
}

TEST(FiltreExact, IdentiqueAuFiltreDeReferenceEchantillonParEchantillon) {
  // Each instruction set this processor has, sample by sample and in batches.
  using Jeu = FiltreTonalite::Jeu;
  ReglagesReception r;
  FiltreTonalite essai(r);
  unsigned graine = 0;
  for (Jeu jeu : {Jeu::Base, Jeu::Avx2, Jeu::Avx512}) {
    if (!essai.Choisir_jeu(jeu)) continue;
    for (bool par_lots : {false, true}) {
      for (int tour = 0; tour < 2; ++tour) {
        Comparer(++graine, jeu, par_lots);
        if (HasFatalFailure()) return;
      }
    }
  }
  // The widest set is the one chosen by default.
  FiltreTonalite defaut(r);
  EXPECT_EQ(defaut.Jeu_choisi(), essai.Jeu_choisi());
}

}  // namespace
}  // namespace vestral
