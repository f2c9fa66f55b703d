// The transceiver's devices in the program: the PC speaker, the serial
// keying line, the mixer (through the settings, which know the output
// levels and the input source) and the stored sequences.
#pragma once

#include "shell/Configuration.h"
#include "shell/HautParleur.h"
#include "shell/PortSerie.h"
#include "sound/FONCTIONS_MIXER.h"
#include "transceiver/EmetteurRecepteur.h"

namespace vestral {

class EnvironnementProgramme : public EnvironnementEmetteurRecepteur {
 public:
  EnvironnementProgramme(HautParleur& haut_parleur, PortSerie& port_serie, FonctionsMixer& mixer,
                         Configuration& configuration)
      : haut_parleur_(haut_parleur),
        port_serie_(port_serie),
        mixer_(mixer),
        configuration_(configuration) {}

  void Son(int frequence) override { haut_parleur_.Son(frequence); }
  void Silence() override { haut_parleur_.Silence(); }
  void Activer_PTT() override { port_serie_.Activer_PTT(); }
  void Relacher_PTT() override { port_serie_.Relacher_PTT(); }
  void Reglage_mixer(int32_t gauche, int32_t droite) override {
    configuration_.Reglage_mixer(gauche, droite, configuration_.valeurs.Entree_micro);
  }
  void Reglage_volume_enregistrement(int32_t gauche, int32_t droite) override {
    mixer_.Reglage_volume_enregistrement(gauche, droite);
  }
  bool Volume_entree_present() override { return mixer_.Volume_entree_present() == 1; }
  std::string Sequence(int numero) override { return configuration_.Sequence(numero); }

 private:
  HautParleur& haut_parleur_;
  PortSerie& port_serie_;
  FonctionsMixer& mixer_;
  Configuration& configuration_;
};

}  // namespace vestral
