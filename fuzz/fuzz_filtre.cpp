// The fast tone filter against the plain one on arbitrary sound, with
// retunes, band, speed and threshold changes read from the input: every
// output equal, sample for sample.
#include <cstdint>
#include <cstdlib>

#include "dsp/FiltreTonalite.h"
#include "tests/FiltreReference.h"

using namespace vestral;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* donnees, std::size_t taille) {
  ReglagesReception r1;
  test::ReglagesReference r2;
  FiltreTonalite rapide(r1);
  test::FiltreReference reference(r2);
  r1.Choisir_vitesse_auto();
  r2.Choisir_vitesse_auto();
  r1.Choisir_seuil_auto();
  r2.Choisir_seuil_auto();
  rapide.Preparer_filtres();
  reference.Preparer_filtres();
  // Byte 255 followed by two bytes is a command; any other byte a sample.
  for (std::size_t i = 0; i < taille; ++i) {
    if (donnees[i] == 255 && i + 2 < taille) {
      const uint8_t a = donnees[i + 1], b = donnees[i + 2];
      i += 2;
      switch (a % 4) {
        case 0:
          r1.Frequence_reception = r2.Frequence_reception = (a / 4) * 100 + b;
          r1.Bande_etroite = r2.Bande_etroite = b & 1;
          rapide.Regler_passe_bande();
          reference.Regler_passe_bande();
          break;
        case 1:
          if (b % 46 == 45) {
            r1.Choisir_vitesse_auto();
            r2.Choisir_vitesse_auto();
          } else {
            r1.Choisir_vitesse(10 + b % 46);
            r2.Choisir_vitesse(10 + b % 46);
          }
          break;
        case 2:
          if (b == 0) {
            r1.Choisir_seuil_auto();
            r2.Choisir_seuil_auto();
          } else {
            r1.Choisir_seuil(static_cast<uint16_t>(b * a));
            r2.Choisir_seuil(static_cast<uint16_t>(b * a));
          }
          break;
        default:
          rapide.Preparer_filtres();
          reference.Preparer_filtres();
      }
      continue;
    }
    rapide.Traiter_echantillon(donnees[i]);
    reference.Traiter_echantillon(donnees[i]);
    if (rapide.Sortie_passe_bande() != reference.Sortie_passe_bande() ||
        rapide.Enveloppe_filtree() != r2.Enveloppe_filtree ||
        rapide.Seuil_filtrage() != r2.Seuil_filtrage ||
        rapide.Vitesse_estimee() != r2.Vitesse_estimee ||
        rapide.Duree_point_reception() != r2.Duree_point_reception)
      std::abort();
  }
  return 0;
}
