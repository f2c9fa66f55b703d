// The transceiver when the sound card disappears in the middle of reception
// or of transmission: one message, nothing waits for ever, the key line
// drops, and the operator can still switch modes and leave the window.
#include <gtest/gtest.h>

#include <string>

#include "shell/Cp1252.h"
#include "tests/EmetteurRecepteurFactice.h"

namespace vestral {
namespace {

using test::Banc;

void Verifier_sortie(Banc& b, const std::string& cas) {
  b.er.Retour_au_menu();
  EXPECT_TRUE(b.Tick_jusqu_a([&] { return b.vue.fermetures == 1; }, 2000)) << cas;
  EXPECT_FALSE(b.er.Fil_de_traduction()) << cas;
  EXPECT_FALSE(b.carte.Ouvert(Sens::Entree)) << cas;
  EXPECT_FALSE(b.carte.Ouvert(Sens::Sortie)) << cas;
  EXPECT_FALSE(b.environnement.ptt) << cas;
  EXPECT_EQ(b.horloge_active, 0) << cas;
}

TEST(PannesEmetteurRecepteur, CarteRetireePendantLaReception) {
  Banc b;
  b.er.A_l_activation_de_la_fiche();
  for (int i = 0; i < 3; ++i) b.Bloc_recu();
  b.carte.Retirer();
  b.Tick(300);  // three seconds: the pump waits for no block
  EXPECT_EQ(b.rapport.Erreurs(),
            std::vector<std::string>{"Erreur lors de l'échantillonnage n°6"_cp});
  EXPECT_TRUE(b.er.Reception_en_cours());
  // Both directions are refused now, each with its message, and the window
  // still answers.
  b.rapport.Vider();
  b.er.L_edition();
  b.Tick(10);
  b.er.La_traduction();
  b.Tick(10);
  EXPECT_GE(b.rapport.Erreurs().size(), 2u);
  Verifier_sortie(b, "réception");
}

TEST(PannesEmetteurRecepteur, CarteRetireePendantLaTransmission) {
  Banc b;
  b.er.A_l_activation_de_la_fiche();
  b.Tick(5);
  b.er.L_edition();
  ASSERT_TRUE(b.er.Transmission_en_cours());
  ASSERT_TRUE(b.environnement.ptt);
  const std::string texte = "CQ CQ DE F5ABC F5ABC K";
  for (char c : texte) b.er.Appui_touche(static_cast<uint8_t>(c));
  b.Tick(50);
  b.carte.Retirer();
  b.Tick(300);
  EXPECT_EQ(b.rapport.Erreurs(),
            std::vector<std::string>{"Erreur de restitution des données n°6"_cp});
  b.er.La_traduction();
  b.Tick(20);
  Verifier_sortie(b, "transmission");
  // The log holds what went out before the card left, and only that.
  const std::string journal = b.journal.Texte();
  EXPECT_EQ(texte.find(journal.substr(journal.rfind('\n') + 1)), 0u) << journal;
}

}  // namespace
}  // namespace vestral
