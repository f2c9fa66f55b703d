// The serial keying line on pseudo-terminals: no hardware needed. A pty has
// no modem control lines (TIOCMBIS answers ENOTTY) and, once its master side
// is closed, behaves like an unplugged adapter (EIO).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>

#include "shell/Cp1252.h"
#include "shell/Descripteur.h"
#include "shell/linux/PortSerieLinux.h"

namespace vestral {
namespace {

struct Pty {
  Pty() : maitre(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC)) {
    if (maitre.Valide() && ::grantpt(maitre.fd()) == 0 && ::unlockpt(maitre.fd()) == 0)
      esclave = ::ptsname(maitre.fd());
  }
  Descripteur maitre;
  std::string esclave;
};

CheminsPortsSerie Chemins(const std::string& com1) {
  CheminsPortsSerie chemins;
  chemins.chemins = {com1, "/nonexistent/ttyS1", "/nonexistent/ttyS2", "/nonexistent/ttyS3"};
  return chemins;
}

struct Programme {
  explicit Programme(const std::string& com1) : acces(Chemins(com1)) { port.Choix_port(1); }
  EspacePorts ports;
  AccesSerieLinux acces;
  RapportMemoire rapport;
  PortSerie port{ports, acces, rapport};
};

const std::string kReussite = "Réussite de l'ouverture du port série COM 1."_cp;
const std::string kEchec = "Echec de l'ouverture du port série COM 1. Serait-ce la souris?"_cp;

TEST(PortSerieLinux, OuvertureExclusiveEtVerrou) {
  Pty pty;
  ASSERT_FALSE(pty.esclave.empty());
  Programme premier(pty.esclave), second(pty.esclave);

  premier.port.Test_port_serie();
  EXPECT_EQ(premier.rapport.Dernier_panneau(), kReussite);
  EXPECT_FALSE(premier.port.Port_ouvert());

  ASSERT_TRUE(premier.port.Ouverture_port_serie(1));
  second.port.Test_port_serie();
  EXPECT_EQ(second.rapport.Dernier_panneau(), kEchec);

  // Anyone honouring advisory locks is kept out too.
  Descripteur autre(::open(pty.esclave.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (autre.Valide()) {  // root passes TIOCEXCL
    EXPECT_EQ(::flock(autre.fd(), LOCK_EX | LOCK_NB), -1);
    EXPECT_EQ(errno, EWOULDBLOCK);
  } else {
    EXPECT_EQ(errno, EBUSY);
  }

  premier.port.Fermeture_port_serie();
  second.port.Test_port_serie();
  EXPECT_EQ(second.rapport.Dernier_panneau(), kReussite);
}

TEST(PortSerieLinux, PeripheriquesQuiNeSontPasDesPortsSerie) {
  const auto fichier = std::filesystem::temp_directory_path() / "vestral_pas_un_port";
  std::ofstream(fichier) << "x";
  for (const std::string& chemin :
       {std::string("/nonexistent/ttyUSB9"), fichier.string(), std::string()}) {
    Programme programme(chemin);
    programme.port.Test_port_serie();
    EXPECT_EQ(programme.rapport.Dernier_panneau(), kEchec) << chemin;
  }
  std::filesystem::remove(fichier);
}

TEST(PortSerieLinux, LignesNonCommandeesPuisAdaptateurDisparu) {
  Pty pty;
  ASSERT_FALSE(pty.esclave.empty());
  Programme programme(pty.esclave);
  ASSERT_TRUE(programme.port.Ouverture_port_serie(1));

  programme.port.Activer_PTT();
  programme.port.Relacher_PTT();
  EXPECT_EQ(programme.rapport.Erreurs(),
            std::vector<std::string>{
                "Les broches DTR/RTS du port série COM 1 ne peuvent pas être commandées."_cp});
  EXPECT_EQ(programme.ports.Lecture_port(0x3FC), 8);
  EXPECT_TRUE(programme.port.Port_ouvert());

  pty.maitre.Fermer();  // the device goes away while the line is held
  programme.rapport.Vider();
  programme.port.Activer_PTT();
  EXPECT_FALSE(programme.port.Port_ouvert());
  EXPECT_EQ(programme.rapport.Erreurs(),
            std::vector<std::string>{"Le port série COM 1 ne répond plus (adaptateur débranché?). "
                                     "Les broches DTR/RTS ne sont plus commandées."_cp});
  programme.port.Relacher_PTT();
  EXPECT_EQ(programme.rapport.Erreurs().size(), 1u);
}

TEST(PortSerieLinux, OptionDeLaLigneDeCommande) {
  Pty pty;
  ASSERT_FALSE(pty.esclave.empty());
  CheminsPortsSerie chemins;
  ASSERT_TRUE(chemins.Lire_option("--com3=" + pty.esclave));
  AccesSerieLinux acces(chemins);
  auto ligne = acces.Ouvrir(3);
  ASSERT_NE(ligne, nullptr);
  EXPECT_EQ(acces.Ouvrir(3), nullptr);
  ligne.reset();
  EXPECT_NE(acces.Ouvrir(3), nullptr);
}

}  // namespace
}  // namespace vestral
