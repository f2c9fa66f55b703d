// Which device stands for COM1 to COM4: /dev/ttyS0 to /dev/ttyS3 unless the
// environment (VESTRAL_COM1 .. VESTRAL_COM4) or a command-line option
// (--com1=/dev/ttyUSB0 .. --com4=PATH) names another one, typically a USB
// serial adapter. An option wins over the environment.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace vestral {

struct CheminsPortsSerie {
  std::array<std::string, 4> chemins = {"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyS2", "/dev/ttyS3"};

  // The defaults with the environment's choices applied.
  static CheminsPortsSerie Depuis_environnement();

  // Applies one "--comN=PATH" argument; false (nothing changed) for any
  // other argument, including an empty PATH.
  [[nodiscard]] bool Lire_option(std::string_view argument);

  // Applies and takes out every "--comN=PATH" of argv, keeping the other
  // arguments in order for the program's own parsing; returns the new argc.
  [[nodiscard]] int Retirer_options(int argc, char** argv);

  const std::string& Chemin(int numero) const { return chemins[numero - 1]; }  // 1 to 4
};

}  // namespace vestral
