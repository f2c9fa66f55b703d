// The serial keying line: a transmitter without VOX is keyed by raising DTR
// and RTS of one serial port, COM1 to COM4, for the whole of a transmission.
//
// The keying writes the port's UART modem control register (11: DTR, RTS
// and OUT2; 8: OUT2 only) through the I/O port space. PortSerie answers at
// the four modem control registers and turns each write into DTR and RTS of
// the device it holds open (LigneModem), opened through AccesSerie: the
// Linux serial devices or a simulation. Main thread only.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "shell/EspacePorts.h"
#include "shell/Rapport.h"

namespace vestral {

enum class EtatLignes {
  Ok,
  Non_commandees,  // the device has no modem control lines (a pseudo-terminal)
  Disparu,         // the device went away (USB adapter unplugged)
};

// One serial device, opened and reserved; closing it lowers DTR and RTS.
class LigneModem {
 public:
  virtual ~LigneModem() = default;
  virtual EtatLignes Positionner(bool dtr, bool rts) = 0;
};

class AccesSerie {
 public:
  virtual ~AccesSerie() = default;
  // COM1 to COM4; null when the port cannot be opened for this program
  // alone (missing, or held by another program).
  virtual std::unique_ptr<LigneModem> Ouvrir(int numero) = 0;
};

inline constexpr std::array<uint16_t, 4> kAdresses_uart = {0x3F8, 0x2F8, 0x3E8, 0x2E8};
inline constexpr uint8_t kModem_emission = 11;  // DTR, RTS, OUT2
inline constexpr uint8_t kModem_repos = 8;      // OUT2

class PortSerie : private PeripheriquePort {
 public:
  PortSerie(EspacePorts& ports, AccesSerie& acces, Rapport& rapport);
  ~PortSerie() override;
  PortSerie(const PortSerie&) = delete;
  PortSerie& operator=(const PortSerie&) = delete;

  // The working values of the chosen port; `Choix_port` sets them from the
  // settings code (1 to 4 = COM1 to COM4, 5 = none).
  uint8_t Port_serie_choisi = 0;
  uint8_t Numero_port_serie = 0;
  uint16_t Adresse_port_serie = 0;
  uint16_t Adresse_commande_modem = 0;
  void Choix_port(uint8_t port_serie);

  // Opens COM`numero` (closing any port open here first) and keeps it
  // reserved; true when it could be opened.
  [[nodiscard]] bool Ouverture_port_serie(int numero);
  void Fermeture_port_serie();
  bool Port_ouvert() const { return poignee_ != nullptr; }

  // Tells in Panel1 whether the chosen port can be opened; leaves it closed.
  void Test_port_serie();

  void Activer_PTT();
  void Relacher_PTT();

 private:
  uint8_t Lecture(uint16_t adresse) override;
  void Ecriture(uint16_t adresse, uint8_t valeur) override;

  EspacePorts& ports_;
  AccesSerie& acces_;
  Rapport& rapport_;
  std::unique_ptr<LigneModem> poignee_;
  int numero_ouvert_ = 0;
  bool lignes_signalees_ = false;  // "cannot be driven" already told for this opening
  std::array<uint8_t, 4> registres_modem_{};
};

// Four simulated ports, for tests: present or not, held by another program
// or not, and their DTR and RTS history while open.
class AccesSerieSimule : public AccesSerie {
 public:
  struct Port {
    bool present = true;
    bool tenu_ailleurs = false;
    EtatLignes reponse = EtatLignes::Ok;  // what driving the lines gives
    bool ouvert = false;
    bool dtr = false;
    bool rts = false;
    int ouvertures = 0;
    std::string lignes;  // one letter per change: 'H' both raised, 'B' both low, 'D', 'R' one
  };

  std::unique_ptr<LigneModem> Ouvrir(int numero) override;
  Port& port(int numero) { return ports_[numero - 1]; }

 private:
  std::array<Port, 4> ports_;
};

}  // namespace vestral
