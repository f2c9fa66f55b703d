// Owns one file descriptor.
#pragma once

#include <unistd.h>

#include <cerrno>
#include <utility>

namespace vestral {

class Descripteur {
 public:
  Descripteur() = default;
  explicit Descripteur(int fd) : fd_(fd) {}
  ~Descripteur() { Fermer(); }
  Descripteur(Descripteur&& autre) noexcept : fd_(std::exchange(autre.fd_, -1)) {}
  Descripteur& operator=(Descripteur&& autre) noexcept {
    if (this != &autre) {
      Fermer();
      fd_ = std::exchange(autre.fd_, -1);
    }
    return *this;
  }

  int fd() const { return fd_; }
  bool Valide() const { return fd_ >= 0; }
  // 0, or the errno of a failed close (a written file may report a late
  // write error there).
  int Fermer() {
    if (fd_ < 0) return 0;
    return ::close(std::exchange(fd_, -1)) == 0 ? 0 : errno;
  }

 private:
  int fd_ = -1;
};

}  // namespace vestral
