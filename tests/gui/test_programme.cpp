// The program itself, run on the simulated devices without a display.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

namespace {

namespace fs = std::filesystem;
const std::string kProgramme = VESTRAL_BIN_DIR "/vestral";

std::string Lire(const fs::path& chemin) {
  std::ifstream f(chemin, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), {}};
}

TEST(Programme, Aide) {
  FILE* sortie = ::popen((kProgramme + " --help").c_str(), "r");
  ASSERT_NE(sortie, nullptr);
  std::string texte;
  char tampon[256];
  while (std::fgets(tampon, sizeof tampon, sortie)) texte += tampon;
  EXPECT_EQ(::pclose(sortie), 0);
  for (const char* option :
       {"--simulation", "--signal", "--emission", "--com1", "--capture", "--list-devices"})
    EXPECT_NE(texte.find(option), std::string::npos) << option;
}

TEST(Programme, OptionInconnue) {
  EXPECT_NE(std::system((kProgramme + " --inconnue >/dev/null 2>&1").c_str()), 0);
}

// Station options out of range end the program at once (code 2), before
// any window; good ones are taken.
TEST(Programme, OptionsDeLaStation) {
  for (const char* options : {"--rig abc", "--rig 1 --rig-speed x", "--ptt radio",
                              "--cwdaemon 99999", "--cwdaemon=0", "--cwdaemon-address 'a b'"}) {
    const int statut =
        std::system((kProgramme + " --simulation " + options + " >/dev/null 2>&1").c_str());
    EXPECT_TRUE(WIFEXITED(statut) && WEXITSTATUS(statut) == 2) << options;
  }
}

// Started on the simulated devices with its files in place, the program
// runs until a termination signal, then quits as "A&bandon" does and writes
// what was transmitted (nothing here) to the WAV file asked for.
TEST(Programme, SimulationQuitteSurSignal) {
  const fs::path dossier =
      fs::temp_directory_path() / ("vestral_programme_" + std::to_string(::getpid()));
  fs::remove_all(dossier);
  fs::create_directories(dossier);
  const std::string reglages{20, 120, 1, 0x20, 5, 1, 1};
  std::ofstream(dossier / "CONFCWER.SER", std::ios::binary) << reglages;
  for (const char* nom : {"F1.SER", "F2.SER", "F3.SER", "F4.SER"})
    std::ofstream(dossier / nom, std::ios::binary) << "";
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (::chdir(dossier.c_str()) != 0) ::_exit(127);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::execl(kProgramme.c_str(), kProgramme.c_str(), "--simulation", "--emission", "emis.wav",
            static_cast<char*>(nullptr));
    ::_exit(127);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  ::kill(pid, SIGTERM);
  int etat = 0;
  pid_t fini = 0;
  for (int i = 0; i < 100 && (fini = ::waitpid(pid, &etat, WNOHANG)) == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  if (fini == 0) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &etat, 0);
    FAIL() << "the program did not quit";
  }
  ASSERT_TRUE(WIFEXITED(etat));
  EXPECT_EQ(WEXITSTATUS(etat), 0);
  EXPECT_EQ(Lire(dossier / "CONFCWER.SER"), reglages);
  EXPECT_TRUE(fs::exists(dossier / "emis.wav"));
  EXPECT_FALSE(fs::exists(dossier / "QSO_MORSE.TXT"));  // nothing logged
  fs::remove_all(dossier);
}

}  // namespace
