#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "morse/Synthese.h"
#include "shell/FormatSon.h"

namespace vestral {
namespace {

namespace fs = std::filesystem;

class VestralEncode : public ::testing::Test {
 protected:
  void SetUp() override {
    dossier_ = fs::temp_directory_path() /
               ("vestral-encode-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dossier_);
    fs::create_directories(dossier_);
  }
  void TearDown() override { fs::remove_all(dossier_); }

  // Runs the tool with `arguments` (shell words) and answers its exit code;
  // its standard error is kept in erreurs_.
  int Lancer(const std::string& arguments, const std::string& entree = "") {
    const fs::path err = dossier_ / "stderr.txt";
    std::string commande;
    if (!entree.empty()) {
      std::ofstream(dossier_ / "stdin.txt", std::ios::binary) << entree;
      commande = "< '" + (dossier_ / "stdin.txt").string() + "' ";
    }
    commande +=
        std::string(VESTRAL_BIN_DIR "/vestral-encode ") + arguments + " 2> '" + err.string() + "'";
    const int statut = std::system(commande.c_str());
    std::ifstream flux(err);
    std::stringstream texte;
    texte << flux.rdbuf();
    erreurs_ = texte.str();
    fs::remove(err);
    return WIFEXITED(statut) ? WEXITSTATUS(statut) : -1;
  }

  // The samples of a WAV file, after checking its format.
  std::vector<uint8_t> Lire_wav(const fs::path& chemin) {
    SF_INFO info{};
    SNDFILE* son = sf_open(chemin.c_str(), SFM_READ, &info);
    EXPECT_NE(son, nullptr) << chemin;
    if (!son) return {};
    EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_U8);
    EXPECT_EQ(info.channels, 1);
    EXPECT_EQ(info.samplerate, kFrequence_echantillonnage_entree);
    std::vector<uint8_t> echantillons(static_cast<std::size_t>(info.frames));
    EXPECT_EQ(sf_read_raw(son, echantillons.data(), info.frames), info.frames);
    sf_close(son);
    return echantillons;
  }

  fs::path dossier_;
  std::string erreurs_;
};

TEST_F(VestralEncode, OptionsRefusees) {
  for (const std::string arguments :
       {"--speed 9 E", "--speed 55 E", "--speed 2x E", "--frequency 199 E", "--frequency 2701 E",
        "--bogus E", "--speed", "-o x.wav E", "--output= E"}) {
    EXPECT_EQ(Lancer(arguments + " > /dev/null"), 2) << arguments;
    EXPECT_NE(erreurs_.find("usage : vestral-encode"), std::string::npos) << arguments;
  }
  EXPECT_TRUE(fs::is_empty(dossier_));
}

TEST_F(VestralEncode, AideEtVersion) {
  const fs::path sortie = dossier_ / "sortie.txt";
  EXPECT_EQ(Lancer("--version > '" + sortie.string() + "'"), 0);
  std::ifstream flux(sortie);
  std::string ligne;
  std::getline(flux, ligne);
  EXPECT_EQ(ligne, "vestral-encode 0.1.0");
  EXPECT_EQ(Lancer("--help > /dev/null"), 0);
}

TEST_F(VestralEncode, FichierEcritEtCaracteresRefuses) {
  const fs::path wav = dossier_ / "cq.wav";
  ASSERT_EQ(Lancer("--speed 26 --frequency=1200 --output '" + wav.string() + "' cq '#' de '#~'"), 0)
      << erreurs_;
  const auto attendu = Echantillons_du_texte("CQ  DE ", 26, 1200);
  EXPECT_EQ(Lire_wav(wav), attendu);
  EXPECT_EQ(erreurs_,
            "vestral-encode : caractère refusé : '#'\n"
            "vestral-encode : caractère refusé : '~'\n");
  // Nothing but the file is left in the folder.
  EXPECT_EQ(std::distance(fs::directory_iterator(dossier_), fs::directory_iterator()), 1);
}

TEST_F(VestralEncode, EntreeStandardVersSortieStandard) {
  // UTF-8 input; each line break is an Enter (no sound); é is a table character.
  const fs::path wav = dossier_ / "sortie.wav";
  ASSERT_EQ(Lancer("--speed 13 > '" + wav.string() + "'", "e\xC3\xA9\r\ne\nx\xE2\x82\xAC\n"), 0)
      << erreurs_;
  EXPECT_EQ(Lire_wav(wav), Echantillons_du_texte("E\xE9\rE\rX\r", 13, 800));
  EXPECT_EQ(erreurs_, "vestral-encode : caractère refusé : '€'\n");
}

TEST_F(VestralEncode, SortieImpossible) {
  const fs::path absent = dossier_ / "absent" / "x.wav";
  EXPECT_EQ(Lancer("--output '" + absent.string() + "' E"), 1);
  EXPECT_NE(erreurs_.find("impossible d'écrire"), std::string::npos) << erreurs_;
  EXPECT_FALSE(fs::exists(absent.parent_path()));

  // A folder in the way: no temporary file is left beside it.
  fs::create_directory(dossier_ / "dossier.wav");
  EXPECT_EQ(Lancer("--output '" + (dossier_ / "dossier.wav").string() + "' E"), 1);
  EXPECT_EQ(std::distance(fs::directory_iterator(dossier_), fs::directory_iterator()), 1);

  // An existing file is replaced whole.
  const fs::path wav = dossier_ / "e.wav";
  std::ofstream(wav) << "ancien";
  EXPECT_EQ(Lancer("--output '" + wav.string() + "' E"), 0);
  EXPECT_EQ(Lire_wav(wav), Echantillons_du_texte("E", 20, 800));
}

}  // namespace
}  // namespace vestral
