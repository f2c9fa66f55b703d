// The rig through hamlib. One RIG handle, created by Ouvrir and freed by
// Fermer or the destructor; used from ControlePoste's thread only.
#include <hamlib/rig.h>

#include <memory>
#include <mutex>
#include <string>

#include "station/Poste.h"

namespace vestral {
namespace {

// hamlib writes its own traces to standard error unless told not to.
void Faire_taire_hamlib() {
  static std::once_flag une_fois;
  std::call_once(une_fois, [] { rig_set_debug(RIG_DEBUG_NONE); });
}

struct LibererRig {
  void operator()(RIG* rig) const { rig_cleanup(rig); }
};

class PosteHamlib : public Poste {
 public:
  ~PosteHamlib() override { Fermer(); }

  bool Ouvrir(const ReglagesPoste& reglages) override {
    Fermer();
    Faire_taire_hamlib();
    std::unique_ptr<RIG, LibererRig> rig(rig_init(static_cast<rig_model_t>(reglages.modele)));
    if (!rig) return false;
    auto Regler = [&](const char* nom, const std::string& valeur) {
      const token_t jeton = rig_token_lookup(rig.get(), nom);
      return jeton != RIG_CONF_END && rig_set_conf(rig.get(), jeton, valeur.c_str()) == RIG_OK;
    };
    if (!reglages.peripherique.empty() && !Regler("rig_pathname", reglages.peripherique))
      return false;
    if (reglages.vitesse > 0 && !Regler("serial_speed", std::to_string(reglages.vitesse)))
      return false;
    // Keying is asked of the rig itself (CAT). Some models, the dummy rig
    // among them, answer PTT orders only when told to take them.
    if (rig->caps->set_ptt && rig->state.pttport.type.ptt == RIG_PTT_NONE &&
        !Regler("ptt_type", "RIG"))
      return false;
    if (rig_open(rig.get()) != RIG_OK) return false;
    rig_ = std::move(rig);
    ouvert_ = true;
    // A rig that opens but cannot tell its frequency is not answering.
    freq_t f = 0;
    if (rig_get_freq(rig_.get(), RIG_VFO_CURR, &f) != RIG_OK) {
      Fermer();
      return false;
    }
    return true;
  }

  std::optional<int64_t> Lire_frequence() override {
    if (!rig_) return std::nullopt;
    freq_t f = 0;
    if (rig_get_freq(rig_.get(), RIG_VFO_CURR, &f) != RIG_OK || f <= 0) return std::nullopt;
    return static_cast<int64_t>(f + 0.5);
  }

  bool Positionner_PTT(bool emission) override {
    if (!rig_) return false;
    return rig_set_ptt(rig_.get(), RIG_VFO_CURR, emission ? RIG_PTT_ON : RIG_PTT_OFF) == RIG_OK;
  }

  void Fermer() override {
    if (rig_ && ouvert_) rig_close(rig_.get());
    ouvert_ = false;
    rig_.reset();
  }

 private:
  std::unique_ptr<RIG, LibererRig> rig_;
  bool ouvert_ = false;
};

}  // namespace

std::unique_ptr<Poste> Creer_poste_hamlib() {
  return std::make_unique<PosteHamlib>();
}

}  // namespace vestral
