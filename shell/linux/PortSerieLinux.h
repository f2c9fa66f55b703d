// The serial ports of Linux as keying lines.
//
// A port is opened without waiting for carrier and reserved twice over: the
// tty is made exclusive (TIOCEXCL: no other open, except by root) and an
// advisory lock is taken on it (flock), which other instances of this
// program and well-behaved serial programs respect. DTR and RTS are lowered
// right after the open (the kernel raises them on open) and before the close.
#pragma once

#include <memory>
#include <string>

#include "shell/CheminsPortsSerie.h"
#include "shell/PortSerie.h"

namespace vestral {

class AccesSerieLinux : public AccesSerie {
 public:
  explicit AccesSerieLinux(CheminsPortsSerie chemins = CheminsPortsSerie::Depuis_environnement())
      : chemins_(std::move(chemins)) {}

  std::unique_ptr<LigneModem> Ouvrir(int numero) override;
  // Opens a terminal device by its path; null when it is missing, is not a
  // terminal or is held by another program.
  static std::unique_ptr<LigneModem> Ouvrir_chemin(const std::string& chemin);

  const CheminsPortsSerie& Chemins() const { return chemins_; }

 private:
  CheminsPortsSerie chemins_;
};

}  // namespace vestral
