// Owns one file descriptor.
#pragma once

#include <unistd.h>

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
  void Fermer() {
    if (fd_ >= 0) ::close(std::exchange(fd_, -1));
  }

 private:
  int fd_ = -1;
};

}  // namespace vestral
