// The received sample window: the capture pump (one producer thread)
// appends each completed block; once it holds two blocks it slides by one
// block per block. The decoder (one consumer thread) reads it one sample at
// a time through a read position counted from 1.
//
// No lock on the sample path: positions are kept as absolute sample counts.
// The producer publishes the number of samples appended with one atomic
// store after writing the block; the consumer derives the window's start
// from it, so an append (drop, append, position shift, new length) is seen
// whole. Samples sit in a ring of three blocks; a consumer that fell more
// than a block behind checks after its read that the sample was not
// overwritten meanwhile, and then resumes at the window's first sample.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

#include "shell/FormatSon.h"

namespace vestral {

class FenetreEchantillons {
 public:
  explicit FenetreEchantillons(int32_t taille_bloc = kTaille_bloc_reception);

  // Producer side (no consumer may run during Vider_fenetre).
  void Vider_fenetre();
  // Returns whether the window already held two blocks (the block is then
  // also worth a spectrum). The block must hold Taille_tampon samples.
  bool Ajout_bloc_recu(std::span<const uint8_t> bloc);

  // Consumer side.
  std::optional<uint8_t> Prendre_echantillon();
  // Up to `maximum` unread samples at once, as that many calls of
  // Prendre_echantillon would give them; answers how many (0: none unread).
  int Prendre_echantillons(uint8_t* destination, int maximum);
  // Reading ahead: copies up to `maximum` unread samples without taking
  // them (the read position only skips what the window dropped unread);
  // Avancer_lecture then takes `nombre` of them, which must all have been
  // copied. Samples copied stay valid in the copy even once the window has
  // slid past them.
  int Copier_en_avance(uint8_t* destination, int maximum);
  void Avancer_lecture(int nombre) {
    lecture_.store(lecture_.load(std::memory_order_relaxed) + nombre, std::memory_order_relaxed);
  }
  // Position_lecture and Nombre_echantillons, read together.
  struct Positions {
    int32_t Position_lecture;
    int32_t Nombre_echantillons;
  };
  Positions Lire_positions() const;
  int32_t Position_lecture() const { return Lire_positions().Position_lecture; }
  int32_t Nombre_echantillons() const { return Lire_positions().Nombre_echantillons; }
  // Samples read since Vider_fenetre, counting those dropped unread.
  int64_t Echantillons_lus() const { return lecture_.load(std::memory_order_relaxed); }
  // Waits until `non_lus` samples are unread or the delay has passed;
  // returns whether they are. Woken also by Reveiller().
  bool Attendre_echantillon(int delai_ms, int non_lus = 1);
  void Reveiller();

  int32_t Taille_tampon() const { return taille_bloc_; }

 private:
  int64_t Debut(int64_t total) const {
    return total > 2 * taille_bloc_ ? total - 2 * taille_bloc_ : 0;
  }

  // Ring slot of an absolute sample index.
  std::size_t Case(int64_t index) const;
  // The ring's bytes: `nombre` from slot `c` (not past the end).
  void Ecrire_octets(std::size_t c, const uint8_t* source, std::size_t nombre);
  void Lire_octets(std::size_t c, uint8_t* destination, std::size_t nombre) const;

  int32_t taille_bloc_;
  // Three blocks or a little more, eight samples to a word (atomic words:
  // the reader may read a word while the writer stores the next samples in
  // it).
  std::size_t taille_anneau_;
  std::vector<std::atomic<uint64_t>> anneau_;
  std::atomic<int64_t> total_{0};  // samples appended since Vider_fenetre
  // Absolute index of the next sample to read; written by the consumer only
  // (atomic so that the producer side may look at it).
  std::atomic<int64_t> lecture_{0};
  // Consumer only: the ring slot of lecture_, while lecture_ equals
  // lecture_connue_ (saves a division per sample).
  int64_t lecture_connue_ = -1;
  std::size_t case_lecture_ = 0;

  std::mutex verrou_attente_;
  std::condition_variable attente_;
  std::atomic<bool> en_attente_{false};
};

}  // namespace vestral
