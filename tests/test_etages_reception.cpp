// Each stage of the tone filter alone, against values worked out by hand
// or by the plain formula; the vector kernel under them on every
// instruction set against a plain loop.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <random>
#include <vector>

#include "dsp/EtagesReception.h"
#include "dsp/detail/Produits.h"

namespace vestral {
namespace {

constexpr JeuInstructions kJeux[] = {JeuInstructions::Base, JeuInstructions::Avx2,
                                     JeuInstructions::Avx512};

TEST(Produits, SommesDeProduitsSurChaqueJeu) {
  std::mt19937 aleas(3);
  std::uniform_int_distribution<int> valeur(-4000, 4000);
  for (JeuInstructions jeu : kJeux) {
    const detail::Produits produits = detail::Produits_pour(jeu);
    if (produits == nullptr) continue;  // not on this processor
    for (int termes : {64, 128, 256, 320}) {
      for (int n : {0, 1, 3, 4, 5, 17, 64}) {
        std::vector<int16_t> x(static_cast<std::size_t>(n + termes)),
            c(static_cast<std::size_t>(termes));
        for (auto& v : x) v = static_cast<int16_t>(valeur(aleas) / 16);
        for (auto& v : c) v = static_cast<int16_t>(valeur(aleas));
        std::vector<int32_t> s(static_cast<std::size_t>(n) + 1, -7);
        produits(x.data(), c.data(), s.data(), n, termes);
        for (int i = 0; i < n; ++i) {
          int32_t attendu = 0;
          for (int j = 0; j < termes; ++j) attendu += int32_t{x[i + j]} * c[j];
          ASSERT_EQ(s[i], attendu)
              << static_cast<int>(jeu) << " " << termes << " " << n << " " << i;
        }
        EXPECT_EQ(s[n], -7);  // nothing written past the n sums
      }
    }
  }
}

// The band-pass output of the plain formula: the symmetric response over
// the newest 230 decimated inputs, gain 15 / 100000, within +-3825.
int32_t Sortie_attendue(const CoefficientsPasseBande& c, const std::vector<int>& entrees) {
  int64_t somme = 0;
  const int n = static_cast<int>(entrees.size());
  for (int k = 0; k < kLongueur_passe_bande && k < n; ++k) {
    const int demi = k < kDemi_passe_bande ? kDemi_passe_bande - 1 - k : k - kDemi_passe_bande;
    somme +=
        int64_t{c[static_cast<std::size_t>(demi)]} * entrees[static_cast<std::size_t>(n - 1 - k)];
  }
  return static_cast<int32_t>(std::clamp<int64_t>(somme * kGain_passe_bande / 100000, -3825, 3825));
}

TEST(PasseBande, UneSortieSurDeuxEchantillonsSelonLaFormule) {
  std::mt19937 aleas(5);
  std::uniform_int_distribution<int> octet(0, 255), taille(1, PasseBande::kMorceau);
  for (JeuInstructions jeu : kJeux) {
    PasseBande filtre;
    if (!filtre.Choisir_jeu(jeu)) continue;
    filtre.Regler(700, false);
    filtre.Appliquer_reglage();
    filtre.Vider();
    const auto c = Concevoir_passe_bande(700, false);
    std::vector<int> entrees;  // decimated, 2s - 255
    int64_t index = 0;
    for (int lot = 0; lot < 40; ++lot) {
      std::vector<uint8_t> e(static_cast<std::size_t>(taille(aleas)));
      for (auto& s : e) s = static_cast<uint8_t>(octet(aleas) / (lot % 3 ? 1 : 40) + 100);
      const auto sorties = filtre.Filtrer(e.data(), static_cast<int>(e.size()));
      std::size_t k = 0;
      for (uint8_t s : e) {
        if (index++ % 2 == 1) {  // every second sample brings an output
          entrees.push_back(2 * s - 255);
          ASSERT_LT(k, sorties.size());
          ASSERT_EQ(sorties[k++], Sortie_attendue(c, entrees)) << static_cast<int>(jeu);
        }
      }
      ASSERT_EQ(k, sorties.size());
      if (!sorties.empty()) {
        EXPECT_EQ(filtre.Sortie(), sorties.back());
      }
    }
  }
}

TEST(Enveloppe, SommeDesSortiesTenuesParMilliseconde) {
  // Outputs +-v held for two samples each: every millisecond of 11 samples
  // sums 11 |v|, however the samples come.
  std::mt19937 aleas(7);
  for (int morceau : {1, 2, 3, 11, 50}) {
    Enveloppe enveloppe;
    enveloppe.Vider();
    std::vector<int32_t> sorties;
    for (int i = 0; i < 400; ++i) sorties.push_back(i % 2 ? 100 : -100);
    const int32_t* p = sorties.data();
    int32_t tenue = 0;
    int pas = 0;
    int echantillons = 0;
    while (echantillons < 11 * 60) {
      const int n = std::uniform_int_distribution<int>(1, morceau)(aleas);
      int i = 0;
      while (i < n) {
        i += enveloppe.Avancer(n - i, p, tenue);
        if (!enveloppe.Pas_complet()) break;
        const int32_t somme = enveloppe.Prendre_somme();
        // The first millisecond starts on a held 0.
        ASSERT_EQ(somme, pas == 0 ? 1000 : 1100) << morceau << " pas " << pas;
        ++pas;
      }
      echantillons += n;
    }
    // One output for every second sample, none used twice.
    EXPECT_EQ(p - sorties.data(), echantillons / 2);
  }
}

TEST(BancPasseBas, GainContinuDeChaqueVitesse) {
  // A constant sum S settles at (S / 10) x (sum of the row) / 7700.
  BancPasseBas banc;
  banc.Preparer();
  for (int vitesse : {10, 20, 33, 54}) {
    const auto& h = banc.Ligne(vitesse);
    const int32_t gain = 2 * std::accumulate(h.begin(), h.end(), 0);
    for (int i = 0; i < 200; ++i) banc.Pas(20000, vitesse);
    EXPECT_EQ(banc.Sortie(), 2000 * gain / 7700) << vitesse;
    for (int i = 0; i < 200; ++i) banc.Pas(0, vitesse);
    EXPECT_EQ(banc.Sortie(), 0) << vitesse;
  }
  // Speeds out of the bank take its nearest row.
  for (int i = 0; i < 200; ++i) banc.Pas(20000, 80);
  const auto& h54 = banc.Ligne(54);
  EXPECT_EQ(banc.Sortie(), 2000 * 2 * std::accumulate(h54.begin(), h54.end(), 0) / 7700);
}

TEST(NiveauSeuil, NiveauLentEtSeuil) {
  NiveauSeuil niveau;
  EXPECT_EQ(niveau.Seuil(0.05), 10);  // the floor
  niveau.Pas(3000);
  const double k = NiveauSeuil::kDt / (NiveauSeuil::kRc + NiveauSeuil::kDt);
  EXPECT_DOUBLE_EQ(niveau.Niveau_moyen(), 3000 * k);
  for (int i = 0; i < 20000; ++i) niveau.Pas(3000);
  EXPECT_NEAR(niveau.Niveau_moyen(), 3000, 0.01);
  EXPECT_EQ(niveau.Seuil(0.05), 150);
  EXPECT_EQ(niveau.Seuil(0.1), 300);
}

TEST(EstimateurVitesse, DepartMesureEtSilences) {
  EstimateurVitesse v;
  v.Preparer();
  EXPECT_EQ(v.Mesure(), 691);
  EXPECT_EQ(v.Vitesse(), 20);
  EXPECT_EQ(v.Duree_point(), 62);
  // Keying: above and below the level in turn; the measure moves, the
  // speed follows it and the dot length the speed.
  for (int i = 0; i < 3000; ++i) (void)v.Pas(i % 8 < 4 ? 2000 : 0, 1000);
  EXPECT_NE(v.Mesure(), 691);
  EXPECT_EQ(v.Vitesse(), Vitesse_de_mesure(v.Mesure()));
  EXPECT_EQ(v.Duree_point(), 1250 / v.Vitesse());
  // Below the level for 20 ms (6 slow steps) the estimate holds.
  const double mesure = v.Mesure();
  for (int i = 0; i < 5; ++i) (void)v.Pas(0, 1000);
  EXPECT_NE(v.Mesure(), mesure);
  const double tenue = v.Mesure();
  for (int i = 0; i < 100; ++i) (void)v.Pas(0, 1000);
  EXPECT_EQ(v.Mesure(), tenue);
  // A new automatic choice restarts the estimate, not the measure.
  v.Redemarrer();
  EXPECT_EQ(v.Vitesse(), 20);
  EXPECT_EQ(v.Duree_point(), 62);
  EXPECT_EQ(v.Mesure(), tenue);
}

}  // namespace
}  // namespace vestral
