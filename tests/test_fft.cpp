#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "dsp/Accord.h"
#include "dsp/FFT.h"
#include "AccesFFT.h"
#include "shell/FormatSon.h"

namespace vestral {
namespace {

std::vector<uint8_t> Sinus(double frequence, double amplitude = 127) {
  std::vector<uint8_t> bloc(kTaille_bloc_reception);
  for (std::size_t i = 0; i < bloc.size(); ++i)
    bloc[i] = static_cast<uint8_t>(
        std::lround(128 + amplitude * std::sin(2 * std::numbers::pi * frequence * i /
                                               kFrequence_echantillonnage_entree)));
  return bloc;
}

TEST(FFT, Tables) {
  FFTEntiere fft;
  EXPECT_EQ(detail::AccesFFT::Etages_FFT(fft), 11);
  struct Cas {
    int index, cosinus, sinus;
  } cas[] = {{0, 200, 0}, {4500, 141, 141}, {9000, 0, 200}, {17578, -199, 15}, {18, 200, 1}};
  for (const auto& c : cas) {
    EXPECT_EQ(detail::AccesFFT::Cosinus(fft, c.index), c.cosinus) << c.index;
    EXPECT_EQ(detail::AccesFFT::Sinus(fft, c.index), c.sinus) << c.index;
  }
  const auto& inversion = detail::AccesFFT::Table_inversion_bits(fft);
  EXPECT_EQ(inversion[0], 0);
  EXPECT_EQ(inversion[1], 1024);
  EXPECT_EQ(inversion[2], 512);
  EXPECT_EQ(inversion[2047], 2047);
  for (int taille : {2, 16, 32768}) {
    fft.Preparer_FFT(taille);
    EXPECT_EQ(1 << detail::AccesFFT::Etages_FFT(fft), taille);
  }
  EXPECT_EQ(Convertir_echantillon(0), -20000);
  EXPECT_EQ(Convertir_echantillon(128), 78);
  EXPECT_EQ(Convertir_echantillon(255), 20000);
}

TEST(FFT, AmincissementA2048Points) {
  FFTEntiere fft;
  std::vector<uint8_t> bloc(kTaille_bloc_reception);
  for (std::size_t i = 0; i < bloc.size(); ++i) bloc[i] = static_cast<uint8_t>(i % 251);
  fft.Analyser_bloc(bloc);
  const auto& entree = detail::AccesFFT::Entree_FFT(fft);
  ASSERT_EQ(entree.size(), 2048u);
  const int positions[] = {2, 4, 6, 8, 9};
  for (int i = 0; i < 5; ++i)
    EXPECT_EQ(entree[i], Convertir_echantillon(static_cast<uint8_t>((positions[i] - 1) % 251)))
        << i;
  EXPECT_EQ(entree[2047], Convertir_echantillon(static_cast<uint8_t>(3674 % 251)));
}

TEST(FFT, BlocConstantEtSinus) {
  FFTEntiere fft;
  fft.Analyser_bloc(std::vector<uint8_t>(kTaille_bloc_reception, 128));
  for (int k = kRaie_min_calculee; k <= kRaie_max_calculee; ++k)
    ASSERT_EQ(fft.Spectre()[k], 0) << k;

  fft.Preparer_FFT();
  const auto bloc = Sinus(900);
  int32_t simple = 0;
  for (int n = 1; n <= 4; ++n) {
    fft.Analyser_bloc(bloc);
    const std::span<const int32_t> spectre(fft.Spectre());
    EXPECT_EQ(Chercher_raie(spectre, kRaie_min_calculee, kRaie_max_calculee), 300) << n;
    if (n == 1) simple = spectre[300];
    if (n >= 3) {
      EXPECT_EQ(spectre[300], 3 * simple) << n;
    }
  }
  EXPECT_NEAR(simple, 10000, 1000);  // about half the converted amplitude
  // Bins outside 60..907 are left alone.
  EXPECT_EQ(fft.Spectre()[59], 0);
  EXPECT_EQ(fft.Spectre()[908], 0);
}

TEST(Accord, RechercheEtCentre) {
  std::vector<int32_t> spectre(1025, 0);
  const std::span<const int32_t> s(spectre);
  EXPECT_EQ(Chercher_raie(s, 66, 85), 85);  // all zero: the last bin
  spectre[270] = spectre[280] = 50;
  EXPECT_EQ(Chercher_raie(s, 260, 290), 280);  // equal peaks: the higher one
  spectre.assign(1025, 0);
  spectre[263] = spectre[271] = 1;
  spectre[265] = spectre[269] = 5;
  spectre[267] = 20;
  const double centre = Centre_raie(s, 267);
  EXPECT_DOUBLE_EQ(centre, 267.0);
  EXPECT_DOUBLE_EQ(Frequence_du_centre(centre), 801.0);
  EXPECT_EQ(std::lround(Frequence_du_centre(centre)), 801);
  spectre.assign(1025, 0);
  EXPECT_DOUBLE_EQ(Centre_raie(s, 300), 300.0);

  const auto gauche = Pixels_en_raies(0, 7, 313);
  EXPECT_EQ(gauche.premiere, 66);
  EXPECT_EQ(gauche.derniere, 85);
  const auto droite = Pixels_en_raies(305, 313, 313);
  EXPECT_EQ(droite.premiere, 878);
  EXPECT_EQ(droite.derniere, 900);
}

}  // namespace
}  // namespace vestral
