#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <cmath>

#include "shell/Cp1252.h"
#include "shell/FormatSon.h"
#include "shell/fenetres/A_PROPOS.h"
#include "shell/fenetres/CREATION_SEQUENCE.h"
#include "shell/fenetres/EDITEUR_FICHIER_QSO.h"
#include "sound/fenetres/AFFICHE_PUISSANCE_VOIES.h"
#include "tests/gui/Banc.h"

namespace vestral {
namespace {

using Fenetres = Banc;

QPushButton* Bouton(QWidget* fenetre, const char* nom) {
  auto* b = fenetre->findChild<QPushButton*>(QString::fromLatin1(nom));
  EXPECT_NE(b, nullptr) << nom;
  return b;
}

QPlainTextEdit* Memo(QWidget* fenetre) {
  auto* m = fenetre->findChild<QPlainTextEdit*>("Memo1");
  EXPECT_NE(m, nullptr);
  return m;
}

TEST_F(Fenetres, EditeurDeSequence) {
  Fichiers_presents();
  Ecrire("F3.SER", "CQ CQ\r\nDE ");
  Demarrer();
  const int silences = peripheriques.silences;
  Pendant_modal("Creation_sequence_3", [&](QWidget* editeur) {
    EXPECT_EQ(editeur->windowTitle(),
              QString::fromUtf8("           Editeur de texte MORSE (maximum 5000 caractères)"
                                "            Fichier: F3.SER            Séquence 3"));
    QPlainTextEdit* memo = Memo(editeur);
    EXPECT_EQ(editeur->focusWidget(), memo);
    EXPECT_EQ(memo->textCursor().position(), memo->toPlainText().size());  // caret at the end
    QTest::keyClicks(memo, "f4xyz @#<>\t");
    QTest::keyClick(memo, Qt::Key_Return);
    QTest::keyClicks(memo, "k");
    QTest::keyClick(memo, Qt::Key_V, Qt::ControlModifier);  // Ctrl+V is refused
    QTest::keyClick(memo, Qt::Key_Escape);
    QTest::keyClick(memo, Qt::Key_Backspace);
    for (QChar c : QString::fromUtf8("éèàç")) {  // keys of a French keyboard
      QKeyEvent appui(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
      QApplication::sendEvent(memo, &appui);
    }
    EXPECT_EQ(memo->toPlainText(), QString::fromUtf8("CQ CQ\nDE F4XYZ \néàç"));
    QTest::mouseClick(Bouton(editeur, "Sauvegarde_abandon"), Qt::LeftButton);
  });
  EXPECT_GT(peripheriques.silences, silences);
  EXPECT_EQ(Lire("F3.SER"), "CQ CQ\r\nDE F4XYZ \r\n\xE9\xE0\xE7");
  EXPECT_EQ(configuration->Sequence(3), "CQ CQ\r\nDE F4XYZ \r\n\xE9\xE0\xE7");
  EXPECT_TRUE(rapport.Erreurs().empty());
}

TEST_F(Fenetres, EditeurLimiteA5000Caracteres) {
  Fichiers_presents();
  Ecrire("F1.SER", std::string(4998, 'E'));
  Demarrer();
  Pendant_modal("Creation_sequence_1", [&](QWidget* editeur) {
    QPlainTextEdit* memo = Memo(editeur);
    QTest::keyClick(memo, Qt::Key_Return);  // a line end counts two characters: fits exactly
    QTest::keyClicks(memo, "ab");           // nothing more goes in
    QTest::keyClick(memo, Qt::Key_Backspace);
    QTest::keyClicks(memo, "cd");  // the line end is gone: room for two
    QTest::mouseClick(Bouton(editeur, "Sauvegarde_du_texte"), Qt::LeftButton);
    EXPECT_TRUE(editeur->isVisible());  // saving alone keeps the editor open
    QTest::mouseClick(Bouton(editeur, "OKBouton"), Qt::LeftButton);
  });
  EXPECT_EQ(Lire("F1.SER"), std::string(4998, 'E') + "CD");
  EXPECT_EQ(configuration->Sequence(1), std::string(4998, 'E') + "CD");
}

TEST_F(Fenetres, EditeurRetourSansSauvegardeEtEchap) {
  Fichiers_presents();
  Ecrire("F2.SER", "TEST");
  Demarrer();
  configuration->Verifier_fichier_sequence("F2.SER");
  Pendant_modal("Creation_sequence_2", [&](QWidget* editeur) {
    QTest::keyClicks(Memo(editeur), "X");
    QTest::keyClick(editeur, Qt::Key_Escape);  // only the buttons close the editor
    editeur->close();
    EXPECT_TRUE(editeur->isVisible());
    QTest::mouseClick(Bouton(editeur, "OKBouton"), Qt::LeftButton);
  });
  EXPECT_EQ(Lire("F2.SER"), "TEST");
  EXPECT_EQ(configuration->Sequence(2), "TEST");
}

TEST_F(Fenetres, LecteurDeQSO) {
  Fichiers_presents();
  journal.Ajout_marqueur(kMarque_reception);
  for (char c : std::string("CQ")) journal.Ajout_QSO(static_cast<uint8_t>(c));
  Demarrer();
  Pendant_modal("Lecture_fichier_QSO", [&](QWidget* lecteur) {
    auto* f7 = static_cast<TForm7*>(lecteur);
    EXPECT_EQ(lecteur->windowTitle(), "Lecture du QSO en cours");
    EXPECT_EQ(Memo(lecteur)->toPlainText(), QString::fromUtf8("\n\nÅ \nCQ"));
    EXPECT_EQ(lecteur->findChild<QLabel*>("Panel1")->text(),
              QString::fromUtf8("Rappel: le passage en émission se note \"É\" et le passage "
                                "en réception \"Å\"."));
    // No previous log: the file layer's message and an empty memo.
    QTest::mouseClick(Bouton(lecteur, "PRECEDENT_QSO"), Qt::LeftButton);
    EXPECT_EQ(lecteur->windowTitle(), QString::fromUtf8("Lecture du précédent QSO"));
    EXPECT_EQ(Memo(lecteur)->toPlainText(), "");
    EXPECT_EQ(f7->Lecture_QSO_en_cours, 0);
    EXPECT_EQ(rapport.Erreurs(),
              std::vector<std::string>{"Impossible d'ouvrir le fichier QSO_MORSE.TXT en lecture."});
    // Back to the current log; pressing again does not reload it.
    QTest::mouseClick(Bouton(lecteur, "QSO_EN_COURS"), Qt::LeftButton);
    EXPECT_EQ(Memo(lecteur)->toPlainText(), QString::fromUtf8("\n\nÅ \nCQ"));
    Memo(lecteur)->setPlainText("marque");
    QTest::mouseClick(Bouton(lecteur, "QSO_EN_COURS"), Qt::LeftButton);
    EXPECT_EQ(Memo(lecteur)->toPlainText(), "marque");
    QTest::mouseClick(Bouton(lecteur, "OKBouton"), Qt::LeftButton);
  });
  // The previous log, when there is one.
  Ecrire("QSO_MORSE.TXT", "\r\n\r\n\xC9 \r\nTU 73");
  Pendant_modal("Lecture_fichier_QSO", [&](QWidget* lecteur) {
    EXPECT_EQ(Memo(lecteur)->toPlainText(), QString::fromUtf8("\n\nÅ \nCQ"));
    QTest::mouseClick(Bouton(lecteur, "PRECEDENT_QSO"), Qt::LeftButton);
    EXPECT_EQ(Memo(lecteur)->toPlainText(), QString::fromUtf8("\n\nÉ \nTU 73"));
    QTest::mouseClick(Bouton(lecteur, "OKBouton"), Qt::LeftButton);
  });
}

TEST_F(Fenetres, FenetresDInformation) {
  Fichiers_presents();
  Demarrer();
  Pendant_modal("Aproposde1", [&](QWidget* apropos) {
    EXPECT_EQ(apropos->windowTitle(), "A propos");
    EXPECT_EQ(apropos->size(), QSize(582, 168));
    EXPECT_TRUE(apropos->findChild<QLabel*>("Nom_du_produit")->text().startsWith("VESTRAL"));
    EXPECT_TRUE(apropos->findChild<QLabel*>("Auteur")->text().startsWith("Auteur: "));
    EXPECT_TRUE(apropos->findChild<QLabel*>("Utilisateur")->text().startsWith("Utilisateur: "));
    QTest::keyClick(Bouton(apropos, "OKBoutton"), Qt::Key_Return);
  });
  Pendant_modal("Fonctionalitesdulogiciel1", [&](QWidget* f3) {
    EXPECT_EQ(f3->windowTitle(), QString::fromUtf8("Principales fonctionnalités du logiciel"));
    const QStringList lignes = Memo(f3)->toPlainText().split('\n');
    ASSERT_EQ(lignes.size(), 17);
    EXPECT_EQ(lignes[0], "Il s'agit d'un logiciel destiné aux Pentium tournant sous WINDOWS 95");
    EXPECT_EQ(lignes[9], "");
    EXPECT_EQ(
        lignes[10],
        QString::fromUtf8("L'utilisateur, en premier lieu,  régle son récepteur sur un appel en "));
    EXPECT_EQ(lignes[16], QString::fromUtf8("grâce à l'éditeur morse."));
    QTest::mouseClick(Bouton(f3, "OKBouton"), Qt::LeftButton);
  });
  const int silences = peripheriques.silences;
  Pendant_modal("Correspondance_BAUDOT_caracteres", [&](QWidget* f6) {
    EXPECT_EQ(f6->windowTitle(),
              QString::fromUtf8("Correspondance caractères morse/informatiques"));
    const QStringList lignes = Memo(f6)->toPlainText().split('\n');
    ASSERT_EQ(lignes.size(), 31);
    EXPECT_EQ(lignes[0], "LETTRE MORSE       LETTRE INFORMATIQUE");
    EXPECT_TRUE(lignes[7].simplified() == QString::fromUtf8("CH --> ç")) << lignes[7].toStdString();
    EXPECT_TRUE(lignes[30].simplified() == QString::fromUtf8("Espace --> barre d'espace"));
    QTest::mouseClick(Bouton(f6, "OKBouton"), Qt::LeftButton);
  });
  EXPECT_GT(peripheriques.silences, silences);
}

TEST(TexteBrouille, Decodage) {
  TexteBrouille octets{};
  octets.fill(20);  // ((20 div 2) xor 6) + 20 = 32, a space
  octets[0] = 2 * ((('V' - 20) ^ 6)) + 1;
  EXPECT_EQ(Texte_debrouille(octets), "V" + std::string(69, ' '));
}

std::vector<uint8_t> Bloc(auto echantillon) {
  std::vector<uint8_t> bloc(1122);
  for (int i = 0; i < 1122; ++i) bloc[i] = static_cast<uint8_t>(echantillon(i));
  return bloc;
}

TEST_F(Fenetres, NiveauDesEntreesSon) {
  Fichiers_presents();
  Ecrire("CONFCWER.SER", std::string{20, 60, 1, 0x20, 5, 2, 1});  // x 0,6, line-in right
  Demarrer();
  const double pi = std::acos(-1.0);
  peripheriques.blocs = {
      Bloc([](int i) { return i % 2 ? 255 : 0; }), Bloc([&](int i) {
        return std::lround(127.5 +
                           127.5 * std::sin(2 * pi * 700 * i / kFrequence_echantillonnage_entree));
      }),
      Bloc([](int) { return 128; })};
  mixer.commandes.clear();
  Pendant_modal("Niveau_sur_les_entrees_son", [&](QWidget* niveau) {
    EXPECT_TRUE(economiseur.suspendu);
    EXPECT_EQ(niveau->windowTitle(), QString::fromUtf8("Niveau des entrées son"));
    auto* f9 = static_cast<TForm9*>(niveau);
    QTRY_COMPARE(f9->affichage_entree_micro->text(), QString("0 %"));
    EXPECT_EQ(f9->affichage_entree_gauche->text(), "141 %");
    EXPECT_EQ(f9->affichage_entree_droite->text(), "100 %");
    QTest::mouseClick(Bouton(niveau, "Retour_au_menuBouton"), Qt::LeftButton);
  });
  EXPECT_FALSE(economiseur.suspendu);
  EXPECT_FALSE(peripheriques.en_cours);  // no capture left open
  // Routing: left, right, microphone, each at the chosen gain; then the
  // chosen input applied again.
  ASSERT_GE(mixer.commandes.size(), 4u);
  struct Route {
    int gauche, droite, micro;
  } routes[] = {{60, 0, 0}, {0, 60, 0}, {60, 0, 1}};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(mixer.commandes[i].Volume_enregistrement_gauche, routes[i].gauche) << i;
    EXPECT_EQ(mixer.commandes[i].Volume_enregistrement_droite, routes[i].droite) << i;
    EXPECT_EQ(mixer.commandes[i].Entree_micro, routes[i].micro) << i;
  }
  EXPECT_EQ(mixer.commandes.back().Volume_enregistrement_droite, 60);
  EXPECT_EQ(mixer.commandes.back().Entree_micro, 0);
}

TEST_F(Fenetres, NiveauSansAcquisitionPossible) {
  Fichiers_presents();
  Demarrer();
  peripheriques.acquisition_possible = false;
  Pendant_modal("Niveau_sur_les_entrees_son", [&](QWidget* niveau) {
    auto* f9 = static_cast<TForm9*>(niveau);
    QTRY_COMPARE(f9->Mesure_active, uint8_t{0});
    EXPECT_EQ(f9->affichage_entree_gauche->text(), "");
    QTest::mouseClick(Bouton(niveau, "Retour_au_menuBouton"), Qt::LeftButton);
  });
  EXPECT_EQ(peripheriques.Compte("Debut_acquisition 1122"), 1);
}

TEST_F(Fenetres, NiveauBlocQuiNeSeRemplitPas) {
  Fichiers_presents();
  Demarrer();
  fenetre->Form9->Delai_acquisition_ms = 30;
  Pendant_modal("Niveau_sur_les_entrees_son", [&](QWidget* niveau) {
    // Each input is given up after the delay, and the next one measured.
    QTRY_VERIFY(peripheriques.Compte("Fin_acquisition") >= 4);
    EXPECT_EQ(static_cast<TForm9*>(niveau)->affichage_entree_gauche->text(), "");
    QTest::mouseClick(Bouton(niveau, "Retour_au_menuBouton"), Qt::LeftButton);
  });
  EXPECT_FALSE(peripheriques.en_cours);
}

TEST_F(Fenetres, NiveauCarteSonIndisponible) {
  Fichiers_presents();
  Demarrer();
  peripheriques.carte_utilisable = false;
  Action("Niveau_sur_les_entrees_son")->trigger();
  EXPECT_EQ(peripheriques.Compte("Debut_acquisition 1122"), 0);
  EXPECT_EQ(economiseur.suspensions, 0);
}

}  // namespace
}  // namespace vestral
