// A fresh program state in a temporary working directory, with fake
// devices, for driving the real windows headless.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "app/fenetres/FICHE_PRINCIPALE.h"
#include "dsp/ReglagesReception.h"
#include "shell/Configuration.h"
#include "shell/EtatGeneral.h"
#include "shell/FONCTIONS_FICHIERS.h"
#include "shell/JournalQSO.h"
#include "shell/Peripheriques.h"
#include "shell/Rapport.h"
#include "shell/fenetres/EconomiseurEcran.h"

namespace vestral {

class MixerFactice : public ReglageMixer {
 public:
  void Reglage_mixer(const CommandeMixer& commande, ResultatMixer& resultat) override {
    commandes.push_back(commande);
    if (commande.Reglage_par_logiciel == 1) resultat = trouve;
  }
  std::vector<CommandeMixer> commandes;
  ResultatMixer trouve{1, 1, 1, 1, 1, 1};
};

class PeripheriquesFactices : public Peripheriques {
 public:
  void Calibrage_attente() override { appels.push_back("Calibrage_attente"); }
  void Silence() override { ++silences; }
  bool Verification_carte_son_demarrage() override {
    appels.push_back("Verification_carte_son_demarrage");
    return carte_presente;
  }
  bool Verification_carte_son() override {
    appels.push_back("Verification_carte_son");
    return carte_utilisable;
  }
  void Test_port_serie() override { appels.push_back("Test_port_serie"); }
  bool Ouverture_port_serie(int numero) override {
    appels.push_back("Ouverture_port_serie " + std::to_string(numero));
    return port_libre;
  }
  void Restauration_mixer() override { appels.push_back("Restauration_mixer"); }
  void Preparation_emetteur_recepteur() override {
    appels.push_back("Preparation_emetteur_recepteur");
  }
  bool Debut_acquisition(int taille) override {
    appels.push_back("Debut_acquisition " + std::to_string(taille));
    if (!acquisition_possible) return false;
    en_cours = true;
    return true;
  }
  bool Acquisition_terminee() override { return en_cours && !blocs.empty(); }
  std::vector<uint8_t> Fin_acquisition() override {
    appels.push_back("Fin_acquisition");
    en_cours = false;
    if (blocs.empty()) return {};
    auto bloc = blocs.front();
    blocs.erase(blocs.begin());
    return bloc;
  }
  int Compte(const std::string& appel) const {
    int n = 0;
    for (const auto& a : appels) n += a == appel;
    return n;
  }

  std::vector<std::string> appels;
  int silences = 0;
  bool carte_presente = true;
  bool carte_utilisable = true;
  bool port_libre = true;
  bool acquisition_possible = true;
  bool en_cours = false;
  std::vector<std::vector<uint8_t>> blocs;  // one per measurement, in order
};

class Banc : public ::testing::Test {
 protected:
  void SetUp() override {
    dossier = std::filesystem::temp_directory_path() /
              ("vestral_gui_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dossier);
    std::filesystem::create_directories(dossier);
    fichiers = std::make_unique<FichiersTexte>(rapport, dossier);
    configuration = std::make_unique<Configuration>(*fichiers, rapport, mixer);
    contexte = std::make_unique<Contexte>(Contexte{rapport,
                                                   *fichiers,
                                                   *configuration,
                                                   journal,
                                                   peripheriques,
                                                   economiseur,
                                                   etat,
                                                   reception,
                                                   {},
                                                   {},
                                                   {},
                                                   {}});
  }
  void TearDown() override {
    fenetre.reset();
    std::filesystem::remove_all(dossier);
  }

  // The default settings and four empty sequences, so that start-up is quiet.
  void Fichiers_presents() {
    Ecrire("CONFCWER.SER", std::string{20, 120, 1, 0x20, 5, 1, 1});
    for (const char* nom : {"F1.SER", "F2.SER", "F3.SER", "F4.SER"}) Ecrire(nom, "");
  }
  TForm1& Demarrer() {
    fenetre = Creation_des_fenetres(*contexte);
    EXPECT_NE(fenetre, nullptr);
    return *fenetre;
  }
  void Ecrire(const std::string& nom, const std::string& octets) {
    std::ofstream(dossier / nom, std::ios::binary) << octets;
  }
  std::string Lire(const std::string& nom) {
    std::ifstream f(dossier / nom, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
  }
  QAction* Action(const char* nom) {
    auto* a = fenetre->findChild<QAction*>(QString::fromLatin1(nom));
    EXPECT_NE(a, nullptr) << nom;
    return a;
  }
  // Runs `action` on the modal window once it is shown; the action must
  // close it. Then triggers the menu item that opens it.
  void Pendant_modal(const char* menu, std::function<void(QWidget*)> action) {
    bool vu = false;
    QTimer::singleShot(0, [&] {
      QWidget* modal = QApplication::activeModalWidget();
      ASSERT_NE(modal, nullptr);
      vu = true;
      action(modal);
    });
    // A window the action failed to close must not hold the test forever.
    QTimer garde;
    garde.setSingleShot(true);
    QObject::connect(&garde, &QTimer::timeout, [&] {
      ADD_FAILURE() << menu << ": window left open";
      while (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    });
    garde.start(10000);
    Action(menu)->trigger();
    EXPECT_TRUE(vu) << menu;
  }

  std::filesystem::path dossier;
  RapportMemoire rapport;
  MixerFactice mixer;
  PeripheriquesFactices peripheriques;
  EconomiseurEcranSimule economiseur;
  EtatGeneral etat;
  ReglagesReception reception;
  JournalQSO journal;
  std::unique_ptr<FichiersTexte> fichiers;
  std::unique_ptr<Configuration> configuration;
  std::unique_ptr<Contexte> contexte;
  std::unique_ptr<TForm1> fenetre;
};

}  // namespace vestral
