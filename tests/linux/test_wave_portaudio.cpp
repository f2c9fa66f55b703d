// The wave layer on PortAudio, end to end, without a sound card: an ALSA
// configuration of the test's own defines two PCMs built from ALSA's file
// plugin over the null PCM. Capture reads a recording from a file; playback
// writes what it plays to a file. The PCMs are chosen by name, as an
// operator chooses a USB card.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <random>
#include <thread>
#include <vector>

#include "morse/ChaineReception.h"
#include "morse/Synthese.h"
#include "shell/Rapport.h"
#include "sound/FONCTIONS_WAVE.h"
#include "sound/linux/PeripheriqueSonPortAudio.h"

namespace vestral {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr char kPcm_capture[] = "vestral_capture_test";
constexpr char kPcm_restitution[] = "vestral_restitution_test";

class WavePortAudio : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dossier_ = fs::temp_directory_path() / ("vestral_son_" + std::to_string(getpid()));
    fs::create_directories(dossier_);
    std::ofstream(dossier_ / "entree.raw");  // empty until a test writes it
    std::ofstream configuration(dossier_ / "asound.conf");
    configuration << "pcm." << kPcm_capture << " {\n"
                  << "  type file\n  slave.pcm { type null }\n  file \"/dev/null\"\n"
                  << "  infile \"" << (dossier_ / "entree.raw").string() << "\"\n"
                  << "  format \"raw\"\n"
                  << "  hint { show on description \"Entrée de test\" }\n}\n"
                  << "pcm." << kPcm_restitution << " {\n"
                  << "  type file\n  slave.pcm { type null }\n"
                  << "  file \"" << (dossier_ / "sortie.raw").string() << "\"\n"
                  << "  format \"raw\"\n"
                  << "  hint { show on description \"Sortie de test\" }\n}\n"
                  // PortAudio lists every pcm node of the configuration and
                  // expects a "default" (or "dmix") node among them.
                  << "pcm.default { type null }\n";
    configuration.close();
    // Read by ALSA when PortAudio starts: this configuration replaces the
    // system's, so no real card is touched.
    setenv("ALSA_CONFIG_PATH", (dossier_ / "asound.conf").c_str(), 1);
  }
  static void TearDownTestSuite() { fs::remove_all(dossier_); }

  static Options_portaudio Options() {
    Options_portaudio options;
    options.choix.capture = kPcm_capture;
    options.choix.restitution = kPcm_restitution;
    return options;
  }
  static void Ecrire(const fs::path& chemin, const void* donnees, std::size_t taille) {
    std::ofstream f(chemin, std::ios::binary);
    f.write(static_cast<const char*>(donnees), static_cast<std::streamsize>(taille));
  }
  static std::vector<char> Lire(const fs::path& chemin) {
    std::ifstream f(chemin, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
  }

  // Captures `nombre` blocks through the layer, servicing them as the
  // capture pump does; each block's data comes with its number (1 or 2).
  struct Bloc_capture {
    int numero;
    std::vector<uint8_t> donnees;
  };
  static std::vector<Bloc_capture> Capturer(FonctionsWave& wave, int nombre) {
    std::vector<Bloc_capture> blocs;
    uint64_t vu = wave.Blocs_entree_rendus();
    const auto limite = std::chrono::steady_clock::now() + 20s;
    while (static_cast<int>(blocs.size()) < nombre && std::chrono::steady_clock::now() < limite) {
      if (Tampon_son* b = wave.Bloc_entree_a_servir()) {
        blocs.push_back({b->numero, {b->Donnees(), b->Donnees() + wave.Taille_tampon}});
        wave.Remise_en_file_entree(*b);
      } else {
        vu = wave.Attendre_bloc_entree(vu, 100ms);
      }
    }
    return blocs;
  }

  // Plays `blocs` after the two blocks of silence, servicing as the
  // transmit pump does, and waits until the last one is finished.
  static void Jouer(FonctionsWave& wave, PeripheriqueSon& carte,
                    const std::vector<std::vector<uint8_t>>& blocs) {
    Compteur_blocs& rendus = carte.Blocs_rendus(Sens::Sortie);
    uint64_t vu = rendus.Valeur();
    std::size_t suivant = 0;
    int termines = 0;
    const auto limite = std::chrono::steady_clock::now() + 20s;
    while (termines < static_cast<int>(blocs.size()) + 2 &&
           std::chrono::steady_clock::now() < limite) {
      Tampon_son* b = wave.Bloc_sortie_a_servir();
      if (!b) {
        vu = rendus.Attendre_au_dela(vu, 100ms);
        continue;
      }
      ++termines;
      wave.Suppression_entete(*b);
      const std::vector<uint8_t> silence(wave.Taille_tampon, 128);
      const auto& donnees = suivant < blocs.size() ? blocs[suivant++] : silence;
      std::copy(donnees.begin(), donnees.end(), b->Donnees());
      wave.Preparation_entete(*b);
      wave.Ecriture_tampon_sortie(*b);
    }
  }

  static fs::path dossier_;
};

fs::path WavePortAudio::dossier_;

TEST_F(WavePortAudio, PeripheriquesChoisisParLeurNom) {
  bool capture = false, restitution = false;
  for (const auto& p : Lister_peripheriques_son()) {
    capture |= p.nom == kPcm_capture && p.entrees > 0;
    restitution |= p.nom == kPcm_restitution && p.sorties > 0;
  }
  EXPECT_TRUE(capture && restitution);

  RapportMemoire rapport;
  Options_portaudio options = Options();
  options.choix.capture = "CAPTURE_TEST";  // any part of the name, case ignored
  PeripheriqueSonPortAudio carte(options);
  EXPECT_EQ(carte.Nom_peripherique(Sens::Entree), kPcm_capture);
  EXPECT_EQ(carte.Nom_peripherique(Sens::Sortie), kPcm_restitution);
  FonctionsWave wave(carte, rapport);
  EXPECT_TRUE(wave.Verification_carte_son_demarrage());
  EXPECT_TRUE(wave.Verification_carte_son());
  EXPECT_TRUE(rapport.Evenements().empty());

  // A name that matches nothing leaves no device to use.
  options.choix.capture = "carte absente";
  PeripheriqueSonPortAudio sans_capture(options);
  FonctionsWave sans(sans_capture, rapport);
  EXPECT_FALSE(sans.Verification_carte_son());
  EXPECT_EQ(rapport.Erreurs(),
            std::vector<std::string>{"Fonctionnement impossible car il n'y a pas de carte son"});
}

TEST_F(WavePortAudio, CaptureDUnEnregistrement) {
  std::mt19937 aleatoire(7);
  std::vector<uint8_t> enregistrement(100 * kTaille_bloc_reception);
  for (auto& e : enregistrement) e = static_cast<uint8_t>(aleatoire());
  // Then silence, long enough that once the file is read through, the
  // device's buffers (which then stop being rewritten) hold only silence.
  std::vector<uint8_t> fichier = enregistrement;
  fichier.resize(fichier.size() + (2 << 20), 128);
  Ecrire(dossier_ / "entree.raw", fichier.data(), fichier.size());

  RapportMemoire rapport;
  PeripheriqueSonPortAudio carte(Options());
  FonctionsWave wave(carte, rapport);
  wave.Frequence_echantillonnage = kFrequence_son;
  wave.Taille_tampon = kTaille_bloc_reception;
  ASSERT_TRUE(wave.Ouverture_flux_entree());
  EXPECT_FALSE(carte.Conversion_active(Sens::Entree));
  const auto blocs = Capturer(wave, 6);
  wave.Fermeture_flux_entree();
  EXPECT_TRUE(rapport.Evenements().empty());
  ASSERT_EQ(blocs.size(), 6u);

  // The two blocks queued before the start hold the recording's beginning.
  // Each later block is a slice of it, later than the previous fill of the
  // same block (the device runs far faster than real time, so sound falls
  // between fills, and Entree_1, serviced first, may come round again
  // before Entree_2), or silence past its end.
  std::vector<uint8_t>::const_iterator suite[3] = {
      {}, enregistrement.begin(), enregistrement.begin()};
  for (std::size_t i = 0; i < blocs.size(); ++i) {
    const auto& [numero, bloc] = blocs[i];
    auto& position = suite[numero];
    auto debut = std::search(position, enregistrement.cend(), bloc.begin(), bloc.begin() + 64);
    if (position == enregistrement.begin()) {  // its first fill
      EXPECT_EQ(debut - enregistrement.cbegin(), (numero - 1) * kTaille_bloc_reception)
          << "bloc " << i;
    }
    const auto dans = std::min<std::ptrdiff_t>(enregistrement.cend() - debut, bloc.size());
    EXPECT_TRUE(std::equal(bloc.begin(), bloc.begin() + dans, debut)) << "bloc " << i;
    EXPECT_TRUE(std::all_of(bloc.begin() + dans, bloc.end(), [](uint8_t s) { return s == 128; }))
        << "bloc " << i;
    position = debut + dans;
  }
}

TEST_F(WavePortAudio, RestitutionDUneSuiteDeBlocs) {
  // Blocks without the value 128, so that the silence the device plays
  // between them can be told apart.
  std::mt19937 aleatoire(11);
  std::vector<std::vector<uint8_t>> blocs(5, std::vector<uint8_t>(kTaille_bloc_emission));
  std::vector<uint8_t> attendu;
  for (auto& bloc : blocs) {
    for (auto& s : bloc) {
      const unsigned v = aleatoire() % 255;
      s = static_cast<uint8_t>(v < 128 ? v : v + 1);
    }
    attendu.insert(attendu.end(), bloc.begin(), bloc.end());
  }

  RapportMemoire rapport;
  {
    PeripheriqueSonPortAudio carte(Options());
    FonctionsWave wave(carte, rapport);
    wave.Frequence_echantillonnage = kFrequence_son;
    wave.Taille_tampon = kTaille_bloc_emission;
    ASSERT_TRUE(wave.Ouverture_flux_sortie());
    EXPECT_FALSE(carte.Conversion_active(Sens::Sortie));
    Jouer(wave, carte, blocs);
    wave.Fermeture_flux_sortie();
  }
  EXPECT_TRUE(rapport.Evenements().empty());

  const std::vector<char> fichier = Lire(dossier_ / "sortie.raw");
  std::vector<uint8_t> joue;
  std::size_t silence_initiale = 0;
  for (char c : fichier) {
    const auto s = static_cast<uint8_t>(c);
    if (s != 128)
      joue.push_back(s);
    else if (joue.empty())
      ++silence_initiale;
  }
  EXPECT_EQ(joue, attendu);
  EXPECT_GE(silence_initiale, 2u * kTaille_bloc_emission);
}

// Amplitude of the `frequence` component of `x` (sampled at `taux`), and
// the RMS of what remains once that sine is taken out.
struct Mesure_sinus {
  double amplitude;
  double residu;
};
Mesure_sinus Mesurer(const std::vector<double>& x, double frequence, double taux) {
  double c = 0, s = 0, moyenne = 0;
  for (double v : x) moyenne += v;
  moyenne /= static_cast<double>(x.size());
  for (std::size_t n = 0; n < x.size(); ++n) {
    const double w = 2 * std::numbers::pi * frequence * static_cast<double>(n) / taux;
    c += (x[n] - moyenne) * std::cos(w);
    s += (x[n] - moyenne) * std::sin(w);
  }
  c *= 2.0 / static_cast<double>(x.size());
  s *= 2.0 / static_cast<double>(x.size());
  double residu = 0;
  for (std::size_t n = 0; n < x.size(); ++n) {
    const double w = 2 * std::numbers::pi * frequence * static_cast<double>(n) / taux;
    const double r = x[n] - moyenne - c * std::cos(w) - s * std::sin(w);
    residu += r * r;
  }
  return {std::hypot(c, s), std::sqrt(residu / static_cast<double>(x.size()))};
}

TEST_F(WavePortAudio, CaptureConvertieDepuisUnPeripheriqueA48kHz) {
  // The device gives float samples at 48 kHz: a 1 kHz sine at half scale.
  std::vector<float> signal(48000 * 2);
  for (std::size_t n = 0; n < signal.size(); ++n)
    signal[n] = 0.5f * static_cast<float>(std::sin(2 * std::numbers::pi * 1000 * n / 48000.0));
  Ecrire(dossier_ / "entree.raw", signal.data(), signal.size() * sizeof(float));

  RapportMemoire rapport;
  Options_portaudio options = Options();
  options.conversion_toujours = true;
  options.frequence_peripherique = 48000;
  PeripheriqueSonPortAudio carte(options);
  FonctionsWave wave(carte, rapport);
  wave.Frequence_echantillonnage = kFrequence_son;
  wave.Taille_tampon = kTaille_bloc_reception;
  ASSERT_TRUE(wave.Ouverture_flux_entree());
  EXPECT_TRUE(carte.Conversion_active(Sens::Entree));
  const auto blocs = Capturer(wave, 1);
  wave.Fermeture_flux_entree();
  ASSERT_EQ(blocs.size(), 1u);
  EXPECT_TRUE(rapport.Evenements().empty());

  // 8-bit samples at 11025 Hz: the same sine, 64 steps high, past the
  // resampler's first samples.
  std::vector<double> x(blocs[0].donnees.begin() + 200, blocs[0].donnees.end());
  const Mesure_sinus m = Mesurer(x, 1000, kFrequence_son);
  EXPECT_NEAR(m.amplitude, 64.0, 2.0);
  EXPECT_LT(m.residu, 1.5);
}

TEST_F(WavePortAudio, RestitutionConvertieVersUnPeripheriqueA48kHz) {
  std::vector<uint8_t> ton(kTaille_bloc_emission);
  for (std::size_t n = 0; n < ton.size(); ++n)
    ton[n] = static_cast<uint8_t>(
        std::lround(128 + 64 * std::sin(2 * std::numbers::pi * 1000 * n / kFrequence_son)));

  RapportMemoire rapport;
  {
    Options_portaudio options = Options();
    options.conversion_toujours = true;
    options.frequence_peripherique = 48000;
    PeripheriqueSonPortAudio carte(options);
    FonctionsWave wave(carte, rapport);
    wave.Frequence_echantillonnage = kFrequence_son;
    wave.Taille_tampon = kTaille_bloc_emission;
    ASSERT_TRUE(wave.Ouverture_flux_sortie());
    EXPECT_TRUE(carte.Conversion_active(Sens::Sortie));
    Jouer(wave, carte, {ton});
    wave.Fermeture_flux_sortie();
  }
  EXPECT_TRUE(rapport.Evenements().empty());

  const std::vector<char> fichier = Lire(dossier_ / "sortie.raw");
  std::vector<float> joue(fichier.size() / sizeof(float));
  std::memcpy(joue.data(), fichier.data(), joue.size() * sizeof(float));
  const auto debut =
      std::find_if(joue.begin(), joue.end(), [](float v) { return std::abs(v) > 0.1f; });
  ASSERT_GT(joue.end() - debut, 8000);
  // Inside the tone's quarter second (12000 frames at 48 kHz).
  std::vector<double> x(debut + 1000, debut + 8000);
  const Mesure_sinus m = Mesurer(x, 1000, 48000);
  EXPECT_NEAR(m.amplitude, 0.5, 0.02);
  EXPECT_LT(m.residu, 0.02);
}

}  // namespace
}  // namespace vestral
