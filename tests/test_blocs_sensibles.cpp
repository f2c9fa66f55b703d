// The blocks of the sensitive decoder, each against values known in advance.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <random>
#include <vector>

#include "dsp/ConversionBande.h"
#include "dsp/DecisionManipulation.h"
#include "dsp/FiltreAdapte.h"
#include "dsp/QuantileGlissant.h"
#include "dsp/RechercheHauteur.h"
#include "morse/ModeleTemps.h"

namespace vestral {
namespace {

constexpr double kFe = 11025.0;

TEST(ConversionBande, UneTonaliteALaHauteurDonneSonAmplitudeEtRienAutour) {
  ConversionBande conversion(kFe);
  const double a = 0.4;
  TrameBande trame;
  int trames = 0;
  for (int frequence : {200, 700, 751, 1500, 2600}) {
    conversion.Regler_frequence(frequence);
    conversion.Vider();
    for (int n = 0; n < 22 * 50; ++n) {
      const double x = a * std::cos(2 * std::numbers::pi * frequence * n / kFe + 0.3);
      if (conversion.Pousser(static_cast<float>(x), trame) && ++trames % 50 > 5) {
        // Half the peak whatever the pitch (no image at twice the pitch),
        // the power of the whole band, little outside the tone (the frame's
        // mean of x^2 itself ripples with the image).
        EXPECT_NEAR(std::abs(trame.amplitude), a / 2, 0.01) << frequence;
        EXPECT_NEAR(trame.puissance_large, a * a / 2, 0.25 * a * a / 2) << frequence;
        EXPECT_LT(trame.Puissance_hors_tonalite(), 0.3 * trame.Puissance_tonalite()) << frequence;
      }
    }
  }
  EXPECT_EQ(trames, 250);
}

TEST(ConversionBande, UneTonaliteEloigneeResteHorsDeLaTonalite) {
  ConversionBande conversion(kFe);
  conversion.Regler_frequence(700);
  TrameBande trame;
  double hors = 0, dans = 0;
  for (int n = 0; n < 22 * 100; ++n) {
    const double x = 0.4 * std::cos(2 * std::numbers::pi * 1700 * n / kFe);
    if (conversion.Pousser(static_cast<float>(x), trame)) {
      hors += trame.Puissance_hors_tonalite();
      dans += trame.Puissance_tonalite();
    }
  }
  EXPECT_GT(hors, 20 * dans);
}

TEST(FiltreAdapte, GainUnitePourLaTonaliteEtBruitEnUnSurL) {
  for (int longueur : {4, 16, 30, 100}) {
    FiltreAdapte filtre;
    filtre.Regler_longueur(longueur);
    EXPECT_EQ(filtre.Longueur(), longueur);
    // A Hann window of L taps lets 1.5/L of white noise through.
    EXPECT_NEAR(filtre.Gain_bruit(), 1.5 / longueur, 1e-4) << longueur;
    std::complex<float> y;
    for (int k = 0; k < longueur; ++k) y = filtre.Filtrer({0.5f, -0.25f});
    EXPECT_NEAR(y.real(), 0.5f, 1e-5) << longueur;
    EXPECT_NEAR(y.imag(), -0.25f, 1e-5) << longueur;
  }
}

TEST(FiltreAdapte, ReponseEnFrequenceDeLaFenetre) {
  // A complex tone f hertz from the pitch, at the 501 Hz frame rate: the
  // steady output is |sum h_k e^{-j 2 pi f k T}|; a Hann window of L frames
  // has its first zero at 2/(L T) and stays below -30 dB beyond 2.5/(L T).
  const double t = 22 / kFe;
  const int longueur = 24;
  struct Cas {
    double frequence, minimum, maximum;
  } cas[] = {{0, 0.999, 1.001},
             {10, 0.80, 0.87},
             {2 / (longueur * t), 0, 0.002},
             {2.6 / (longueur * t), 0, 0.032},
             {100, 0, 0.01}};
  for (const Cas& c : cas) {
    FiltreAdapte filtre;
    filtre.Regler_longueur(longueur);
    std::complex<float> y;
    for (int k = 0; k < 200; ++k) {
      const double phase = 2 * std::numbers::pi * c.frequence * k * t;
      y = filtre.Filtrer(
          {static_cast<float>(std::cos(phase)), static_cast<float>(std::sin(phase))});
    }
    EXPECT_GE(std::abs(y), c.minimum) << c.frequence;
    EXPECT_LE(std::abs(y), c.maximum) << c.frequence;
  }
}

TEST(QuantileGlissant, ValeursConnuesEtAnneau) {
  QuantileGlissant q(5);
  EXPECT_EQ(q.Quantile(0.5f), 0.0f);
  for (float v : {5.0f, 1.0f, 4.0f}) q.Pousser(v);
  EXPECT_EQ(q.Quantile(0.0f), 1.0f);
  EXPECT_EQ(q.Quantile(0.5f), 4.0f);
  EXPECT_EQ(q.Quantile(1.0f), 5.0f);
  // The ring keeps the last five.
  for (float v : {10.0f, 11.0f, 12.0f, 13.0f, 14.0f}) q.Pousser(v);
  EXPECT_EQ(q.Nombre(), 5);
  EXPECT_EQ(q.Quantile(0.0f), 10.0f);
  q.Echelonner(2);
  EXPECT_EQ(q.Quantile(1.0f), 28.0f);
}

TEST(QuantileGlissant, LePlancherDeBruitIgnoreLesCrepitements) {
  // Frame powers of noise (exponential, mean 1), a tenth of them static
  // crashes a hundred times stronger: the low quantile still gives the
  // noise's mean, where the mean of the values is off tenfold.
  std::mt19937 g(7);
  std::exponential_distribution<float> bruit(1.0f);
  std::uniform_real_distribution<float> u(0, 1);
  QuantileGlissant q(2000);
  double somme = 0;
  for (int i = 0; i < 2000; ++i) {
    const float v = bruit(g) * (u(g) < 0.1f ? 100.0f : 1.0f);
    q.Pousser(v);
    somme += v;
  }
  const double plancher = q.Quantile(0.25f) / -std::log(0.75);
  EXPECT_NEAR(plancher, 1.0, 0.15);
  EXPECT_GT(somme / 2000, 8.0);
}

TEST(DecisionManipulation, MarquesNettesRetrouveesApresLeRetardEtBlipIgnore) {
  DecisionManipulation d;
  d.Regler(5, 30, 2.0f);
  // 40 frames up, a 2-frame blip, 40 up, 30 down, 60 up, 20 down, 100 up.
  std::vector<int> verite;
  auto Ajouter = [&](int etat, int n) { verite.insert(verite.end(), n, etat); };
  Ajouter(0, 40);
  std::vector<int> entree = verite;
  entree.insert(entree.end(), 2, 1);
  verite.insert(verite.end(), 2, 0);
  for (auto [etat, n] : {std::pair{0, 40}, {1, 30}, {0, 60}, {1, 20}, {0, 100}}) {
    entree.insert(entree.end(), n, etat);
    Ajouter(etat, n);
  }
  std::vector<int> sortie;
  for (int e : entree) {
    const int s = d.Pousser(e ? 1.0f : -1.0f);
    if (s >= 0) sortie.push_back(s);
  }
  // Nothing is decided before the look-ahead, then frame k comes out 30
  // frames late, exactly.
  ASSERT_EQ(sortie.size() + 30, entree.size());
  for (std::size_t k = 0; k < sortie.size(); ++k) EXPECT_EQ(sortie[k], verite[k]) << k;
}

TEST(DecisionManipulation, ChangerLaDureeMinimaleGardeLesDecisions) {
  DecisionManipulation d;
  d.Regler(4, 20, 2.0f);
  std::vector<int> sortie;
  for (int k = 0; k < 400; ++k) {
    if (k == 200) d.Regler(8, 20, 2.0f);
    const bool marque = (k / 50) % 2 == 1;
    sortie.push_back(d.Pousser(marque ? 2.0f : -2.0f));
  }
  for (int k = 20; k < 400; ++k) {
    EXPECT_EQ(sortie[k], ((k - 20) / 50) % 2 == 1 ? 1 : 0) << k;
  }
}

TEST(ModeleTemps, UnPoignetConnuEstAppris) {
  // A hand at 15 words per minute (40-frame dot), dashes 3.5 dots, gaps
  // with a spread of 20 %: the model starts from 24 words per minute and
  // learns the fist.
  struct Cas {
    double rapport_trait;
    double gigue;
  } cas[] = {{3.0, 0.0}, {3.5, 0.2}, {2.5, 0.15}, {4.0, 0.2}};
  for (const Cas& c : cas) {
    ModeleTemps modele(25, 10, 120);
    std::mt19937 g(3);
    std::normal_distribution<double> n(0, c.gigue);
    auto Duree = [&](double unites) { return 40 * unites * std::max(0.4, 1 + n(g)); };
    for (int i = 0; i < 60; ++i) {
      modele.Apprendre_marque(Duree(i % 3 == 0 ? c.rapport_trait : 1));
      modele.Apprendre_espace(Duree(i % 4 == 0 ? 3 : 1));
      if (i % 9 == 0) modele.Apprendre_espace(Duree(7));
    }
    EXPECT_NEAR(modele.Point(), 40, 6) << c.rapport_trait;
    EXPECT_NEAR(modele.Trait(), 40 * c.rapport_trait, 15) << c.rapport_trait;
    EXPECT_FALSE(modele.Est_trait(52)) << c.rapport_trait;
    EXPECT_TRUE(modele.Est_trait(40 * c.rapport_trait * 0.8)) << c.rapport_trait;
    EXPECT_EQ(modele.Classer_espace(40), GenreEspace::Element) << c.rapport_trait;
    EXPECT_EQ(modele.Classer_espace(120), GenreEspace::Caractere) << c.rapport_trait;
    EXPECT_EQ(modele.Classer_espace(300), GenreEspace::Mot) << c.rapport_trait;
    // The mean of a dot, a dash and the two short gaps, over 8.
    EXPECT_NEAR(modele.Unite(), 40 * (5 + c.rapport_trait) / 8, 6) << c.rapport_trait;
  }
}

TEST(ModeleTemps, DesPointsSeulsGardentLeRapportEtUnBlipNeFaitPasDeClasse) {
  ModeleTemps modele(30, 10, 120);
  for (int i = 0; i < 10; ++i) modele.Apprendre_marque(30);  // E E E ...
  EXPECT_NEAR(modele.Point(), 30, 1);
  EXPECT_NEAR(modele.Trait(), 90, 1);
  for (int i = 0; i < 20; ++i) {
    modele.Apprendre_marque(i % 2 ? 30 : 90);
    modele.Apprendre_espace(30);
  }
  modele.Apprendre_espace(9);  // one stray blip of silence
  EXPECT_EQ(modele.Classer_espace(30), GenreEspace::Element);
  EXPECT_EQ(modele.Classer_espace(90), GenreEspace::Caractere);
}

TEST(RechercheHauteur, LaPorteuseManipuleeGagneSurUnePorteuseFixePlusForte) {
  // Noise, a steady carrier at 700 Hz ten times stronger than a keyed one
  // at 1234 Hz: the search finds the keyed one.
  RechercheHauteur recherche(kFe);
  std::mt19937 g(5);
  std::normal_distribution<double> bruit(0, 0.05);
  for (int n = 0; n < static_cast<int>(3 * kFe); ++n) {
    const double t = n / kFe;
    const bool cle = std::fmod(t, 0.24) < 0.12;
    const double x = 0.3 * std::sin(2 * std::numbers::pi * 700 * t) +
                     (cle ? 0.1 * std::sin(2 * std::numbers::pi * 1234 * t) : 0) + bruit(g);
    recherche.Pousser(static_cast<float>(x));
  }
  const HauteurTrouvee h = recherche.Meilleure();
  ASSERT_TRUE(h.trouvee);
  EXPECT_NEAR(h.frequence, 1234, 6);
  EXPECT_GT(h.Contraste(), 10);
  EXPECT_LT(recherche.Score_a(700), 0.5 * h.score);
}

}  // namespace
}  // namespace vestral
