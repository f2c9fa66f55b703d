// The wave layer: the program's only contact with the sound card's capture
// and playback devices. It counts the devices and reads their formats (the
// two sound card checks), opens device 0 of each kind, allocates the four
// sound blocks, and wraps every device step so that a failure becomes an
// error dialog naming the step, followed by the device's result code.
//
// Sound moves in blocks, two per direction. Each block has a header whose
// flags say where it is: prepared, queued, done. The layer keeps the
// headers itself, above a stream device (PeripheriqueSon) that is read and
// written a block at a time: a queued capture block is filled from the
// stream when a whole block is there; a playback block is written to the
// stream when queued and is done once the stream has played it. The pumps
// of the transceiver window look at the headers (no waiting) to find a
// finished block, service it and queue it again. Everything here runs on
// the user-interface thread, except Attendre_bloc_entree, which a consumer
// thread may use.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>

#include "shell/Rapport.h"
#include "sound/PeripheriqueSon.h"

namespace vestral {

constexpr int32_t kFrequence_son = 11025;
// The block lengths of the streams are their users' own: kTaille_bloc_reception
// (ChaineReception), kTaille_bloc_emission (Synthese), kTaille_bloc_niveau
// (NiveauEntree); the caller sets Taille_tampon before a start.

// Flags of a block header.
constexpr uint32_t kEntete_termine = 1;   // handed back: full (capture) or played
constexpr uint32_t kEntete_prepare = 2;   // prepared for the device
constexpr uint32_t kEntete_en_file = 16;  // queued on the device

// One block's header, as Allocation_tampon leaves it: data pointer, length,
// bytes recorded 0, flags 0, loop count 1.
struct Entete_son {
  uint8_t* donnees = nullptr;
  uint32_t longueur = 0;
  uint32_t octets_enregistres = 0;
  uintptr_t utilisateur = 0;
  uint32_t drapeaux = 0;
  uint32_t boucles = 0;
  Entete_son* suivant = nullptr;
  uintptr_t reserve = 0;
};

// Where the blocks' memory comes from; a test may refuse it.
class MemoireSon {
 public:
  virtual ~MemoireSon() = default;
  // Zero-filled memory for a block's header or data; nullptr when it
  // cannot be had.
  virtual std::unique_ptr<Entete_son> Allocation_entete();
  virtual std::unique_ptr<uint8_t[]> Allocation_donnees(std::size_t octets);
  static MemoireSon& Systeme();
};

// One sound block: its header and its data, each in memory of its own,
// held from Allocation_tampon to Liberation_tampon.
struct Tampon_son {
  Tampon_son(Sens s, int n) : sens(s), numero(n) {}
  const Sens sens;
  const int numero;  // 1 or 2
  std::unique_ptr<Entete_son> memoire_entete;
  std::unique_ptr<uint8_t[]> memoire_donnees;

  Entete_son* Entete() const { return memoire_entete.get(); }
  uint8_t* Donnees() const { return memoire_donnees.get(); }
  // Both memories were obtained: the block may be prepared and queued.
  bool Utilisable() const { return memoire_entete && memoire_donnees; }
};

class FonctionsWave {
 public:
  FonctionsWave(PeripheriqueSon& peripherique, Rapport& rapport,
                MemoireSon& memoire = MemoireSon::Systeme());
  ~FonctionsWave();
  FonctionsWave(const FonctionsWave&) = delete;
  FonctionsWave& operator=(const FonctionsWave&) = delete;

  int32_t Frequence_echantillonnage_entree = kFrequence_son;
  int32_t Frequence_echantillonnage = 0;  // rate of the stream being started
  int32_t Taille_tampon = 0;              // block length of the stream being started
  uint8_t Entree_8_bits = 1;              // 1 = 8 bits, anything else = 16
  uint8_t Sortie_8_bits = 1;
  uint8_t Entree_stereo = 0;       // 1 = two capture channels
  uint8_t Messages_ouverture = 1;  // 0 = a failed open shows no dialog
  std::unique_ptr<Format_son> Format_entree;
  std::unique_ptr<Format_son> Format_sortie;
  Tampon_son Entree_1{Sens::Entree, 1};
  Tampon_son Entree_2{Sens::Entree, 2};
  Tampon_son Sortie_1{Sens::Sortie, 1};
  Tampon_son Sortie_2{Sens::Sortie, 2};

  // Device counts, and the format mask of each kind's device 0 (written
  // only when its query succeeded).
  void Capacites_son(uint16_t& nombre_entrees, uint32_t& formats_entree, uint16_t& nombre_sorties,
                     uint32_t& formats_sortie);

  // 0 = opened, 1 = failed (dialog only when Messages_ouverture is 1). Each
  // fills its format record, allocating it when the caller has not.
  [[nodiscard]] uint16_t Ouverture_entree_son(uint8_t huit_bits, int32_t frequence, uint8_t stereo);
  [[nodiscard]] uint16_t Ouverture_sortie_son(uint8_t huit_bits, int32_t frequence);
  bool Entree_ouverte() const { return ouvert_[0]; }
  bool Sortie_ouverte() const { return ouvert_[1]; }

  // Blocks of Taille_tampon bytes. A block whose memory could not be had
  // is never handed to the device: its operations fail with code 11.
  // Freeing a queued block first stops its stream.
  void Allocation_tampon(Tampon_son& tampon);
  void Liberation_tampon(Tampon_son& tampon);

  // Block operations: 0 = done, 1 = failed (with its dialog). Each fails
  // with the stream's state when it is not open and working; queueing
  // refuses a queued block (33) or an unprepared one (34), unpreparing a
  // queued block (33). A block queued on a device that has failed comes
  // back at once.
  uint16_t Preparation_entete(Tampon_son& tampon);
  uint16_t Ajout_tampon_entree(Tampon_son& tampon);
  uint16_t Ecriture_tampon_sortie(Tampon_son& tampon);
  void Suppression_entete(Tampon_son& tampon);

  void Demarrage_entree();
  void Arret_entree();
  void Fermeture_entree();
  void Arret_sortie();
  void Fermeture_sortie();

  // Presence check, made once at start-up: device counts and formats only.
  [[nodiscard]] bool Verification_carte_son_demarrage();
  // Availability check, made before each sound window opens: the presence
  // tests, then an open and close of each device.
  [[nodiscard]] bool Verification_carte_son();

  // Stream sequences. A start returns true when its blocks are on the
  // device; a stop releases whatever its start obtained (the device calls
  // only if the device was opened) and may be called after any start.
  bool Ouverture_flux_entree();  // two blocks of Taille_tampon at Frequence_echantillonnage
  void Fermeture_flux_entree();
  bool Ouverture_flux_sortie();  // two blocks of silence queued
  void Fermeture_flux_sortie();
  // One block of Taille_tampon bytes at 11025 Hz in Entree_1, waited for at
  // most `delai`; true when it was filled. The device is closed again; the
  // caller reads Entree_1 and then calls Liberation_bloc_unique.
  [[nodiscard]] bool Acquisition_bloc_unique(std::chrono::milliseconds delai);
  void Liberation_bloc_unique();

  // Completion tests: a capture block is full when its recorded count
  // equals Taille_tampon; a playback block is finished when its flags hold
  // both done and prepared. Each first takes in what the stream has done.
  bool Bloc_plein(const Tampon_son& tampon);
  bool Bloc_termine(const Tampon_son& tampon);
  // The block a pump services this cycle: Entree_1 (Sortie_1) first, else
  // the second, else none. Shows the device's failure if it has just gone.
  Tampon_son* Bloc_entree_a_servir();
  Tampon_son* Bloc_sortie_a_servir();
  // Capture service after the data has been used: count back to 0,
  // unprepare, prepare, queue again.
  void Remise_en_file_entree(Tampon_son& tampon);
  // False when no playback block can finish any more (nothing was queued):
  // the transmit pump must not wait then.
  bool Bloc_sortie_attendu();

  // For a consumer thread: the number of capture blocks handed back so far,
  // and a wait (at most `delai`) until that number exceeds `vu`.
  uint64_t Blocs_entree_rendus();
  uint64_t Attendre_bloc_entree(uint64_t vu, std::chrono::milliseconds delai);

  // True when the open device of that direction has failed on its own. The
  // first time, its message is shown: "Erreur lors de l'échantillonnage
  // n°" (capture) or "Erreur de restitution des données n°" (playback) with
  // the code; later failures of that stream are not shown again.
  bool Peripherique_en_panne(Sens sens);

 private:
  uint16_t Ouvrir(Sens sens, std::unique_ptr<Format_son>& format, uint16_t canaux,
                  uint8_t huit_bits, int32_t frequence, const std::string& texte);
  // A header step: the block must have memory and its stream must work.
  Code_son Controle_bloc(const Tampon_son& tampon);
  uint16_t Resultat_bloc(Sens sens, Code_son code, const std::string& texte);
  Code_son Appel_peripherique(Sens sens, Code_son code, const std::string& texte);
  // A queueing step's end: the block queued, or the failure shown (a block
  // on a failed device comes back at once).
  uint16_t Mise_en_file(Tampon_son& tampon, Code_son code);
  void Echec(Sens sens, const std::string& texte, Code_son code);
  void Remplir_format(Format_son& format, uint16_t canaux, uint8_t huit_bits, int32_t frequence);
  bool Echec_verification(const std::string& texte);
  // The block is handed back: its count, then done instead of queued.
  void Rendre(Tampon_son& tampon, uint32_t octets);
  // Every queued block of that direction handed back, a capture block with
  // what was recorded into it.
  void Rendre_tout(Sens sens);
  // Full capture blocks and played playback blocks taken from the stream.
  void Recevoir(Sens sens);

  PeripheriqueSon& peripherique_;
  Rapport& rapport_;
  MemoireSon& memoire_;
  bool ouvert_[2] = {false, false};  // capture, playback device open
  bool en_marche_[2] = {false, false};
  bool panne_signalee_[2] = {false, false};
  std::deque<Tampon_son*> en_file_[2];  // queued blocks, oldest first
};

}  // namespace vestral
