#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "shell/CheminsPortsSerie.h"
#include "shell/Cp1252.h"
#include "shell/PortSerie.h"

namespace vestral {
namespace {

struct Banc {
  Banc() {
    ports.temoin = [this](uint16_t adresse, uint8_t valeur) {
      ecritures.push_back(adresse);
      (void)valeur;
    };
  }
  EspacePorts ports;
  AccesSerieSimule acces;
  RapportMemoire rapport;
  PortSerie port{ports, acces, rapport};
  std::vector<uint16_t> ecritures;
};

TEST(PortSerie, ChoixDuPort) {
  struct Cas {
    uint8_t code;
    uint8_t choisi, numero;
    uint16_t base, modem;
  } cas[] = {{1, 1, 1, 0x3F8, 0x3FC},
             {2, 1, 2, 0x2F8, 0x2FC},
             {3, 1, 3, 0x3E8, 0x3EC},
             {4, 1, 4, 0x2E8, 0x2EC},
             {5, 0, 4, 0x2E8, 0x2EC}};  // "Aucun" keeps the rest
  Banc banc;
  for (const auto& c : cas) {
    banc.port.Choix_port(c.code);
    EXPECT_EQ(banc.port.Port_serie_choisi, c.choisi) << int(c.code);
    EXPECT_EQ(banc.port.Numero_port_serie, c.numero) << int(c.code);
    EXPECT_EQ(banc.port.Adresse_port_serie, c.base) << int(c.code);
    EXPECT_EQ(banc.port.Adresse_commande_modem, c.modem) << int(c.code);
  }
}

TEST(PortSerie, TestDuPortDansLePanneau) {
  enum Etat { Libre, Tenu, Absent };
  struct Cas {
    uint8_t code;
    Etat etat;
    const char* texte;
  } cas[] = {
      {5, Libre, "Pas de port série sélectionné."},
      {2, Libre, "Réussite de l'ouverture du port série COM 2."},
      {1, Tenu, "Echec de l'ouverture du port série COM 1. Serait-ce la souris?"},
      {4, Absent, "Echec de l'ouverture du port série COM 4. Serait-ce la souris?"},
  };
  for (const auto& c : cas) {
    Banc banc;
    banc.port.Choix_port(c.code);
    if (c.code <= 4) {
      banc.acces.port(c.code).tenu_ailleurs = c.etat == Tenu;
      banc.acces.port(c.code).present = c.etat != Absent;
    }
    banc.port.Test_port_serie();
    EXPECT_EQ(banc.rapport.Evenements(),
              (std::vector<RapportMemoire::Evenement>{
                  {RapportMemoire::Genre::Panneau, Utf8_vers_cp1252(c.texte)}}))
        << c.texte;
    EXPECT_FALSE(banc.port.Port_ouvert()) << c.texte;  // the test leaves the port closed
    EXPECT_TRUE(banc.ecritures.empty()) << c.texte;
  }
}

TEST(PortSerie, OuvertureReserveLePortEtFermeLePrecedent) {
  Banc banc;
  EXPECT_TRUE(banc.port.Ouverture_port_serie(1));
  EXPECT_TRUE(banc.acces.port(1).ouvert);

  // Another program (another PortSerie on the same ports) cannot take it.
  EspacePorts autres_ports;
  RapportMemoire autre_rapport;
  PortSerie autre(autres_ports, banc.acces, autre_rapport);
  EXPECT_FALSE(autre.Ouverture_port_serie(1));

  EXPECT_FALSE(banc.port.Ouverture_port_serie(0));  // out of range: nothing closed
  EXPECT_FALSE(banc.port.Ouverture_port_serie(5));
  EXPECT_TRUE(banc.acces.port(1).ouvert);

  EXPECT_TRUE(banc.port.Ouverture_port_serie(3));
  EXPECT_FALSE(banc.acces.port(1).ouvert);
  EXPECT_TRUE(autre.Ouverture_port_serie(1));

  banc.port.Fermeture_port_serie();
  banc.port.Fermeture_port_serie();  // twice is harmless
  EXPECT_FALSE(banc.acces.port(3).ouvert);
}

TEST(PortSerie, ActiverEtRelacherPilotentDtrEtRts) {
  Banc banc;
  banc.port.Choix_port(3);
  ASSERT_TRUE(banc.port.Ouverture_port_serie(3));
  banc.port.Relacher_PTT();  // window activated
  EXPECT_EQ(banc.ports.Lecture_port(0x3EC), 8);
  banc.port.Activer_PTT();  // transmission
  EXPECT_EQ(banc.ports.Lecture_port(0x3EC), 11);
  EXPECT_TRUE(banc.acces.port(3).dtr && banc.acces.port(3).rts);
  banc.port.Relacher_PTT();  // "Arrêt"
  EXPECT_EQ(banc.ports.Lecture_port(0x3EC), 8);
  EXPECT_EQ(banc.acces.port(3).lignes, "HB");
  EXPECT_EQ(banc.ecritures, (std::vector<uint16_t>{0x3EC, 0x3EC, 0x3EC}));

  // Each register bit drives its own line.
  banc.ports.Ecriture_port(0x3EC, 0x09);
  banc.ports.Ecriture_port(0x3EC, 0x0A);
  EXPECT_EQ(banc.acces.port(3).lignes, "HBDR");
  EXPECT_TRUE(banc.rapport.Evenements().empty());
}

TEST(PortSerie, SansPortChoisiAucunPortNEstTouche) {
  Banc banc;
  banc.port.Choix_port(5);
  banc.port.Activer_PTT();
  banc.port.Relacher_PTT();
  EXPECT_TRUE(banc.ecritures.empty());
}

TEST(PortSerie, RegistreDUnPortNonOuvertNePilotePasDeLigne) {
  Banc banc;
  ASSERT_TRUE(banc.port.Ouverture_port_serie(1));
  banc.ports.Ecriture_port(0x2FC, 11);  // COM2: not held here
  EXPECT_EQ(banc.ports.Lecture_port(0x2FC), 11);
  EXPECT_EQ(banc.acces.port(1).lignes, "");
  EXPECT_EQ(banc.acces.port(2).lignes, "");
}

TEST(PortSerie, FermetureRetombeLesLignes) {
  Banc banc;
  banc.port.Choix_port(2);
  ASSERT_TRUE(banc.port.Ouverture_port_serie(2));
  banc.port.Activer_PTT();
  banc.port.Fermeture_port_serie();
  EXPECT_EQ(banc.acces.port(2).lignes, "HB");
}

TEST(PortSerie, AdaptateurDisparuPendantLEmission) {
  Banc banc;
  banc.port.Choix_port(1);
  ASSERT_TRUE(banc.port.Ouverture_port_serie(1));
  banc.port.Activer_PTT();
  banc.acces.port(1).reponse = EtatLignes::Disparu;
  banc.acces.port(1).present = false;
  banc.port.Relacher_PTT();
  EXPECT_FALSE(banc.port.Port_ouvert());
  EXPECT_EQ(banc.rapport.Erreurs(),
            std::vector<std::string>{"Le port série COM 1 ne répond plus (adaptateur débranché?). "
                                     "Les broches DTR/RTS ne sont plus commandées."_cp});
  banc.port.Activer_PTT();  // nothing held any more: no new message
  banc.port.Relacher_PTT();
  EXPECT_EQ(banc.rapport.Erreurs().size(), 1u);

  banc.acces.port(1) = {};  // plugged back
  EXPECT_TRUE(banc.port.Ouverture_port_serie(1));
  banc.port.Activer_PTT();
  EXPECT_EQ(banc.acces.port(1).lignes, "H");
}

TEST(PortSerie, LignesNonCommandeesSignaleesUneFoisParOuverture) {
  Banc banc;
  banc.port.Choix_port(2);
  banc.acces.port(2).reponse = EtatLignes::Non_commandees;
  const std::string texte =
      "Les broches DTR/RTS du port série COM 2 ne peuvent pas être commandées."_cp;
  ASSERT_TRUE(banc.port.Ouverture_port_serie(2));
  banc.port.Activer_PTT();
  banc.port.Relacher_PTT();
  EXPECT_EQ(banc.rapport.Erreurs(), std::vector<std::string>{texte});
  EXPECT_TRUE(banc.port.Port_ouvert());
  ASSERT_TRUE(banc.port.Ouverture_port_serie(2));
  banc.port.Activer_PTT();
  EXPECT_EQ(banc.rapport.Erreurs(), (std::vector<std::string>{texte, texte}));
}

TEST(CheminsPortsSerie, EnvironnementPuisOptions) {
  ::setenv("VESTRAL_COM2", "/dev/ttyUSB0", 1);
  ::setenv("VESTRAL_COM3", "", 1);  // empty: the default stays
  CheminsPortsSerie chemins = CheminsPortsSerie::Depuis_environnement();
  ::unsetenv("VESTRAL_COM2");
  ::unsetenv("VESTRAL_COM3");
  EXPECT_EQ(chemins.chemins,
            (std::array<std::string, 4>{"/dev/ttyS0", "/dev/ttyUSB0", "/dev/ttyS2", "/dev/ttyS3"}));

  std::vector<std::string> textes = {
      "vestral", "--com1=/dev/ttyACM0", "-style", "--com5=/x", "--com2=",
      "--com2",  "--com4=/dev/ttyUSB1", "fin"};
  std::vector<char*> argv;
  for (auto& t : textes) argv.push_back(t.data());
  argv.push_back(nullptr);
  const int argc = chemins.Retirer_options(static_cast<int>(textes.size()), argv.data());
  std::vector<std::string> restants(argv.begin(), argv.begin() + argc);
  EXPECT_EQ(restants, (std::vector<std::string>{"vestral", "-style", "--com5=/x",
                                                "--com2=", "--com2", "fin"}));
  EXPECT_EQ(argv[argc], nullptr);
  EXPECT_EQ(chemins.chemins, (std::array<std::string, 4>{"/dev/ttyACM0", "/dev/ttyUSB0",
                                                         "/dev/ttyS2", "/dev/ttyUSB1"}));
}

}  // namespace
}  // namespace vestral
