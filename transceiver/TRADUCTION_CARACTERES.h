// The decoder thread of the transceiver window, and the way it reaches the
// user-interface thread.
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

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace vestral {

class Decodeur;
class FenetreEchantillons;

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

// The thread runs Decodeur::Execute until the stop request. It is started
// by the constructor (the decoder must have been prepared); Terminer, run
// by the user-interface thread, asks for the stop, serves the calls the
// decoder waits on, and joins. The destructor terminates it too.
class TRADUCTION_CARACTERES {
 public:
  TRADUCTION_CARACTERES(Decodeur& decodeur, FenetreEchantillons& fenetre,
                        AppelsSynchronises& appels);
  ~TRADUCTION_CARACTERES();
  TRADUCTION_CARACTERES(const TRADUCTION_CARACTERES&) = delete;
  TRADUCTION_CARACTERES& operator=(const TRADUCTION_CARACTERES&) = delete;

  void Terminer();

 private:
  Decodeur& decodeur_;
  FenetreEchantillons& fenetre_;
  AppelsSynchronises& appels_;
  std::mutex verrou_;
  bool fini_ = false;
  std::thread fil_;
};

}  // namespace vestral
