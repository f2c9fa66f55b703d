// Tone backends for the PC speaker on Linux.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "shell/Descripteur.h"
#include "shell/HautParleur.h"

namespace vestral {

// The PC-speaker input device (pcspkr): EV_SND / SND_TONE events.
class TonaliteEvenement : public Tonalite {
 public:
  explicit TonaliteEvenement(Descripteur fd) : fd_(std::move(fd)) {}
  ~TonaliteEvenement() override { Arreter(); }
  void Demarrer(int frequence_hz) override { Envoyer(frequence_hz); }
  void Arreter() override { Envoyer(0); }

  // Opens `chemin` when it is an event device that can play tones.
  static std::unique_ptr<TonaliteEvenement> Ouvrir(const std::string& chemin);

 private:
  void Envoyer(int valeur);
  Descripteur fd_;
};

// The console's tone (KIOCSOUND), which programs the same timer.
class TonaliteConsole : public Tonalite {
 public:
  explicit TonaliteConsole(Descripteur fd) : fd_(std::move(fd)) {}
  ~TonaliteConsole() override { Arreter(); }
  void Demarrer(int frequence_hz) override;
  void Arreter() override;

  // Opens `chemin` when the console tone can be driven through it.
  static std::unique_ptr<TonaliteConsole> Ouvrir(const std::string& chemin);

 private:
  Descripteur fd_;
};

// The first backend that works: an event device among `evenements` (globs,
// in order), else a console among `consoles`, else silence.
std::unique_ptr<Tonalite> Ouvrir_tonalite(const std::vector<std::string>& evenements,
                                          const std::vector<std::string>& consoles);

// The same with this system's places: /dev/input/by-path/*-event-spkr, any
// /dev/input/event* that plays tones, then /dev/console and /dev/tty0.
std::unique_ptr<Tonalite> Ouvrir_tonalite_systeme();

}  // namespace vestral
