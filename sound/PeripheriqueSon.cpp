#include "sound/PeripheriqueSon.h"

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

uint16_t Preparer_entete(Entete_son& entete) {
  if (entete.donnees == nullptr) return code_son::kParametre_invalide;
  entete.drapeaux.fetch_or(kEntete_prepare, std::memory_order_acq_rel);
  return code_son::kSucces;
}

uint16_t Depreparer_entete(Entete_son& entete) {
  uint32_t drapeaux = entete.drapeaux.load(std::memory_order_acquire);
  if (drapeaux & kEntete_en_file) return code_son::kEncore_en_file;
  entete.drapeaux.fetch_and(~kEntete_prepare, std::memory_order_acq_rel);
  return code_son::kSucces;
}

uint16_t Controler_mise_en_file(const Entete_son& entete) {
  const uint32_t drapeaux = entete.drapeaux.load(std::memory_order_acquire);
  if (!(drapeaux & kEntete_prepare)) return code_son::kNon_prepare;
  if (drapeaux & kEntete_en_file) return code_son::kEncore_en_file;
  return code_son::kSucces;
}

void Marquer_en_file(Entete_son& entete) {
  uint32_t drapeaux = entete.drapeaux.load(std::memory_order_relaxed);
  while (!entete.drapeaux.compare_exchange_weak(
      drapeaux, (drapeaux & ~kEntete_termine) | kEntete_en_file, std::memory_order_acq_rel)) {
  }
}

void Rendre_entete(Entete_son& entete, uint32_t octets_enregistres) {
  entete.octets_enregistres.store(octets_enregistres, std::memory_order_release);
  uint32_t drapeaux = entete.drapeaux.load(std::memory_order_relaxed);
  while (!entete.drapeaux.compare_exchange_weak(
      drapeaux, (drapeaux & ~kEntete_en_file) | kEntete_termine, std::memory_order_acq_rel)) {
  }
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

std::unique_ptr<Entete_son> PeripheriqueSon::Allocation_entete() {
  try {
    return std::make_unique<Entete_son>();
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

std::unique_ptr<uint8_t[]> PeripheriqueSon::Allocation_donnees(std::size_t octets) {
  try {
    return std::make_unique<uint8_t[]>(octets);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace vestral
