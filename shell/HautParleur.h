// The PC speaker and the calibrated busy wait.
//
// The speaker is reached the way a PC program reaches it: timer channel 2 is
// programmed through ports 0x43 and 0x42 and connected to the speaker
// through bits 0 and 1 of the system control port 0x61. In the port space
// those ports belong to MinuterieHautParleur, which turns them into a tone
// of the programmed frequency on a Tonalite backend (the Linux PC-speaker
// input device, the console tone, nothing, or a recorder for tests).
//
// A program wires them once: one EspacePorts, a MinuterieHautParleur on it
// driving Ouvrir_tonalite_systeme() (shell/linux/TonaliteLinux.h), and a
// HautParleur on the same ports; the serial keying line (PortSerie) plugs
// into the same port space.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "shell/EspacePorts.h"
#include "shell/Rapport.h"

namespace vestral {

// A tone generator. Failures are never reported: at worst the beep is silent.
class Tonalite {
 public:
  virtual ~Tonalite() = default;
  virtual void Demarrer(int frequence_hz) = 0;  // replaces any tone playing
  virtual void Arreter() = 0;
};

class TonaliteMuette : public Tonalite {
 public:
  void Demarrer(int) override {}
  void Arreter() override {}
};

// Records what it is asked to play: a frequency for each start, 0 for a stop.
class TonaliteSimulee : public Tonalite {
 public:
  void Demarrer(int frequence_hz) override { evenements.push_back(frequence_hz); }
  void Arreter() override { evenements.push_back(0); }
  bool Active() const { return !evenements.empty() && evenements.back() != 0; }

  std::vector<int> evenements;
};

inline constexpr uint32_t kHorloge_minuterie = 1193180;  // timer input clock, Hz
inline constexpr uint16_t kPort_compteur_2 = 0x42;
inline constexpr uint16_t kPort_mode_minuterie = 0x43;
inline constexpr uint16_t kPort_controle_systeme = 0x61;

// Timer channel 2 and the system control port. The tone sounds while bits 0
// (gate) and 1 (speaker) of port 0x61 are both set and a count has been
// loaded; its frequency is the timer clock divided by the count (0 counts as
// 65536). Re-programming the same frequency while it sounds changes nothing,
// so the backend only hears real changes.
class MinuterieHautParleur : public PeripheriquePort {
 public:
  MinuterieHautParleur(EspacePorts& ports, Tonalite& tonalite, uint8_t controle_systeme = 0);
  ~MinuterieHautParleur() override;
  MinuterieHautParleur(const MinuterieHautParleur&) = delete;
  MinuterieHautParleur& operator=(const MinuterieHautParleur&) = delete;

  uint8_t Lecture(uint16_t adresse) override;
  void Ecriture(uint16_t adresse, uint8_t valeur) override;

  uint32_t Diviseur() const { return compte_ == 0 ? 65536u : compte_; }

 private:
  void Actualiser();

  EspacePorts& ports_;
  Tonalite& tonalite_;
  uint8_t controle_systeme_;
  uint8_t acces_ = 3;  // bits 5-4 of the last mode word for channel 2
  bool octet_fort_attendu_ = false;
  uint8_t octet_faible_ = 0;
  uint16_t compte_ = 0;
  bool compte_charge_ = false;
  int frequence_jouee_ = 0;  // 0: silent
};

class HautParleur {
 public:
  // Milliseconds since some fixed point, like the system tick count.
  using Horloge = std::function<uint32_t()>;
  static uint32_t Horloge_systeme();

  explicit HautParleur(EspacePorts& ports, Horloge horloge = Horloge_systeme);

  // Tone on at `frequence` Hz. A frequency of 0 or less programs nothing.
  void Son(int frequence);
  void Silence();
  // 1000 Hz for about 300 ms.
  void Bip_erreur();

  // Measures Boucles_par_milliseconde (takes about half a second).
  void Calibrage_attente();
  // Busy loop of about `duree_ms` milliseconds at the calibrated speed.
  void Attente(uint16_t duree_ms);

  uint8_t Etat_haut_parleur() const { return etat_haut_parleur_; }
  uint32_t Boucles_par_milliseconde() const { return boucles_par_milliseconde_; }
  uint64_t Compteur() const { return compteur_; }  // where the last loop stopped

 private:
  EspacePorts& ports_;
  Horloge horloge_;
  uint8_t etat_haut_parleur_ = 0;
  uint32_t boucles_par_milliseconde_ = 0;
  // In memory and stepped one increment at a time, so that the wait runs
  // at the speed the calibration measured.
  volatile uint64_t compteur_ = 0;
};

// Passes dialogs and panel texts on and sounds the error beep on the PC
// speaker.
class RapportHautParleur : public Rapport {
 public:
  RapportHautParleur(Rapport& suite, HautParleur& haut_parleur)
      : suite_(suite), haut_parleur_(haut_parleur) {}
  void Erreur(const std::string& texte) override { suite_.Erreur(texte); }
  void Bip() override { haut_parleur_.Bip_erreur(); }
  void Panneau(const std::string& texte) override { suite_.Panneau(texte); }

 private:
  Rapport& suite_;
  HautParleur& haut_parleur_;
};

}  // namespace vestral
