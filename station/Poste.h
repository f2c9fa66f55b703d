// The rig seen through its computer control (CAT): open it, read the dial
// frequency, key and release the transmitter. A Poste does one thing at a
// time and may wait on the rig for as long as its own timeout; only
// ControlePoste calls it, from its own thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace vestral {

// Which rig and how to reach it. `modele` is the rig control library's model
// number (1: a dummy rig, 2: the network client of a rig server); 0 means no
// rig.
struct ReglagesPoste {
  int modele = 0;
  std::string peripherique;  // serial device path, or HOST:PORT for the network client
  int vitesse = 0;           // serial speed in baud; 0 keeps the model's own
  bool operator==(const ReglagesPoste&) const = default;
};

class Poste {
 public:
  virtual ~Poste() = default;
  // True when the rig could be opened and answers.
  [[nodiscard]] virtual bool Ouvrir(const ReglagesPoste& reglages) = 0;
  // The dial frequency in hertz; empty when the rig did not answer.
  [[nodiscard]] virtual std::optional<int64_t> Lire_frequence() = 0;
  // True when the rig took the order.
  [[nodiscard]] virtual bool Positionner_PTT(bool emission) = 0;
  virtual void Fermer() = 0;
};

// The real rig, through hamlib (station/linux).
std::unique_ptr<Poste> Creer_poste_hamlib();

// A rig for tests: what it answers is set from outside while ControlePoste's
// thread uses it; `historique` gets 'E' for each keying, 'R' for each release.
struct EtatPosteSimule {
  std::atomic<bool> ouvrable{true};
  std::atomic<bool> repond{true};
  std::atomic<int64_t> frequence{7'030'000};
  std::atomic<bool> ptt{false};
  std::atomic<int> ouvertures{0};
  std::atomic<int> lectures{0};
  std::atomic<bool> ferme{false};

  std::string Historique() const {
    std::lock_guard verrou(verrou_);
    return historique_;
  }
  void Noter(char c) {
    std::lock_guard verrou(verrou_);
    historique_ += c;
  }

 private:
  mutable std::mutex verrou_;
  std::string historique_;
};

class PosteSimule : public Poste {
 public:
  explicit PosteSimule(std::shared_ptr<EtatPosteSimule> etat) : etat_(std::move(etat)) {}
  [[nodiscard]] bool Ouvrir(const ReglagesPoste& reglages) override;
  [[nodiscard]] std::optional<int64_t> Lire_frequence() override;
  [[nodiscard]] bool Positionner_PTT(bool emission) override;
  void Fermer() override;

 private:
  std::shared_ptr<EtatPosteSimule> etat_;
};

}  // namespace vestral
