// What the windows ask of the devices: the sound card checks, the PC
// speaker, the serial keying line, the mixer restoration at quit and the
// single-block capture of the input level window. The program binds it to
// the real devices or to the simulated ones; the window tests to a fake.
#pragma once

#include <cstdint>
#include <vector>

namespace vestral {

class Peripheriques {
 public:
  virtual ~Peripheriques() = default;

  virtual void Calibrage_attente() = 0;
  virtual void Silence() = 0;
  // The two sound card checks (each reports its own failure).
  virtual bool Verification_carte_son_demarrage() = 0;
  virtual bool Verification_carte_son() = 0;
  // Serial keying line: the status panel test, and the open that reserves
  // the port while the transceiver window is used.
  virtual void Test_port_serie() = 0;
  virtual bool Ouverture_port_serie(int numero) = 0;
  virtual void Restauration_mixer() = 0;
  // Before the transceiver window opens: 8-bit mono formats, nothing left
  // to transmit.
  virtual void Preparation_emetteur_recepteur() = 0;

  // Single-block capture (8 bits, mono, 11025 Hz). Debut_acquisition opens
  // the capture device and queues one block of `taille` samples (false when
  // it could not start: the failure was reported). Acquisition_terminee
  // tells whether the block is full, without waiting. Fin_acquisition stops
  // and closes the device, releases the block and returns the samples
  // (empty when the block never filled).
  virtual bool Debut_acquisition(int taille) = 0;
  virtual bool Acquisition_terminee() = 0;
  virtual std::vector<uint8_t> Fin_acquisition() = 0;
};

}  // namespace vestral
