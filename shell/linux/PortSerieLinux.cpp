#include "shell/linux/PortSerieLinux.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>

#include <cerrno>

#include "shell/Descripteur.h"

namespace vestral {
namespace {

int Ioctl_lignes(int fd, unsigned long requete, int lignes) {
  int resultat;
  do resultat = ::ioctl(fd, requete, &lignes);
  while (resultat < 0 && errno == EINTR);
  return resultat;
}

class LigneModemLinux : public LigneModem {
 public:
  explicit LigneModemLinux(Descripteur fd) : fd_(std::move(fd)) {}

  ~LigneModemLinux() override {
    Ioctl_lignes(fd_.fd(), TIOCMBIC, TIOCM_DTR | TIOCM_RTS);
    ::ioctl(fd_.fd(), TIOCNXCL);
    ::tcflush(fd_.fd(), TCIOFLUSH);  // nothing left to drain: the close cannot wait
  }

  EtatLignes Positionner(bool dtr, bool rts) override {
    const int hautes = (dtr ? TIOCM_DTR : 0) | (rts ? TIOCM_RTS : 0);
    const int basses = (TIOCM_DTR | TIOCM_RTS) & ~hautes;
    if ((hautes == 0 || Ioctl_lignes(fd_.fd(), TIOCMBIS, hautes) == 0) &&
        (basses == 0 || Ioctl_lignes(fd_.fd(), TIOCMBIC, basses) == 0))
      return EtatLignes::Ok;
    // A hung-up terminal (its device gone) answers EIO; a vanished USB
    // device may answer ENXIO or ENODEV.
    return errno == EIO || errno == ENXIO || errno == ENODEV ? EtatLignes::Disparu
                                                             : EtatLignes::Non_commandees;
  }

 private:
  Descripteur fd_;
};

}  // namespace

std::unique_ptr<LigneModem> AccesSerieLinux::Ouvrir(int numero) {
  if (numero < 1 || numero > 4) return nullptr;
  return Ouvrir_chemin(chemins_.Chemin(numero));
}

std::unique_ptr<LigneModem> AccesSerieLinux::Ouvrir_chemin(const std::string& chemin) {
  Descripteur fd(::open(chemin.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (!fd.Valide() || !::isatty(fd.fd())) return nullptr;
  int verrou;
  do verrou = ::flock(fd.fd(), LOCK_EX | LOCK_NB);
  while (verrou < 0 && errno == EINTR);
  if (verrou < 0) return nullptr;
  ::ioctl(fd.fd(), TIOCEXCL);
  Ioctl_lignes(fd.fd(), TIOCMBIC, TIOCM_DTR | TIOCM_RTS);
  return std::make_unique<LigneModemLinux>(std::move(fd));
}

}  // namespace vestral
