#include "sound/PeripheriqueSon.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace vestral {

uint32_t Bit_de_format(uint32_t frequence, uint16_t canaux, uint16_t bits) {
  int rang_frequence;
  switch (frequence) {
    case 11025:
      rang_frequence = 0;
      break;
    case 22050:
      rang_frequence = 1;
      break;
    case 44100:
      rang_frequence = 2;
      break;
    default:
      return 0;
  }
  if ((canaux != 1 && canaux != 2) || (bits != 8 && bits != 16)) return 0;
  const int rang = rang_frequence * 4 + (bits == 16 ? 2 : 0) + (canaux == 2 ? 1 : 0);
  return 1u << rang;
}

void Compteur_blocs::Signaler() {
  compte_.fetch_add(1);
  if (!reveil_en_cours_.exchange(true)) reveil_.release();
}

uint64_t Compteur_blocs::Attendre_au_dela(uint64_t vu, std::chrono::milliseconds delai) {
  const auto limite = std::chrono::steady_clock::now() + delai;
  for (;;) {
    const uint64_t compte = compte_.load();
    if (compte > vu) return compte;
    if (!reveil_.try_acquire_until(limite)) return compte_.load();
    // The wake-up is consumed; a later Signaler() posts a new one.
    reveil_en_cours_.store(false);
  }
}

bool FileSon::Dimensionner(std::size_t octets_par_bloc, std::size_t blocs, bool audio_produit) {
  Liberer();
  audio_produit_ = audio_produit;
  const std::size_t capacite = octets_par_bloc * blocs;
  if (capacite > 0) {
    memoire_.reset(new (std::nothrow) uint8_t[capacite]);
    if (!memoire_) return false;
  }
  capacite_ = capacite;
  bloc_ = octets_par_bloc;
  return true;
}

void FileSon::Liberer() {
  memoire_.reset();
  capacite_ = 0;
  bloc_ = 0;
  Vider();
}

void FileSon::Vider() {
  pris_.store(depose_.load());
}

std::size_t FileSon::Remplissage() const {
  // Taken first: the count can only be too small, never above capacity.
  const uint64_t pris = pris_.load(std::memory_order_acquire);
  return static_cast<std::size_t>(depose_.load(std::memory_order_acquire) - pris);
}

std::size_t FileSon::Blocs_en_attente() const {
  if (bloc_ == 0) return 0;
  const uint64_t pris = pris_.load(std::memory_order_acquire);
  const uint64_t depose = depose_.load(std::memory_order_acquire);
  return static_cast<std::size_t>((depose + bloc_ - 1) / bloc_ - pris / bloc_);
}

void FileSon::Signaler_blocs(uint64_t avant, uint64_t apres) {
  for (uint64_t n = apres / bloc_ - avant / bloc_; n > 0; --n) compteur_.Signaler();
}

std::size_t FileSon::Deposer(const uint8_t* octets, std::size_t nombre) {
  if (capacite_ == 0) return 0;
  const uint64_t depose = depose_.load(std::memory_order_relaxed);
  const uint64_t pris = pris_.load(std::memory_order_acquire);
  const std::size_t n = std::min<std::size_t>(nombre, capacite_ - (depose - pris));
  const std::size_t debut = depose % capacite_;
  const std::size_t premier = std::min(n, capacite_ - debut);
  std::memcpy(memoire_.get() + debut, octets, premier);
  std::memcpy(memoire_.get(), octets + premier, n - premier);
  depose_.store(depose + n, std::memory_order_release);
  if (audio_produit_) Signaler_blocs(depose, depose + n);
  return n;
}

std::size_t FileSon::Prendre(uint8_t* octets, std::size_t nombre) {
  if (capacite_ == 0) return 0;
  const uint64_t pris = pris_.load(std::memory_order_relaxed);
  const uint64_t depose = depose_.load(std::memory_order_acquire);
  const std::size_t n = std::min<std::size_t>(nombre, depose - pris);
  const std::size_t debut = pris % capacite_;
  const std::size_t premier = std::min(n, capacite_ - debut);
  std::memcpy(octets, memoire_.get() + debut, premier);
  std::memcpy(octets + premier, memoire_.get(), n - premier);
  pris_.store(pris + n, std::memory_order_release);
  if (!audio_produit_) Signaler_blocs(pris, pris + n);
  return n;
}

bool FileSon::Prendre_bloc(std::span<uint8_t> bloc) {
  if (bloc.empty() || Remplissage() < bloc.size()) return false;
  return Prendre(bloc.data(), bloc.size()) == bloc.size();
}

}  // namespace vestral
