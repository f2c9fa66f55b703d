#include "sound/linux/TonalitePortAudio.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "sound/linux/PeripheriqueSonPortAudio.h"
#include "sound/linux/SourdinePortAudio.h"

namespace vestral {

namespace {

// A device held by another program, as PortAudio or ALSA says it.
bool Occupe(PaError erreur) {
  if (erreur == paDeviceUnavailable) return true;
  const PaHostErrorInfo* hote = Pa_GetLastHostErrorInfo();
  return erreur == paUnanticipatedHostError && hote && hote->hostApiType == paALSA &&
         hote->errorCode == -EBUSY;
}

}  // namespace

TonalitePortAudio::Ouverture Ouvrir_tonalite_son(const std::string& nom_ecoute,
                                                 const std::optional<std::string>& restitution) {
  TonalitePortAudio::Ouverture resultat;
  auto t = std::make_unique<TonalitePortAudio>(TonalitePortAudio::Cle{});
  {
    setenv("JACK_NO_START_SERVER", "1", 0);  // probe a JACK server, never start one
    Sourdine sourdine;
    t->initialise_ = Pa_Initialize() == paNoError;
  }
  if (!t->initialise_) {
    resultat.erreur = "le système son ne répond pas";
    return resultat;
  }
  const PaDeviceIndex ecoute = Choisir_peripherique_portaudio(Sens::Sortie, nom_ecoute);
  if (ecoute == paNoDevice) {
    resultat.erreur = "aucun périphérique de restitution ne correspond à « " + nom_ecoute +
                      " » (voir --list-devices)";
    return resultat;
  }
  const PaDeviceInfo& info = *Pa_GetDeviceInfo(ecoute);
  t->nom_ = info.name;
  if (restitution && ecoute == Choisir_peripherique_portaudio(Sens::Sortie, *restitution)) {
    resultat.refus = true;
    resultat.erreur = "le périphérique d'écoute « " + t->nom_ +
                      " » est celui de la restitution, relié à l'émetteur : l'écoute et le bip "
                      "partiraient à l'émission. Choisissez un autre périphérique pour --monitor "
                      "(voir --list-devices).";
    return resultat;
  }

  PaStreamParameters parametres{};
  parametres.device = ecoute;
  parametres.sampleFormat = paFloat32;
  parametres.suggestedLatency = info.defaultLowOutputLatency;
  PaError erreur = paInvalidChannelCount;
  bool trouve = false;
  for (double frequence : {info.defaultSampleRate, 48000.0, 44100.0}) {
    for (int canaux : {1, 2}) {
      if (canaux > info.maxOutputChannels) continue;
      parametres.channelCount = canaux;
      erreur = Pa_IsFormatSupported(nullptr, &parametres, frequence);
      if (erreur == paNoError) {
        t->frequence_ = frequence;
        t->canaux_ = canaux;
        trouve = true;
        break;
      }
      if (Occupe(erreur)) break;
    }
    if (trouve || Occupe(erreur)) break;
  }
  if (trouve) {
    t->generateur_ = std::make_unique<GenerateurTonalite>(t->frequence_);
    erreur =
        Pa_OpenStream(&t->flux_, nullptr, &parametres, t->frequence_, paFramesPerBufferUnspecified,
                      paClipOff | paDitherOff, &TonalitePortAudio::Rappel, t.get());
    if (erreur != paNoError) t->flux_ = nullptr;
  }
  if (erreur == paNoError) erreur = Pa_StartStream(t->flux_);
  if (erreur != paNoError) {
    resultat.erreur = "le périphérique d'écoute « " + t->nom_ + " » ne peut être ouvert (" +
                      (Occupe(erreur) ? std::string("utilisé par une autre application")
                                      : Pa_GetErrorText(erreur)) +
                      ")";
    return resultat;
  }
  resultat.tonalite = std::move(t);
  return resultat;
}

double TonalitePortAudio::Latence() const {
  const PaStreamInfo* info = flux_ ? Pa_GetStreamInfo(flux_) : nullptr;
  return info ? info->outputLatency : 0;
}

int TonalitePortAudio::Rappel(const void*, void* sortie, unsigned long trames,
                              const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags, void* objet) {
  auto& t = *static_cast<TonalitePortAudio*>(objet);
  t.generateur_->Produire(static_cast<float*>(sortie), trames, t.canaux_);
  t.muet_.store(t.generateur_->Muet(), std::memory_order_relaxed);
  return paContinue;
}

ChoixTonalite Choisir_tonalite(const ChoixPeripheriques& choix, bool simulation,
                               const std::function<std::unique_ptr<Tonalite>()>& haut_parleur) {
  ChoixTonalite resultat;
  const bool ecoute_demandee = !choix.ecoute.empty();
  if (ecoute_demandee) {
    auto ouverture = Ouvrir_tonalite_son(
        choix.ecoute, simulation ? std::nullopt : std::optional<std::string>(choix.restitution));
    if (ouverture.tonalite) {
      resultat.tonalite = std::move(ouverture.tonalite);
      return resultat;
    }
    resultat.messages.push_back(ouverture.erreur);
    if (ouverture.refus) return resultat;
  }
  resultat.tonalite = simulation ? std::make_unique<TonaliteMuette>() : haut_parleur();
  const bool muet = dynamic_cast<TonaliteMuette*>(resultat.tonalite.get()) != nullptr;
  if (muet && (ecoute_demandee || !simulation))
    resultat.messages.push_back(
        std::string(simulation ? "" : "pas de haut-parleur PC utilisable : ") +
        "l'écoute à 800 Hz et le bip d'erreur seront muets" +
        (ecoute_demandee
             ? ""
             : " (--monitor NOM les joue sur une autre carte son, voir --list-devices)"));
  else if (ecoute_demandee)
    resultat.messages.push_back("l'écoute et le bip d'erreur restent sur le haut-parleur PC");
  return resultat;
}

TonalitePortAudio::~TonalitePortAudio() {
  if (flux_) {
    // A tone still sounding fades out before the stream stops.
    Arreter();
    using namespace std::chrono_literals;
    for (int i = 0;
         i < 20 && !muet_.load(std::memory_order_relaxed) && Pa_IsStreamActive(flux_) == 1; ++i)
      std::this_thread::sleep_for(5ms);
    Pa_StopStream(flux_);
    Pa_CloseStream(flux_);
  }
  if (initialise_) {
    Sourdine sourdine;
    Pa_Terminate();
  }
}

}  // namespace vestral
