// The simulated sound card and the simulated on-air signal themselves: the
// test clock, lost frames, the WAV of what was played, and the signal's
// keying, repetition, noise level and noise band.
#include <gtest/gtest.h>

#include <sndfile.h>
#include "morse/ChaineReception.h"
#include "morse/Synthese.h"

#include <cmath>
#include <complex>
#include <filesystem>
#include <numbers>
#include <vector>

#include "morse/SignalSimule.h"
#include "shell/Rapport.h"
#include "sound/CarteSimulee.h"
#include "sound/FONCTIONS_WAVE.h"

namespace vestral {
namespace {

// Stands in for the transmit synthesis: a key-down of 1000 samples of a
// full-scale 800 Hz tone per character, then 1000 samples of silence.
std::vector<uint8_t> Morse_factice(std::string_view texte, int, int frequence) {
  std::vector<uint8_t> s;
  for (std::size_t c = 0; c < texte.size(); ++c) {
    for (int n = 0; n < 1000; ++n)
      s.push_back(static_cast<uint8_t>(
          std::lround(128 + 127 * std::sin(2 * std::numbers::pi * frequence * n / 11025.0))));
    s.insert(s.end(), 1000, 128);
  }
  return s;
}

std::vector<uint8_t> Produire(SignalSimule& signal, std::size_t n) {
  std::vector<uint8_t> s(n);
  signal.Produire(s.data(), n);
  return s;
}

TEST(CarteSimulee, HorlogeDeTestAuMicroseconde) {
  // 1 ms is 11.025 frames: the fractions add up to exactly one second.
  CarteSimulee carte;
  RapportMemoire rapport;
  FonctionsWave wave(carte, rapport);
  wave.Taille_tampon = kFrequence_son;
  wave.Frequence_echantillonnage = kFrequence_son;
  ASSERT_TRUE(wave.Ouverture_flux_entree());
  for (int ms = 0; ms < 999; ++ms) carte.Avancer(std::chrono::milliseconds(1));
  EXPECT_EQ(wave.Bloc_entree_a_servir(), nullptr);
  carte.Avancer(std::chrono::milliseconds(1));
  EXPECT_EQ(wave.Bloc_entree_a_servir(), &wave.Entree_1);
  wave.Fermeture_flux_entree();
}

TEST(CarteSimulee, TramesManqueesSansBlocEnFile) {
  CarteSimulee carte;
  RapportMemoire rapport;
  FonctionsWave wave(carte, rapport);
  wave.Taille_tampon = 100;
  wave.Frequence_echantillonnage = kFrequence_son;
  ASSERT_TRUE(wave.Ouverture_flux_entree());
  ASSERT_TRUE(wave.Ouverture_flux_sortie());
  carte.Avancer_echantillons(250);  // 200 recorded and played, 50 dropped and missing
  EXPECT_EQ(carte.Trames_manquees(Sens::Entree), 50u);
  EXPECT_EQ(carte.Trames_manquees(Sens::Sortie), 50u);
  EXPECT_EQ(carte.Echantillons_joues().size(), 200u);
  wave.Fermeture_flux_entree();
  wave.Fermeture_flux_sortie();
}

TEST(CarteSimulee, FichierWavDeLaRestitution) {
  CarteSimulee carte;
  RapportMemoire rapport;
  FonctionsWave wave(carte, rapport);
  wave.Taille_tampon = kTaille_bloc_emission;
  wave.Frequence_echantillonnage = kFrequence_son;
  ASSERT_TRUE(wave.Ouverture_flux_sortie());
  carte.Avancer_echantillons(kTaille_bloc_emission);
  Tampon_son* b = wave.Bloc_sortie_a_servir();
  ASSERT_NE(b, nullptr);
  wave.Suppression_entete(*b);
  for (int i = 0; i < kTaille_bloc_emission; ++i) b->Donnees()[i] = static_cast<uint8_t>(i);
  wave.Preparation_entete(*b);
  wave.Ecriture_tampon_sortie(*b);
  carte.Avancer_echantillons(2 * kTaille_bloc_emission);
  wave.Fermeture_flux_sortie();

  const auto chemin = std::filesystem::temp_directory_path() /
                      ("vestral_carte_" + std::to_string(getpid()) + ".wav");
  ASSERT_TRUE(carte.Ecrire_wav(chemin));
  SF_INFO info{};
  SNDFILE* fichier = sf_open(chemin.c_str(), SFM_READ, &info);
  ASSERT_NE(fichier, nullptr);
  EXPECT_EQ(info.samplerate, 11025);
  EXPECT_EQ(info.channels, 1);
  EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_U8);
  std::vector<uint8_t> lu(static_cast<std::size_t>(info.frames));
  EXPECT_EQ(sf_read_raw(fichier, lu.data(), info.frames), info.frames);
  sf_close(fichier);
  std::filesystem::remove(chemin);
  EXPECT_EQ(lu, carte.Echantillons_joues());
  EXPECT_EQ(lu.size(), 3u * kTaille_bloc_emission);
}

TEST(SignalSimule, ManipulationEtRepetition) {
  Parametres_signal p;
  p.texte = "EE";
  p.amplitude = 0.5;
  p.pause_secondes = 0.1;  // 1102 samples
  SignalSimule signal(p, &Morse_factice);
  const std::vector<uint8_t> s = Produire(signal, 2 * (4000 + 1102));
  const std::vector<uint8_t> morse = Morse_factice("EE", 20, 800);
  for (std::size_t n = 0; n < 4000; ++n)
    ASSERT_EQ(s[n], std::lround(128 + (morse[n] - 128.0) / 2)) << n;
  for (std::size_t n = 4000; n < 5102; ++n) ASSERT_EQ(s[n], 128) << n;
  EXPECT_TRUE(std::equal(s.begin(), s.begin() + 5102, s.begin() + 5102));

  p.repeter = false;
  SignalSimule une_fois(p, &Morse_factice);
  const std::vector<uint8_t> t = Produire(une_fois, 3 * 5102);
  EXPECT_TRUE(std::all_of(t.begin() + 4000, t.end(), [](uint8_t v) { return v == 128; }));
}

TEST(SignalSimule, RapportSignalBruitEtBandeDuBruit) {
  Parametres_signal p;
  p.texte = std::string(20, 'T');
  p.amplitude = 0.5;
  p.pause_secondes = 0;
  SignalSimule propre(p, &Morse_factice);
  p.rapport_signal_bruit_db = 10;
  SignalSimule bruite(p, &Morse_factice);
  const std::size_t n = 40000;
  const std::vector<uint8_t> a = Produire(propre, n), b = Produire(bruite, n);
  std::vector<double> bruit(n);
  for (std::size_t i = 0; i < n; ++i) bruit[i] = double(b[i]) - double(a[i]);

  // Tone of peak 63.5 steps: 2016 steps² of power, so 201.6 of noise at
  // 10 dB.
  double puissance = 0;
  for (double v : bruit) puissance += v * v;
  puissance /= static_cast<double>(n);
  EXPECT_NEAR(puissance, 63.5 * 63.5 / 2 / 10, 12.0);
  EXPECT_NEAR(bruite.Ecart_type_bruit(), std::sqrt(63.5 * 63.5 / 20), 1e-9);

  // Nearly all of the noise lies in the receiver's band, 300 to 2800 Hz.
  const std::size_t taille = 2048;
  std::vector<std::complex<double>> racines(taille);
  for (std::size_t m = 0; m < taille; ++m)
    racines[m] = std::polar(1.0, -2 * std::numbers::pi * double(m) / taille);
  double dans_la_bande = 0, total = 0;
  for (std::size_t debut = 0; debut + taille <= n; debut += taille) {
    for (std::size_t k = 1; k < taille / 2; ++k) {
      std::complex<double> x = 0;
      for (std::size_t i = 0; i < taille; ++i) x += bruit[debut + i] * racines[(k * i) % taille];
      const double frequence = 11025.0 * double(k) / taille;
      total += std::norm(x);
      if (frequence > 200 && frequence < 3500) dans_la_bande += std::norm(x);
    }
  }
  EXPECT_GT(dans_la_bande / total, 0.9);
}

TEST(SignalSimule, SourceDeLaCarteSimulee) {
  Parametres_signal p;
  p.texte = "TEST";
  p.rapport_signal_bruit_db = 6;
  p.graine = 42;
  SignalSimule reference(p, &Morse_factice);
  const std::vector<uint8_t> attendu = Produire(reference, 2 * kTaille_bloc_reception);

  CarteSimulee carte;
  carte.Source_capture(SignalSimule(p, &Morse_factice));
  RapportMemoire rapport;
  FonctionsWave wave(carte, rapport);
  wave.Taille_tampon = kTaille_bloc_reception;
  wave.Frequence_echantillonnage = kFrequence_son;
  ASSERT_TRUE(wave.Ouverture_flux_entree());
  carte.Avancer(std::chrono::milliseconds(700));
  ASSERT_TRUE(wave.Bloc_plein(wave.Entree_1) && wave.Bloc_plein(wave.Entree_2));
  EXPECT_TRUE(std::equal(attendu.begin(), attendu.begin() + kTaille_bloc_reception,
                         wave.Entree_1.Donnees()));
  EXPECT_TRUE(
      std::equal(attendu.begin() + kTaille_bloc_reception, attendu.end(), wave.Entree_2.Donnees()));
  wave.Fermeture_flux_entree();
}

}  // namespace
}  // namespace vestral

namespace vestral {
namespace {

TEST(SignalSimule, LeMorseSimuleSeDecode) {
  Parametres_signal p;
  p.texte = "CQ DE F5ABC K";
  p.mots_par_minute = 18;
  p.frequence = 700;
  p.rapport_signal_bruit_db = 10;
  p.repeter = false;
  SignalSimule signal(p);
  std::vector<uint8_t> e(11025 * 10);
  signal.Produire(e.data(), e.size());
  ParametresReception r;
  r.frequence = static_cast<int>(std::lround(Trouver_frequence(e)));
  EXPECT_NEAR(r.frequence, 700, 3);
  std::string texte;
  for (const auto& c : Decoder_echantillons(e, r)) texte += static_cast<char>(c.caractere);
  EXPECT_NE(texte.find("DE F5ABC K"), std::string::npos) << texte;
}

}  // namespace
}  // namespace vestral
