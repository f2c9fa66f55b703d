// The rig's thread against a simulated rig: keying orders, the frequency
// read once a second, a rig that cannot be opened or stops answering.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "shell/Rapport.h"
#include "station/ControlePoste.h"
#include "tests/Attente.h"

namespace vestral {
namespace {

using namespace std::chrono_literals;

using test::Attendre;

struct Banc {
  std::shared_ptr<EtatPosteSimule> etat = std::make_shared<EtatPosteSimule>();
  ReglagesPoste reglages{3073, "/dev/ttyUSB0", 38400};
  std::unique_ptr<ControlePoste> controle =
      std::make_unique<ControlePoste>(std::make_unique<PosteSimule>(etat), reglages);
};

TEST(ControlePoste, KeyingFollowsTheOrdersAndIsReleasedAtTheEnd) {
  Banc banc;
  ASSERT_TRUE(Attendre([&] { return banc.controle->Etat_poste() == ControlePoste::Etat::Pret; }));
  EXPECT_EQ(banc.controle->Frequence_hz(), 7'030'000);

  banc.controle->Demander_PTT(true);
  ASSERT_TRUE(Attendre([&] { return banc.controle->PTT_actif(); }));
  EXPECT_TRUE(banc.etat->ptt);
  banc.controle->Demander_PTT(false);
  ASSERT_TRUE(Attendre([&] { return !banc.controle->PTT_actif(); }));
  EXPECT_FALSE(banc.etat->ptt);

  // The dial moves: the next reading shows it.
  banc.etat->frequence = 14'025'500;
  ASSERT_TRUE(Attendre([&] { return banc.controle->Frequence_hz() == 14'025'500; }));

  // Closed while keyed: released before the rig is closed.
  banc.controle->Demander_PTT(true);
  ASSERT_TRUE(Attendre([&] { return banc.controle->PTT_actif(); }));
  banc.controle.reset();
  EXPECT_FALSE(banc.etat->ptt);
  EXPECT_TRUE(banc.etat->ferme);
  EXPECT_EQ(banc.etat->Historique(), "ERER");
}

TEST(ControlePoste, AnOrderGivenAndWithdrawnBeforeTheThreadWakesLeavesTheRigAlone) {
  Banc banc;
  ASSERT_TRUE(Attendre([&] { return banc.controle->Etat_poste() == ControlePoste::Etat::Pret; }));
  banc.controle->Demander_PTT(true);
  banc.controle->Demander_PTT(false);
  banc.controle.reset();
  // Either nothing reached the rig, or a keying and its release.
  const auto h = banc.etat->Historique();
  EXPECT_TRUE(h.empty() || h == "ER") << h;
  EXPECT_FALSE(banc.etat->ptt);
}

TEST(ControlePoste, ARigThatCannotBeOpenedIsToldOnceNamingModelAndDevice) {
  auto etat = std::make_shared<EtatPosteSimule>();
  etat->ouvrable = false;
  ControlePoste controle(std::make_unique<PosteSimule>(etat), {2, "localhost:4532", 0});
  ASSERT_TRUE(
      Attendre([&] { return controle.Etat_poste() == ControlePoste::Etat::Echec_ouverture; }));
  RapportMemoire rapport;
  controle.Signaler(rapport);
  controle.Signaler(rapport);
  EXPECT_EQ(rapport.Erreurs(),
            std::vector<std::string>{"Impossible d'ouvrir le poste (mod\xE8le 2, appareil "
                                     "localhost:4532). Le programme continue sans lui."});
  // Orders go nowhere and nothing is ever keyed.
  controle.Demander_PTT(true);
  EXPECT_FALSE(controle.PTT_actif());
  EXPECT_EQ(controle.Frequence_hz(), std::nullopt);
  EXPECT_EQ(ControlePoste::Texte_echec_ouverture({1, "", 0}),
            "Impossible d'ouvrir le poste (mod\xE8le 1, appareil par d\xE9"
            "faut). Le programme "
            "continue sans lui.");
}

TEST(ControlePoste, ARigThatStopsAnsweringIsGivenUpKeyingReleasedToldOnce) {
  // Silent while keyed (the keying order is what fails), and silent while
  // idle (the frequency reading is what fails).
  for (const bool en_emission : {true, false}) {
    Banc banc;
    ASSERT_TRUE(Attendre([&] { return banc.controle->Etat_poste() == ControlePoste::Etat::Pret; }));
    if (en_emission) {
      banc.controle->Demander_PTT(true);
      ASSERT_TRUE(Attendre([&] { return banc.controle->PTT_actif(); }));
    }
    banc.etat->repond = false;
    if (en_emission) banc.controle->Demander_PTT(false);
    ASSERT_TRUE(Attendre([&] { return banc.controle->Etat_poste() == ControlePoste::Etat::Muet; }));
    EXPECT_FALSE(banc.controle->PTT_actif());
    EXPECT_EQ(banc.controle->Frequence_hz(), std::nullopt);
    RapportMemoire rapport;
    banc.controle->Signaler(rapport);
    banc.controle->Signaler(rapport);
    EXPECT_EQ(rapport.Erreurs(),
              std::vector<std::string>{"Le poste (mod\xE8le 3073, appareil /dev/ttyUSB0) ne "
                                       "r\xE9pond plus : la commande d'\xE9mission est rel\xE2"
                                       "ch\xE9"
                                       "e."})
        << en_emission;
    // Later orders are not passed on; the end does not wait for the rig.
    banc.etat->repond = true;
    banc.controle->Demander_PTT(true);
    banc.controle.reset();
    EXPECT_EQ(banc.etat->Historique(), en_emission ? "E" : "") << en_emission;
  }
}

}  // namespace
}  // namespace vestral
