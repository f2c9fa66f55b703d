// The wave layer: the program's only contact with the sound card's capture
// and playback devices. It counts the devices and reads their formats (the
// two sound card checks), opens device 0 of each kind, allocates the four
// sound blocks, and wraps every device call so that a failure becomes an
// error dialog naming the step, followed by the device's result code.
//
// Sound moves in blocks, two per direction. Nothing is done in a device
// callback: the pumps of the transceiver window look at the block headers
// (non-blocking flag reads) to find a finished block, service it and queue
// it again. Everything here runs on the user-interface thread, except
// Attendre_bloc_entree, which a consumer thread may use.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "shell/FormatSon.h"
#include "shell/Rapport.h"
#include "sound/PeripheriqueSon.h"

namespace vestral {

constexpr int32_t kTaille_tampon_reception = kFrequence_echantillonnage_entree / 3;  // 3675
constexpr int32_t kTaille_tampon_emission = 2756;
constexpr int32_t kTaille_tampon_niveau = 1122;

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
  FonctionsWave(PeripheriqueSon& peripherique, Rapport& rapport);
  ~FonctionsWave();
  FonctionsWave(const FonctionsWave&) = delete;
  FonctionsWave& operator=(const FonctionsWave&) = delete;

  int32_t Frequence_echantillonnage_entree = kFrequence_echantillonnage_entree;
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
  uint16_t Ouverture_entree_son(uint8_t huit_bits, int32_t frequence, uint8_t stereo);
  uint16_t Ouverture_sortie_son(uint8_t huit_bits, int32_t frequence);
  bool Entree_ouverte() const { return ouvert_[0]; }
  bool Sortie_ouverte() const { return ouvert_[1]; }

  // Blocks of Taille_tampon bytes. A block whose memory could not be had
  // is never handed to the device: its operations fail with code 11.
  void Allocation_tampon(Tampon_son& tampon);
  void Liberation_tampon(Tampon_son& tampon);

  // Block operations: 0 = done, 1 = failed (with its dialog).
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
  bool Verification_carte_son_demarrage();
  // Availability check, made before each sound window opens: the presence
  // tests, then an open and close of each device.
  bool Verification_carte_son();

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
  bool Acquisition_bloc_unique(std::chrono::milliseconds delai);
  void Liberation_bloc_unique();

  // Completion tests: a capture block is full when its recorded count
  // equals Taille_tampon; a playback block is finished when its flags hold
  // both done and prepared.
  bool Bloc_plein(const Tampon_son& tampon) const;
  bool Bloc_termine(const Tampon_son& tampon) const;
  // The block a pump services this cycle: Entree_1 (Sortie_1) first, else
  // the second, else none. Shows the device's failure if it has just gone.
  Tampon_son* Bloc_entree_a_servir();
  Tampon_son* Bloc_sortie_a_servir();
  // Capture service after the data has been used: count back to 0,
  // unprepare, prepare, queue again.
  void Remise_en_file_entree(Tampon_son& tampon);
  // False when no playback block can finish any more (nothing was queued):
  // the transmit pump must not wait then.
  bool Bloc_sortie_attendu() const;

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
  using Appel_entete = uint16_t (PeripheriqueSon::*)(Sens, Entete_son&);
  using Appel_sens = uint16_t (PeripheriqueSon::*)(Sens);
  uint16_t Ouvrir(Sens sens, std::unique_ptr<Format_son>& format, uint16_t canaux,
                  uint8_t huit_bits, int32_t frequence, const std::string& texte);
  // A block's device call (never made for a block without memory): 0, or
  // 1 after its dialog.
  uint16_t Appel_bloc(Tampon_son& tampon, Sens sens, Appel_entete appel, const std::string& texte);
  uint16_t Appel_peripherique(Sens sens, Appel_sens appel, const std::string& texte);
  void Echec(Sens sens, const std::string& texte, uint16_t code);
  void Remplir_format(Format_son& format, uint16_t canaux, uint8_t huit_bits, int32_t frequence);
  bool Echec_verification(const std::string& texte);

  PeripheriqueSon& peripherique_;
  Rapport& rapport_;
  bool ouvert_[2] = {false, false};  // capture, playback device open
  bool panne_signalee_[2] = {false, false};
};

}  // namespace vestral
