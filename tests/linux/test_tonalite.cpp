#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/input.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "shell/linux/TonaliteLinux.h"

namespace vestral {
namespace {

TEST(TonaliteLinux, EvenementsSonDuHautParleur) {
  int tube[2];
  ASSERT_EQ(::pipe2(tube, O_CLOEXEC | O_NONBLOCK), 0);
  Descripteur lecture(tube[0]);
  {
    TonaliteEvenement tonalite{Descripteur(tube[1])};
    tonalite.Demarrer(1000);
    tonalite.Arreter();
  }  // and a last stop when it goes
  input_event e[4]{};
  ASSERT_EQ(::read(lecture.fd(), e, sizeof e), static_cast<ssize_t>(3 * sizeof(input_event)));
  const int valeurs[] = {1000, 0, 0};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(e[i].type, EV_SND) << i;
    EXPECT_EQ(e[i].code, SND_TONE) << i;
    EXPECT_EQ(e[i].value, valeurs[i]) << i;
  }
}

TEST(TonaliteLinux, SansPeripheriqueLeBipEstMuet) {
  // A regular file is neither an event device nor a console.
  const auto fichier = std::filesystem::temp_directory_path() / "vestral_pas_une_console";
  std::ofstream(fichier) << "";
  EXPECT_EQ(TonaliteEvenement::Ouvrir(fichier.string()), nullptr);
  EXPECT_EQ(TonaliteConsole::Ouvrir(fichier.string()), nullptr);
  auto tonalite = Ouvrir_tonalite({"/nonexistent/input/*-event-spkr", fichier.string()},
                                  {"/nonexistent/console", fichier.string()});
  EXPECT_NE(dynamic_cast<TonaliteMuette*>(tonalite.get()), nullptr);
  tonalite->Demarrer(1000);
  tonalite->Arreter();
  std::filesystem::remove(fichier);
}

}  // namespace
}  // namespace vestral
