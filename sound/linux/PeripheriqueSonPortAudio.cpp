#include "sound/linux/PeripheriqueSonPortAudio.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
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

uint16_t Code_son_portaudio(PaError erreur) {
  switch (erreur) {
    case paNoError:
      return code_son::kSucces;
    case paDeviceUnavailable:
      return code_son::kDeja_utilise;
    case paInvalidDevice:
      return code_son::kPeripherique_inconnu;
    case paInvalidSampleRate:
    case paSampleFormatNotSupported:
    case paInvalidChannelCount:
      return code_son::kFormat_refuse;
    case paInsufficientMemory:
      return code_son::kMemoire;
    case paBadStreamPtr:
      return code_son::kNon_ouvert;
    case paUnanticipatedHostError: {
      const PaHostErrorInfo* hote = Pa_GetLastHostErrorInfo();
      if (hote && hote->hostApiType == paALSA) {
        if (hote->errorCode == -EBUSY) return code_son::kDeja_utilise;
        if (hote->errorCode == -ENODEV || hote->errorCode == -ENOENT || hote->errorCode == -ENXIO)
          return code_son::kPeripherique_absent;
      }
      return code_son::kErreur;
    }
    default:
      return code_son::kErreur;
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
  bool en_marche = false;         // the PortAudio stream runs
  uint16_t panne = 0;             // the device stopped on its own
  std::atomic<bool> fini{false};  // PortAudio ended the stream

  // Queued blocks: the user-interface thread writes at `ecriture`, the
  // callback hands them back from `lecture`.
  static constexpr unsigned kCapacite = 8;
  std::array<Entete_son*, kCapacite> file{};
  std::atomic<unsigned> ecriture{0};
  std::atomic<unsigned> lecture{0};
  uint32_t position = 0;  // bytes done in the block at `lecture` (callback's own)
  Compteur_blocs compteur;

  // Callback side.
  void Ranger(const uint8_t* octets, std::size_t nombre);
  void Puiser(uint8_t* octets, std::size_t nombre);
  static void Puiser_pour(void* flux, uint8_t* octets, std::size_t nombre) {
    static_cast<Flux*>(flux)->Puiser(octets, nombre);
  }
  static int Rappel(const void* entree, void* sortie, unsigned long trames,
                    const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags, void* flux);
  static void Fin(void* flux) { static_cast<Flux*>(flux)->fini.store(true); }

  // User-interface side, with the callback stopped.
  void Arreter();
  void Tout_rendre();
  bool En_file() const { return ecriture.load() != lecture.load(); }
};

void PeripheriqueSonPortAudio::Flux::Ranger(const uint8_t* octets, std::size_t nombre) {
  while (nombre > 0) {
    const unsigned l = lecture.load(std::memory_order_relaxed);
    if (l == ecriture.load(std::memory_order_acquire)) return;  // no block: the sound is lost
    Entete_son& entete = *file[l % kCapacite];
    const std::size_t n = std::min<std::size_t>(entete.longueur - position, nombre);
    std::memcpy(entete.donnees + position, octets, n);
    position += static_cast<uint32_t>(n);
    octets += n;
    nombre -= n;
    if (position == entete.longueur) {
      position = 0;
      Rendre_entete(entete, entete.longueur);
      lecture.store(l + 1, std::memory_order_release);
      compteur.Signaler();
    }
  }
}

void PeripheriqueSonPortAudio::Flux::Puiser(uint8_t* octets, std::size_t nombre) {
  while (nombre > 0) {
    const unsigned l = lecture.load(std::memory_order_relaxed);
    if (l == ecriture.load(std::memory_order_acquire)) {
      std::memset(octets, format.bits == 16 ? 0 : 128, nombre);  // nothing queued: silence
      return;
    }
    Entete_son& entete = *file[l % kCapacite];
    const std::size_t n = std::min<std::size_t>(entete.longueur - position, nombre);
    std::memcpy(octets, entete.donnees + position, n);
    position += static_cast<uint32_t>(n);
    octets += n;
    nombre -= n;
    if (position == entete.longueur) {
      position = 0;
      Rendre_entete(entete, 0);
      lecture.store(l + 1, std::memory_order_release);
      compteur.Signaler();
    }
  }
}

int PeripheriqueSonPortAudio::Flux::Rappel(const void* entree, void* sortie, unsigned long trames,
                                           const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags,
                                           void* objet) {
  Flux& f = *static_cast<Flux*>(objet);
  if (f.sens == Sens::Entree) {
    if (!entree) return paContinue;
    if (f.conversion) {
      const std::size_t n =
          f.convertisseur.Depuis_peripherique(static_cast<const float*>(entree), trames);
      f.Ranger(f.convertisseur.Octets(), n);
    } else {
      f.Ranger(static_cast<const uint8_t*>(entree), trames * f.format.alignement);
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

void PeripheriqueSonPortAudio::Flux::Tout_rendre() {
  const unsigned debut = lecture.load(), fin = ecriture.load();
  for (unsigned l = debut; l != fin; ++l) {
    // A capture block keeps what was recorded into it.
    Rendre_entete(*file[l % kCapacite], l == debut && sens == Sens::Entree ? position : 0);
    compteur.Signaler();
  }
  lecture.store(fin);
  position = 0;
  convertisseur.Remettre_a_zero();
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
    f->Tout_rendre();
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
uint16_t PeripheriqueSonPortAudio::Capacites(Sens sens, uint32_t& formats) {
  if (!initialise_ || flux(sens).peripherique == paNoDevice) return code_son::kPeripherique_inconnu;
  formats = kFormats_standard;
  return code_son::kSucces;
}

uint16_t PeripheriqueSonPortAudio::Ouvrir(Sens sens, const Format_son& format) {
  Flux& f = flux(sens);
  if (!initialise_ || f.peripherique == paNoDevice) return code_son::kPeripherique_inconnu;
  if (f.pa) return code_son::kDeja_utilise;
  if (format.format != 1 || (format.bits != 8 && format.bits != 16) || format.canaux < 1 ||
      format.canaux > 2 || format.echantillons_par_seconde == 0)
    return code_son::kFormat_refuse;
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
    return code_son::kMemoire;
  f.format = format;
  f.conversion = conversion;
  f.en_marche = false;
  f.panne = 0;
  f.fini = false;
  f.lecture = 0;
  f.ecriture = 0;
  f.position = 0;
  const PaError erreur =
      Pa_OpenStream(&f.pa, entree ? &parametres : nullptr, entree ? nullptr : &parametres, taux,
                    trames, paDitherOff, &Flux::Rappel, &f);
  if (erreur != paNoError) {
    f.pa = nullptr;
    return Code_son_portaudio(erreur);
  }
  Pa_SetStreamFinishedCallback(f.pa, &Flux::Fin);
  return code_son::kSucces;
}

uint16_t PeripheriqueSonPortAudio::Fermer(Sens sens) {
  Flux& f = flux(sens);
  if (!f.pa) return code_son::kNon_ouvert;
  if (f.En_file()) return code_son::kEncore_en_file;
  f.Arreter();
  const PaError erreur = Pa_CloseStream(f.pa);
  f.pa = nullptr;
  f.panne = 0;
  return Code_son_portaudio(erreur);
}

uint16_t PeripheriqueSonPortAudio::Preparer(Sens sens, Entete_son& entete) {
  if (!flux(sens).pa) return code_son::kNon_ouvert;
  return Preparer_entete(entete);
}

uint16_t PeripheriqueSonPortAudio::Depreparer(Sens sens, Entete_son& entete) {
  if (!flux(sens).pa) return code_son::kNon_ouvert;
  return Depreparer_entete(entete);
}

uint16_t PeripheriqueSonPortAudio::Mettre_en_file(Sens sens, Entete_son& entete) {
  Flux& f = flux(sens);
  if (!f.pa) return code_son::kNon_ouvert;
  if (uint16_t code = Controler_mise_en_file(entete)) return code;
  if (Panne(sens)) {
    Rendre_entete(entete, 0);  // the device cannot take it: back at once
    f.compteur.Signaler();
    return f.panne;
  }
  const unsigned e = f.ecriture.load(std::memory_order_relaxed);
  if (e - f.lecture.load(std::memory_order_acquire) >= Flux::kCapacite) return code_son::kErreur;
  Marquer_en_file(entete);
  f.file[e % Flux::kCapacite] = &entete;
  f.ecriture.store(e + 1, std::memory_order_release);
  if (sens == Sens::Sortie && !f.en_marche) {
    f.fini = false;
    const PaError erreur = Pa_StartStream(f.pa);
    if (erreur != paNoError) {
      // The callback never ran: take the block back as if never queued.
      f.ecriture.store(e);
      entete.drapeaux.fetch_and(~kEntete_en_file);
      return Code_son_portaudio(erreur);
    }
    f.en_marche = true;
  }
  return code_son::kSucces;
}

uint16_t PeripheriqueSonPortAudio::Demarrer(Sens sens) {
  Flux& f = flux(sens);
  if (!f.pa) return code_son::kNon_ouvert;
  if (sens == Sens::Sortie) return code_son::kErreur;  // playback starts with its first block
  if (Panne(sens)) return f.panne;
  if (f.en_marche) return code_son::kSucces;
  f.fini = false;
  const PaError erreur = Pa_StartStream(f.pa);
  if (erreur == paNoError) f.en_marche = true;
  return Code_son_portaudio(erreur);
}

uint16_t PeripheriqueSonPortAudio::Reinitialiser(Sens sens) {
  Flux& f = flux(sens);
  if (!f.pa) return code_son::kNon_ouvert;
  f.Arreter();
  f.Tout_rendre();
  return f.panne;
}

uint16_t PeripheriqueSonPortAudio::Panne(Sens sens) {
  Flux& f = flux(sens);
  if (!f.pa) return code_son::kSucces;
  if (!f.panne && f.en_marche && (f.fini.load() || Pa_IsStreamActive(f.pa) != 1)) {
    f.Arreter();
    f.Tout_rendre();
    f.panne = code_son::kPeripherique_absent;
  }
  return f.panne;
}

Compteur_blocs& PeripheriqueSonPortAudio::Blocs_rendus(Sens sens) {
  return flux(sens).compteur;
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
