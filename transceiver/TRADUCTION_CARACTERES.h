// The decoder thread of the transceiver window, and the way it reaches the
// user-interface thread.
//
// The thread is a short loop: it waits for samples in the sample window (or
// the 40 ms refresh of the "Signal" indicator), pushes them to the decoder
// and delivers the decoder's events: characters to the window and the QSO
// log, measurements to the displays. At the stop it ends the decoder
// (Terminer) and delivers what still comes out.
//
// The decoder hands its displays and characters to the window through
// synchronised calls: AppelsSynchronises::Appeler asks the user-interface
// thread to run a function and waits until it has. The window is told
// through the wake-up function (it posts itself an event) and answers with
// Servir. When reception stops, the user-interface thread does not simply
// join the thread, which may be waiting for one of those calls: it keeps
// serving them until the thread has ended, then joins it. So the stop never
// deadlocks and nothing the decoder produced on its way out is lost.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "morse/DecodeurMorse.h"
#include "morse/TRADUCTION_MORSE.h"

namespace vestral {

class FenetreEchantillons;
class JournalQSO;

// Where the decoder thread delivers (called on the decoder thread; the
// window's implementation carries each call over to the user-interface
// thread and waits for it).
class SortieDecodeur {
 public:
  virtual ~SortieDecodeur() = default;
  // A decoded character (CP1252), or a space for a word gap.
  virtual void Caractere(uint8_t caractere) = 0;
  // The "Signal" indicator (and the speaker monitor), every 40 ms.
  virtual void Signal(bool /*present*/) {}
  // The speed label, every 5500 samples: at most two characters.
  virtual void Vitesse(const std::string& /*texte*/) {}
  // The input peak level in percent, after each block.
  virtual void Niveau_entree(int32_t /*niveau*/) {}
};

// The "Signal" indicator: the signal presence the decoder reports every 40 ms
// of samples fills a one-second history; every 40 ms of wall clock the case
// of the clock's place in the second is shown.
class IndicateurSignal {
 public:
  static constexpr uint32_t kPeriode_ms = 40;
  void Demarrer(uint32_t maintenant);
  void Presence(bool presente);
  // Whether the refresh is due, and how long until it is.
  [[nodiscard]] bool A_rafraichir(uint32_t maintenant) const {
    return maintenant - dernier_rafraichissement_ >= kPeriode_ms;
  }
  [[nodiscard]] int Delai_ms(uint32_t maintenant) const;
  // The refresh: what the indicator shows now.
  [[nodiscard]] bool Rafraichir(uint32_t maintenant);

 private:
  std::array<uint8_t, kCases_historique_signal> historique_{};
  int index_ = 0;
  uint32_t debut_ = 0;
  uint32_t dernier_rafraichissement_ = 0;
};

class AppelsSynchronises {
 public:
  // Called from the decoder thread each time a call waits: the
  // user-interface thread must then call Servir soon.
  void Regler_reveil(std::function<void()> reveil) { reveil_ = std::move(reveil); }

  // Decoder thread: runs `appel` on the user-interface thread, and waits.
  void Appeler(const std::function<void()>& appel);

  // User-interface thread: runs the waiting call, if any.
  bool Servir();

  // User-interface thread: serves the calls until `fini` is true. `pas`
  // bounds each wait; `relance` runs before each (it wakes the decoder from
  // a wait for samples).
  void Servir_jusqu_a(const std::function<bool()>& fini, std::chrono::milliseconds pas,
                      const std::function<void()>& relance);

  // Wakes Servir_jusqu_a (any thread).
  void Notifier();

 private:
  std::function<void()> reveil_;
  std::mutex verrou_;
  std::condition_variable condition_;
  const std::function<void()>* appel_ = nullptr;
  uint64_t demandes_ = 0;
  uint64_t servies_ = 0;
  uint64_t notifications_ = 0;
};

// The thread is started by the constructor (the decoder must have been
// prepared); Terminer, run by the user-interface thread, asks for the stop,
// serves the calls the thread waits on, and joins. The destructor
// terminates it too.
class TRADUCTION_CARACTERES {
 public:
  using Horloge = std::function<uint32_t()>;  // milliseconds

  TRADUCTION_CARACTERES(DecodeurMorse& decodeur, FenetreEchantillons& fenetre, JournalQSO& journal,
                        SortieDecodeur& sortie, AppelsSynchronises& appels,
                        std::atomic<uint8_t>& active, Horloge horloge = Horloge_systeme);
  ~TRADUCTION_CARACTERES();
  TRADUCTION_CARACTERES(const TRADUCTION_CARACTERES&) = delete;
  TRADUCTION_CARACTERES& operator=(const TRADUCTION_CARACTERES&) = delete;

  void Terminer();

  static uint32_t Horloge_systeme();

 private:
  void Boucle();
  void Livrer();

  DecodeurMorse& decodeur_;
  FenetreEchantillons& fenetre_;
  JournalQSO& journal_;
  SortieDecodeur& sortie_;
  AppelsSynchronises& appels_;
  std::atomic<uint8_t>& active_;
  Horloge horloge_;
  std::atomic<bool> arret_{false};
  std::vector<EvenementDecodeur> evenements_;
  IndicateurSignal indicateur_;
  std::mutex verrou_;
  bool fini_ = false;
  std::thread fil_;
};

}  // namespace vestral
