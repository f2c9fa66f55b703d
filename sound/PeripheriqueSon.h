// The sound card as a stream device: device counts and formats, and one
// capture and one playback stream (each on "device 0", the one chosen by
// the operator or the system's default). A stream is opened in a format
// with a block length, started, read or written a whole block at a time
// without ever waiting, stopped and closed; a device that stops on its own
// (unplugged, driver gone) puts its stream in a fault state.
//
// The wave layer (FONCTIONS_WAVE) keeps the sound blocks, their headers and
// their messages above this interface. PeripheriqueSonPortAudio (sound/
// linux/) drives a real card and CarteSimulee stands in for one in tests and
// demonstrations; both move samples between their audio thread and the
// caller through one FileSon per stream.
//
// Threads: every call is made from one thread (the user-interface thread),
// except that Blocs_rendus may be waited on by another.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <semaphore>
#include <span>
#include <string>

namespace vestral {

enum class Sens { Entree, Sortie };  // capture, playback

// Result codes of the device calls: 16 bits, 0 = success, numbered as the
// wave functions of the old multimedia interface numbered them, so that the
// number in a dialog means what operators and old manuals expect.
enum class Code_son : uint16_t {
  Succes = 0,
  Erreur = 1,                // unspecified failure
  Peripherique_inconnu = 2,  // no such device
  Deja_utilise = 4,          // held by another application
  Non_ouvert = 5,            // the stream is not open
  Peripherique_absent = 6,   // no driver: the device has gone
  Memoire = 7,               // out of memory
  Parametre_invalide = 11,   // e.g. a block without memory
  Format_refuse = 32,        // sample format not supported
  Encore_en_file = 33,       // the block is still queued, or no room for one
  Non_prepare = 34,          // the block is not prepared
};

// The decimal number a dialog shows after its text.
inline std::string Numero(Code_son code) {
  return std::to_string(static_cast<uint16_t>(code));
}

// The standard formats of a device, as bits of its format mask: rate
// 11025, 22050 or 44100 Hz, mono or stereo, 8 or 16 bits.
constexpr uint32_t kFormat_1M08 = 0x001;  // 11.025 kHz, mono, 8 bits
constexpr uint32_t kFormat_1S08 = 0x002;
constexpr uint32_t kFormat_1M16 = 0x004;
constexpr uint32_t kFormat_1S16 = 0x008;
constexpr uint32_t kFormat_2M08 = 0x010;
constexpr uint32_t kFormat_4S16 = 0x800;
constexpr uint32_t kFormats_standard = 0xFFF;
// The mask bit of a format, or 0 when the format is none of the twelve.
uint32_t Bit_de_format(uint32_t frequence, uint16_t canaux, uint16_t bits);

// Linear PCM format record: tag 1, channels, rate, bytes per second, block
// alignment, bits per sample.
struct Format_son {
  uint16_t format = 0;
  uint16_t canaux = 0;
  uint32_t echantillons_par_seconde = 0;
  uint32_t octets_par_seconde = 0;
  uint16_t alignement = 0;
  uint16_t bits = 0;
  uint16_t taille_extra = 0;
};

// Counts the blocks a stream has made ready (capture) or played (playback),
// so that a consumer thread can wait for the next one instead of polling.
// Signaler() takes no lock and allocates nothing: it may be called from an
// audio callback. Meant for one waiting thread at a time.
class Compteur_blocs {
 public:
  void Signaler();
  uint64_t Valeur() const { return compte_.load(); }
  // Returns as soon as the count exceeds `vu`, or when the delay has run
  // out; returns the count then.
  uint64_t Attendre_au_dela(uint64_t vu, std::chrono::milliseconds delai);

 private:
  std::atomic<uint64_t> compte_{0};
  std::atomic<bool> reveil_en_cours_{false};
  std::binary_semaphore reveil_{0};
};

// The bytes of one stream between the audio thread and the caller: a ring
// of a few blocks with one producer and one consumer, no lock. Capture: the
// audio thread deposits, the caller takes whole blocks. Playback: the
// caller deposits whole blocks, the audio thread takes what it plays.
class FileSon {
 public:
  // Room for `blocs` blocks of `octets_par_bloc`, the audio thread on the
  // producing side (capture) or not (playback); false when the memory cannot
  // be had. Only while nothing runs on the other side.
  [[nodiscard]] bool Dimensionner(std::size_t octets_par_bloc, std::size_t blocs,
                                  bool audio_produit);
  void Liberer();
  // Forgets what is waiting. Only while nothing runs on the other side.
  void Vider();

  std::size_t Octets_par_bloc() const { return bloc_; }
  std::size_t Remplissage() const;  // bytes waiting
  std::size_t Place() const { return capacite_ - Remplissage(); }
  // Blocks begun and not yet taken out entirely (playback: not yet played).
  std::size_t Blocs_en_attente() const;

  // Producer: puts up to `nombre` bytes in; returns how many fitted.
  std::size_t Deposer(const uint8_t* octets, std::size_t nombre);
  // Consumer: takes up to `nombre` bytes out; returns how many there were.
  std::size_t Prendre(uint8_t* octets, std::size_t nombre);
  // Consumer: takes one whole block out if one is there.
  [[nodiscard]] bool Prendre_bloc(std::span<uint8_t> bloc);

  // Signalled each time the audio side crosses a block boundary.
  Compteur_blocs& Compteur() { return compteur_; }

 private:
  void Signaler_blocs(uint64_t avant, uint64_t apres);

  std::unique_ptr<uint8_t[]> memoire_;
  std::size_t capacite_ = 0;
  std::size_t bloc_ = 0;
  std::atomic<uint64_t> depose_{0};  // bytes ever put in
  std::atomic<uint64_t> pris_{0};    // bytes ever taken out
  bool audio_produit_ = true;        // the side whose block boundaries are signalled
  Compteur_blocs compteur_;
};

class PeripheriqueSon {
 public:
  virtual ~PeripheriqueSon() = default;

  virtual uint16_t Nombre_peripheriques(Sens sens) = 0;
  // The format mask of device 0; written only on success.
  [[nodiscard]] virtual Code_son Capacites(Sens sens, uint32_t& formats) = 0;

  // Opens device 0 of one direction in the given format, with a queue of
  // two blocks of `octets_par_bloc` between the device and the caller (none
  // when 0: an open to see that the device can be had).
  [[nodiscard]] virtual Code_son Ouvrir(Sens sens, const Format_son& format,
                                        std::size_t octets_par_bloc) = 0;
  [[nodiscard]] virtual Code_son Fermer(Sens sens) = 0;
  // Capture records from Demarrer; playback plays what was written, and
  // silence when nothing is.
  [[nodiscard]] virtual Code_son Demarrer(Sens sens) = 0;
  // Stops the stream. What was recorded stays to be read (Lire_reste); what
  // was written and not played is dropped.
  [[nodiscard]] virtual Code_son Arreter(Sens sens) = 0;

  // Capture: copies the next whole block into `bloc` and returns true if
  // one is there; never waits.
  [[nodiscard]] virtual bool Lire_bloc(std::span<uint8_t> bloc) = 0;
  // Capture, once stopped or failed: what was recorded of a block not
  // completed (at most bloc.size() bytes); returns how many.
  virtual std::size_t Lire_reste(std::span<uint8_t> bloc) = 0;
  // Playback: queues one block when there is room (Encore_en_file when
  // there is none); never waits.
  [[nodiscard]] virtual Code_son Ecrire_bloc(std::span<const uint8_t> bloc) = 0;
  // Blocks written and not yet played entirely.
  virtual std::size_t Blocs_a_jouer() = 0;

  // Succes while the stream is open and working; Non_ouvert when it is
  // closed; the code to report once the device has stopped on its own (it
  // then stays so until Fermer, the only call that still succeeds).
  [[nodiscard]] virtual Code_son Etat(Sens sens) = 0;

  // For a thread that waits for blocks instead of polling.
  virtual Compteur_blocs& Blocs_rendus(Sens sens) = 0;
};

}  // namespace vestral
