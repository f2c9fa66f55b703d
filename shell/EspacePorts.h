// The PC's I/O port space as the program sees it. Linux gives programs no
// direct port access, so the few registers the system drives (timer channel
// 2 and the system control port behind the PC speaker, the modem control
// registers of the serial ports) are devices plugged in at their addresses,
// each turning register writes into calls on a real or simulated backend.
// An address with nothing plugged in reads 0xFF and ignores writes, like an
// empty bus. Main thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <map>

namespace vestral {

class PeripheriquePort {
 public:
  virtual ~PeripheriquePort() = default;
  virtual uint8_t Lecture(uint16_t adresse) = 0;
  virtual void Ecriture(uint16_t adresse, uint8_t valeur) = 0;
};

class EspacePorts {
 public:
  uint8_t Lecture_port(uint16_t adresse);
  void Ecriture_port(uint16_t adresse, uint8_t valeur);

  // A device answers at each address it is plugged in at, until it is
  // unplugged; it must be unplugged before it is destroyed.
  void Brancher(uint16_t adresse, PeripheriquePort& peripherique);
  void Debrancher(PeripheriquePort& peripherique);

  // Sees every write, in order, before the device does (traces, tests).
  std::function<void(uint16_t adresse, uint8_t valeur)> temoin;

 private:
  std::map<uint16_t, PeripheriquePort*> peripheriques_;
};

}  // namespace vestral
