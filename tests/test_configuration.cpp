#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "shell/Configuration.h"
#include "shell/Cp1252.h"

namespace vestral {
namespace {

namespace fs = std::filesystem;

// A mixer that records every request and answers with the flags it is given.
class MixerFactice : public ReglageMixer {
 public:
  void Reglage_mixer(const CommandeMixer& commande, ResultatMixer& resultat) override {
    commandes.push_back(commande);
    if (commande.Reglage_par_logiciel == 1) resultat = trouve;
  }
  std::vector<CommandeMixer> commandes;
  ResultatMixer trouve{1, 1, 1, 1, 1, 1};
};

class ConfigurationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dossier = fs::temp_directory_path() /
              ("vestral_conf_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dossier);
    fs::create_directories(dossier);
  }
  void TearDown() override { fs::remove_all(dossier); }

  void Ecrire(const std::string& nom, const std::string& octets) {
    std::ofstream(dossier / nom, std::ios::binary) << octets;
  }
  std::string Lire(const std::string& nom) {
    std::ifstream f(dossier / nom, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
  }
  ino_t Inode(const std::string& nom) {
    struct stat etat {};
    ::stat((dossier / nom).c_str(), &etat);
    return etat.st_ino;
  }

  fs::path dossier;
  RapportMemoire rapport;
  MixerFactice mixer;
  std::unique_ptr<FichiersTexte> f;
  Configuration& Nouvelle() {
    f = std::make_unique<FichiersTexte>(rapport, dossier);
    conf = std::make_unique<Configuration>(*f, rapport, mixer);
    return *conf;
  }
  std::unique_ptr<Configuration> conf;
};

const std::string kDefaut{20, 120, 1, 0x20, 5, 1, 1};

TEST_F(ConfigurationTest, FichierAbsentDonneLesValeursParDefaut) {
  auto& c = Nouvelle();
  c.Lire_configuration();
  EXPECT_EQ(
      rapport.Erreurs(),
      std::vector<std::string>{
          "Pas de présence du fichier de configuration CONFCWER.SER, donc paramètres par défaut."_cp});
  EXPECT_EQ(Lire("CONFCWER.SER"), kDefaut);
  EXPECT_EQ(c.Enregistrement(), kDefaut);
  struct Cas {
    const char* composant;
    const char* legende;
  } cas[] = {{"V20", "20...choisi"},
             {"V10", "10"},
             {"AGC", "CAG (Auto)...choisi"},
             {"x1", "x 1"},
             {"DIV1", "/ 1...choisi"},
             {"DIV64", "/ 64"},
             {"Aucun_port_serie", "Aucun...choisi"},
             {"COM1", "COM 1"},
             {"Entree_Gauche", "Entrée ligne gauche...choisie"},
             {"microphon", "Entrée microphone"},
             {"Software_adjustment", "Réglage par le logiciel...choisi"},
             {"User_adjustment", "Réglage par l'utilisateur"}};
  for (const auto& k : cas)
    EXPECT_EQ(Cp1252_vers_utf8(c.Legende(k.composant)), k.legende) << k.composant;
  const auto& v = c.valeurs;
  EXPECT_EQ(v.Vitesse_emission, 20);
  EXPECT_EQ(v.Gain_entree, 100);
  EXPECT_EQ(v.CAG_active, 1);
  EXPECT_EQ(v.Volume_enregistrement_gauche, 100);
  EXPECT_EQ(v.Volume_enregistrement_droite, 0);
  EXPECT_EQ(v.Volume_sortie_gauche, 100);
  EXPECT_EQ(v.Volume_wave, 100);
  EXPECT_EQ(v.Port_serie_choisi, 0);
  EXPECT_EQ(v.Reglage_par_logiciel, 1);
}

TEST_F(ConfigurationTest, LegendesDuMixerAvantLaPremiereApplication) {
  auto& c = Nouvelle();
  EXPECT_EQ(c.Legende("Software_adjustment"), "Software adjustment");
  EXPECT_EQ(c.Legende("User_adjustment"), "User adjustment");
}

TEST_F(ConfigurationTest, EnregistrementValideAppliqueSansReecriture) {
  Ecrire("CONFCWER.SER", std::string{33, 60, 8, 0x41, 2, 3, 2});
  const ino_t avant = Inode("CONFCWER.SER");
  auto& c = Nouvelle();
  c.Lire_configuration();
  EXPECT_TRUE(rapport.Evenements().empty());
  EXPECT_EQ(Inode("CONFCWER.SER"), avant);
  const auto& v = c.valeurs;
  EXPECT_EQ(v.Vitesse_emission, 33);
  EXPECT_EQ(v.Gain_entree, 60);
  EXPECT_EQ(v.CAG_active, 0);
  EXPECT_EQ(v.Volume_sortie_gauche, 8);
  EXPECT_EQ(v.Volume_sortie_droite, 8);
  EXPECT_EQ(v.Volume_wave, 50);
  EXPECT_EQ(v.Port_serie_choisi, 1);
  EXPECT_EQ(v.Numero_port_serie, 2);
  EXPECT_EQ(v.Adresse_port_serie, 0x2F8);
  EXPECT_EQ(v.Adresse_commande_modem, 0x2FC);
  EXPECT_EQ(v.Entree_micro, 1);
  EXPECT_EQ(v.Entree_gauche + v.Entree_droite, 0);
  EXPECT_EQ(v.Volume_enregistrement_gauche, 60);
  EXPECT_EQ(v.Reglage_par_logiciel, 0);
  EXPECT_EQ(Cp1252_vers_utf8(c.Legende("User_adjustment")), "Réglage par l'utilisateur...choisi");
  EXPECT_EQ(Cp1252_vers_utf8(c.Legende("microphon")), "Entrée microphone...choisie");
  // User adjustment: every request reaches the mixer marked as not ours.
  for (const auto& m : mixer.commandes) EXPECT_EQ(m.Reglage_par_logiciel, 0);
}

TEST_F(ConfigurationTest, EnregistrementsAlteres) {
  const std::string valide{20, 120, 1, 0x20, 5, 1, 1};
  auto modifie = [&](int i, int octet) {
    std::string s = valide;
    s[i] = static_cast<char>(octet);
    return s;
  };
  struct Cas {
    const char* nom;
    std::string octets;
  } cas[] = {{"attenuation 7", modifie(2, 7)},
             {"vitesse 15", modifie(0, 15)},
             {"amplification 110", modifie(1, 110)},
             {"source 4", modifie(5, 4)},
             {"port 6", modifie(4, 6)},
             {"port 0", modifie(4, 0)},
             {"mode 3", modifie(6, 3)},
             {"11 octets", valide + "ABCD"},
             {"4 octets", valide.substr(0, 4)},
             {"vide", ""},
             {"zero au milieu", valide.substr(0, 3) + std::string(1, '\0') + valide.substr(4)}};
  for (const auto& k : cas) {
    rapport.Vider();
    Ecrire("CONFCWER.SER", k.octets);
    auto& c = Nouvelle();
    c.Lire_configuration();
    EXPECT_EQ(
        rapport.Erreurs(),
        std::vector<std::string>{
            "Le fichier de configuration CONFCWER.SER est altéré, donc paramètres par défaut."_cp})
        << k.nom;
    EXPECT_EQ(Lire("CONFCWER.SER"), kDefaut) << k.nom;
  }
}

TEST_F(ConfigurationTest, DixOctetsAcceptesEtGardes) {
  const std::string octets = std::string{16, 80, 10, 'R', 4, 2, 1} + "xyz";
  Ecrire("CONFCWER.SER", octets);
  const ino_t avant = Inode("CONFCWER.SER");
  auto& c = Nouvelle();
  c.Lire_configuration();
  EXPECT_TRUE(rapport.Erreurs().empty());
  EXPECT_EQ(Inode("CONFCWER.SER"), avant);
  EXPECT_EQ(c.valeurs.Adresse_commande_modem, 0x2EC);
  EXPECT_EQ(c.valeurs.Volume_wave, 18);
  EXPECT_EQ(c.valeurs.Volume_enregistrement_droite, 80);
  EXPECT_EQ(c.valeurs.Volume_enregistrement_gauche, 0);
  // The next change writes the extra bytes back as they were.
  c.Choisir(Champ::Vitesse, 54);
  EXPECT_EQ(Lire("CONFCWER.SER"), (std::string{54, 80, 10, 'R', 4, 2, 1} + "xyz"));
}

TEST_F(ConfigurationTest, ChaqueChoixReecritLeFichier) {
  auto& c = Nouvelle();
  c.Lire_configuration();
  rapport.Vider();
  c.Choisir(Champ::Attenuation, 8);  // "/ 64" stores 8
  EXPECT_EQ(Lire("CONFCWER.SER"), (std::string{20, 120, 8, 0x20, 5, 1, 1}));
  EXPECT_EQ(c.valeurs.Volume_wave, 50);
  EXPECT_EQ(Cp1252_vers_utf8(c.Legende("DIV64")), "/ 64...choisi");
  EXPECT_EQ(c.Legende("DIV1"), "/ 1");
  c.Choisir(Champ::Source_entree, 2);
  EXPECT_EQ(c.valeurs.Volume_enregistrement_gauche, 0);
  EXPECT_EQ(c.valeurs.Volume_enregistrement_droite, 100);
  EXPECT_EQ(mixer.commandes.back().Volume_enregistrement_droite, 100);
  EXPECT_EQ(mixer.commandes.back().Volume_wave, 50);
  c.Choisir(Champ::Amplification, 40);
  EXPECT_EQ(c.valeurs.CAG_active, 0);
  EXPECT_EQ(mixer.commandes.back().Volume_enregistrement_droite, 40);
  c.Choisir(Champ::Port_serie, 3);
  EXPECT_EQ(c.valeurs.Adresse_port_serie, 0x3E8);
  c.Choisir(Champ::Port_serie, 5);
  EXPECT_EQ(c.valeurs.Port_serie_choisi, 0);
  EXPECT_EQ(c.valeurs.Numero_port_serie, 3);  // unchanged when none is chosen
  c.Choisir(Champ::Mode_mixer, 2);
  EXPECT_EQ(Lire("CONFCWER.SER"), (std::string{20, 40, 8, 0x20, 5, 2, 2}));
  EXPECT_TRUE(rapport.Evenements().empty());
}

TEST_F(ConfigurationTest, ElementManquantDuMixer) {
  struct Cas {
    ResultatMixer trouve;
    const char* message;
  } cas[] = {
      {{0, 0, 0, 0, 0, 0}, "Pas de mixer trouvé!"},
      {{1, 0, 0, 1, 1, 1}, "Problème mixer. Pas de contrôle de l'enregistrement trouvé!"},
      {{1, 1, 0, 0, 1, 1}, "Problème mixer. Pas de contrôle du volume trouvé!"},
      {{1, 1, 1, 0, 0, 1}, "Problème mixer. Pas d'entrée son (wave) trouvée!"},
      {{1, 1, 1, 1, 0, 0}, "Problème mixer. Pas d'entrée ligne en enregistrement trouvée!"},
      {{1, 1, 1, 1, 1, 0}, "Problème mixer. Pas d'entrée ligne en restitution trouvée!"},
  };
  for (const auto& k : cas) {
    Ecrire("CONFCWER.SER", kDefaut);
    mixer.trouve = k.trouve;
    rapport.Vider();
    auto& c = Nouvelle();
    c.Lire_configuration();
    using G = RapportMemoire::Genre;
    EXPECT_EQ(rapport.Evenements(), (std::vector<RapportMemoire::Evenement>{
                                        {G::Bip, ""}, {G::Panneau, Utf8_vers_cp1252(k.message)}}))
        << k.message;
  }
  // All found: nothing shown.
  mixer.trouve = {1, 1, 1, 1, 1, 1};
  rapport.Vider();
  Nouvelle().Lire_configuration();
  EXPECT_TRUE(rapport.Evenements().empty());
}

TEST_F(ConfigurationTest, ValeursInitialesDuMixerPuisNiveauDeSortie) {
  Ecrire("CONFCWER.SER", std::string{20, 100, 3, 0x20, 5, 3, 1});
  auto& c = Nouvelle();
  c.Lire_configuration();
  ASSERT_FALSE(mixer.commandes.empty());
  const auto& premier = mixer.commandes.front();
  EXPECT_EQ(premier.Volume_sortie_gauche, 20);
  EXPECT_EQ(premier.Volume_enregistrement_gauche, 100);
  EXPECT_EQ(premier.Volume_enregistrement_droite, 100);
  EXPECT_EQ(premier.Volume_wave, 100);
  EXPECT_EQ(premier.Entree_micro, 0);  // the input source is applied after the defaults
  const auto& dernier = mixer.commandes.back();
  EXPECT_EQ(dernier.Volume_sortie_gauche, 25);
  EXPECT_EQ(dernier.Volume_sortie_droite, 25);
  EXPECT_EQ(dernier.Volume_enregistrement_gauche, 100);
  EXPECT_EQ(dernier.Volume_enregistrement_droite, 0);
  EXPECT_EQ(dernier.Entree_micro, 1);
}

TEST_F(ConfigurationTest, FichiersDeSequences) {
  Ecrire("F2.SER", std::string(5000, 'E'));
  Ecrire("F3.SER", std::string(5001, 'T'));
  Ecrire("F4.SER", "CQ CQ DE F4XYZ\r\n");
  auto& c = Nouvelle();
  for (const char* nom : {"F1.SER", "F2.SER", "F3.SER", "F4.SER"}) c.Verifier_fichier_sequence(nom);
  EXPECT_EQ(rapport.Erreurs(),
            (std::vector<std::string>{
                "Pas de présence du fichier F1.SER, donc réinitialisation de celui-ci."_cp,
                "Le fichier F3.SER est altéré, donc réinitialisation de celui-ci."_cp}));
  EXPECT_TRUE(fs::exists(dossier / "F1.SER"));
  EXPECT_EQ(Lire("F1.SER"), "");
  EXPECT_EQ(Lire("F3.SER"), "");
  EXPECT_EQ(c.Sequence(1), "");
  EXPECT_EQ(c.Sequence(2), std::string(5000, 'E'));
  EXPECT_EQ(c.Sequence(3), "");
  EXPECT_EQ(c.Sequence(4), "CQ CQ DE F4XYZ\r\n");
}

}  // namespace
}  // namespace vestral
