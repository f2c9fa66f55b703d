#include <gtest/gtest.h>

#include "shell/Cp1252.h"
#include "sound/linux/MixerAlsa.h"

namespace vestral {
namespace {

TEST(MixerAlsa, PeripheriqueInexistant) {
  EXPECT_EQ(Ouvrir_elements_alsa("hw:99"), nullptr);
  MixerElements mixer(Ouvrir_elements_alsa("hw:99"));
  FonctionsMixer fonctions(mixer);
  fonctions.Reglage_par_logiciel = 1;
  uint8_t d[6] = {9, 9, 9, 9, 9, 9};
  fonctions.Reglage_mixer(0, 20, 20, 100, 0, 0, 0, d[0], d[1], d[2], d[3], d[4], d[5]);
  RapportMemoire rapport;
  EXPECT_TRUE(Signaler_probleme_mixer(rapport, d[0], d[1], d[2], d[3], d[4], d[5]));
  EXPECT_EQ(rapport.Dernier_panneau(), "Pas de mixer trouvé!"_cp);
  fonctions.Reglage_volume_enregistrement(50, 0);
  fonctions.Restauration_mixer();
}

// The system's own mixer is only looked at, never changed, so that the test
// can run on a workstation; without a card it must report and go on.
TEST(MixerAlsa, MixerDuSysteme) {
  auto mixer = Ouvrir_mixer_systeme();
  if (mixer->Nombre_mixers() == 0) {
    FonctionsMixer fonctions(*mixer);
    fonctions.Reglage_par_logiciel = 1;
    uint8_t d[6] = {9, 9, 9, 9, 9, 9};
    fonctions.Reglage_mixer(0, 20, 20, 100, 0, 0, 0, d[0], d[1], d[2], d[3], d[4], d[5]);
    EXPECT_EQ(d[0], 0);
    fonctions.Restauration_mixer();
    return;
  }
  for (uint32_t type : {kType_haut_parleurs, kType_enregistrement}) {
    const auto ligne = mixer->Ligne_par_type(type);
    if (!ligne) continue;
    for (const auto& c : mixer->Controles(ligne->identifiant, kMaximum_controles)) {
      std::vector<int32_t> valeurs;
      const uint32_t elements = std::min(c.elements, kMaximum_elements);
      if (mixer->Lire_valeurs(c.identifiant, ligne->canaux, elements, valeurs)) {
        EXPECT_EQ(valeurs.size(), elements > 0 ? elements : ligne->canaux) << ligne->nom_court;
      }
    }
  }
}

}  // namespace
}  // namespace vestral
