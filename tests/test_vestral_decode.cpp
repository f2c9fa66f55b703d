#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/wait.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

#include "morse/TableMorse.h"
#include "shell/FormatSon.h"
#include "sound/FichierAudio.h"
#include "tests/SignalTest.h"

namespace vestral {
namespace {

namespace fs = std::filesystem;

struct Resultat {
  int code;
  std::string sortie, erreurs;
};

Resultat Lancer(const std::string& arguments) {
  const fs::path erreurs =
      fs::temp_directory_path() / ("vestral-decode-stderr-" + std::to_string(::getpid()) + ".txt");
  const std::string commande =
      std::string(VESTRAL_BIN_DIR) + "/vestral-decode " + arguments + " 2>" + erreurs.string();
  Resultat r{};
  FILE* tube = ::popen(commande.c_str(), "r");
  std::array<char, 4096> tampon{};
  while (const std::size_t n = std::fread(tampon.data(), 1, tampon.size(), tube))
    r.sortie.append(tampon.data(), n);
  const int statut = ::pclose(tube);
  r.code = WIFEXITED(statut) ? WEXITSTATUS(statut) : -1;
  std::ifstream f(erreurs);
  r.erreurs.assign(std::istreambuf_iterator<char>(f), {});
  return r;
}

class VestralDecode : public ::testing::Test {
 protected:
  void SetUp() override {
    dossier_ = fs::temp_directory_path() /
               ("vestral-decode-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dossier_);
  }
  void TearDown() override { fs::remove_all(dossier_); }
  std::string Chemin(const std::string& nom) const { return (dossier_ / nom).string(); }

  fs::path dossier_;
};

// Morse of a text at 20 words per minute on `frequence`, as float samples at `taux`.
std::vector<float> Morse(const std::string& texte, double frequence, int taux) {
  std::vector<float> e;
  const double point = 0.062 * taux;
  long phase = 0;
  auto Ajouter = [&](double duree, bool ton) {
    for (long n = std::lround(duree); n > 0; --n, ++phase)
      e.push_back(
          ton ? 0.6f * static_cast<float>(std::sin(2 * std::numbers::pi * frequence * phase / taux))
              : 0.0f);
  };
  Ajouter(0.3 * taux, false);
  for (char c : texte) {
    if (c == ' ') {
      Ajouter(4 * point, false);
      continue;
    }
    for (char element : Motif_morse(static_cast<uint8_t>(c))) {
      Ajouter(element == '.' ? point : 3 * point, true);
      Ajouter(point, false);
    }
    Ajouter(2 * point, false);
  }
  Ajouter(0.5 * taux, false);
  return e;
}

void Ecrire(const std::string& chemin, const std::vector<float>& mono, int taux, int canaux,
            int format) {
  SF_INFO info{};
  info.samplerate = taux;
  info.channels = canaux;
  info.format = format;
  SNDFILE* f = sf_open(chemin.c_str(), SFM_WRITE, &info);
  ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
  std::vector<float> trames;
  for (float x : mono)
    for (int c = 0; c < canaux; ++c) trames.push_back(c == 0 ? x : x * 0.5f);
  sf_writef_float(f, trames.data(), static_cast<sf_count_t>(mono.size()));
  sf_close(f);
}

TEST_F(VestralDecode, FormatsEtFrequenceTrouvee) {
  struct Cas {
    const char* nom;
    int taux, canaux, format;
    double frequence;
  } cas[] = {
      {"a.wav", 22050, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 700},
      {"b.flac", 48000, 1, SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 1234},
      {"c.wav", kFrequence_echantillonnage_entree, 1, SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 800},
      {"d.wav", 8000, 1, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 600},
  };
  for (const auto& c : cas) {
    Ecrire(Chemin(c.nom), Morse("CQ DE F5ABC K", c.frequence, c.taux), c.taux, c.canaux, c.format);
    const auto r = Lancer(Chemin(c.nom));
    EXPECT_EQ(r.code, 0) << c.nom << r.erreurs;
    EXPECT_EQ(r.sortie, "CQ DE F5ABC K \n") << c.nom;
  }
}

TEST_F(VestralDecode, OptionsEtInstants) {
  Ecrire(Chemin("e.wav"), Morse("EE", 900, kFrequence_echantillonnage_entree),
         kFrequence_echantillonnage_entree, 1, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
  auto r =
      Lancer("--frequency 900 --speed 20 --threshold 400 --band wide --times " + Chemin("e.wav"));
  EXPECT_EQ(r.code, 0) << r.erreurs;
  double premier = 0, second = 0;
  char c1 = 0, c2 = 0;
  ASSERT_EQ(std::sscanf(r.sortie.c_str(), "%lf %c\n%lf %c", &premier, &c1, &second, &c2), 4)
      << r.sortie;
  EXPECT_EQ(c1, 'E');
  EXPECT_EQ(c2, 'E');
  EXPECT_NEAR(premier, 0.3 + 4 * 0.062, 0.08);
  // Tuned 300 Hz away, the narrow filter hears nothing.
  r = Lancer("--frequency 1200 --speed=20 --threshold=200 " + Chemin("e.wav"));
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.sortie, "\n");
}

TEST_F(VestralDecode, Erreurs) {
  std::ofstream(Chemin("bruit.wav")) << "RIFF\x10\0\0\0WAVEdata garbage that is not audio";
  std::ofstream(Chemin("vide.wav"));
  fs::create_directory(Chemin("dossier"));
  struct Cas {
    std::string arguments;
    int code;
    std::string message;
  } cas[] = {
      {Chemin("absent.wav"), 1, "absent.wav"},
      {Chemin("bruit.wav"), 1, "bruit.wav"},
      {Chemin("vide.wav"), 1, "vide.wav"},
      {Chemin("dossier"), 1, "dossier"},
      {"", 2, "Usage"},
      {"--speed 9 x.wav", 2, "vitesse"},
      {"--speed 55 x.wav", 2, "vitesse"},
      {"--frequency 199 x.wav", 2, "fréquence"},
      {"--threshold 0 x.wav", 2, "seuil"},
      {"--band medium x.wav", 2, "bande"},
      {"--speed", 2, "attend une valeur"},
      {"--nope x.wav", 2, "option inconnue"},
      {"a.wav b.wav", 2, "un seul fichier"},
      {"--times=1 x.wav", 2, "ne prend pas de valeur"},
      {"--band= x.wav", 2, "bande incorrecte"},
      {"-5 x.wav", 2, "option inconnue : -5"},
      {"--speed 20 --speed 9 x.wav", 2, "vitesse incorrecte : 9"},  // the last one counts
  };
  for (const auto& c : cas) {
    const auto r = Lancer(c.arguments);
    EXPECT_EQ(r.code, c.code) << c.arguments;
    EXPECT_NE(r.erreurs.find(c.message), std::string::npos) << c.arguments << ": " << r.erreurs;
    EXPECT_EQ(r.sortie, "") << c.arguments;
  }
  EXPECT_EQ(Lancer("--help").code, 0);
  EXPECT_EQ(Lancer("--version").sortie, "vestral-decode 0.1.0\n");
}

TEST(FichierAudio, ImageWavEtLectureExacte) {
  std::vector<uint8_t> e = {0, 1, 127, 128, 129, 254, 255};
  const auto chemin = (fs::temp_directory_path() / "vestral-exact.wav").string();
  ASSERT_EQ(Ecrire_wav(chemin, e), "");
  const auto lecture = Lire_fichier_audio(chemin);
  EXPECT_EQ(lecture.erreur, "");
  EXPECT_EQ(lecture.echantillons, e);
  EXPECT_EQ(Image_wav(e)->size(), 44u + 7 + 1);  // padded to a whole word
  fs::remove(chemin);
  EXPECT_NE(Ecrire_wav("/nonexistent/dir/x.wav", e), "");
}

}  // namespace
}  // namespace vestral
