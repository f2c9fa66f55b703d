// PortAudio's start-up probes every sound back-end it knows (ALSA cards
// that are absent, a JACK server that is not running) and the libraries
// print each failure on standard error. While a Sourdine lives, standard
// error goes to /dev/null, unless VESTRAL_SON_TRACES is set.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace vestral {

class Sourdine {
 public:
  Sourdine() {
    if (std::getenv("VESTRAL_SON_TRACES")) return;
    std::fflush(stderr);
    sauvegarde_ = ::dup(STDERR_FILENO);
    const int nul = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (sauvegarde_ >= 0 && nul >= 0) ::dup2(nul, STDERR_FILENO);
    if (nul >= 0) ::close(nul);
  }
  ~Sourdine() {
    if (sauvegarde_ < 0) return;
    std::fflush(stderr);
    ::dup2(sauvegarde_, STDERR_FILENO);
    ::close(sauvegarde_);
  }
  Sourdine(const Sourdine&) = delete;
  Sourdine& operator=(const Sourdine&) = delete;

 private:
  int sauvegarde_ = -1;
};

}  // namespace vestral
