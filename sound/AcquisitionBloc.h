// One capture block taken without holding the caller: started, then looked
// at (a flag read) until it is full, then stopped. The input level window
// measures its three inputs this way, each on one block of 1122 samples at
// 11025 Hz, 8 bits, mono, with the wave layer's own order of calls.
#pragma once

#include <cstdint>
#include <vector>

#include "sound/FONCTIONS_WAVE.h"

namespace vestral {

class AcquisitionBloc {
 public:
  explicit AcquisitionBloc(FonctionsWave& wave) : wave_(wave) {}
  ~AcquisitionBloc();
  AcquisitionBloc(const AcquisitionBloc&) = delete;
  AcquisitionBloc& operator=(const AcquisitionBloc&) = delete;

  // Allocates Entree_1, opens the capture device, queues the block and
  // starts. False when it could not start (the wave layer has shown why);
  // nothing is then left open or allocated.
  bool Debut(int taille);
  // The block is full, or the device has failed on its own.
  bool Terminee();
  // Stops and closes the device, releases the block and returns its
  // samples (empty when it never filled).
  std::vector<uint8_t> Fin();
  bool En_cours() const { return en_cours_; }

 private:
  FonctionsWave& wave_;
  bool en_cours_ = false;
};

}  // namespace vestral
