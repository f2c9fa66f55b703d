#include "sound/linux/PeripheriqueSonPortAudio.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ostream>

#include "sound/linux/ConversionSon.h"
#include "sound/linux/SourdinePortAudio.h"

namespace vestral {

namespace {

bool Initialiser_portaudio() {
  setenv("JACK_NO_START_SERVER", "1", 0);  // probe a JACK server, never start one
  Sourdine sourdine;
  return Pa_Initialize() == paNoError;
}

void Terminer_portaudio() {
  Sourdine sourdine;
  Pa_Terminate();
}

int Canaux(const PaDeviceInfo& info, Sens sens) {
  return sens == Sens::Entree ? info.maxInputChannels : info.maxOutputChannels;
}

bool Erreur_de_format(PaError erreur) {
  return erreur == paInvalidSampleRate || erreur == paSampleFormatNotSupported ||
         erreur == paInvalidChannelCount;
}

}  // namespace

PaDeviceIndex Choisir_peripherique_portaudio(Sens sens, const std::string& motif) {
  if (motif.empty())
    return sens == Sens::Entree ? Pa_GetDefaultInputDevice() : Pa_GetDefaultOutputDevice();
  for (PaDeviceIndex i = 0; i < Pa_GetDeviceCount(); ++i) {
    const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
    if (info && Canaux(*info, sens) > 0 && Nom_correspond(info->name, motif)) return i;
  }
  return paNoDevice;
}

Code_son Code_son_portaudio(PaError erreur) {
  switch (erreur) {
    case paNoError:
      return Code_son::Succes;
    case paDeviceUnavailable:
      return Code_son::Deja_utilise;
    case paInvalidDevice:
      return Code_son::Peripherique_inconnu;
    case paInvalidSampleRate:
    case paSampleFormatNotSupported:
    case paInvalidChannelCount:
      return Code_son::Format_refuse;
    case paInsufficientMemory:
      return Code_son::Memoire;
    case paBadStreamPtr:
      return Code_son::Non_ouvert;
    case paUnanticipatedHostError: {
      const PaHostErrorInfo* hote = Pa_GetLastHostErrorInfo();
      if (hote && hote->hostApiType == paALSA) {
        if (hote->errorCode == -EBUSY) return Code_son::Deja_utilise;
        if (hote->errorCode == -ENODEV || hote->errorCode == -ENOENT || hote->errorCode == -ENXIO)
          return Code_son::Peripherique_absent;
      }
      return Code_son::Erreur;
    }
    default:
      return Code_son::Erreur;
  }
}

struct PeripheriqueSonPortAudio::Flux {
  explicit Flux(Sens s) : sens(s) {}

  const Sens sens;
  PaDeviceIndex peripherique = paNoDevice;
  PaStream* pa = nullptr;
  Format_son format;
  bool conversion = false;
  ConversionSon convertisseur;
  bool en_marche = false;             // the PortAudio stream runs
  Code_son panne = Code_son::Succes;  // the device stopped on its own
  std::atomic<bool> fini{false};      // PortAudio ended the stream
  FileSon file;                       // between the callback and the caller

  // Callback side.
  void Puiser(uint8_t* octets, std::size_t nombre);
  static void Puiser_pour(void* flux, uint8_t* octets, std::size_t nombre) {
    static_cast<Flux*>(flux)->Puiser(octets, nombre);
  }
  static int Rappel(const void* entree, void* sortie, unsigned long trames,
                    const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags, void* flux);
  static void Fin(void* objet) {
    Flux& f = *static_cast<Flux*>(objet);
    f.fini.store(true);
    f.file.Compteur().Signaler();  // a thread waiting for a block looks again
  }

  // User-interface side.
  void Arreter();
};

// Playback: what was written, then silence when nothing is left.
void PeripheriqueSonPortAudio::Flux::Puiser(uint8_t* octets, std::size_t nombre) {
  const std::size_t n = file.Prendre(octets, nombre);
  if (n < nombre) std::memset(octets + n, format.bits == 16 ? 0 : 128, nombre - n);
}

int PeripheriqueSonPortAudio::Flux::Rappel(const void* entree, void* sortie, unsigned long trames,
                                           const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags,
                                           void* objet) {
  Flux& f = *static_cast<Flux*>(objet);
  if (f.sens == Sens::Entree) {
    // With no room in the queue the sound is lost.
    if (!entree) return paContinue;
    if (f.conversion) {
      const std::size_t n =
          f.convertisseur.Depuis_peripherique(static_cast<const float*>(entree), trames);
      (void)f.file.Deposer(f.convertisseur.Octets(), n);
    } else {
      (void)f.file.Deposer(static_cast<const uint8_t*>(entree), trames * f.format.alignement);
    }
  } else if (f.conversion) {
    f.convertisseur.Vers_peripherique(static_cast<float*>(sortie), trames, &Flux::Puiser_pour, &f);
  } else {
    f.Puiser(static_cast<uint8_t*>(sortie), trames * f.format.alignement);
  }
  return paContinue;
}

void PeripheriqueSonPortAudio::Flux::Arreter() {
  if (!en_marche) return;
  Pa_AbortStream(pa);  // returns once the callback has run for the last time
  en_marche = false;
}

PeripheriqueSonPortAudio::PeripheriqueSonPortAudio(Options_portaudio options)
    : options_(std::move(options)) {
  flux_[0] = std::make_unique<Flux>(Sens::Entree);
  flux_[1] = std::make_unique<Flux>(Sens::Sortie);
  initialise_ = Initialiser_portaudio();
  if (!initialise_) return;
  flux(Sens::Entree).peripherique =
      Choisir_peripherique_portaudio(Sens::Entree, options_.choix.capture);
  flux(Sens::Sortie).peripherique =
      Choisir_peripherique_portaudio(Sens::Sortie, options_.choix.restitution);
}

void PeripheriqueSonPortAudio::Choisir(const ChoixPeripheriques& choix) {
  options_.choix = choix;
  if (flux(Sens::Entree).pa || flux(Sens::Sortie).pa) return;
  if (initialise_) Terminer_portaudio();
  initialise_ = Initialiser_portaudio();
  if (!initialise_) return;
  flux(Sens::Entree).peripherique = Choisir_peripherique_portaudio(Sens::Entree, choix.capture);
  flux(Sens::Sortie).peripherique = Choisir_peripherique_portaudio(Sens::Sortie, choix.restitution);
}

PeripheriqueSonPortAudio::~PeripheriqueSonPortAudio() {
  for (auto& f : flux_) {
    if (!f->pa) continue;
    f->Arreter();
    Pa_CloseStream(f->pa);
  }
  if (initialise_) Terminer_portaudio();
}

std::string PeripheriqueSonPortAudio::Nom_peripherique(Sens sens) const {
  const PaDeviceIndex i = flux(sens).peripherique;
  const PaDeviceInfo* info = initialise_ && i != paNoDevice ? Pa_GetDeviceInfo(i) : nullptr;
  return info ? info->name : "";
}

bool PeripheriqueSonPortAudio::Conversion_active(Sens sens) const {
  return flux(sens).pa && flux(sens).conversion;
}

uint16_t PeripheriqueSonPortAudio::Nombre_peripheriques(Sens sens) {
  if (!initialise_ || flux(sens).peripherique == paNoDevice) return 0;
  uint16_t nombre = 0;
  for (PaDeviceIndex i = 0; i < Pa_GetDeviceCount(); ++i) {
    const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
    if (info && Canaux(*info, sens) > 0) ++nombre;
  }
  return nombre;
}

// Every listed device can give every standard format: what it does not
// take natively is converted.
Code_son PeripheriqueSonPortAudio::Capacites(Sens sens, uint32_t& formats) {
  if (!initialise_ || flux(sens).peripherique == paNoDevice) return Code_son::Peripherique_inconnu;
  formats = kFormats_standard;
  return Code_son::Succes;
}

Code_son PeripheriqueSonPortAudio::Ouvrir(Sens sens, const Format_son& format,
                                          std::size_t octets_par_bloc) {
  Flux& f = flux(sens);
  if (!initialise_ || f.peripherique == paNoDevice) return Code_son::Peripherique_inconnu;
  if (f.pa) return Code_son::Deja_utilise;
  if (format.format != 1 || (format.bits != 8 && format.bits != 16) || format.canaux < 1 ||
      format.canaux > 2 || format.echantillons_par_seconde == 0)
    return Code_son::Format_refuse;
  const PaDeviceInfo& info = *Pa_GetDeviceInfo(f.peripherique);
  const bool entree = sens == Sens::Entree;
  const int canaux_max = Canaux(info, sens);
  const double frequence = format.echantillons_par_seconde;

  PaStreamParameters parametres{};
  parametres.device = f.peripherique;
  parametres.suggestedLatency =
      entree ? info.defaultHighInputLatency : info.defaultHighOutputLatency;
  auto essayer = [&](PaSampleFormat echantillon, int canaux, double taux) {
    parametres.sampleFormat = echantillon;
    parametres.channelCount = canaux;
    return Pa_IsFormatSupported(entree ? &parametres : nullptr, entree ? nullptr : &parametres,
                                taux);
  };

  // The most telling failure: a device in use, else any failure that is
  // not about the format, else the format.
  PaError echec = paSampleFormatNotSupported;
  auto noter = [&](PaError erreur) {
    if (erreur == paDeviceUnavailable || (Erreur_de_format(echec) && !Erreur_de_format(erreur)))
      echec = erreur;
  };

  bool trouve = false;
  bool conversion = false;
  double taux = frequence;
  if (!options_.conversion_toujours && format.canaux <= canaux_max) {
    const PaError erreur = essayer(format.bits == 16 ? paInt16 : paUInt8, format.canaux, taux);
    trouve = erreur == paNoError;
    if (!trouve) noter(erreur);
  }
  if (!trouve && echec != paDeviceUnavailable) {
    std::vector<double> taux_possibles;
    if (options_.frequence_peripherique > 0)
      taux_possibles = {options_.frequence_peripherique};
    else
      taux_possibles = {frequence, info.defaultSampleRate, 48000, 44100};
    std::vector<int> canaux_possibles;
    for (int c : {int{format.canaux}, 2, 1})
      if (c <= canaux_max &&
          std::find(canaux_possibles.begin(), canaux_possibles.end(), c) == canaux_possibles.end())
        canaux_possibles.push_back(c);
    for (double t : taux_possibles) {
      for (int c : canaux_possibles) {
        const PaError erreur = essayer(paFloat32, c, t);
        if (erreur == paNoError) {
          trouve = conversion = true;
          taux = t;
          break;
        }
        noter(erreur);
        if (erreur == paDeviceUnavailable) break;
      }
      if (trouve || echec == paDeviceUnavailable) break;
    }
  }
  if (!trouve) return Code_son_portaudio(echec);

  const unsigned long trames = std::max(64L, std::lround(taux / 100));  // 10 ms a call
  if (conversion && !f.convertisseur.Preparer(sens, format, parametres.channelCount, taux, trames))
    return Code_son::Memoire;
  if (!f.file.Dimensionner(octets_par_bloc, 2, entree)) return Code_son::Memoire;
  f.format = format;
  f.conversion = conversion;
  f.en_marche = false;
  f.panne = Code_son::Succes;
  f.fini = false;
  const PaError erreur =
      Pa_OpenStream(&f.pa, entree ? &parametres : nullptr, entree ? nullptr : &parametres, taux,
                    trames, paDitherOff, &Flux::Rappel, &f);
  if (erreur != paNoError) {
    f.pa = nullptr;
    return Code_son_portaudio(erreur);
  }
  Pa_SetStreamFinishedCallback(f.pa, &Flux::Fin);
  return Code_son::Succes;
}

Code_son PeripheriqueSonPortAudio::Fermer(Sens sens) {
  Flux& f = flux(sens);
  if (!f.pa) return Code_son::Non_ouvert;
  f.Arreter();
  const PaError erreur = Pa_CloseStream(f.pa);
  f.pa = nullptr;
  f.panne = Code_son::Succes;
  f.file.Liberer();
  return Code_son_portaudio(erreur);
}

Code_son PeripheriqueSonPortAudio::Demarrer(Sens sens) {
  Flux& f = flux(sens);
  if (!f.pa) return Code_son::Non_ouvert;
  if (Code_son panne = Etat(sens); panne != Code_son::Succes) return panne;
  if (f.en_marche) return Code_son::Succes;
  if (sens == Sens::Entree) f.file.Vider();  // a new capture starts empty
  f.convertisseur.Remettre_a_zero();
  f.fini = false;
  const PaError erreur = Pa_StartStream(f.pa);
  if (erreur == paNoError) f.en_marche = true;
  return Code_son_portaudio(erreur);
}

Code_son PeripheriqueSonPortAudio::Arreter(Sens sens) {
  Flux& f = flux(sens);
  if (!f.pa) return Code_son::Non_ouvert;
  f.Arreter();
  if (sens == Sens::Sortie) f.file.Vider();  // what was not played is dropped
  return f.panne;
}

bool PeripheriqueSonPortAudio::Lire_bloc(std::span<uint8_t> bloc) {
  Flux& f = flux(Sens::Entree);
  return f.pa && f.file.Prendre_bloc(bloc);
}

std::size_t PeripheriqueSonPortAudio::Lire_reste(std::span<uint8_t> bloc) {
  Flux& f = flux(Sens::Entree);
  return f.pa ? f.file.Prendre(bloc.data(), bloc.size()) : 0;
}

Code_son PeripheriqueSonPortAudio::Ecrire_bloc(std::span<const uint8_t> bloc) {
  Flux& f = flux(Sens::Sortie);
  if (!f.pa) return Code_son::Non_ouvert;
  if (Code_son panne = Etat(Sens::Sortie); panne != Code_son::Succes) return panne;
  if (f.file.Place() < bloc.size()) return Code_son::Encore_en_file;
  (void)f.file.Deposer(bloc.data(), bloc.size());
  return Code_son::Succes;
}

std::size_t PeripheriqueSonPortAudio::Blocs_a_jouer() {
  return flux(Sens::Sortie).file.Blocs_en_attente();
}

Code_son PeripheriqueSonPortAudio::Etat(Sens sens) {
  Flux& f = flux(sens);
  if (!f.pa) return Code_son::Non_ouvert;
  if (f.panne == Code_son::Succes && f.en_marche &&
      (f.fini.load() || Pa_IsStreamActive(f.pa) != 1)) {
    f.Arreter();
    f.panne = Code_son::Peripherique_absent;
  }
  return f.panne;
}

Compteur_blocs& PeripheriqueSonPortAudio::Blocs_rendus(Sens sens) {
  return flux(sens).file.Compteur();
}

std::vector<Description_peripherique> Lister_peripheriques_son() {
  std::vector<Description_peripherique> liste;
  if (!Initialiser_portaudio()) return liste;
  for (PaDeviceIndex i = 0; i < Pa_GetDeviceCount(); ++i) {
    const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
    if (!info) continue;
    const PaHostApiInfo* api = Pa_GetHostApiInfo(info->hostApi);
    liste.push_back({info->name, api ? api->name : "", info->maxInputChannels,
                     info->maxOutputChannels, info->defaultSampleRate,
                     i == Pa_GetDefaultInputDevice(), i == Pa_GetDefaultOutputDevice()});
  }
  Terminer_portaudio();
  return liste;
}

void Afficher_peripheriques_son(std::ostream& sortie, const ChoixPeripheriques& choix) {
  const auto liste = Lister_peripheriques_son();
  sortie << "Périphériques son (E = capture, S = restitution, * = par défaut) :\n";
  for (const auto& p : liste) {
    sortie << "  " << (p.entrees > 0 ? (p.defaut_entree ? "E*" : "E ") : "  ") << ' '
           << (p.sorties > 0 ? (p.defaut_sortie ? "S*" : "S ") : "  ") << "  " << p.nom << "  ("
           << p.interface << ", " << std::lround(p.frequence) << " Hz)\n";
  }
  auto choisi = [&](const std::string& motif, bool capture) -> std::string {
    for (const auto& p : liste) {
      const bool possible = capture ? p.entrees > 0 : p.sorties > 0;
      if (!possible) continue;
      if (motif.empty() ? (capture ? p.defaut_entree : p.defaut_sortie)
                        : Nom_correspond(p.nom, motif))
        return p.nom;
    }
    return motif.empty() ? "aucun" : "aucun ne correspond à « " + motif + " »";
  };
  sortie << "Capture : " << choisi(choix.capture, true) << "\n"
         << "Restitution : " << choisi(choix.restitution, false) << "\n";
  if (!choix.ecoute.empty()) sortie << "Écoute : " << choisi(choix.ecoute, false) << "\n";
}

}  // namespace vestral
