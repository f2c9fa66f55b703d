// The sound card as the wave layer sees it: device counts and formats, one
// capture and one playback device (each "device 0", the one chosen by the
// operator or the system's default), and blocks handed to the device and
// handed back. The wave layer (FONCTIONS_WAVE) is written once above this
// interface; PeripheriqueSonPortAudio (sound/linux/) drives a real card and
// CarteSimulee stands in for one in tests and demonstrations.
//
// Threads: every call is made from the user-interface thread. The device
// fills and drains queued blocks on its own thread and publishes each block
// it hands back (bytes recorded, then the done flag) with release semantics,
// so a pump that reads the flags with acquire semantics sees the data.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <semaphore>

namespace vestral {

enum class Sens { Entree, Sortie };  // capture, playback

// Result codes of the device calls: 16 bits, 0 = success, numbered as the
// wave functions of the old multimedia interface numbered them, so that the
// number in a dialog means what operators and old manuals expect.
namespace code_son {
constexpr uint16_t kSucces = 0;
constexpr uint16_t kErreur = 1;                // unspecified failure
constexpr uint16_t kPeripherique_inconnu = 2;  // no such device
constexpr uint16_t kDeja_utilise = 4;          // held by another application
constexpr uint16_t kNon_ouvert = 5;            // the device is not open
constexpr uint16_t kPeripherique_absent = 6;   // no driver: the device has gone
constexpr uint16_t kMemoire = 7;               // out of memory
constexpr uint16_t kParametre_invalide = 11;   // e.g. a block without memory
constexpr uint16_t kFormat_refuse = 32;        // sample format not supported
constexpr uint16_t kEncore_en_file = 33;       // the block is still queued
constexpr uint16_t kNon_prepare = 34;          // the block is not prepared
}  // namespace code_son

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

// Flags of a block header.
constexpr uint32_t kEntete_termine = 1;   // handed back by the device
constexpr uint32_t kEntete_prepare = 2;   // prepared for the device
constexpr uint32_t kEntete_en_file = 16;  // queued on the device

// One block's header. Between its queueing and its return only the device
// writes `octets_enregistres` and `drapeaux`.
struct Entete_son {
  uint8_t* donnees = nullptr;
  uint32_t longueur = 0;
  std::atomic<uint32_t> octets_enregistres{0};
  uintptr_t utilisateur = 0;
  std::atomic<uint32_t> drapeaux{0};
  uint32_t boucles = 0;
  Entete_son* suivant = nullptr;
  uintptr_t reserve = 0;
};

// Header flag steps shared by the backends. Each returns a result code.
uint16_t Preparer_entete(Entete_son& entete);
uint16_t Depreparer_entete(Entete_son& entete);  // refuses a queued block
uint16_t Controler_mise_en_file(const Entete_son& entete);
void Marquer_en_file(Entete_son& entete);
// The device hands a block back: publishes the byte count, then the done
// flag (release), clearing the queued flag in the same step.
void Rendre_entete(Entete_son& entete, uint32_t octets_enregistres);

// Counts the blocks a device has handed back in one direction, so that a
// consumer thread can wait for the next one instead of polling. Signaler()
// takes no lock and allocates nothing: it may be called from an audio
// callback. Meant for one waiting thread at a time.
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

class PeripheriqueSon {
 public:
  virtual ~PeripheriqueSon() = default;

  virtual uint16_t Nombre_peripheriques(Sens sens) = 0;
  // The format mask of device 0; written only on success.
  virtual uint16_t Capacites(Sens sens, uint32_t& formats) = 0;

  // Opens device 0 of one direction in the given format. A capture stream
  // runs from Demarrer; a playback stream from its first queued block.
  virtual uint16_t Ouvrir(Sens sens, const Format_son& format) = 0;
  // Refuses (kEncore_en_file) while blocks are queued; Reinitialiser first.
  virtual uint16_t Fermer(Sens sens) = 0;

  virtual uint16_t Preparer(Sens sens, Entete_son& entete) = 0;
  virtual uint16_t Depreparer(Sens sens, Entete_son& entete) = 0;
  // Queues a prepared block: recorded into (capture) or played (playback).
  virtual uint16_t Mettre_en_file(Sens sens, Entete_son& entete) = 0;
  virtual uint16_t Demarrer(Sens sens) = 0;  // capture only
  // Stops the stream and hands every queued block back, done.
  virtual uint16_t Reinitialiser(Sens sens) = 0;

  // Non-zero once the open device has stopped on its own (unplugged,
  // driver gone): the code to report. From then on blocks queued on it
  // come back at once, and only Fermer succeeds.
  virtual uint16_t Panne(Sens sens) = 0;

  virtual Compteur_blocs& Blocs_rendus(Sens sens) = 0;

  // Memory for a block's header and data (zero-filled); nullptr when it
  // cannot be had.
  virtual std::unique_ptr<Entete_son> Allocation_entete();
  virtual std::unique_ptr<uint8_t[]> Allocation_donnees(std::size_t octets);
};

}  // namespace vestral
