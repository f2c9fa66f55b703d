#include "sound/linux/ConversionSon.h"

#include <algorithm>
#include <cmath>

namespace vestral {

namespace {
constexpr long kTrames_morceau = 256;  // playback: stream frames per resampler pull
}

bool ConversionSon::Preparer(Sens sens, const Format_son& format, int canaux_peripherique,
                             double frequence_peripherique, unsigned long trames_max) {
  canaux_flux_ = std::max<int>(format.canaux, 1);
  canaux_peripherique_ = std::max(canaux_peripherique, 1);
  octets_echantillon_ = format.bits == 16 ? 2 : 1;
  rapport_ = format.echantillons_par_seconde / frequence_peripherique;
  etat_.reset();
  if (format.echantillons_par_seconde !=
      static_cast<uint32_t>(std::lround(frequence_peripherique))) {
    int erreur = 0;
    etat_.reset(sens == Sens::Entree ? src_new(SRC_SINC_FASTEST, canaux_flux_, &erreur)
                                     : src_callback_new(&ConversionSon::Fournir, SRC_SINC_FASTEST,
                                                        canaux_flux_, &erreur, this));
    if (!etat_) return false;
  }
  const std::size_t trames_flux =
      static_cast<std::size_t>(std::ceil(trames_max * std::max(rapport_, 1.0))) + 64;
  melange_.assign(trames_max * canaux_flux_, 0.0f);
  reechantillonne_.assign(trames_flux * canaux_flux_, 0.0f);
  morceau_.assign(kTrames_morceau * canaux_flux_, 0.0f);
  octets_.assign(
      std::max<std::size_t>(trames_flux, kTrames_morceau) * canaux_flux_ * octets_echantillon_, 0);
  return true;
}

void ConversionSon::Remettre_a_zero() {
  if (etat_) src_reset(etat_.get());
}

float ConversionSon::Vers_flottant(const uint8_t* octets) const {
  if (octets_echantillon_ == 1) return (static_cast<float>(octets[0]) - 128.0f) / 128.0f;
  const auto valeur = static_cast<int16_t>(octets[0] | (octets[1] << 8));
  return static_cast<float>(valeur) / 32768.0f;
}

void ConversionSon::Vers_octets(float valeur, uint8_t* octets) const {
  if (octets_echantillon_ == 1) {
    octets[0] = static_cast<uint8_t>(std::clamp(std::lrint(valeur * 128.0f + 128.0f), 0L, 255L));
    return;
  }
  const long v = std::clamp(std::lrint(valeur * 32768.0f), -32768L, 32767L);
  octets[0] = static_cast<uint8_t>(v & 0xFF);
  octets[1] = static_cast<uint8_t>((v >> 8) & 0xFF);
}

std::size_t ConversionSon::Depuis_peripherique(const float* entree, unsigned long trames) {
  // Channels first: a mono stream hears the mean of the device's channels.
  for (unsigned long t = 0; t < trames; ++t) {
    const float* trame = entree + t * canaux_peripherique_;
    float* melange = melange_.data() + t * canaux_flux_;
    if (canaux_flux_ == 1) {
      float somme = 0;
      for (int c = 0; c < canaux_peripherique_; ++c) somme += trame[c];
      melange[0] = somme / canaux_peripherique_;
    } else {
      for (int c = 0; c < canaux_flux_; ++c)
        melange[c] = trame[std::min(c, canaux_peripherique_ - 1)];
    }
  }
  const float* flux = melange_.data();
  long trames_flux = static_cast<long>(trames);
  if (etat_) {
    SRC_DATA donnees{};
    donnees.data_in = melange_.data();
    donnees.input_frames = static_cast<long>(trames);
    donnees.data_out = reechantillonne_.data();
    donnees.output_frames = static_cast<long>(reechantillonne_.size() / canaux_flux_);
    donnees.src_ratio = rapport_;
    if (src_process(etat_.get(), &donnees) != 0) return 0;
    flux = reechantillonne_.data();
    trames_flux = donnees.output_frames_gen;
  }
  const std::size_t echantillons = static_cast<std::size_t>(trames_flux) * canaux_flux_;
  for (std::size_t i = 0; i < echantillons; ++i)
    Vers_octets(flux[i], octets_.data() + i * octets_echantillon_);
  return echantillons * octets_echantillon_;
}

long ConversionSon::Fournir(void* objet, float** donnees) {
  auto* conversion = static_cast<ConversionSon*>(objet);
  const std::size_t echantillons = kTrames_morceau * conversion->canaux_flux_;
  conversion->puiser_(conversion->contexte_, conversion->octets_.data(),
                      echantillons * conversion->octets_echantillon_);
  for (std::size_t i = 0; i < echantillons; ++i)
    conversion->morceau_[i] =
        conversion->Vers_flottant(conversion->octets_.data() + i * conversion->octets_echantillon_);
  *donnees = conversion->morceau_.data();
  return kTrames_morceau;
}

void ConversionSon::Vers_peripherique(float* sortie, unsigned long trames, Puiser puiser,
                                      void* contexte) {
  puiser_ = puiser;
  contexte_ = contexte;
  long obtenues = static_cast<long>(trames);
  if (etat_) {
    // The resampler pulls stream bytes through Fournir as it needs them.
    obtenues = std::max(0L, src_callback_read(etat_.get(), 1.0 / rapport_,
                                              static_cast<long>(trames), melange_.data()));
  } else {
    const std::size_t echantillons = trames * canaux_flux_;
    puiser(contexte, octets_.data(), echantillons * octets_echantillon_);
    for (std::size_t i = 0; i < echantillons; ++i)
      melange_[i] = Vers_flottant(octets_.data() + i * octets_echantillon_);
  }
  for (unsigned long t = 0; t < trames; ++t) {
    float* trame = sortie + t * canaux_peripherique_;
    const float* source = melange_.data() + t * canaux_flux_;
    const bool presente = static_cast<long>(t) < obtenues;
    for (int c = 0; c < canaux_peripherique_; ++c) {
      float valeur = 0;
      if (presente)
        valeur = canaux_flux_ == 1 || canaux_peripherique_ == 1
                     ? (canaux_flux_ == 1 ? source[0] : (source[0] + source[1]) / 2)
                     : (c < canaux_flux_ ? source[c] : 0.0f);
      trame[c] = valeur;
    }
  }
}

}  // namespace vestral
