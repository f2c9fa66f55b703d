#include "dsp/FenetreEchantillons.h"

#include <algorithm>
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
  const std::size_t taille = anneau_.size();
  std::size_t c = static_cast<std::size_t>(total % static_cast<int64_t>(taille));
  const auto n = std::min<std::size_t>(bloc.size(), static_cast<std::size_t>(taille_bloc_));
  for (std::size_t i = 0; i < static_cast<std::size_t>(taille_bloc_); ++i) {
    anneau_[c].store(i < n ? bloc[i] : 128, std::memory_order_relaxed);
    if (++c == taille) c = 0;
  }
  // Sequentially consistent, with the waiter's flag: no wake-up is lost.
  total_.store(total + taille_bloc_, std::memory_order_seq_cst);
  if (en_attente_.load(std::memory_order_seq_cst)) Reveiller();
  return pleine;
}

std::size_t FenetreEchantillons::Case(int64_t index) const {
  return static_cast<std::size_t>(index % static_cast<int64_t>(anneau_.size()));
}

std::optional<uint8_t> FenetreEchantillons::Prendre_echantillon() {
  uint8_t valeur;
  if (Prendre_echantillons(&valeur, 1) == 0) return std::nullopt;
  return valeur;
}

int FenetreEchantillons::Prendre_echantillons(uint8_t* destination, int maximum) {
  const int n = Copier_en_avance(destination, maximum);
  if (n > 0) Avancer_lecture(n);
  return n;
}

int FenetreEchantillons::Copier_en_avance(uint8_t* destination, int maximum) {
  for (;;) {
    const int64_t total = total_.load(std::memory_order_acquire);
    int64_t lecture = lecture_.load(std::memory_order_relaxed);
    const int64_t debut = Debut(total);
    if (lecture < debut) {
      lecture = debut;
      lecture_.store(lecture, std::memory_order_relaxed);
    }
    if (lecture >= total || maximum <= 0) return 0;
    const int n = static_cast<int>(std::min<int64_t>(maximum, total - lecture));
    std::size_t c = lecture == lecture_connue_ ? case_lecture_ : Case(lecture);
    const std::size_t taille = anneau_.size();
    for (int i = 0; i < n; ++i) {
      // Acquire: the check below cannot be done before the reads.
      destination[i] = anneau_[c].load(std::memory_order_acquire);
      if (++c == taille) c = 0;
    }
    // A slot is rewritten only once the producer has appended two more
    // blocks; if that happened during the reads, start again.
    if (lecture >= Debut(total_.load(std::memory_order_relaxed))) {
      lecture_connue_ = lecture + n;
      case_lecture_ = c;
      return n;
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
