#include "dsp/FenetreEchantillons.h"

#include <chrono>

namespace vestral {

FenetreEchantillons::FenetreEchantillons(int32_t taille_bloc)
    : taille_bloc_(taille_bloc), anneau_(3 * static_cast<std::size_t>(taille_bloc)) {}

void FenetreEchantillons::Vider_fenetre() {
  total_.store(0, std::memory_order_release);
  lecture_.store(0, std::memory_order_relaxed);
}

bool FenetreEchantillons::Ajout_bloc_recu(std::span<const uint8_t> bloc) {
  const int64_t total = total_.load(std::memory_order_relaxed);
  const bool pleine = total > taille_bloc_;
  const auto taille = static_cast<int64_t>(anneau_.size());
  for (int32_t i = 0; i < taille_bloc_; ++i) {
    const uint8_t valeur = i < static_cast<int32_t>(bloc.size()) ? bloc[i] : 128;
    anneau_[(total + i) % taille].store(valeur, std::memory_order_relaxed);
  }
  // Sequentially consistent, with the waiter's flag: no wake-up is lost.
  total_.store(total + taille_bloc_, std::memory_order_seq_cst);
  if (en_attente_.load(std::memory_order_seq_cst)) Reveiller();
  return pleine;
}

std::optional<uint8_t> FenetreEchantillons::Prendre_echantillon() {
  for (;;) {
    const int64_t total = total_.load(std::memory_order_acquire);
    int64_t lecture = lecture_.load(std::memory_order_relaxed);
    const int64_t debut = Debut(total);
    if (lecture < debut) lecture = debut;
    if (lecture >= total) {
      lecture_.store(lecture, std::memory_order_relaxed);
      return std::nullopt;
    }
    // Acquire: the check below cannot be done before the read.
    const uint8_t valeur =
        anneau_[lecture % static_cast<int64_t>(anneau_.size())].load(std::memory_order_acquire);
    // The slot is rewritten only once the producer has appended two more
    // blocks; if that happened during the read, start again.
    if (lecture >= Debut(total_.load(std::memory_order_relaxed))) {
      lecture_.store(lecture + 1, std::memory_order_relaxed);
      return valeur;
    }
  }
}

FenetreEchantillons::Positions FenetreEchantillons::Lire_positions() const {
  const int64_t total = total_.load(std::memory_order_acquire);
  const int64_t debut = Debut(total);
  const int64_t lecture = lecture_.load(std::memory_order_relaxed);
  return {static_cast<int32_t>((lecture < debut ? debut : lecture) - debut + 1),
          static_cast<int32_t>(total - debut)};
}

bool FenetreEchantillons::Attendre_echantillon(int delai_ms, int non_lus) {
  std::unique_lock lock(verrou_attente_);
  en_attente_.store(true, std::memory_order_seq_cst);
  const bool disponible = attente_.wait_for(lock, std::chrono::milliseconds(delai_ms), [&] {
    const int64_t total = total_.load(std::memory_order_seq_cst);
    const int64_t debut = Debut(total);
    const int64_t lecture = lecture_.load(std::memory_order_relaxed);
    return total - (lecture < debut ? debut : lecture) >= non_lus;
  });
  en_attente_.store(false, std::memory_order_relaxed);
  return disponible;
}

void FenetreEchantillons::Reveiller() {
  { std::lock_guard lock(verrou_attente_); }
  attente_.notify_all();
}

}  // namespace vestral
