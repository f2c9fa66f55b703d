// A sound card without hardware, for tests and demonstrations. Capture
// records from a sample source (a recording, or a generated on-air signal:
// SignalSimule); playback keeps every sample it plays, and can write them to
// a WAV file. Time passes either when the test says so (Avancer: fully
// deterministic) or with the wall clock (a thread of the card's own).
//
// It can also fail the way a real card fails: no device, no 11.025 kHz
// format, a device held by another application, any call returning a given
// code, a memory allocation refused, and the card disappearing while a
// stream runs. Its streams queue two blocks each, in a FileSon, as the real
// card's do.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "sound/FONCTIONS_WAVE.h"
#include "sound/PeripheriqueSon.h"

namespace vestral {

enum class Operation_son {
  Nombre,
  Capacites,
  Ouverture,
  Fermeture,
  Demarrage,
  Arret,
  Ecriture,
  Etat,
  Allocation,
};

// One call the card received and its result.
struct Appel_son {
  Sens sens;
  Operation_son operation;
  uint16_t resultat;
};

struct Configuration_carte {
  uint16_t nombre_entrees = 1;
  uint16_t nombre_sorties = 1;
  uint32_t formats_entree = kFormats_standard;
  uint32_t formats_sortie = kFormats_standard;
  bool entree_occupee = false;  // held by another application
  bool sortie_occupee = false;
};

enum class Horloge_carte { Test, Murale };

// Also the memory of the blocks, so that an allocation can be refused.
class CarteSimulee : public PeripheriqueSon, public MemoireSon {
 public:
  // Fills `nombre` bytes of capture (whole frames of the open format).
  using Source = std::function<void(uint8_t* octets, std::size_t nombre)>;

  explicit CarteSimulee(Configuration_carte configuration = {},
                        Horloge_carte horloge = Horloge_carte::Test);
  ~CarteSimulee() override;
  CarteSimulee(const CarteSimulee&) = delete;
  CarteSimulee& operator=(const CarteSimulee&) = delete;

  void Source_capture(Source source);  // silence (128) until set
  // The `rang`-th next call of that operation in that direction fails with
  // `code` and does nothing else.
  void Faire_echouer(Sens sens, Operation_son operation, uint16_t code, int rang = 1);
  void Faire_echouer(Sens sens, Operation_son operation, Code_son code, int rang = 1) {
    Faire_echouer(sens, operation, static_cast<uint16_t>(code), rang);
  }
  // The `rang`-th next memory allocation (header or data) is refused.
  void Refuser_allocation(int rang = 1);
  // The card disappears: no device any more; open streams stop and fail
  // with code 6 until closed.
  void Retirer();

  // Test clock: time passes only here. Either clock may be advanced by hand.
  void Avancer(std::chrono::microseconds duree);
  void Avancer_echantillons(std::size_t trames);

  // The calls received, state queries left out (a pump makes one a cycle).
  std::vector<Appel_son> Journal() const;
  // How many calls of that operation were made in that direction
  // (allocations count under Entree), state queries included.
  int Nombre_appels(Sens sens, Operation_son operation) const;
  void Vider_journal();
  std::vector<uint8_t> Echantillons_joues() const;
  // Frames the device had to drop (capture with its queue full) or to
  // invent (playback with nothing written) while running.
  uint64_t Trames_manquees(Sens sens) const;
  bool Ouvert(Sens sens) const;
  Format_son Format(Sens sens) const;
  // Writes the played samples as a WAV file in the last playback format;
  // false if the file could not be written.
  bool Ecrire_wav(const std::filesystem::path& chemin) const;

  uint16_t Nombre_peripheriques(Sens sens) override;
  Code_son Capacites(Sens sens, uint32_t& formats) override;
  Code_son Ouvrir(Sens sens, const Format_son& format, std::size_t octets_par_bloc) override;
  Code_son Fermer(Sens sens) override;
  Code_son Demarrer(Sens sens) override;
  Code_son Arreter(Sens sens) override;
  bool Lire_bloc(std::span<uint8_t> bloc) override;
  std::size_t Lire_reste(std::span<uint8_t> bloc) override;
  Code_son Ecrire_bloc(std::span<const uint8_t> bloc) override;
  std::size_t Blocs_a_jouer() override;
  Code_son Etat(Sens sens) override;
  Compteur_blocs& Blocs_rendus(Sens sens) override;

  std::unique_ptr<Entete_son> Allocation_entete() override;
  std::unique_ptr<uint8_t[]> Allocation_donnees(std::size_t octets) override;

 private:
  struct Flux {
    bool ouvert = false;
    bool en_marche = false;
    Format_son format;
    FileSon file;
    Code_son panne = Code_son::Succes;
    uint64_t reste_us_fois_frequence = 0;
    uint64_t trames_manquees = 0;
  };
  struct Echec_prevu {
    Sens sens;
    Operation_son operation;
    uint16_t code;
    int reste;
  };

  Flux& flux(Sens sens) { return flux_[sens == Sens::Entree ? 0 : 1]; }
  const Flux& flux(Sens sens) const { return flux_[sens == Sens::Entree ? 0 : 1]; }
  Code_son Echec_programme(Sens sens, Operation_son operation);
  Code_son Noter(Sens sens, Operation_son operation, Code_son resultat);
  void Faire_passer(Sens sens, std::size_t trames);

  mutable std::mutex verrou_;
  Configuration_carte configuration_;
  Source source_;
  Flux flux_[2];
  std::vector<Echec_prevu> echecs_;
  std::vector<Appel_son> journal_;
  int appels_[2][static_cast<int>(Operation_son::Allocation) + 1] = {};
  std::vector<uint8_t> joues_;
  Format_son format_joue_;
  std::vector<uint8_t> brouillon_;
  std::jthread horloge_;
};

// A recording as a capture source; silence (128) once it has been played,
// or from its start again when `en_boucle`.
CarteSimulee::Source Source_enregistrement(std::vector<uint8_t> echantillons,
                                           bool en_boucle = false);

}  // namespace vestral
