// The sound card through PortAudio (ALSA on Debian). Device 0 of each kind
// is the device chosen by name (ChoixPeripheriques) or else the system's
// default. A stream opens in the exact format asked when the device takes
// it; otherwise the device runs in float at a rate and channel count it
// accepts, and the samples are converted (and resampled) on the way, so the
// layer above always sees the format it asked for.
//
// The audio callback and the user-interface thread share one FileSon per
// stream, a single-producer, single-consumer ring of two blocks: the
// callback takes no lock and allocates nothing; the other side reads or
// writes whole blocks without waiting. A stream that PortAudio ends on its
// own (device unplugged) is found by Etat.
#pragma once

#include <portaudio.h>

#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "sound/ChoixPeripheriques.h"
#include "sound/PeripheriqueSon.h"

namespace vestral {

struct Options_portaudio {
  ChoixPeripheriques choix;
  // Always run the device in float and convert, even when it takes the
  // stream's format (for drivers that mishandle 8-bit samples, and tests).
  bool conversion_toujours = false;
  // Device rate on the conversion path; 0 = the stream's rate if the device
  // takes it, else the device's default rate.
  double frequence_peripherique = 0;
};

class PeripheriqueSonPortAudio : public PeripheriqueSon {
 public:
  explicit PeripheriqueSonPortAudio(Options_portaudio options = {});
  ~PeripheriqueSonPortAudio() override;
  PeripheriqueSonPortAudio(const PeripheriqueSonPortAudio&) = delete;
  PeripheriqueSonPortAudio& operator=(const PeripheriqueSonPortAudio&) = delete;

  // Chooses the devices by name again; with no stream open, the device list
  // is read again first, so that a device unplugged and plugged back (or
  // chosen in the menus) is found without restarting.
  void Choisir(const ChoixPeripheriques& choix);

  // The name of the device playing device 0, empty when there is none.
  std::string Nom_peripherique(Sens sens) const;
  // True while the open stream runs through the float conversion.
  bool Conversion_active(Sens sens) const;

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

  struct Flux;  // one direction's stream and queue

 private:
  Flux& flux(Sens sens) { return *flux_[sens == Sens::Entree ? 0 : 1]; }
  const Flux& flux(Sens sens) const { return *flux_[sens == Sens::Entree ? 0 : 1]; }

  Options_portaudio options_;
  bool initialise_ = false;
  std::unique_ptr<Flux> flux_[2];
};

// The result code for a PortAudio error (Succes for paNoError).
Code_son Code_son_portaudio(PaError erreur);

// The device a name chooses for a direction: the first with channels in that
// direction whose name contains it, the default one for an empty name,
// paNoDevice when none matches. PortAudio must be initialised.
PaDeviceIndex Choisir_peripherique_portaudio(Sens sens, const std::string& motif);

struct Description_peripherique {
  std::string nom;
  std::string interface;  // host API: ALSA, JACK, OSS...
  int entrees = 0;        // capture channels
  int sorties = 0;        // playback channels
  double frequence = 0;   // default rate
  bool defaut_entree = false;
  bool defaut_sortie = false;
};

std::vector<Description_peripherique> Lister_peripheriques_son();
// What --list-devices prints: one device a line, with its name to give to
// --capture / --playback, and the devices the choice selects.
void Afficher_peripheriques_son(std::ostream& sortie, const ChoixPeripheriques& choix = {});

}  // namespace vestral
