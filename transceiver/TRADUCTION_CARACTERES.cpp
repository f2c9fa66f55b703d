#include "transceiver/TRADUCTION_CARACTERES.h"

#include "dsp/FenetreEchantillons.h"
#include "morse/TRADUCTION_MORSE.h"

namespace vestral {

void AppelsSynchronises::Appeler(const std::function<void()>& appel) {
  std::unique_lock verrou(verrou_);
  appel_ = &appel;
  const uint64_t numero = ++demandes_;
  verrou.unlock();
  condition_.notify_all();
  if (reveil_) reveil_();
  verrou.lock();
  condition_.wait(verrou, [&] { return servies_ >= numero; });
}

bool AppelsSynchronises::Servir() {
  std::unique_lock verrou(verrou_);
  if (appel_ == nullptr) return false;
  const std::function<void()>* appel = appel_;
  appel_ = nullptr;
  verrou.unlock();
  (*appel)();
  verrou.lock();
  ++servies_;
  verrou.unlock();
  condition_.notify_all();
  return true;
}

void AppelsSynchronises::Servir_jusqu_a(const std::function<bool()>& fini,
                                        std::chrono::milliseconds pas,
                                        const std::function<void()>& relance) {
  for (;;) {
    while (Servir()) {
    }
    if (fini()) return;
    std::unique_lock verrou(verrou_);
    const uint64_t vues = notifications_;
    verrou.unlock();
    relance();
    verrou.lock();
    condition_.wait_for(verrou, pas, [&] { return appel_ != nullptr || notifications_ != vues; });
  }
}

void AppelsSynchronises::Notifier() {
  {
    std::lock_guard verrou(verrou_);
    ++notifications_;
  }
  condition_.notify_all();
}

TRADUCTION_CARACTERES::TRADUCTION_CARACTERES(Decodeur& decodeur, FenetreEchantillons& fenetre,
                                             AppelsSynchronises& appels)
    : decodeur_(decodeur), fenetre_(fenetre), appels_(appels) {
  fil_ = std::thread([this] {
    decodeur_.Execute();
    {
      std::lock_guard verrou(verrou_);
      fini_ = true;
    }
    appels_.Notifier();
  });
}

TRADUCTION_CARACTERES::~TRADUCTION_CARACTERES() {
  Terminer();
}

void TRADUCTION_CARACTERES::Terminer() {
  if (!fil_.joinable()) return;
  decodeur_.Demander_arret();
  appels_.Servir_jusqu_a(
      [this] {
        std::lock_guard verrou(verrou_);
        return fini_;
      },
      std::chrono::milliseconds(5), [this] { fenetre_.Reveiller(); });
  fil_.join();
}

}  // namespace vestral
