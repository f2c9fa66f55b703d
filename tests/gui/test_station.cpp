// The station's windows headless: the transceiver window with a simulated
// rig and keying server (the frequency in the title, a logger's text sent
// and echoed, a rig lost mid-transmission), Ctrl+L and the "Contact"
// dialog writing VESTRAL.ADI, the contact list and the "Station" dialog.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <functional>

#include "shell/fenetres/OutilsQt.h"
#include "station/Station.h"
#include "station/fenetres/FenetresStation.h"
#include "station/fenetres/MenuStation.h"
#include "tests/EmetteurRecepteurFactice.h"
#include "tests/gui/Banc.h"
#include "transceiver/EnvironnementStation.h"
#include "transceiver/fenetres/StationEmetteurRecepteur.h"
#include "transceiver/fenetres/TRADUCTEUR_EDITEUR.h"

namespace vestral {
namespace {

namespace fs = std::filesystem;

bool Attendre_que(const std::function<bool()>& condition, int secondes = 5) {
  const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(secondes);
  while (!condition() && std::chrono::steady_clock::now() < limite) QTest::qWait(5);
  return condition();
}

class FenetreStation : public ::testing::Test {
 protected:
  FenetreStation() {
    fs::remove_all(dossier);
    fs::create_directories(dossier);
    reception.Vitesse_auto = 1;
    reception.Seuil_auto = 1;
    operateur.Vitesse_emission = 20;
    operateur.Gain_entree = 100;
    operateur.Entree_gauche = 1;
    ReglagesStation r;
    r.poste = {1, "", 0};
    r.ptt = ModePTT::Cat;
    r.cwdaemon = true;
    station.Appliquer(r);
  }
  ~FenetreStation() override {
    fenetre.reset();
    fs::remove_all(dossier);
  }

  TForm8& Ouvrir() {
    fenetre = std::make_unique<TForm8>(
        LiensEmetteurRecepteur{wave, environnement, journal, reception, operateur, horloge},
        nullptr);
    Attacher_station(fenetre.get(), station, environnement, operateur,
                     [this](QWidget* dessus, const std::string& recu) {
                       Ouvrir_contact(dessus, contacts, station, recu);
                     });
    fenetre->show();
    return *fenetre;
  }
  // Playback blocks until the condition holds.
  bool Emettre_jusqu_a(const std::function<bool()>& condition) {
    for (int i = 0; i < 3000 && !condition(); ++i) {
      carte.Avancer_echantillons(kTaille_bloc_emission);
      QTest::qWait(12);
    }
    return condition();
  }

  fs::path dossier = fs::temp_directory_path() / ("vestral_station_" + std::to_string(::getpid()));
  CarteSimulee carte;
  RapportMemoire rapport;
  FonctionsWave wave{carte, rapport};
  test::EnvironnementFactice serie;
  JournalQSO journal;
  ReglagesReception reception;
  ValeursReglages operateur;
  std::atomic<uint8_t> horloge{0};
  std::shared_ptr<EtatPosteSimule> poste = std::make_shared<EtatPosteSimule>();
  CanalUdpSimule* canal = nullptr;
  Station station{[this] { return std::make_unique<PosteSimule>(poste); },
                  [this](const std::string&, uint16_t, Rapport&) {
                    auto c = std::make_unique<CanalUdpSimule>();
                    canal = c.get();
                    return c;
                  },
                  rapport};
  EnvironnementStation environnement{serie, station};
  JournalContacts contacts{rapport, dossier};
  std::unique_ptr<TForm8> fenetre;
};

TEST_F(FenetreStation, LoggerTextIsSentThroughTheRigAndEchoedWithTheDialInTheTitle) {
  Ouvrir();
  ASSERT_TRUE(Attendre_que([&] { return fenetre->windowTitle().contains("7 030,0 kHz"); }))
      << fenetre->windowTitle().toStdString();
  ASSERT_NE(canal, nullptr);
  canal->entrants.push_back(
      {"\x1B"
       "h5",
       "logger"});
  canal->entrants.push_back({"tu 5nn", "logger"});
  ASSERT_TRUE(Attendre_que([&] { return fenetre->Emetteur_recepteur().Transmission_en_cours(); }));
  EXPECT_EQ(fenetre->Memo2->toPlainText(), QStringLiteral("TU 5NN"));
  EXPECT_TRUE(Attendre_que([&] { return poste->ptt.load(); }));
  EXPECT_EQ(serie.lignes_ptt.find('H'), std::string::npos);  // the serial line stays down
  ASSERT_TRUE(Emettre_jusqu_a([&] { return fenetre->Emetteur_recepteur().Reception_en_cours(); }));
  ASSERT_EQ(canal->sortants.size(), 1u);
  EXPECT_EQ(canal->sortants[0].octets, "h5\r\n");
  EXPECT_TRUE(Attendre_que([&] { return !poste->ptt.load(); }));
  EXPECT_TRUE(rapport.Evenements().empty());
}

TEST_F(FenetreStation, ARigLostMidTransmissionStopsItAndIsToldOnce) {
  Ouvrir();
  ASSERT_TRUE(Attendre_que(
      [&] { return station.Controle_poste()->Etat_poste() == ControlePoste::Etat::Pret; }));
  fenetre->Essai_emission(QStringLiteral("CQ CQ CQ DE F6ABC F6ABC F6ABC K"));
  ASSERT_TRUE(Attendre_que([&] { return poste->ptt.load(); }));
  poste->repond = false;
  ASSERT_TRUE(
      Emettre_jusqu_a([&] { return !fenetre->Emetteur_recepteur().Transmission_en_cours(); }));
  EXPECT_EQ(rapport.Erreurs(),
            std::vector<std::string>{ControlePoste::Texte_poste_muet({1, "", 0})});
  EXPECT_FALSE(station.Controle_poste()->PTT_actif());
}

TEST_F(FenetreStation, CtrlLOpensTheContactPrefilledAndSavesIt) {
  Ouvrir();
  ASSERT_TRUE(Attendre_que([&] { return station.Frequence_hz().has_value(); }));
  fenetre->Memo1->setPlainText(QStringLiteral("CQ DE F6ABC F6ABC K"));
  fenetre->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(fenetre.get()));
  bool vu = false;
  QTimer::singleShot(50, [&] {
    auto* d = qobject_cast<DialogueContact*>(QApplication::activeModalWidget());
    if (!d) return;
    vu = true;
    EXPECT_EQ(d->Indicatif->text(), QStringLiteral("F6ABC"));
    EXPECT_EQ(d->Frequence->text(), QStringLiteral("7030.0"));
    EXPECT_EQ(d->Bande->text(), QStringLiteral("40m"));
    d->Nom->setText(QString::fromUtf8("Hélène"));
    d->findChild<QPushButton*>(QStringLiteral("Enregistrer"))->click();
  });
  QTest::keyClick(fenetre->Memo2, Qt::Key_L, Qt::ControlModifier);
  ASSERT_TRUE(vu);
  const auto liste = contacts.Contacts();
  ASSERT_EQ(liste.size(), 1u);
  EXPECT_EQ(liste[0].indicatif, "F6ABC");
  EXPECT_EQ(liste[0].frequence_hz, 7'030'000);
  EXPECT_EQ(liste[0].nom, "Helene");
  EXPECT_TRUE(fenetre->Memo2->toPlainText().isEmpty());  // Ctrl+L typed nothing

  // A second contact with the same call within the hour is flagged.
  DialogueContact encore(contacts, liste[0]);
  EXPECT_FALSE(encore.Doublon->text().isEmpty());
  FenetreJournalContacts journal_contacts(contacts);
  journal_contacts.Relire();
  ASSERT_EQ(journal_contacts.Liste->rowCount(), 1);
  EXPECT_EQ(journal_contacts.Liste->item(0, 2)->text(), QStringLiteral("F6ABC"));
}

// The main window with its "Station" menu.
class MenuStation : public Banc {
 protected:
  void Preparer() {
    Fichiers_presents();
    station = std::make_unique<Station>([this] { return std::make_unique<PosteSimule>(poste); },
                                        [this](const std::string&, uint16_t, Rapport&) {
                                          auto c = std::make_unique<CanalUdpSimule>();
                                          canal = c.get();
                                          return c;
                                        },
                                        rapport);
    station->Appliquer({});
    contacts = std::make_unique<JournalContacts>(rapport, dossier);
    contexte->Menu_station = [this](QMenu* menu) {
      Remplir_menu_station(menu,
                           {*station, *contacts, *fichiers, [this] { return journal.Texte(); },
                            [this] { return etat.Horloge_active.load() == 1; }});
    };
  }
  std::shared_ptr<EtatPosteSimule> poste = std::make_shared<EtatPosteSimule>();
  CanalUdpSimule* canal = nullptr;
  std::unique_ptr<Station> station;
  std::unique_ptr<JournalContacts> contacts;
};

TEST_F(MenuStation, ItemsSettingsWrittenAndLoggerTextRefusedWithTheTransceiverClosed) {
  Preparer();
  TForm1& f = Demarrer();
  EXPECT_LE(f.menuBar()->sizeHint().width(), 600);  // nine menus still on one line
  EXPECT_EQ(Action("Contact")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_L));
  Action("Journal_contacts");

  Pendant_modal("Reglages_station", [](QWidget* modal) {
    auto* d = qobject_cast<DialogueStation*>(modal);
    ASSERT_NE(d, nullptr);
    d->Modele->setValue(1);
    d->Ptt->setCurrentIndex(d->Ptt->findData(static_cast<int>(ModePTT::Cat)));
    d->Cwdaemon->setChecked(true);
    d->accept();
  });
  EXPECT_EQ(station->Reglages().poste.modele, 1);
  EXPECT_EQ(station->Reglages().ptt, ModePTT::Cat);
  const auto ini = Reglages_station_depuis(Lire(kFichier_station));
  EXPECT_EQ(ini, station->Reglages());
  EXPECT_EQ(Lire("CONFCWER.SER").size(), 7u);  // left as it was

  ASSERT_NE(canal, nullptr);
  canal->entrants.push_back({"CQ TEST", "logger"});
  ASSERT_TRUE(Attendre_que([&] { return rapport.Dernier_panneau() == Station::Texte_refus(); }));
  EXPECT_TRUE(canal->entrants.empty());
}

TEST(DialogueStation, TheSettingsAsChosen) {
  DialogueStation d(ReglagesStation{});
  EXPECT_EQ(d.Reglages(), ReglagesStation{});
  d.Modele->setValue(2);
  d.Appareil->setText(QStringLiteral("localhost:4532"));
  d.Ptt->setCurrentIndex(d.Ptt->findData(static_cast<int>(ModePTT::Cat)));
  d.Cwdaemon->setChecked(true);
  d.Port->setValue(6790);
  ReglagesStation attendu;
  attendu.poste = {2, "localhost:4532", 0};
  attendu.ptt = ModePTT::Cat;
  attendu.cwdaemon = true;
  attendu.port_cwdaemon = 6790;
  EXPECT_EQ(d.Reglages(), attendu);
  EXPECT_EQ(Frequence_saisie_hz(QStringLiteral("7023,5")), 7'023'500);
  EXPECT_EQ(Frequence_saisie_hz(QStringLiteral("abc")), std::nullopt);
}

}  // namespace
}  // namespace vestral
