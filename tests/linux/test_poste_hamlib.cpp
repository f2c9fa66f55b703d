// The rig through hamlib: its dummy rig (model 1) directly, and the same
// behind a real rigctld on the loopback (model 2), killed mid-transmission.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "shell/Rapport.h"
#include "station/ControlePoste.h"
#include "tests/Attente.h"

extern char** environ;

namespace vestral {
namespace {

using namespace std::chrono_literals;

using test::Attendre;

uint16_t Port_tcp_libre() {
  return test::Port_loopback_libre(SOCK_STREAM);
}

// One command to a rig server, its first answer line ("" when it is gone).
std::string Demander(uint16_t port, const std::string& commande) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::string ligne;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
      ::send(fd, commande.data(), commande.size(), MSG_NOSIGNAL) ==
          static_cast<ssize_t>(commande.size())) {
    pollfd p{fd, POLLIN, 0};
    char c;
    while (::poll(&p, 1, 3000) == 1 && ::recv(fd, &c, 1, 0) == 1 && c != '\n') ligne += c;
  }
  ::close(fd);
  return ligne;
}

// rigctld with the dummy rig keyed by its own commands, on a free loopback
// port; killed at the end.
class Rigctld {
 public:
  Rigctld() : port(Port_tcp_libre()) {
    const std::string p = std::to_string(port);
    const char* argv[] = {"rigctld", "-m",        "1",  "-P",      "RIG",
                          "-T",      "127.0.0.1", "-t", p.c_str(), nullptr};
    if (::posix_spawnp(&pid_, "rigctld", nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
      pid_ = -1;
  }
  ~Rigctld() { Tuer(); }
  bool Pret() {
    return pid_ > 0 && Attendre([&] { return !Demander(port, "f\n").empty(); });
  }
  void Tuer() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  const uint16_t port;

 private:
  pid_t pid_ = -1;
};

TEST(PosteHamlib, DummyRigDirectlyKeysReleasesAndTellsItsFrequency) {
  auto poste = Creer_poste_hamlib();
  ASSERT_TRUE(poste->Ouvrir({1, "", 0}));
  const auto f = poste->Lire_frequence();
  ASSERT_TRUE(f.has_value());
  EXPECT_GT(*f, 0);
  EXPECT_TRUE(poste->Positionner_PTT(true));
  EXPECT_TRUE(poste->Positionner_PTT(false));
  poste->Fermer();
  EXPECT_EQ(poste->Lire_frequence(), std::nullopt);

  // Through the rig's thread.
  ControlePoste controle(Creer_poste_hamlib(), {1, "", 0});
  ASSERT_TRUE(Attendre([&] { return controle.Etat_poste() == ControlePoste::Etat::Pret; }));
  EXPECT_EQ(controle.Frequence_hz(), f);
  controle.Demander_PTT(true);
  EXPECT_TRUE(Attendre([&] { return controle.PTT_actif(); }));
  controle.Demander_PTT(false);
  EXPECT_TRUE(Attendre([&] { return !controle.PTT_actif(); }));
}

TEST(PosteHamlib, AnUnknownModelOrAMissingServerCannotBeOpened) {
  EXPECT_FALSE(Creer_poste_hamlib()->Ouvrir({999999, "", 0}));
  const uint16_t port = Port_tcp_libre();  // nobody listens there
  ControlePoste controle(Creer_poste_hamlib(), {2, "127.0.0.1:" + std::to_string(port), 0});
  ASSERT_TRUE(
      Attendre([&] { return controle.Etat_poste() == ControlePoste::Etat::Echec_ouverture; }));
  RapportMemoire rapport;
  controle.Signaler(rapport);
  EXPECT_EQ(rapport.Erreurs(), std::vector<std::string>{ControlePoste::Texte_echec_ouverture(
                                   {2, "127.0.0.1:" + std::to_string(port), 0})});
}

TEST(PosteHamlib, ThroughRigctldKeyingFrequencyAndTheServerKilledMidTransmission) {
  Rigctld serveur;
  if (!serveur.Pret()) GTEST_SKIP() << "rigctld introuvable ou muet";
  // The server may refuse a connection while it settles: asked again.
  ASSERT_TRUE(Attendre([&] { return Demander(serveur.port, "F 7025000\n") == "RPRT 0"; }));
  const ReglagesPoste reglages{2, "127.0.0.1:" + std::to_string(serveur.port), 0};
  ControlePoste controle(Creer_poste_hamlib(), reglages);
  ASSERT_TRUE(Attendre([&] { return controle.Etat_poste() == ControlePoste::Etat::Pret; }));
  EXPECT_EQ(controle.Frequence_hz(), 7'025'000);

  // Keyed and released, as the server itself tells.
  controle.Demander_PTT(true);
  ASSERT_TRUE(Attendre([&] { return controle.PTT_actif(); }));
  EXPECT_EQ(Demander(serveur.port, "t\n"), "1");
  controle.Demander_PTT(false);
  ASSERT_TRUE(Attendre([&] { return !controle.PTT_actif(); }));
  EXPECT_EQ(Demander(serveur.port, "t\n"), "0");

  // The dial turned by another program sharing the server.
  ASSERT_EQ(Demander(serveur.port, "F 14030000\n"), "RPRT 0");
  ASSERT_TRUE(Attendre([&] { return controle.Frequence_hz() == 14'030'000; }));

  // Killed while keyed: given up, keying considered released, told once.
  controle.Demander_PTT(true);
  ASSERT_TRUE(Attendre([&] { return controle.PTT_actif(); }));
  serveur.Tuer();
  ASSERT_TRUE(Attendre([&] { return controle.Etat_poste() == ControlePoste::Etat::Muet; }));
  EXPECT_FALSE(controle.PTT_actif());
  EXPECT_EQ(controle.Frequence_hz(), std::nullopt);
  RapportMemoire rapport;
  controle.Signaler(rapport);
  controle.Signaler(rapport);
  EXPECT_EQ(rapport.Erreurs(), std::vector<std::string>{ControlePoste::Texte_poste_muet(reglages)});
  controle.Demander_PTT(false);  // and the end does not hang
}

}  // namespace
}  // namespace vestral
