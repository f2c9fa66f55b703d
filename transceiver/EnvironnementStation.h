// The transceiver's devices with the station around them: the transmitter
// is keyed where the serial line would be, by the serial line (the
// program's own environment), by the rig's keying command, or not at all,
// as the station settings say. Everything else is the program's.
#pragma once

#include "station/Station.h"
#include "transceiver/EmetteurRecepteur.h"

namespace vestral {

class EnvironnementStation : public EnvironnementEmetteurRecepteur {
 public:
  EnvironnementStation(EnvironnementEmetteurRecepteur& base, Station& station)
      : base_(base), station_(station) {}

  void Activer_PTT() override {
    switch (station_.Reglages().ptt) {
      case ModePTT::Serie:
        base_.Activer_PTT();
        break;
      case ModePTT::Cat:
        station_.Demander_PTT(true);
        break;
      case ModePTT::Aucun:
        break;
    }
  }
  // Released by every way that could have keyed: a mode changed between
  // keying and release leaves nothing keyed.
  void Relacher_PTT() override {
    base_.Relacher_PTT();
    station_.Demander_PTT(false);
  }

  void Son(int frequence) override { base_.Son(frequence); }
  void Silence() override { base_.Silence(); }
  void Reglage_mixer(int32_t gauche, int32_t droite) override {
    base_.Reglage_mixer(gauche, droite);
  }
  void Reglage_volume_enregistrement(int32_t gauche, int32_t droite) override {
    base_.Reglage_volume_enregistrement(gauche, droite);
  }
  bool Volume_entree_present() override { return base_.Volume_entree_present(); }
  std::string Sequence(int numero) override { return base_.Sequence(numero); }

 private:
  EnvironnementEmetteurRecepteur& base_;
  Station& station_;
};

}  // namespace vestral
