#include "sound/linux/MixerPulse.h"

#include <pulse/pulseaudio.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <mutex>

#include "sound/ChoixPeripheriques.h"

namespace vestral {
namespace {

constexpr long kVolume_plein = PA_VOLUME_NORM;
constexpr char kSource_defaut[] = "@DEFAULT_SOURCE@";

// One connection to the server on its own thread. A request is started
// under the loop's lock and waited for at most the delay; a request that
// times out, or a server that goes away, ends the connection's use: every
// later request fails at once, so that a stuck server costs one delay.
class ConnexionPulse {
 public:
  struct Requete {
    ConnexionPulse* connexion = nullptr;
    bool fini = false;
    bool reussi = false;
    void Terminer(bool ok) {
      std::lock_guard verrou(connexion->mutex_);
      fini = true;
      reussi = ok;
      connexion->condition_.notify_all();
    }
  };

  static std::unique_ptr<ConnexionPulse> Ouvrir(std::chrono::milliseconds delai) {
    auto c = std::unique_ptr<ConnexionPulse>(new ConnexionPulse(delai));
    if (!c->Connecter()) return nullptr;
    return c;
  }

  ~ConnexionPulse() {
    if (boucle_) pa_threaded_mainloop_stop(boucle_);
    if (contexte_) {
      pa_context_set_state_callback(contexte_, nullptr, nullptr);
      pa_context_set_subscribe_callback(contexte_, nullptr, nullptr);
      pa_context_disconnect(contexte_);
      pa_context_unref(contexte_);
    }
    if (boucle_) pa_threaded_mainloop_free(boucle_);
  }
  ConnexionPulse(const ConnexionPulse&) = delete;
  ConnexionPulse& operator=(const ConnexionPulse&) = delete;

  bool Perdue() const { return perdue_.load(); }
  pa_context* Contexte() { return contexte_; }
  pa_threaded_mainloop* Boucle() { return boucle_; }

  // Runs `lancer(contexte, requete)` under the lock (it returns the
  // operation, whose callback ends with requete.Terminer) and waits for it.
  template <class Lancer>
  bool Executer(Requete& requete, Lancer&& lancer) {
    if (Perdue()) return false;
    requete.connexion = this;
    pa_threaded_mainloop_lock(boucle_);
    pa_operation* operation = lancer(contexte_, requete);
    pa_threaded_mainloop_unlock(boucle_);
    if (operation == nullptr) return false;
    bool fini = false;
    {
      std::unique_lock verrou(mutex_);
      fini = condition_.wait_for(verrou, delai_, [&] { return requete.fini || Perdue(); }) &&
             requete.fini;
    }
    pa_threaded_mainloop_lock(boucle_);
    if (!fini) {
      std::lock_guard verrou(mutex_);
      fini = requete.fini;
    }
    if (!fini) pa_operation_cancel(operation);
    pa_operation_unref(operation);
    pa_threaded_mainloop_unlock(boucle_);
    if (!fini) perdue_.store(true);
    return fini && requete.reussi;
  }

  // A request with only a success flag (volume, mute, port...).
  static void Succes(pa_context*, int ok, void* donnees) {
    static_cast<Requete*>(donnees)->Terminer(ok != 0);
  }

 private:
  explicit ConnexionPulse(std::chrono::milliseconds delai) : delai_(delai) {}

  bool Connecter() {
    boucle_ = pa_threaded_mainloop_new();
    if (!boucle_) return false;
    pa_proplist* proprietes = pa_proplist_new();
    pa_proplist_sets(proprietes, PA_PROP_APPLICATION_NAME, "vestral");
    contexte_ =
        pa_context_new_with_proplist(pa_threaded_mainloop_get_api(boucle_), "vestral", proprietes);
    pa_proplist_free(proprietes);
    if (!contexte_) return false;
    pa_context_set_state_callback(contexte_, Etat, this);
    if (pa_context_connect(contexte_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) return false;
    if (pa_threaded_mainloop_start(boucle_) < 0) return false;
    std::unique_lock verrou(mutex_);
    return condition_.wait_for(verrou, delai_, [&] { return pret_ || Perdue(); }) && pret_ &&
           !Perdue();
  }

  static void Etat(pa_context* contexte, void* donnees) {
    auto* c = static_cast<ConnexionPulse*>(donnees);
    const pa_context_state_t etat = pa_context_get_state(contexte);
    std::lock_guard verrou(c->mutex_);
    if (etat == PA_CONTEXT_READY) c->pret_ = true;
    if (!PA_CONTEXT_IS_GOOD(etat)) c->perdue_.store(true);
    c->condition_.notify_all();
  }

  const std::chrono::milliseconds delai_;
  pa_threaded_mainloop* boucle_ = nullptr;
  pa_context* contexte_ = nullptr;
  std::mutex mutex_;
  std::condition_variable condition_;
  bool pret_ = false;
  std::atomic<bool> perdue_{false};
};

using Requete = ConnexionPulse::Requete;

struct InfoSource : Requete {
  bool trouvee = false;
  pa_cvolume volume{};
  std::vector<std::string> ports;
  std::vector<std::string> descriptions_ports;
  std::string port_actif;
};

void Recevoir_source(pa_context*, const pa_source_info* info, int fin, void* donnees) {
  auto* r = static_cast<InfoSource*>(donnees);
  if (fin != 0) {
    r->Terminer(fin > 0 && r->trouvee);
    return;
  }
  if (info == nullptr) return;
  r->trouvee = true;
  r->volume = info->volume;
  r->ports.clear();
  r->descriptions_ports.clear();
  for (uint32_t i = 0; i < info->n_ports; ++i) {
    r->ports.emplace_back(info->ports[i]->name);
    r->descriptions_ports.emplace_back(info->ports[i]->description ? info->ports[i]->description
                                                                   : info->ports[i]->name);
  }
  r->port_actif = info->active_port ? info->active_port->name : "";
}

bool Est_a_nous(const pa_proplist* proprietes) {
  const char* pid = pa_proplist_gets(proprietes, PA_PROP_APPLICATION_PROCESS_ID);
  return pid != nullptr && std::to_string(::getpid()) == pid;
}

std::string Minuscules(std::string texte) {
  for (char& c : texte)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return texte;
}

// The item name of a source port: its kind when the port's name tells it.
std::string Nom_port(const std::string& nom, const std::string& description) {
  const std::string n = Minuscules(nom);
  if (n.find("line") != std::string::npos) return "Line";
  if (n.find("mic") != std::string::npos) return "Mic";
  return description;
}

enum Element : std::size_t { kMaster, kPcm, kLigne, kMicro, kCapture };

class ElementsMixerPulse : public ElementsMixer {
 public:
  ElementsMixerPulse(std::unique_ptr<ConnexionPulse> connexion, std::string source)
      : connexion_(std::move(connexion)), source_(source.empty() ? kSource_defaut : source) {
    pa_threaded_mainloop_lock(connexion_->Boucle());
    pa_context_set_subscribe_callback(connexion_->Contexte(), Evenement, this);
    pa_operation* o = pa_context_subscribe(connexion_->Contexte(), PA_SUBSCRIPTION_MASK_SINK_INPUT,
                                           nullptr, nullptr);
    if (o) pa_operation_unref(o);
    pa_threaded_mainloop_unlock(connexion_->Boucle());
  }
  ~ElementsMixerPulse() override {
    // The loop stops before this object goes: no callback sees it gone.
    connexion_.reset();
  }

  std::vector<ElementSimple> Elements() override {
    std::vector<ElementSimple> elements(5);
    for (std::size_t i : {kMaster, kPcm}) {
      elements[i].nom = i == kMaster ? "Master" : "PCM";
      elements[i].volume_lecture = elements[i].interrupteur_lecture = true;
      elements[i].max_lecture = kVolume_plein;
    }
    elements[kLigne].nom = "Line";
    elements[kMicro].nom = "Mic";
    elements[kLigne].interrupteur_lecture = elements[kMicro].interrupteur_lecture = true;
    ElementSimple& capture = elements[kCapture];
    capture.nom = "Capture";
    InfoSource info;
    if (Source(info)) {
      capture.volume_capture = true;
      capture.max_capture = kVolume_plein;
      capture.mono_capture = info.volume.channels < 2;
      ports_ = info.ports.size() >= 2 ? info.ports : std::vector<std::string>{};
      for (std::size_t i = 0; i < ports_.size(); ++i)
        capture.sources_capture.push_back(Nom_port(info.ports[i], info.descriptions_ports[i]));
      if (ports_.empty()) capture.sources_capture = {"Line", "Mic"};
    }
    return elements;
  }

  bool Lire(std::size_t element, Grandeur grandeur, int canal, long& valeur) override {
    if (connexion_->Perdue()) return false;
    const int c = canal == 1 ? 1 : 0;
    switch (element) {
      case kMaster:
      case kPcm: {
        std::lock_guard verrou(etat_);
        const Flux& f = flux_[element];
        valeur = grandeur == Grandeur::Volume_lecture ? f.volume[c] : f.actif;
        return grandeur == Grandeur::Volume_lecture || grandeur == Grandeur::Interrupteur_lecture;
      }
      case kLigne:
      case kMicro:
        valeur = 0;  // never in the playback mix
        return grandeur == Grandeur::Interrupteur_lecture;
      case kCapture: {
        InfoSource info;
        if (!Source(info)) return false;
        if (grandeur == Grandeur::Volume_capture) {
          valeur = info.volume.values[std::min<int>(c, info.volume.channels - 1)];
          return true;
        }
        if (grandeur != Grandeur::Source_capture) return false;
        if (ports_.empty()) {
          valeur = element_virtuel_;
          return true;
        }
        const auto p = std::find(ports_.begin(), ports_.end(), info.port_actif);
        valeur = p == ports_.end() ? 0 : p - ports_.begin();
        return true;
      }
    }
    return false;
  }

  bool Ecrire(std::size_t element, Grandeur grandeur, int canal, long valeur) override {
    if (connexion_->Perdue()) return false;
    switch (element) {
      case kMaster:
      case kPcm: {
        {
          std::lock_guard verrou(etat_);
          Flux& f = flux_[element];
          if (grandeur == Grandeur::Volume_lecture) {
            for (int c = 0; c < 2; ++c)
              if (canal < 0 || canal == c) f.volume[c] = valeur;
          } else if (grandeur == Grandeur::Interrupteur_lecture) {
            f.actif = valeur != 0;
          } else {
            return false;
          }
        }
        return Appliquer_aux_flux();
      }
      case kLigne:
      case kMicro:
        return grandeur == Grandeur::Interrupteur_lecture && valeur == 0;
      case kCapture:
        if (grandeur == Grandeur::Volume_capture) return Volume_source(canal, valeur);
        if (grandeur != Grandeur::Source_capture) return false;
        if (ports_.empty()) {
          element_virtuel_ = valeur;
          return true;
        }
        if (valeur < 0 || static_cast<std::size_t>(valeur) >= ports_.size()) return false;
        return Port_source(ports_[static_cast<std::size_t>(valeur)]);
    }
    return false;
  }

 private:
  struct Flux {
    std::array<long, 2> volume{kVolume_plein, kVolume_plein};
    bool actif = true;
  };

  bool Source(InfoSource& info) {
    return connexion_->Executer(info, [&](pa_context* c, Requete&) {
      return pa_context_get_source_info_by_name(c, source_.c_str(), Recevoir_source, &info);
    });
  }

  bool Volume_source(int canal, long valeur) {
    InfoSource info;
    if (!Source(info)) return false;
    pa_cvolume volume = info.volume;
    const auto v = static_cast<pa_volume_t>(std::clamp<long>(valeur, 0, PA_VOLUME_MAX));
    for (int i = 0; i < volume.channels; ++i)
      if (canal < 0 || canal == i || (canal == 1 && volume.channels == 1)) volume.values[i] = v;
    Requete r;
    return connexion_->Executer(r, [&](pa_context* c, Requete& requete) {
      return pa_context_set_source_volume_by_name(c, source_.c_str(), &volume,
                                                  ConnexionPulse::Succes, &requete);
    });
  }

  bool Port_source(const std::string& port) {
    Requete r;
    return connexion_->Executer(r, [&](pa_context* c, Requete& requete) {
      return pa_context_set_source_port_by_name(c, source_.c_str(), port.c_str(),
                                                ConnexionPulse::Succes, &requete);
    });
  }

  // The level every stream of the program gets: the output level times the
  // wave level, and muted when either is.
  pa_cvolume Volume_flux(uint8_t canaux, bool& muet) {
    std::lock_guard verrou(etat_);
    pa_cvolume volume;
    pa_cvolume_init(&volume);
    volume.channels = std::max<uint8_t>(canaux, 1);
    for (int i = 0; i < volume.channels; ++i) {
      const int c = std::min(i, 1);
      const long v = flux_[kMaster].volume[c] * flux_[kPcm].volume[c] / kVolume_plein;
      volume.values[i] = static_cast<pa_volume_t>(std::clamp<long>(v, 0, PA_VOLUME_MAX));
    }
    muet = !flux_[kMaster].actif || !flux_[kPcm].actif;
    return volume;
  }

  struct ListeFlux : Requete {
    std::vector<std::pair<uint32_t, uint8_t>> flux;  // index, channels
  };
  static void Recevoir_flux(pa_context*, const pa_sink_input_info* info, int fin, void* donnees) {
    auto* r = static_cast<ListeFlux*>(donnees);
    if (fin != 0) {
      r->Terminer(fin > 0);
      return;
    }
    if (info && Est_a_nous(info->proplist))
      r->flux.emplace_back(info->index, info->channel_map.channels);
  }

  bool Appliquer_aux_flux() {
    ListeFlux liste;
    if (!connexion_->Executer(liste, [&](pa_context* c, Requete&) {
          return pa_context_get_sink_input_info_list(c, Recevoir_flux, &liste);
        }))
      return false;
    bool reussi = true;
    for (const auto& [index, canaux] : liste.flux) {
      bool muet = false;
      const pa_cvolume volume = Volume_flux(canaux, muet);
      Requete r1, r2;
      reussi &= connexion_->Executer(r1, [&](pa_context* c, Requete& r) {
        return pa_context_set_sink_input_volume(c, index, &volume, ConnexionPulse::Succes, &r);
      });
      reussi &= connexion_->Executer(r2, [&](pa_context* c, Requete& r) {
        return pa_context_set_sink_input_mute(c, index, muet, ConnexionPulse::Succes, &r);
      });
    }
    return reussi;
  }

  // A stream of the program that starts later gets the level at once (on
  // the server's thread, the loop's lock held).
  static void Evenement(pa_context* c, pa_subscription_event_type_t type, uint32_t index,
                        void* donnees) {
    if ((type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK) != PA_SUBSCRIPTION_EVENT_SINK_INPUT ||
        (type & PA_SUBSCRIPTION_EVENT_TYPE_MASK) != PA_SUBSCRIPTION_EVENT_NEW)
      return;
    pa_operation* o = pa_context_get_sink_input_info(c, index, Nouveau_flux, donnees);
    if (o) pa_operation_unref(o);
  }
  static void Nouveau_flux(pa_context* c, const pa_sink_input_info* info, int fin, void* donnees) {
    if (fin != 0 || info == nullptr || !Est_a_nous(info->proplist)) return;
    auto* moi = static_cast<ElementsMixerPulse*>(donnees);
    bool muet = false;
    const pa_cvolume volume = moi->Volume_flux(info->channel_map.channels, muet);
    if (pa_operation* o =
            pa_context_set_sink_input_volume(c, info->index, &volume, nullptr, nullptr))
      pa_operation_unref(o);
    if (pa_operation* o = pa_context_set_sink_input_mute(c, info->index, muet, nullptr, nullptr))
      pa_operation_unref(o);
  }

  std::unique_ptr<ConnexionPulse> connexion_;
  const std::string source_;
  std::vector<std::string> ports_;  // the source's ports when they are a choice
  long element_virtuel_ = 0;
  std::mutex etat_;  // the stream levels, read on the server's thread too
  std::array<Flux, 2> flux_{};
};

struct ListePeripheriques : Requete {
  std::vector<PeripheriqueServeur> liste;
  std::string source_defaut, sortie_defaut;
};

void Recevoir_serveur(pa_context*, const pa_server_info* info, void* donnees) {
  auto* r = static_cast<ListePeripheriques*>(donnees);
  if (info) {
    r->source_defaut = info->default_source_name ? info->default_source_name : "";
    r->sortie_defaut = info->default_sink_name ? info->default_sink_name : "";
  }
  r->Terminer(info != nullptr);
}

void Recevoir_sources(pa_context*, const pa_source_info* info, int fin, void* donnees) {
  auto* r = static_cast<ListePeripheriques*>(donnees);
  if (fin != 0) {
    r->Terminer(fin > 0);
    return;
  }
  if (info)
    r->liste.push_back({info->name, info->description ? info->description : info->name,
                        GenrePeripherique::Capture, info->monitor_of_sink != PA_INVALID_INDEX,
                        r->source_defaut == info->name});
}

void Recevoir_sorties(pa_context*, const pa_sink_info* info, int fin, void* donnees) {
  auto* r = static_cast<ListePeripheriques*>(donnees);
  if (fin != 0) {
    r->Terminer(fin > 0);
    return;
  }
  if (info)
    r->liste.push_back({info->name, info->description ? info->description : info->name,
                        GenrePeripherique::Restitution, false, r->sortie_defaut == info->name});
}

}  // namespace

std::unique_ptr<ElementsMixer> Ouvrir_elements_pulse(const std::string& source,
                                                     std::chrono::milliseconds delai) {
  auto connexion = ConnexionPulse::Ouvrir(delai);
  if (!connexion) return nullptr;
  return std::make_unique<ElementsMixerPulse>(std::move(connexion), source);
}

bool Serveur_son_present(std::chrono::milliseconds delai) {
  return ConnexionPulse::Ouvrir(delai) != nullptr;
}

std::vector<PeripheriqueServeur> Lister_peripheriques_serveur(std::chrono::milliseconds delai) {
  auto connexion = ConnexionPulse::Ouvrir(delai);
  if (!connexion) return {};
  ListePeripheriques serveur;
  if (!connexion->Executer(serveur, [&](pa_context* c, Requete&) {
        return pa_context_get_server_info(c, Recevoir_serveur, &serveur);
      }))
    return {};
  ListePeripheriques sources;
  sources.source_defaut = serveur.source_defaut;
  ListePeripheriques sorties;
  sorties.sortie_defaut = serveur.sortie_defaut;
  if (!connexion->Executer(sources,
                           [&](pa_context* c, Requete&) {
                             return pa_context_get_source_info_list(c, Recevoir_sources, &sources);
                           }) ||
      !connexion->Executer(sorties, [&](pa_context* c, Requete&) {
        return pa_context_get_sink_info_list(c, Recevoir_sorties, &sorties);
      }))
    return {};
  std::vector<PeripheriqueServeur> liste = std::move(sources.liste);
  liste.insert(liste.end(), sorties.liste.begin(), sorties.liste.end());
  return liste;
}

const PeripheriqueServeur* Choisir_peripherique_serveur(
    const std::vector<PeripheriqueServeur>& liste, GenrePeripherique genre,
    const std::string& motif) {
  if (motif.empty()) return nullptr;
  for (const auto& p : liste)
    if (p.genre == genre && p.nom == motif) return &p;
  for (const auto& p : liste)
    if (p.genre == genre && (Nom_correspond(p.nom, motif) || Nom_correspond(p.description, motif)))
      return &p;
  return nullptr;
}

}  // namespace vestral
