// The keying server loggers talk to: one UDP datagram is either text to send
// or one escape request (ESC, a request letter or digit, then its value).
// The port is 6789 unless told otherwise, and the server listens on the
// loopback only unless an address is given.
//
// Analyser_datagramme turns the bytes of one datagram into one request, or
// nothing when the datagram is malformed, out of range or too long (it is
// then dropped without effect). ServeurCwdaemon reads the waiting datagrams
// without waiting (the transceiver window's 10 ms tick calls it) and sends
// the echo replies once the text that followed the echo request is sent.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shell/Rapport.h"

namespace vestral {

inline constexpr uint16_t kPort_cwdaemon = 6789;
inline constexpr const char* kAdresse_cwdaemon = "127.0.0.1";
// Longest datagram taken; longer ones are dropped whole.
inline constexpr std::size_t kTaille_max_datagramme = 256;
// Datagrams taken per call of Relever; the rest wait for the next tick.
inline constexpr int kDatagrammes_par_releve = 32;

enum class Requete {
  Texte,          // text to send (CP1252, trailing line end removed)
  Reinitialiser,  // ESC 0: back to the starting values
  Vitesse,        // ESC 2: words per minute, 4 to 60
  Tonalite,       // ESC 3: tone in Hz, 0 (silent) or 50 to 4000
  Abandon,        // ESC 4: drop what is not sent yet
  Sortie,         // ESC 5: the server is asked to end (ignored)
  Mode_mots,      // ESC 6: send words whole (accepted, no effect here)
  Poids,          // ESC 7: weighting, -50 to 50
  Peripherique,   // ESC 8: keying device (ignored: never chosen from the network)
  Port,           // ESC 9: obsolete
  PTT,            // ESC a: 1 keys the transmitter, 0 releases it
  SSB,            // ESC b: 0 or 1 (accepted, no effect here)
  Accord,         // ESC c: continuous tone for 0 to 10 seconds
  Delai_PTT,      // ESC d: milliseconds between keying and the first tone, 0 to 50
  Bande,          // ESC e: band switch output (ignored)
  Systeme_son,    // ESC f: sound system (ignored)
  Volume,         // ESC g: 0 to 100 (ignored)
  Echo,           // ESC h: reply "h" + text once the next text is sent
};

struct CommandeCwdaemon {
  Requete requete = Requete::Texte;
  int valeur = 0;
  std::string texte;  // Texte, Echo, Peripherique, Systeme_son
  bool operator==(const CommandeCwdaemon&) const = default;
};

[[nodiscard]] std::optional<CommandeCwdaemon> Analyser_datagramme(std::string_view octets);

// One bound datagram socket. The sender of a datagram is kept as opaque
// bytes, only to reply to it.
class CanalUdp {
 public:
  struct Paquet {
    std::string octets;
    std::string expediteur;
  };
  virtual ~CanalUdp() = default;
  // The next waiting datagram, without waiting; false when there is none.
  // A datagram longer than kTaille_max_datagramme comes longer than that
  // (its length is what counts, not its whole content).
  [[nodiscard]] virtual bool Recevoir(Paquet& paquet) = 0;
  virtual void Envoyer(const std::string& expediteur, const std::string& octets) = 0;
};

// The real socket (station/linux): bound to `adresse`:`port` (an IPv4
// address), non-blocking. Null, and one report, when it cannot be bound.
std::unique_ptr<CanalUdp> Ouvrir_canal_udp(const std::string& adresse, uint16_t port,
                                           Rapport& rapport);
std::string Texte_echec_canal_udp(const std::string& adresse, uint16_t port);

// In memory, for tests.
class CanalUdpSimule : public CanalUdp {
 public:
  bool Recevoir(Paquet& paquet) override;
  void Envoyer(const std::string& expediteur, const std::string& octets) override;

  std::vector<Paquet> entrants;  // taken from the front
  std::vector<Paquet> sortants;
};

class ServeurCwdaemon {
 public:
  explicit ServeurCwdaemon(CanalUdp& canal) : canal_(canal) {}

  // The valid requests waiting, in order (echo requests are kept here and
  // not returned).
  std::vector<CommandeCwdaemon> Relever();
  // Everything handed out so far has been sent: the echo replies go out.
  void Texte_envoye();
  // What was not sent is dropped: so are the echoes waiting for it.
  void Abandon();
  bool Echo_en_attente() const { return !echos_armes_.empty() || !echos_lies_.empty(); }

 private:
  struct EchoDemande {
    std::string expediteur;
    std::string reponse;
  };
  CanalUdp& canal_;
  std::vector<EchoDemande> echos_armes_;  // waiting for the next text
  std::vector<EchoDemande> echos_lies_;   // waiting for that text to be sent
};

}  // namespace vestral
