// The tones on a second sound device, end to end through PortAudio and
// ALSA without a sound card: the devices are PCMs of the test's own ALSA
// configuration that write what they play to files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <thread>
#include <vector>

#include "shell/EspacePorts.h"
#include "shell/HautParleur.h"
#include "sound/linux/TonalitePortAudio.h"

namespace vestral {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class TonaliteSon : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dossier_ = fs::temp_directory_path() / ("vestral_ecoute_" + std::to_string(getpid()));
    fs::create_directories(dossier_);
    std::ofstream configuration(dossier_ / "asound.conf");
    for (const char* nom : {"ecoute", "emetteur"})
      configuration << "pcm.vestral_" << nom << "_test {\n"
                    << "  type file\n  slave.pcm { type null }\n"
                    << "  file \"" << (dossier_ / (std::string(nom) + ".raw")).string() << "\"\n"
                    << "  format \"raw\"\n}\n";
    configuration << "pcm.default { type null }\n";
    configuration.close();
    setenv("ALSA_CONFIG_PATH", (dossier_ / "asound.conf").c_str(), 1);
  }
  static void TearDownTestSuite() { fs::remove_all(dossier_); }

  static std::vector<float> Joue(const char* nom) {
    std::ifstream f(dossier_ / (std::string(nom) + ".raw"), std::ios::binary);
    const std::vector<char> octets{std::istreambuf_iterator<char>(f), {}};
    std::vector<float> s(octets.size() / sizeof(float));
    std::memcpy(s.data(), octets.data(), s.size() * sizeof(float));
    return s;
  }

  static fs::path dossier_;
};

fs::path TonaliteSon::dossier_;

TEST_F(TonaliteSon, TonaliteSurLeSecondPeripherique) {
  {
    auto ouverture = Ouvrir_tonalite_son("ECOUTE_TEST", std::string("vestral_emetteur_test"));
    ASSERT_TRUE(ouverture.tonalite) << ouverture.erreur;
    EXPECT_EQ(ouverture.tonalite->Nom(), "vestral_ecoute_test");
    const double fe = ouverture.tonalite->Frequence_echantillonnage();
    // The test's devices take samples as fast as they come rather than in
    // real time: the steps are timed by what has been played.
    const fs::path fichier = dossier_ / "ecoute.raw";
    auto jouer = [&](double secondes) {
      std::error_code e;
      const auto depart = fs::file_size(fichier, e);
      const auto limite = std::chrono::steady_clock::now() + 10s;
      while (fs::file_size(fichier, e) < depart + static_cast<std::uintmax_t>(secondes * fe) * 4 &&
             std::chrono::steady_clock::now() < limite)
        std::this_thread::sleep_for(1ms);
    };
    {
      // Wired as the program wires the PC speaker: the monitor's Son and
      // Silence reach the device through the timer ports.
      EspacePorts ports;
      MinuterieHautParleur minuterie(ports, *ouverture.tonalite);
      HautParleur haut_parleur(ports);
      jouer(0.05);
      haut_parleur.Son(800);
      jouer(0.3);
      haut_parleur.Silence();
      jouer(0.1);
    }
    ouverture.tonalite.reset();  // stops and closes the stream: the file is complete

    const std::vector<float> s = Joue("ecoute");
    ASSERT_GT(s.size(), fe * 0.4);
    const auto debut = std::find_if(s.begin(), s.end(), [](float v) { return v != 0; }) - s.begin();
    const auto fin = s.rend() - std::find_if(s.rbegin(), s.rend(), [](float v) { return v != 0; });
    ASSERT_LT(debut, fin) << "aucune tonalité jouée";
    EXPECT_GT(debut, 0) << "la tonalité doit commencer après le silence";
    EXPECT_LT(fin, static_cast<long>(s.size())) << "silence après l'arrêt";
    EXPECT_GT(fin - debut, fe * 0.3);
    double saut = 0;
    int passages = 0;
    for (long n = 1; n < static_cast<long>(s.size()); ++n) {
      saut = std::max(saut, static_cast<double>(std::abs(s[n] - s[n - 1])));
      passages += s[n - 1] < 0 && s[n] >= 0;
    }
    EXPECT_LT(saut, 0.3 * 2 * std::numbers::pi * 800 / fe * 1.1);
    EXPECT_NEAR(passages / ((fin - debut) / fe), 800, 800 * 0.03);
  }
  // Nothing ever reached the transmitter's device.
  EXPECT_TRUE(Joue("emetteur").empty());
}

TEST_F(TonaliteSon, JamaisLePeripheriqueDeLEmetteur) {
  const struct {
    const char* nom;
    const char* ecoute;
    std::optional<std::string> restitution;
    bool ouvert, refus;
  } cas[] = {
      {"même périphérique", "emetteur_test", std::string("vestral_emetteur"), false, true},
      {"le périphérique par défaut des deux côtés", "default", std::string(), false, true},
      {"émetteur simulé", "emetteur_test", std::nullopt, true, false},
      {"nom absent", "carte absente", std::string("vestral_emetteur"), false, false},
  };
  for (const auto& c : cas) {
    auto ouverture = Ouvrir_tonalite_son(c.ecoute, c.restitution);
    EXPECT_EQ(ouverture.tonalite != nullptr, c.ouvert) << c.nom << " : " << ouverture.erreur;
    EXPECT_EQ(ouverture.refus, c.refus) << c.nom;
    EXPECT_EQ(ouverture.erreur.empty(), c.ouvert) << c.nom;
  }
  auto refus = Ouvrir_tonalite_son("emetteur", std::string("emetteur"));
  EXPECT_EQ(refus.erreur,
            "le périphérique d'écoute « vestral_emetteur_test » est celui de la restitution, relié "
            "à l'émetteur : l'écoute et le bip partiraient à l'émission. Choisissez un autre "
            "périphérique pour --monitor (voir --list-devices).");
}

// The program's choice: which backend sounds, and what the operator is
// told on standard error (once, at start-up).
TEST_F(TonaliteSon, ChoixDuProgramme) {
  enum Backend { Ecoute, HautParleurPC, Muet, Aucun };
  const std::string kMuet =
      "pas de haut-parleur PC utilisable : l'écoute à 800 Hz et le bip d'erreur seront muets "
      "(--monitor NOM les joue sur une autre carte son, voir --list-devices)";
  const std::string kAbsent =
      "aucun périphérique de restitution ne correspond à « absent » (voir --list-devices)";
  const struct {
    const char* nom;
    const char* ecoute;
    bool simulation, pc_utilisable;
    Backend attendu;
    std::vector<std::string> messages;
  } cas[] = {
      {"haut-parleur PC", "", false, true, HautParleurPC, {}},
      {"aucun haut-parleur", "", false, false, Muet, {kMuet}},
      {"simulation sans écoute", "", true, false, Muet, {}},
      {"périphérique d'écoute", "ecoute_test", false, false, Ecoute, {}},
      {"écoute en simulation", "ecoute_test", true, false, Ecoute, {}},
      {"l'émetteur simulé ne protège rien", "emetteur", true, false, Ecoute, {}},
      {"écoute absente, haut-parleur PC",
       "absent",
       false,
       true,
       HautParleurPC,
       {kAbsent, "l'écoute et le bip d'erreur restent sur le haut-parleur PC"}},
      {"écoute absente, rien",
       "absent",
       false,
       false,
       Muet,
       {kAbsent,
        "pas de haut-parleur PC utilisable : l'écoute à 800 Hz et le bip d'erreur seront "
        "muets"}},
      {"écoute absente en simulation",
       "absent",
       true,
       true,
       Muet,
       {kAbsent, "l'écoute à 800 Hz et le bip d'erreur seront muets"}},
      {"émetteur refusé", "emetteur", false, true, Aucun, {}},
  };
  for (const auto& c : cas) {
    ChoixPeripheriques choix;
    choix.restitution = "vestral_emetteur_test";
    choix.ecoute = c.ecoute;
    bool pc_ouvert = false;
    auto resultat = Choisir_tonalite(choix, c.simulation, [&]() -> std::unique_ptr<Tonalite> {
      pc_ouvert = true;
      if (c.pc_utilisable) return std::make_unique<TonaliteSimulee>();
      return std::make_unique<TonaliteMuette>();
    });
    Tonalite* t = resultat.tonalite.get();
    const Backend obtenu = !t                                    ? Aucun
                           : dynamic_cast<TonalitePortAudio*>(t) ? Ecoute
                           : dynamic_cast<TonaliteSimulee*>(t)   ? HautParleurPC
                           : dynamic_cast<TonaliteMuette*>(t)    ? Muet
                                                                 : Aucun;
    EXPECT_EQ(obtenu, c.attendu) << c.nom;
    EXPECT_EQ(pc_ouvert, !c.simulation && (c.attendu == HautParleurPC || c.attendu == Muet))
        << c.nom;
    if (c.attendu == Aucun) {
      ASSERT_EQ(resultat.messages.size(), 1u) << c.nom;
      EXPECT_NE(resultat.messages[0].find("relié à l'émetteur"), std::string::npos) << c.nom;
    } else {
      EXPECT_EQ(resultat.messages, c.messages) << c.nom;
    }
  }
}

}  // namespace
}  // namespace vestral
