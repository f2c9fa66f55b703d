// Keeps the screen saver from starting while a sound window is open.
// On the desktop: the freedesktop ScreenSaver interface on the session bus
// (Inhibit / UnInhibit); without a session bus or without that service,
// nothing is held and nothing fails.
#pragma once

#include <cstdint>
#include <optional>

namespace vestral {

class EconomiseurEcran {
 public:
  virtual ~EconomiseurEcran() = default;
  // Holds the screen saver off; true when it was held (Reprendre must follow).
  virtual bool Suspendre() = 0;
  virtual void Reprendre() = 0;
};

// For the simulation and the tests: remembers whether it is held.
class EconomiseurEcranSimule : public EconomiseurEcran {
 public:
  bool Suspendre() override {
    suspendu = true;
    ++suspensions;
    return true;
  }
  void Reprendre() override { suspendu = false; }
  bool suspendu = false;
  int suspensions = 0;
};

class EconomiseurEcranDBus : public EconomiseurEcran {
 public:
  bool Suspendre() override;
  void Reprendre() override;

 private:
  std::optional<uint32_t> cookie_;
};

}  // namespace vestral
