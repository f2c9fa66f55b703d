#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "sound/GenerateurTonalite.h"

namespace vestral {
namespace {

constexpr float kAmplitude = 0.3f;

// Largest step between two neighbour samples of a tone of `frequence` at
// full amplitude, with a little room for the ramp's own slope.
double Pas_maximal(double frequence, double frequence_echantillonnage) {
  return kAmplitude * (2 * std::numbers::pi * frequence / frequence_echantillonnage) * 1.02 +
         kAmplitude * std::numbers::pi / 2 / (0.005 * frequence_echantillonnage);
}

// Frequency from the rising zero crossings between the first and the last
// one, interpolated between samples.
double Frequence_mesuree(const std::vector<float>& s, double frequence_echantillonnage) {
  double premier = -1, dernier = -1;
  int passages = 0;
  for (std::size_t n = 1; n < s.size(); ++n)
    if (s[n - 1] < 0 && s[n] >= 0) {
      const double t = (n - 1) + s[n - 1] / (s[n - 1] - s[n]);
      if (premier < 0) premier = t;
      dernier = t;
      ++passages;
    }
  return passages < 2 ? 0 : (passages - 1) * frequence_echantillonnage / (dernier - premier);
}

// The operator's pattern: monitor tone on and off at any point of a block,
// a stop in the middle of the rise, a start in the middle of the fall, a
// beep at another frequency over the monitor tone. Blocks of an odd size,
// as a sound server hands them out.
TEST(GenerateurTonalite, NiClicNiSaut) {
  struct Demande {
    std::size_t a;  // sample where the request is made (taken at the next block)
    int frequence;
  };
  const struct {
    const char* nom;
    double frequence_echantillonnage;
    std::size_t bloc;
    std::vector<Demande> demandes;
  } cas[] = {
      {"marche puis arrêt", 48000, 241, {{1000, 800}, {12000, 0}}},
      {"arrêt pendant la montée", 48000, 37, {{1000, 800}, {1100, 0}}},
      {"reprise pendant la descente", 44100, 64, {{1000, 800}, {9000, 0}, {9100, 800}, {15000, 0}}},
      {"bip sur la tonalité", 48000, 100, {{500, 800}, {5000, 1000}, {20000, 0}}},
      {"petite fréquence d'échantillonnage", 11025, 50, {{500, 1000}, {3000, 0}}},
  };
  for (const auto& c : cas) {
    GenerateurTonalite g(c.frequence_echantillonnage, 0.005, kAmplitude);
    std::vector<float> s(30000);
    std::size_t d = 0;
    for (std::size_t debut = 0; debut < s.size(); debut += c.bloc) {
      while (d < c.demandes.size() && c.demandes[d].a <= debut)
        g.Demander(c.demandes[d++].frequence);
      g.Produire(s.data() + debut, std::min(c.bloc, s.size() - debut));
    }
    double saut = std::abs(s[0]);
    std::size_t ou = 0;
    for (std::size_t n = 1; n < s.size(); ++n)
      if (std::abs(s[n] - s[n - 1]) > saut) saut = std::abs(s[n] - s[n - 1]), ou = n;
    EXPECT_LE(saut, Pas_maximal(1000, c.frequence_echantillonnage))
        << c.nom << " : saut à l'échantillon " << ou;
    EXPECT_LE(*std::max_element(s.begin(), s.end()), kAmplitude + 1e-6) << c.nom;
    // Every case ends with a stop: silent to the end, and exactly so.
    EXPECT_TRUE(g.Muet()) << c.nom;
    EXPECT_EQ(s.back(), 0.0f) << c.nom;
  }
}

// Heard from the next block, full amplitude after the ramp, silent after
// the ramp down; the pitch asked for, on every channel.
TEST(GenerateurTonalite, FrequenceEtRampes) {
  for (double fe : {44100.0, 48000.0}) {
    for (int frequence : {800, 1000}) {
      const std::string nom = std::to_string(frequence) + " Hz à " + std::to_string(int(fe));
      GenerateurTonalite g(fe, 0.005, kAmplitude);
      const int rampe = g.Echantillons_rampe();
      EXPECT_EQ(rampe, std::lround(0.005 * fe)) << nom;

      std::vector<float> stereo(2 * static_cast<std::size_t>(fe));
      g.Produire(stereo.data(), 100, 2);
      EXPECT_TRUE(std::all_of(stereo.begin(), stereo.begin() + 200, [](float v) { return v == 0; }))
          << nom;
      g.Demander(frequence);
      g.Produire(stereo.data(), stereo.size() / 2, 2);
      std::vector<float> gauche, droite;
      for (std::size_t n = 0; n < stereo.size(); n += 2) {
        gauche.push_back(stereo[n]);
        droite.push_back(stereo[n + 1]);
      }
      EXPECT_EQ(gauche, droite) << nom;
      // The tone is there from the first sample of the block, and steady
      // once the ramp is over.
      const double periode = fe / frequence;
      const auto crete = [&](std::size_t debut) {
        float m = 0;
        for (std::size_t n = debut; n < debut + static_cast<std::size_t>(periode) + 1; ++n)
          m = std::max(m, std::abs(gauche[n]));
        return m;
      };
      EXPECT_GT(std::abs(gauche[1]), 0.0f) << nom;
      EXPECT_LT(crete(0), 0.5 * kAmplitude) << nom;
      EXPECT_GT(crete(rampe), 0.99 * kAmplitude) << nom;
      EXPECT_NEAR(Frequence_mesuree(gauche, fe), frequence, 0.05) << nom;

      g.Demander(0);
      std::vector<float> fin(2 * rampe);
      g.Produire(fin.data(), fin.size());
      EXPECT_GT(std::abs(fin[0]) + std::abs(fin[1]), 0.0f) << nom;  // fading, not cut
      EXPECT_TRUE(std::all_of(fin.begin() + rampe, fin.end(), [](float v) { return v == 0; }))
          << nom;
    }
  }
}

}  // namespace
}  // namespace vestral
