#include "shell/fenetres/EDITEUR_FICHIER_QSO.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include "shell/FONCTIONS_FICHIERS.h"
#include "shell/JournalQSO.h"
#include "shell/fenetres/OutilsQt.h"

namespace vestral {

TForm7::TForm7(JournalQSO& journal, FichiersTexte& fichiers, QWidget* parent)
    : QDialog(parent), journal_(journal), fichiers_(fichiers) {
  setObjectName(QStringLiteral("Form7"));
  setFixedSize(633, 427);

  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName(QStringLiteral("Memo1"));
  Memo1->setReadOnly(true);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Placer(Memo1, 8, 8, 617, 345);

  auto bouton = [&](const char* nom, const char* legende, int gauche, int largeur) {
    auto* b = new QPushButton(QString::fromUtf8(legende), this);
    b->setObjectName(QString::fromLatin1(nom));
    b->setAutoDefault(false);
    Placer(b, gauche, 392, largeur, 25);
    return b;
  };
  auto* precedent = bouton("PRECEDENT_QSO", "Lecture du précédent QSO", 24, 145);
  auto* en_cours = bouton("QSO_EN_COURS", "Lecture du QSO en cours", 248, 137);
  auto* ok = bouton("OKBouton", "Retour au menu", 464, 145);
  connect(precedent, &QPushButton::clicked, this, &TForm7::PRECEDENT_QSOClick);
  connect(en_cours, &QPushButton::clicked, this, &TForm7::QSO_EN_COURSClick);
  connect(ok, &QPushButton::clicked, this, [this] { done(1); });

  auto* panneau = new QLabel(
      QString::fromUtf8(
          "Rappel: le passage en émission se note \"É\" et le passage en réception \"Å\"."),
      this);
  panneau->setObjectName(QStringLiteral("Panel1"));
  panneau->setFrameStyle(QFrame::Panel | QFrame::Raised);
  panneau->setAlignment(Qt::AlignCenter);
  Placer(panneau, 120, 360, 393, 25);
}

void TForm7::showEvent(QShowEvent* evenement) {
  QDialog::showEvent(evenement);
  A_l_activation_de_la_fiche();
}

void TForm7::Afficher_QSO_en_cours() {
  setWindowTitle(QStringLiteral("Lecture du QSO en cours"));
  Memo1->setPlainText(Vers_qt(journal_.Texte()));
}

void TForm7::A_l_activation_de_la_fiche() {
  Lecture_QSO_en_cours = 1;
  Afficher_QSO_en_cours();
}

void TForm7::PRECEDENT_QSOClick() {
  if (Lecture_QSO_en_cours == 1) {
    Lecture_QSO_en_cours = 0;
    setWindowTitle(QString::fromUtf8("Lecture du précédent QSO"));
    std::string texte;
    int lus = 0;
    if (fichiers_.Lecture_fichier_texte(kFichier_QSO, texte, lus)) texte.clear();
    Memo1->setPlainText(Vers_qt(texte));
  }
  Memo1->setFocus();
}

void TForm7::QSO_EN_COURSClick() {
  if (Lecture_QSO_en_cours == 0) {
    Lecture_QSO_en_cours = 1;
    Afficher_QSO_en_cours();
  }
  Memo1->setFocus();
}

}  // namespace vestral
