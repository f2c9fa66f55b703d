// The rig as the transceiver window sees it: keying orders that never wait,
// the last dial frequency read, and what went wrong, told once.
//
// A rig on a serial line answers in tens of milliseconds and, when it is off
// or unplugged, only after its timeout and retries: seconds. So the rig is
// driven by a thread of its own that alone owns the rig handle (the rig
// control library is not to be shared between threads); the main thread
// writes the keying it wants and reads the results through atomics, and
// nothing it does waits on the rig. The thread sleeps on a condition
// variable: it wakes for a keying order, or once a second to read the dial
// frequency.
//
// A rig that cannot be opened, or stops answering, is given up: the keying
// is then considered released (a last release is tried), the frequency
// unknown, and Signaler tells the operator once, from the main thread.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "shell/Rapport.h"
#include "station/Poste.h"

namespace vestral {

inline constexpr std::chrono::milliseconds kPeriode_lecture_frequence{1000};

class ControlePoste {
 public:
  enum class Etat { Ouverture, Pret, Echec_ouverture, Muet };

  // Starts the rig's thread, which opens the rig.
  ControlePoste(std::unique_ptr<Poste> poste, ReglagesPoste reglages);
  // Releases the keying if it was on, closes the rig, ends the thread.
  ~ControlePoste();
  ControlePoste(const ControlePoste&) = delete;
  ControlePoste& operator=(const ControlePoste&) = delete;

  const ReglagesPoste& Reglages() const { return reglages_; }

  // Main thread, never waits: the keying wanted from now on.
  void Demander_PTT(bool emission);

  Etat Etat_poste() const { return etat_.load(); }
  // The keying the rig last confirmed (false once the rig is given up).
  bool PTT_actif() const { return ptt_confirme_.load(); }
  // The last dial frequency read, in hertz; empty before the first reading
  // and once the rig is given up.
  std::optional<int64_t> Frequence_hz() const;

  // Main thread: reports what happened since the last call, each once.
  void Signaler(Rapport& rapport);

  // The texts of the two reports.
  static std::string Texte_echec_ouverture(const ReglagesPoste& reglages);
  static std::string Texte_poste_muet(const ReglagesPoste& reglages);

 private:
  void Boucle();
  void Abandonner();

  std::unique_ptr<Poste> poste_;
  const ReglagesPoste reglages_;

  std::atomic<Etat> etat_{Etat::Ouverture};
  std::atomic<bool> ptt_confirme_{false};
  std::atomic<int64_t> frequence_{0};  // 0: unknown
  std::atomic<bool> echec_a_signaler_{false};
  std::atomic<bool> muet_a_signaler_{false};

  std::mutex verrou_;
  std::condition_variable reveil_;
  bool ptt_demande_ = false;  // under verrou_
  bool arret_ = false;        // under verrou_

  std::thread fil_;
};

}  // namespace vestral
