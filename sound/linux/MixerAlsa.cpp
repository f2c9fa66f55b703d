#include "sound/linux/MixerAlsa.h"

#include "sound/linux/MixerPulse.h"

#include <alsa/asoundlib.h>

#include <cstdlib>
#include <vector>

namespace vestral {
namespace {

struct FermetureMixer {
  void operator()(snd_mixer_t* m) const { snd_mixer_close(m); }
};
struct LiberationId {
  void operator()(snd_mixer_selem_id_t* id) const { snd_mixer_selem_id_free(id); }
};

snd_mixer_selem_channel_id_t Canal(int canal) {
  return canal == 1 ? SND_MIXER_SCHN_FRONT_RIGHT : SND_MIXER_SCHN_FRONT_LEFT;
}

class ElementsMixerAlsa : public ElementsMixer {
 public:
  explicit ElementsMixerAlsa(std::unique_ptr<snd_mixer_t, FermetureMixer> mixer)
      : mixer_(std::move(mixer)) {}

  std::vector<ElementSimple> Elements() override {
    std::vector<ElementSimple> elements;
    ids_.clear();
    for (snd_mixer_elem_t* e = snd_mixer_first_elem(mixer_.get()); e != nullptr;
         e = snd_mixer_elem_next(e)) {
      if (!snd_mixer_selem_is_active(e)) continue;
      snd_mixer_selem_id_t* brut = nullptr;
      if (snd_mixer_selem_id_malloc(&brut) < 0) continue;
      std::unique_ptr<snd_mixer_selem_id_t, LiberationId> id(brut);
      snd_mixer_selem_get_id(e, id.get());
      ElementSimple s;
      s.nom = snd_mixer_selem_id_get_name(id.get());
      s.volume_lecture = snd_mixer_selem_has_playback_volume(e);
      s.interrupteur_lecture = snd_mixer_selem_has_playback_switch(e);
      s.volume_capture = snd_mixer_selem_has_capture_volume(e);
      s.interrupteur_capture = snd_mixer_selem_has_capture_switch(e);
      s.volume_commun = snd_mixer_selem_has_common_volume(e);
      s.mono_lecture = snd_mixer_selem_is_playback_mono(e);
      s.mono_capture = snd_mixer_selem_is_capture_mono(e);
      if (s.volume_lecture)
        snd_mixer_selem_get_playback_volume_range(e, &s.min_lecture, &s.max_lecture);
      if (s.volume_capture)
        snd_mixer_selem_get_capture_volume_range(e, &s.min_capture, &s.max_capture);
      if (snd_mixer_selem_is_enumerated(e) && snd_mixer_selem_is_enum_capture(e)) {
        const int n = snd_mixer_selem_get_enum_items(e);
        for (int i = 0; i < n; ++i) {
          char nom[64] = {};
          if (snd_mixer_selem_get_enum_item_name(e, static_cast<unsigned>(i), sizeof nom - 1, nom) <
              0)
            nom[0] = '\0';
          s.sources_capture.emplace_back(nom);
        }
      }
      elements.push_back(std::move(s));
      ids_.push_back(std::move(id));
    }
    return elements;
  }

  void Actualiser() override { snd_mixer_handle_events(mixer_.get()); }

  bool Lire(std::size_t element, Grandeur grandeur, int canal, long& valeur) override {
    snd_mixer_elem_t* e = Trouver(element);
    if (e == nullptr) return false;
    const auto c = Canal(canal);
    int interrupteur = 0;
    unsigned item = 0;
    int resultat = -1;
    switch (grandeur) {
      case Grandeur::Volume_lecture:
        resultat = snd_mixer_selem_get_playback_volume(e, c, &valeur);
        break;
      case Grandeur::Volume_capture:
        resultat = snd_mixer_selem_get_capture_volume(e, c, &valeur);
        break;
      case Grandeur::Interrupteur_lecture:
        resultat = snd_mixer_selem_get_playback_switch(e, c, &interrupteur);
        valeur = interrupteur;
        break;
      case Grandeur::Interrupteur_capture:
        resultat = snd_mixer_selem_get_capture_switch(e, c, &interrupteur);
        valeur = interrupteur;
        break;
      case Grandeur::Source_capture:
        resultat = snd_mixer_selem_get_enum_item(e, SND_MIXER_SCHN_MONO, &item);
        valeur = item;
        break;
    }
    return resultat >= 0;
  }

  bool Ecrire(std::size_t element, Grandeur grandeur, int canal, long valeur) override {
    snd_mixer_elem_t* e = Trouver(element);
    if (e == nullptr) return false;
    const bool tous = canal < 0;
    const auto c = Canal(canal);
    const int interrupteur = valeur != 0;
    switch (grandeur) {
      case Grandeur::Volume_lecture:
        return (tous ? snd_mixer_selem_set_playback_volume_all(e, valeur)
                     : snd_mixer_selem_set_playback_volume(e, c, valeur)) >= 0;
      case Grandeur::Volume_capture:
        return (tous ? snd_mixer_selem_set_capture_volume_all(e, valeur)
                     : snd_mixer_selem_set_capture_volume(e, c, valeur)) >= 0;
      case Grandeur::Interrupteur_lecture:
        return (tous ? snd_mixer_selem_set_playback_switch_all(e, interrupteur)
                     : snd_mixer_selem_set_playback_switch(e, c, interrupteur)) >= 0;
      case Grandeur::Interrupteur_capture:
        return (tous ? snd_mixer_selem_set_capture_switch_all(e, interrupteur)
                     : snd_mixer_selem_set_capture_switch(e, c, interrupteur)) >= 0;
      case Grandeur::Source_capture: {
        // Every channel of the enumeration, as far as it has channels.
        const auto item = static_cast<unsigned>(valeur);
        if (snd_mixer_selem_set_enum_item(e, SND_MIXER_SCHN_MONO, item) < 0) return false;
        for (int n = 1; n <= SND_MIXER_SCHN_LAST; ++n)
          if (snd_mixer_selem_set_enum_item(e, static_cast<snd_mixer_selem_channel_id_t>(n), item) <
              0)
            break;
        return true;
      }
    }
    return false;
  }

 private:
  // Looked up again at each use: an element can go away with its card.
  snd_mixer_elem_t* Trouver(std::size_t element) {
    return element < ids_.size() ? snd_mixer_find_selem(mixer_.get(), ids_[element].get())
                                 : nullptr;
  }

  std::unique_ptr<snd_mixer_t, FermetureMixer> mixer_;
  std::vector<std::unique_ptr<snd_mixer_selem_id_t, LiberationId>> ids_;
};

}  // namespace

std::unique_ptr<ElementsMixer> Ouvrir_elements_alsa(const std::string& peripherique) {
  snd_mixer_t* brut = nullptr;
  if (snd_mixer_open(&brut, 0) < 0) return nullptr;
  std::unique_ptr<snd_mixer_t, FermetureMixer> mixer(brut);
  if (snd_mixer_attach(mixer.get(), peripherique.c_str()) < 0 ||
      snd_mixer_selem_register(mixer.get(), nullptr, nullptr) < 0 ||
      snd_mixer_load(mixer.get()) < 0)
    return nullptr;
  return std::make_unique<ElementsMixerAlsa>(std::move(mixer));
}

std::unique_ptr<Mixer> Ouvrir_mixer_systeme(const std::string& source) {
  const char* choisi = std::getenv("VESTRAL_MIXER");
  if (choisi != nullptr && *choisi != '\0')
    return std::make_unique<MixerElements>(Ouvrir_elements_alsa(choisi));
  if (auto serveur = Ouvrir_elements_pulse(source))
    return std::make_unique<MixerElements>(std::move(serveur));
  return std::make_unique<MixerElements>(Ouvrir_elements_alsa("default"));
}

}  // namespace vestral
