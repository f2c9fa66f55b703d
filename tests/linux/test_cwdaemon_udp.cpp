// The keying server's real socket on the loopback: datagrams as a logger
// sends them, the echo reply, garbage and oversized datagrams.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "station/Cwdaemon.h"
#include "tests/Attente.h"

namespace vestral {
namespace {

using namespace std::chrono_literals;

// A logger's socket on the loopback.
class Logger {
 public:
  Logger() : fd_(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {}
  ~Logger() { ::close(fd_); }
  void Envoyer(uint16_t port, const std::string& octets) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(
        ::sendto(fd_, octets.data(), octets.size(), 0, reinterpret_cast<sockaddr*>(&a), sizeof a),
        static_cast<ssize_t>(octets.size()));
  }
  // The reply, waited for at most 5 s.
  std::string Reponse() {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, 5000) != 1) return "(rien)";
    char tampon[512];
    const ssize_t n = ::recv(fd_, tampon, sizeof tampon, 0);
    return n < 0 ? "(erreur)" : std::string(tampon, static_cast<std::size_t>(n));
  }

 private:
  int fd_;
};

// A free UDP port on the loopback (bound, then given back).
uint16_t Port_libre() {
  return test::Port_loopback_libre(SOCK_DGRAM);
}

// Takes requests until `n` have come (at most 5 s), as the 10 ms tick would.
std::vector<CommandeCwdaemon> Relever(ServeurCwdaemon& serveur, std::size_t n) {
  std::vector<CommandeCwdaemon> toutes;
  const auto limite = std::chrono::steady_clock::now() + 5s;
  while (toutes.size() < n && std::chrono::steady_clock::now() < limite) {
    for (auto& c : serveur.Relever()) toutes.push_back(std::move(c));
    std::this_thread::sleep_for(10ms);
  }
  return toutes;
}

TEST(CwdaemonUdp, ALoggersDatagramsOnTheLoopbackWithEchoAndGarbage) {
  RapportMemoire rapport;
  const uint16_t port = Port_libre();
  auto canal = Ouvrir_canal_udp(kAdresse_cwdaemon, port, rapport);
  ASSERT_NE(canal, nullptr) << (rapport.Erreurs().empty() ? "" : rapport.Erreurs()[0]);
  ServeurCwdaemon serveur(*canal);

  // Nothing waiting: an empty answer at once.
  EXPECT_TRUE(serveur.Relever().empty());

  Logger logger;
  logger.Envoyer(port,
                 "\x1B"
                 "226");
  logger.Envoyer(port, std::string(3000, 'E'));          // oversized
  logger.Envoyer(port, std::string("\x1B\x00\xFF", 3));  // garbage
  logger.Envoyer(port,
                 "\x1B"
                 "h7");
  logger.Envoyer(port, "CQ F6ABC TEST");
  logger.Envoyer(port, std::string(kTaille_max_datagramme + 1, 'T'));  // one byte too long
  logger.Envoyer(port,
                 "\x1B"
                 "4");
  const auto commandes = Relever(serveur, 3);
  ASSERT_EQ(commandes.size(), 3u);
  EXPECT_EQ(commandes[0], (CommandeCwdaemon{Requete::Vitesse, 26, {}}));
  EXPECT_EQ(commandes[1], (CommandeCwdaemon{Requete::Texte, 0, "CQ F6ABC TEST"}));
  EXPECT_EQ(commandes[2], (CommandeCwdaemon{Requete::Abandon, 0, {}}));
  EXPECT_TRUE(rapport.Evenements().empty());

  // An echo comes back to the logger once the text is sent.
  logger.Envoyer(port,
                 "\x1B"
                 "h8");
  logger.Envoyer(port, "TU");
  ASSERT_EQ(Relever(serveur, 1).size(), 1u);
  serveur.Texte_envoye();
  EXPECT_EQ(logger.Reponse(), "h8\r\n");
}

TEST(CwdaemonUdp, APortAlreadyTakenIsToldOnce) {
  RapportMemoire rapport;
  const uint16_t port = Port_libre();
  auto premier = Ouvrir_canal_udp(kAdresse_cwdaemon, port, rapport);
  ASSERT_NE(premier, nullptr);
  EXPECT_EQ(Ouvrir_canal_udp(kAdresse_cwdaemon, port, rapport), nullptr);
  EXPECT_EQ(Ouvrir_canal_udp("pas une adresse", port, rapport), nullptr);
  EXPECT_EQ(rapport.Erreurs(),
            (std::vector<std::string>{Texte_echec_canal_udp(kAdresse_cwdaemon, port),
                                      Texte_echec_canal_udp("pas une adresse", port)}));
  EXPECT_EQ(Texte_echec_canal_udp("127.0.0.1", 6789),
            "Impossible d'\xE9"
            "couter les commandes de manipulation sur 127.0.0.1:6789 (port "
            "UDP d\xE9j\xE0 pris ou adresse inconnue).");
}

}  // namespace
}  // namespace vestral
