// The station settings file, and the call sign guessed from received text.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "shell/Rapport.h"
#include "shell/ReglagesProgramme.h"
#include "station/Indicatifs.h"
#include "station/ReglagesStation.h"

namespace vestral {
namespace {

namespace fs = std::filesystem;

TEST(ReglagesStation, WrittenAtomicallyReadBackAndTheSevenByteFileLeftAlone) {
  const fs::path dossier = fs::temp_directory_path() / "vestral-station-ini";
  fs::remove_all(dossier);
  fs::create_directories(dossier);
  RapportMemoire rapport;
  FichiersTexte fichiers(rapport, dossier);
  // No file: the starting values, and nothing said.
  EXPECT_EQ(Lire_reglages_station(fichiers), ReglagesStation{});
  EXPECT_TRUE(rapport.Evenements().empty());

  ReglagesStation r;
  r.poste = {2, "localhost:4532", 0};
  r.ptt = ModePTT::Cat;
  r.cwdaemon = true;
  r.port_cwdaemon = 6790;
  ASSERT_FALSE(Ecrire_reglages_station(fichiers, r));
  EXPECT_EQ(Lire_reglages_station(fichiers), r);
  EXPECT_FALSE(fs::exists(dossier / "CONFCWER.SER"));
  std::vector<std::string> noms;
  for (const auto& e : fs::directory_iterator(dossier)) noms.push_back(e.path().filename());
  EXPECT_EQ(noms, std::vector<std::string>{kFichier_station});  // no temporary left
  EXPECT_TRUE(rapport.Evenements().empty());
  fs::remove_all(dossier);
}

// The file is shared with the sound devices chosen in the menus: each part
// rewrites its own lines and keeps the other's.
TEST(ReglagesStation, SharedWithTheSoundDevices) {
  const fs::path dossier = fs::temp_directory_path() / "vestral-station-ini-partage";
  fs::remove_all(dossier);
  fs::create_directories(dossier);
  RapportMemoire rapport;
  FichiersTexte fichiers(rapport, dossier);
  ReglagesProgramme peripheriques(fichiers);
  peripheriques.Lire();
  ASSERT_TRUE(peripheriques.Changer(kCle_capture, "USB Audio CODEC"));
  ReglagesStation r;
  r.poste = {1, "", 0};
  r.ptt = ModePTT::Cat;
  ASSERT_FALSE(Ecrire_reglages_station(fichiers, r));
  // The device object still holds the file as it read it: its next change
  // must not drop the station's lines.
  ASSERT_TRUE(peripheriques.Changer(kCle_restitution, "HDMI"));
  EXPECT_EQ(Lire_reglages_station(fichiers), r);
  ReglagesProgramme relu(fichiers);
  relu.Lire();
  EXPECT_EQ(relu.Valeur(kCle_capture), "USB Audio CODEC");
  EXPECT_EQ(relu.Valeur(kCle_restitution), "HDMI");
  EXPECT_TRUE(rapport.Evenements().empty());
  fs::remove_all(dossier);
}

TEST(ReglagesStation, MalformedLinesKeepTheStartingValues) {
  const ReglagesStation depart;
  const std::pair<std::string, ReglagesStation> cas[] = {
      {"", depart},
      {"rig=abc\nptt=radio\ncwdaemon=2\ncwdaemon-port=0\nrig-speed=-1\n", depart},
      {"rig-device=/dev/tty USB0\ncwdaemon-port=70000\nrig=1x\n", depart},
      {"nothing\n=\nrig=\n", depart},
      {"rig=3073\r\nrig-device=/dev/ttyUSB0\r\nrig-speed=38400\r\nptt=none\r\n",
       {{3073, "/dev/ttyUSB0", 38400}, ModePTT::Aucun, false, "127.0.0.1", 6789}},
      {"cwdaemon=1\ncwdaemon-address=0.0.0.0", {{}, ModePTT::Serie, true, "0.0.0.0", 6789}},
  };
  for (const auto& [texte, attendu] : cas)
    EXPECT_EQ(Reglages_station_depuis(texte), attendu) << texte;
  for (const auto m : {ModePTT::Serie, ModePTT::Cat, ModePTT::Aucun})
    EXPECT_EQ(Mode_ptt_depuis(Nom_mode_ptt(m)), m);
}

TEST(Indicatifs, TheLastCallSignHeard) {
  const std::pair<std::string, std::string> cas[] = {
      {"CQ CQ DE F6ABC F6ABC K", "F6ABC"},        {"F6ABC DE DL1XYZ 5NN TU", "DL1XYZ"},
      {"ur rst 599 599 name jean qth paris", ""}, {"QRZ? de 2e0abc/p k", "2E0ABC/P"},
      {"9A1AA W1AW/4 TEST 73", "W1AW/4"},         {"VK2ABC de F/G4XYZ", "F/G4XYZ"},
      {"TEST 5NN RST599 ABC123 CQ1 K1A", "K1A"},  {"F6ABC\r\nR\xC9SEAU", "F6ABC"},
  };
  for (const auto& [texte, attendu] : cas) EXPECT_EQ(Dernier_indicatif(texte), attendu) << texte;
}

}  // namespace
}  // namespace vestral
