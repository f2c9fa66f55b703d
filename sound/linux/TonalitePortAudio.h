// The PC speaker's tones (the decoder's 800 Hz monitor, the error beep) on a
// second sound device, for the many computers that have no PC speaker. The
// device is chosen by name like the capture and playback devices
// (ChoixPeripheriques::ecoute: --monitor NAME, VESTRAL_MONITOR), and never
// the playback device: that one is cabled to the transmitter, which would
// send the monitor tone on the air.
//
// One PortAudio output stream stays open and running from start to end;
// its callback makes the samples with a GenerateurTonalite, so a start or a
// stop is only an atomic store and is heard from the next block.
#pragma once

#include <portaudio.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "shell/HautParleur.h"
#include "sound/ChoixPeripheriques.h"
#include "sound/GenerateurTonalite.h"

namespace vestral {

class TonalitePortAudio : public Tonalite {
 public:
  ~TonalitePortAudio() override;
  TonalitePortAudio(const TonalitePortAudio&) = delete;
  TonalitePortAudio& operator=(const TonalitePortAudio&) = delete;

  void Demarrer(int frequence_hz) override { generateur_->Demander(frequence_hz); }
  void Arreter() override { generateur_->Demander(0); }

  const std::string& Nom() const { return nom_; }
  double Frequence_echantillonnage() const { return frequence_; }
  // Seconds between a request and its sound, as the device reports it (plus
  // at most one callback block).
  double Latence() const;

  struct Ouverture;
  friend Ouverture Ouvrir_tonalite_son(const std::string& ecoute,
                                       const std::optional<std::string>& restitution);

  // Only Ouvrir_tonalite_son makes one.
  class Cle {
    Cle() = default;
    friend Ouverture Ouvrir_tonalite_son(const std::string& ecoute,
                                         const std::optional<std::string>& restitution);
  };
  explicit TonalitePortAudio(Cle) {}

 private:
  static int Rappel(const void*, void* sortie, unsigned long trames,
                    const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags, void* objet);

  bool initialise_ = false;
  PaStream* flux_ = nullptr;
  std::string nom_;
  double frequence_ = 0;
  int canaux_ = 1;
  std::unique_ptr<GenerateurTonalite> generateur_;
  std::atomic<bool> muet_{true};  // written by the callback
};

struct TonalitePortAudio::Ouverture {
  std::unique_ptr<TonalitePortAudio> tonalite;  // null when it could not open
  std::string erreur;                           // why, in French
  bool refus = false;  // the name chose the playback device: the program must not start
};

// Opens the playback device named by `ecoute` (any part of its name, case
// ignored), refusing the one that `restitution` chooses for the transmitter
// (empty: the default device; nullopt: no transmitter to protect).
TonalitePortAudio::Ouverture Ouvrir_tonalite_son(const std::string& ecoute,
                                                 const std::optional<std::string>& restitution);

// Where a program's PC-speaker tones go. With a name in `choix.ecoute`: that
// device, unless it is the transmitter's playback device (refused; in
// simulation there is no transmitter to protect); a device that does not
// open leaves the tones on the PC speaker. Otherwise the PC speaker that
// `haut_parleur` opens (silence in simulation). `messages` are for the
// operator, one line each: the refusal, the failure, and, when nothing at
// all can sound (outside simulation, or after a failed --monitor), that the
// monitor and the beep will be silent.
struct ChoixTonalite {
  std::unique_ptr<Tonalite> tonalite;  // null when refused
  std::vector<std::string> messages;
};
ChoixTonalite Choisir_tonalite(const ChoixPeripheriques& choix, bool simulation,
                               const std::function<std::unique_ptr<Tonalite>()>& haut_parleur);

}  // namespace vestral
