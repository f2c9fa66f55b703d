#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "shell/HautParleur.h"

namespace vestral {
namespace {

using Ecriture = std::pair<uint16_t, uint8_t>;

struct Banc {
  explicit Banc(uint8_t controle_systeme = 0) : minuterie(ports, tonalite, controle_systeme) {
    ports.temoin = [this](uint16_t a, uint8_t v) { ecritures.emplace_back(a, v); };
  }
  EspacePorts ports;
  TonaliteSimulee tonalite;
  MinuterieHautParleur minuterie;
  HautParleur haut_parleur{ports};
  std::vector<Ecriture> ecritures;
};

TEST(HautParleur, SonProgrammeLaMinuterieEtJoueLaFrequence) {
  struct Cas {
    int frequence;
    uint8_t faible, fort;
    int jouee;
  } cas[] = {{1000, 0xA9, 0x04, 1000}, {800, 0xD3, 0x05, 800}, {19, 0x4E, 0xF5, 19}};
  for (const auto& c : cas) {
    Banc banc(0x30);
    banc.haut_parleur.Son(c.frequence);
    const std::vector<Ecriture> attendues = {
        {0x43, 0xB6}, {0x42, c.faible}, {0x42, c.fort}, {0x61, 0x33}};
    EXPECT_EQ(banc.ecritures, attendues) << c.frequence;
    EXPECT_EQ(banc.haut_parleur.Etat_haut_parleur(), 0x30) << c.frequence;
    EXPECT_EQ(banc.tonalite.evenements, std::vector<int>{c.jouee}) << c.frequence;
  }
}

TEST(HautParleur, SilenceEcritLEtatSauveSansLeBitHautParleur) {
  Banc neuf(0x30);
  neuf.haut_parleur.Silence();  // before any tone: 0, and nothing to stop
  EXPECT_EQ(neuf.ecritures, (std::vector<Ecriture>{{0x61, 0x00}}));
  EXPECT_TRUE(neuf.tonalite.evenements.empty());

  Banc banc(0x30);
  banc.haut_parleur.Son(1000);
  banc.ecritures.clear();
  banc.haut_parleur.Silence();
  EXPECT_EQ(banc.ecritures, (std::vector<Ecriture>{{0x61, 0x30}}));
  EXPECT_EQ(banc.haut_parleur.Etat_haut_parleur(), 0x30);
  EXPECT_EQ(banc.tonalite.evenements, (std::vector<int>{1000, 0}));
}

TEST(HautParleur, LeMoniteurRepeteNeRelancePasLaTonalite) {
  Banc banc;
  for (int i = 0; i < 3; ++i) banc.haut_parleur.Son(800);  // every 40 ms while the key is down
  banc.haut_parleur.Son(1000);
  for (int i = 0; i < 3; ++i) banc.haut_parleur.Silence();
  banc.haut_parleur.Son(1000);
  EXPECT_EQ(banc.tonalite.evenements, (std::vector<int>{800, 1000, 0, 1000}));
}

TEST(HautParleur, FrequenceNulleNeProgrammeRien) {
  Banc banc;
  banc.haut_parleur.Son(0);
  banc.haut_parleur.Son(-5);
  EXPECT_TRUE(banc.ecritures.empty());
  EXPECT_TRUE(banc.tonalite.evenements.empty());
}

TEST(MinuterieHautParleur, ModesDAccesEtPortes) {
  struct Cas {
    const char* nom;
    std::vector<Ecriture> ecritures;
    std::vector<int> evenements;
  } cas[] = {
      {"octet faible seul", {{0x61, 3}, {0x43, 0x96}, {0x42, 200}}, {5966}},
      {"octet fort seul", {{0x43, 0xA6}, {0x42, 0x10}, {0x61, 3}}, {291}},
      {"compte 0 = 65536", {{0x43, 0xB6}, {0x42, 0}, {0x42, 0}, {0x61, 3}}, {18}},
      {"porte seule sans haut-parleur", {{0x43, 0xB6}, {0x42, 0xA9}, {0x42, 4}, {0x61, 1}}, {}},
      {"aucun compte chargé", {{0x61, 3}}, {}},
      {"verrouillage sans effet",
       {{0x43, 0xB6}, {0x42, 0xA9}, {0x43, 0x80}, {0x42, 4}, {0x61, 3}},
       {1000}},
  };
  for (const auto& c : cas) {
    Banc banc;
    for (const auto& [adresse, valeur] : c.ecritures) banc.ports.Ecriture_port(adresse, valeur);
    EXPECT_EQ(banc.tonalite.evenements, c.evenements) << c.nom;
  }
}

TEST(EspacePorts, AdresseLibreEtPeripheriqueDebranche) {
  EspacePorts ports;
  TonaliteSimulee tonalite;
  EXPECT_EQ(ports.Lecture_port(0x61), 0xFF);
  {
    MinuterieHautParleur minuterie(ports, tonalite, 0x20);
    EXPECT_EQ(ports.Lecture_port(0x61), 0x20);
    EXPECT_EQ(ports.Lecture_port(0x60), 0xFF);
    HautParleur(ports).Son(440);
  }
  // Unplugged: no longer reached, and its tone did not outlive it.
  EXPECT_EQ(ports.Lecture_port(0x61), 0xFF);
  ports.Ecriture_port(0x61, 3);
  EXPECT_EQ(tonalite.evenements, (std::vector<int>{440, 0}));
}

// A tick count that moves one millisecond at each reading.
HautParleur::Horloge Horloge_pas_a_pas() {
  return [t = uint32_t{5000}]() mutable { return t++; };
}

TEST(HautParleur, CalibrageEtAttente) {
  EspacePorts ports;
  HautParleur haut_parleur(ports, Horloge_pas_a_pas());

  haut_parleur.Attente(300);  // not calibrated yet: one pass
  EXPECT_EQ(haut_parleur.Compteur(), 1u);

  haut_parleur.Calibrage_attente();
  // Readings 5001..5279 pass the 280 ms test: 279 x 200 increments; the
  // counting loop then goes to n + 1 between two consecutive readings.
  const uint64_t n = 279 * 200;
  EXPECT_EQ(haut_parleur.Boucles_par_milliseconde(), (n + 1) + (n + 1) / 30);

  struct Cas {
    uint16_t duree;
    uint64_t passes;
  } cas[] = {{0, 1},
             {1, haut_parleur.Boucles_par_milliseconde() + 1u},
             {3, 3u * haut_parleur.Boucles_par_milliseconde() + 1u}};
  for (const auto& c : cas) {
    haut_parleur.Attente(c.duree);
    EXPECT_EQ(haut_parleur.Compteur(), c.passes) << c.duree;
  }
}

TEST(HautParleur, HorlogeTropGrossiereNeDivisePasParZero) {
  EspacePorts ports;
  int lectures = 0;
  // Jumps 300 ms once, then stands still.
  HautParleur haut_parleur(ports, [&] { return lectures++ == 0 ? 0u : 300u; });
  haut_parleur.Calibrage_attente();
  EXPECT_EQ(haut_parleur.Boucles_par_milliseconde(), 1u + 1u / 30);
}

TEST(HautParleur, BipErreurParLeRapport) {
  Banc banc;  // not calibrated: the beep's wait is one pass
  RapportMemoire suite;
  RapportHautParleur rapport(suite, banc.haut_parleur);
  rapport.Bip();
  rapport.Panneau("texte");
  rapport.Erreur("erreur");
  EXPECT_EQ(banc.tonalite.evenements, (std::vector<int>{1000, 0}));
  EXPECT_EQ(suite.Evenements(),
            (std::vector<RapportMemoire::Evenement>{{RapportMemoire::Genre::Panneau, "texte"},
                                                    {RapportMemoire::Genre::Erreur, "erreur"}}));
}

}  // namespace
}  // namespace vestral
