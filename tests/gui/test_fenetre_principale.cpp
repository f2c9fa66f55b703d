#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

#include "shell/Cp1252.h"
#include "tests/gui/Banc.h"

namespace vestral {
namespace {

using Fenetre = Banc;

// The mouse moving over a widget (without clicking).
void Survoler(QWidget* w, QPoint position) {
  QMouseEvent deplacement(QEvent::MouseMove, position, w->mapToGlobal(position), Qt::NoButton,
                          Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(w, &deplacement);
}
using G = RapportMemoire::Genre;

TEST_F(Fenetre, DemarrageSansAucunFichier) {
  mixer.trouve = {1, 1, 1, 1, 0, 1};
  auto& f = Demarrer();
  EXPECT_EQ(
      rapport.Erreurs(),
      (std::vector<std::string>{
          "Pas de présence du fichier de configuration CONFCWER.SER, donc paramètres par défaut."_cp,
          "Pas de présence du fichier F1.SER, donc réinitialisation de celui-ci."_cp,
          "Pas de présence du fichier F2.SER, donc réinitialisation de celui-ci."_cp,
          "Pas de présence du fichier F3.SER, donc réinitialisation de celui-ci."_cp,
          "Pas de présence du fichier F4.SER, donc réinitialisation de celui-ci."_cp}));
  EXPECT_EQ(Lire("CONFCWER.SER"), (std::string{20, 120, 1, 0x20, 5, 1, 1}));
  for (const char* nom : {"F1.SER", "F2.SER", "F3.SER", "F4.SER"}) {
    EXPECT_TRUE(std::filesystem::exists(dossier / nom)) << nom;
    EXPECT_EQ(Lire(nom), "") << nom;
  }
  // The missing mixer item is reported twice: by the settings, then again.
  EXPECT_EQ(rapport.Nombre_bips(), 2);
  EXPECT_EQ(rapport.Dernier_panneau(),
            "Problème mixer. Pas d'entrée ligne en enregistrement trouvée!"_cp);
  EXPECT_EQ(etat.Horloge_active, 0);
  EXPECT_EQ(reception.Seuil_auto, 1);
  EXPECT_EQ(reception.Vitesse_auto, 1);
  struct Cas {
    const char* action;
    const char* legende;
  } cas[] = {{"V20", "20...choisi"},
             {"V54", "54"},
             {"AGC", "CAG (Auto)...choisi"},
             {"DIV1", "/ 1...choisi"},
             {"Aucun_port_serie", "Aucun...choisi"},
             {"Entree_Gauche", "Entrée ligne gauche...choisie"},
             {"Software_adjustment", "Réglage par le logiciel...choisi"},
             {"User_adjustment", "Réglage par l'utilisateur"},
             {"Abandondulogiciel1", "A&bandon"},
             {"Creation_sequence_2", "Création de la séquence 2"}};
  for (const auto& c : cas)
    EXPECT_EQ(Action(c.action)->text(), QString::fromUtf8(c.legende)) << c.action;
  EXPECT_EQ(f.windowTitle(), "VESTRAL");
  EXPECT_EQ(f.centralWidget()->size(), QSize(600, 238));
  EXPECT_EQ(f.Panel1->geometry(), QRect(8, 216, 569, 17));
  EXPECT_FALSE(f.windowFlags() & Qt::WindowCloseButtonHint);
}

TEST_F(Fenetre, SansCarteSonLeProgrammeSArrete) {
  peripheriques.carte_presente = false;
  EXPECT_EQ(Creation_des_fenetres(*contexte), nullptr);
  EXPECT_FALSE(std::filesystem::exists(dossier / "CONFCWER.SER"));
  EXPECT_EQ(peripheriques.appels,
            (std::vector<std::string>{"Calibrage_attente", "Verification_carte_son_demarrage"}));
}

TEST_F(Fenetre, IndicationsDesMenusDansPanel1) {
  Fichiers_presents();
  auto& f = Demarrer();
  f.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
  QMenuBar* barre = f.menuBar();
  QMenu* aide = f.findChild<QMenu*>("Aide");
  Survoler(barre, barre->actionGeometry(aide->menuAction()).center());
  EXPECT_EQ(f.Panel1->text(), QString::fromUtf8("Informations et aides à l'utilisateur"));
  QTest::mouseClick(barre, Qt::LeftButton, {}, barre->actionGeometry(aide->menuAction()).center());
  ASSERT_TRUE(QTest::qWaitForWindowExposed(aide));
  QAction* guide = Action("Guidedutilisation1");
  Survoler(aide, aide->actionGeometry(guide).center());
  EXPECT_EQ(f.Panel1->text(),
            QString::fromUtf8("Guide décrivant le fonctionnement et l'utilisation de ce logiciel"));
  aide->hide();
}

TEST_F(Fenetre, ChoixDesParametresEcritsAussitot) {
  Fichiers_presents();
  Demarrer();
  Action("DIV64")->trigger();
  EXPECT_EQ(Lire("CONFCWER.SER"), (std::string{20, 120, 8, 0x20, 5, 1, 1}));
  EXPECT_EQ(Action("DIV64")->text(), QString::fromUtf8("/ 64...choisi"));
  EXPECT_EQ(Action("DIV1")->text(), QString::fromUtf8("/ 1"));
  Action("COM2")->trigger();
  EXPECT_EQ(peripheriques.Compte("Test_port_serie"), 1);
  EXPECT_EQ(configuration->valeurs.Numero_port_serie, 2);
  Action("Aucun_port_serie")->trigger();
  EXPECT_EQ(peripheriques.Compte("Test_port_serie"), 1);  // "Aucun" is not tested
  Action("microphon")->trigger();
  Action("x0_4")->trigger();
  Action("V43")->trigger();
  Action("User_adjustment")->trigger();
  EXPECT_EQ(Lire("CONFCWER.SER"), (std::string{43, 40, 8, 0x20, 5, 3, 2}));
  EXPECT_EQ(Action("microphon")->text(), QString::fromUtf8("Entrée microphone...choisie"));
  EXPECT_TRUE(rapport.Erreurs().empty());
  Action("Verification_port_serie")->trigger();
  EXPECT_EQ(peripheriques.Compte("Test_port_serie"), 2);
}

struct CasAbandon {
  const char* nom;
  std::string journal;
  bool par_le_gestionnaire;  // closed by the window manager instead of "A&bandon"
  bool ecrit;
};

class Abandon : public Banc, public ::testing::WithParamInterface<CasAbandon> {};

TEST_P(Abandon, JournalEcritQuandIlDepasseHuitOctets) {
  const auto& c = GetParam();
  Fichiers_presents();
  Ecrire("QSO_MORSE.TXT", "ancien");
  for (char octet : c.journal) journal.Ajout_QSO(static_cast<uint8_t>(octet));
  auto& f = Demarrer();
  f.show();
  peripheriques.appels.clear();
  const int silences = peripheriques.silences;
  if (c.par_le_gestionnaire)
    f.close();
  else
    Action("Abandondulogiciel1")->trigger();
  EXPECT_FALSE(f.isVisible());
  EXPECT_EQ(Lire("QSO_MORSE.TXT"), c.ecrit ? c.journal : "ancien");
  EXPECT_EQ(peripheriques.appels, std::vector<std::string>{"Restauration_mixer"});
  EXPECT_GT(peripheriques.silences, silences);
  // Quitting again (the end of the session after "A&bandon") changes nothing more.
  f.Quitter();
  EXPECT_EQ(peripheriques.Compte("Restauration_mixer"), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cas, Abandon,
    ::testing::Values(CasAbandon{"vide", "", false, false},
                      CasAbandon{"un_marqueur", "\r\n\r\n\xC5 \r\n", false, false},
                      CasAbandon{"marqueur_et_texte", "\r\n\r\n\xC5 \r\nCQ", false, true},
                      CasAbandon{"fermeture_par_le_gestionnaire", "\r\n\r\n\xC9 \r\nOK", true,
                                 true}),
    [](const auto& info) { return std::string(info.param.nom); });

TEST_F(Fenetre, OuvertureDeLEmetteurRecepteur) {
  Fichiers_presents();
  bool economiseur_suspendu_pendant = false;
  contexte->Creer_emetteur_recepteur = [&](QWidget* parent) {
    auto* d = new QDialog(parent);
    QObject::connect(d, &QDialog::finished, [] {});
    return d;
  };
  Demarrer();
  // Port chosen but held by another program.
  Action("COM2")->trigger();
  peripheriques.port_libre = false;
  peripheriques.appels.clear();
  Action("Traducteur_Editeur")->trigger();
  EXPECT_EQ(rapport.Erreurs().back(),
            "Le port série sélectionné (COM 2) ne peut être ouvert. Serait-ce la souris?"_cp);
  EXPECT_EQ(peripheriques.appels, std::vector<std::string>{"Ouverture_port_serie 2"});
  // Sound card busy: the check has reported; nothing else happens.
  peripheriques.port_libre = true;
  peripheriques.carte_utilisable = false;
  peripheriques.appels.clear();
  Action("Traducteur_Editeur")->trigger();
  EXPECT_EQ(peripheriques.appels,
            (std::vector<std::string>{"Ouverture_port_serie 2", "Verification_carte_son"}));
  EXPECT_EQ(etat.Carte_son_utilisable, 0);
  EXPECT_EQ(economiseur.suspensions, 0);
  // Everything available: the window is shown with the screen saver held off.
  peripheriques.carte_utilisable = true;
  peripheriques.appels.clear();
  Pendant_modal("Traducteur_Editeur", [&](QWidget* modal) {
    economiseur_suspendu_pendant = economiseur.suspendu;
    static_cast<QDialog*>(modal)->done(1);
  });
  EXPECT_TRUE(economiseur_suspendu_pendant);
  EXPECT_FALSE(economiseur.suspendu);
  EXPECT_EQ(peripheriques.appels,
            (std::vector<std::string>{"Ouverture_port_serie 2", "Verification_carte_son",
                                      "Preparation_emetteur_recepteur"}));
}

TEST_F(Fenetre, GuideDUtilisation) {
  Fichiers_presents();
  std::vector<QUrl> ouverts;
  contexte->Ouvrir_document = [&](const QUrl& url) { ouverts.push_back(url); };
  Demarrer();
  Action("Guidedutilisation1")->trigger();
  EXPECT_TRUE(ouverts.empty());
  EXPECT_TRUE(rapport.Evenements().empty());
  Ecrire("AIDE_CW.HLP", "aide");
  Action("Guidedutilisation1")->trigger();
  ASSERT_EQ(ouverts.size(), 1u);
  EXPECT_EQ(std::filesystem::path(ouverts[0].toLocalFile().toStdString()),
            std::filesystem::absolute(dossier / "AIDE_CW.HLP"));
}

TEST_F(Fenetre, LeMinuteurFaitTaireLeHautParleurHorsEmetteurRecepteur) {
  Fichiers_presents();
  Demarrer();
  const int avant = peripheriques.silences;
  QTest::qWait(350);
  EXPECT_GE(peripheriques.silences - avant, 2);
  etat.Horloge_active = 1;
  const int pendant = peripheriques.silences;
  QTest::qWait(250);
  EXPECT_EQ(peripheriques.silences, pendant);
}

}  // namespace
}  // namespace vestral
