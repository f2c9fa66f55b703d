// The keying server's socket: IPv4 UDP, non-blocking, close-on-exec.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include "shell/Cp1252.h"
#include "station/Cwdaemon.h"

namespace vestral {
namespace {

// Read buffer: longer than any datagram taken, so that a longer one is seen
// as such (the kernel still tells its whole length).
constexpr std::size_t kTampon_reception = 2048;

class CanalUdpLinux : public CanalUdp {
 public:
  explicit CanalUdpLinux(int descripteur) : descripteur_(descripteur) {}
  ~CanalUdpLinux() override { ::close(descripteur_); }
  CanalUdpLinux(const CanalUdpLinux&) = delete;
  CanalUdpLinux& operator=(const CanalUdpLinux&) = delete;

  bool Recevoir(Paquet& paquet) override {
    std::array<char, kTampon_reception> tampon;
    sockaddr_in expediteur{};
    socklen_t longueur = sizeof expediteur;
    for (;;) {
      const ssize_t n = ::recvfrom(descripteur_, tampon.data(), tampon.size(), MSG_TRUNC,
                                   reinterpret_cast<sockaddr*>(&expediteur), &longueur);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return false;
      const auto recu = std::min(static_cast<std::size_t>(n), tampon.size());
      paquet.octets.assign(tampon.data(), recu);
      // A truncated datagram keeps a length that says it was too long.
      if (static_cast<std::size_t>(n) > tampon.size())
        paquet.octets.resize(static_cast<std::size_t>(n));
      paquet.expediteur.assign(reinterpret_cast<const char*>(&expediteur),
                               std::min<std::size_t>(longueur, sizeof expediteur));
      return true;
    }
  }

  void Envoyer(const std::string& expediteur, const std::string& octets) override {
    if (expediteur.size() != sizeof(sockaddr_in)) return;
    sockaddr_in adresse{};
    std::memcpy(&adresse, expediteur.data(), sizeof adresse);
    // Non-blocking: a reply that does not fit now is lost, as UDP allows.
    (void)::sendto(descripteur_, octets.data(), octets.size(), MSG_DONTWAIT,
                   reinterpret_cast<const sockaddr*>(&adresse), sizeof adresse);
  }

 private:
  int descripteur_;
};

}  // namespace

std::string Texte_echec_canal_udp(const std::string& adresse, uint16_t port) {
  return "Impossible d'écouter les commandes de manipulation sur "_cp + adresse + ":" +
         std::to_string(port) + " (port UDP déjà pris ou adresse inconnue)."_cp;
}

std::unique_ptr<CanalUdp> Ouvrir_canal_udp(const std::string& adresse, uint16_t port,
                                           Rapport& rapport) {
  sockaddr_in lien{};
  lien.sin_family = AF_INET;
  lien.sin_port = htons(port);
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0 || ::inet_pton(AF_INET, adresse.c_str(), &lien.sin_addr) != 1 ||
      ::bind(fd, reinterpret_cast<const sockaddr*>(&lien), sizeof lien) != 0) {
    if (fd >= 0) ::close(fd);
    rapport.Erreur(Texte_echec_canal_udp(adresse, port));
    return nullptr;
  }
  return std::make_unique<CanalUdpLinux>(fd);
}

}  // namespace vestral
