#include <gtest/gtest.h>

#include "morse/TableMorse.h"
#include "morse/FiltreSequence.h"

namespace vestral {
namespace {

TEST(FiltreSequence, CommeLeClavierPlusFinsDeLigneEtRetourArriere) {
  // The editor accepts what the transceiver's keyboard accepts, plus LF and
  // Backspace, so every stored sequence can be sent.
  for (int b = 0; b < 256; ++b) {
    const auto touche = static_cast<uint8_t>(b);
    const auto attendu =
        (b == 10 || b == 8) ? ToucheConvertie{true, touche} : Convertir_touche(touche);
    const auto r = Filtre_touche_sequence(touche);
    EXPECT_EQ(r.acceptee, attendu.acceptee) << b;
    EXPECT_EQ(r.caractere, attendu.caractere) << b;
  }
}

TEST(FiltreSequence, CasParticuliers) {
  struct Cas {
    uint8_t touche;
    bool acceptee;
    uint8_t converti;
  } cas[] = {{'c', true, 'C'},   {'@', false, 0},  {'#', false, 0}, {'<', false, 0},
             {232, false, 0},    {235, false, 0},  {228, false, 0}, {241, false, 0},
             {246, false, 0},    {252, false, 0},  {9, false, 0},   {27, false, 0},
             {3, false, 0},      {22, false, 0},   {24, false, 0},  {0xA3, true, 0xA3},
             {0xE9, true, 0xE9}, {'"', true, '"'}, {13, true, 13},  {0, false, 0}};
  for (const auto& c : cas) {
    const auto r = Filtre_touche_sequence(c.touche);
    EXPECT_EQ(r.acceptee, c.acceptee) << int(c.touche);
    EXPECT_EQ(r.caractere, c.converti) << int(c.touche);
  }
}

}  // namespace
}  // namespace vestral
