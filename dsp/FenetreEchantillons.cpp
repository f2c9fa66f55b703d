#include "dsp/FenetreEchantillons.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>

namespace vestral {

FenetreEchantillons::FenetreEchantillons(int32_t taille_bloc)
    : taille_bloc_(taille_bloc),
      taille_anneau_((3 * static_cast<std::size_t>(taille_bloc) + 7) / 8 * 8),
      anneau_(taille_anneau_ / 8) {}

void FenetreEchantillons::Vider_fenetre() {
  total_.store(0, std::memory_order_release);
  lecture_.store(0, std::memory_order_relaxed);
}

bool FenetreEchantillons::Ajout_bloc_recu(std::span<const uint8_t> bloc) {
  const int64_t total = total_.load(std::memory_order_relaxed);
  const bool pleine = total > taille_bloc_;
  std::size_t c = Case(total);
  // Written in up to two parts, around the end of the ring.
  const auto Ecrire = [&](const uint8_t* source, std::size_t nombre) {
    const std::size_t premiere_partie = std::min(nombre, taille_anneau_ - c);
    Ecrire_octets(c, source, premiere_partie);
    Ecrire_octets(0, source + premiere_partie, nombre - premiere_partie);
    c = (c + nombre) % taille_anneau_;
  };
  const auto taille = static_cast<std::size_t>(taille_bloc_);
  const std::size_t n = std::min(bloc.size(), taille);
  Ecrire(bloc.data(), n);
  // A short block is completed with silence.
  static constexpr std::array<uint8_t, 64> kSilence = [] {
    std::array<uint8_t, 64> silence{};
    silence.fill(128);
    return silence;
  }();
  for (std::size_t fait = n; fait < taille; fait += kSilence.size())
    Ecrire(kSilence.data(), std::min(kSilence.size(), taille - fait));
  // Sequentially consistent, with the waiter's flag: no wake-up is lost.
  total_.store(total + taille_bloc_, std::memory_order_seq_cst);
  if (en_attente_.load(std::memory_order_seq_cst)) Reveiller();
  return pleine;
}

std::size_t FenetreEchantillons::Case(int64_t index) const {
  return static_cast<std::size_t>(index % static_cast<int64_t>(taille_anneau_));
}

void FenetreEchantillons::Ecrire_octets(std::size_t c, const uint8_t* source, std::size_t nombre) {
  while (nombre > 0) {
    const std::size_t decalage = c % 8;
    const std::size_t k = std::min(nombre, 8 - decalage);
    std::atomic<uint64_t>& mot = anneau_[c / 8];
    uint64_t valeur;
    if (k == 8) {
      std::memcpy(&valeur, source, 8);
    } else {
      // Part of a word: the writer is alone to store, its other bytes stay.
      valeur = mot.load(std::memory_order_relaxed);
      auto* octets = reinterpret_cast<uint8_t*>(&valeur);
      std::memcpy(octets + decalage, source, k);
    }
    mot.store(valeur, std::memory_order_relaxed);
    c += k;
    source += k;
    nombre -= k;
  }
}

void FenetreEchantillons::Lire_octets(std::size_t c, uint8_t* destination,
                                      std::size_t nombre) const {
  while (nombre > 0) {
    const std::size_t decalage = c % 8;
    const std::size_t k = std::min(nombre, 8 - decalage);
    // Acquire: the check after the reads cannot be done before them.
    const uint64_t valeur = anneau_[c / 8].load(std::memory_order_acquire);
    std::memcpy(destination, reinterpret_cast<const uint8_t*>(&valeur) + decalage, k);
    c += k;
    destination += k;
    nombre -= k;
  }
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
    const std::size_t c = lecture == lecture_connue_ ? case_lecture_ : Case(lecture);
    const std::size_t premiere_partie = std::min(static_cast<std::size_t>(n), taille_anneau_ - c);
    Lire_octets(c, destination, premiere_partie);
    Lire_octets(0, destination + premiere_partie, static_cast<std::size_t>(n) - premiere_partie);
    // A slot is rewritten only once the producer has appended two more
    // blocks; if that happened during the reads, start again.
    if (lecture >= Debut(total_.load(std::memory_order_relaxed))) {
      lecture_connue_ = lecture + n;
      case_lecture_ = (c + static_cast<std::size_t>(n)) % taille_anneau_;
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
