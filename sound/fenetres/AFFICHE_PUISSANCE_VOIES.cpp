#include "sound/fenetres/AFFICHE_PUISSANCE_VOIES.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "shell/Configuration.h"
#include "shell/Peripheriques.h"
#include "shell/fenetres/OutilsQt.h"
#include "sound/NiveauEntree.h"

namespace vestral {
namespace {

QLabel* Affichage(QGroupBox* groupe, const char* nom, int gauche, int haut, int largeur,
                  int hauteur) {
  auto* label = new QLabel(groupe);
  label->setObjectName(QString::fromLatin1(nom));
  label->setAlignment(Qt::AlignCenter);
  label->setAutoFillBackground(true);
  label->setStyleSheet(QStringLiteral("background-color: #FF00FF; color: black;"));
  label->setFont(Police_ms_sans_serif(32, true));
  Placer(label, gauche, haut, largeur, hauteur);
  return label;
}

}  // namespace

TForm9::TForm9(Configuration& configuration, Peripheriques& peripheriques, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      configuration_(configuration),
      peripheriques_(peripheriques) {
  setObjectName(QStringLiteral("Form9"));
  setWindowTitle(QStringLiteral("Level on sound inputs"));
  setFixedSize(145, 251);

  auto groupe = [&](const char* nom, const char* legende, int haut) {
    auto* g = new QGroupBox(QString::fromUtf8(legende), this);
    g->setObjectName(QString::fromLatin1(nom));
    Placer(g, 16, haut, 113, 65);
    return g;
  };
  auto* gauche = groupe("Entree_ligne_gauche", "Entrée ligne gauche", 8);
  auto* droite = groupe("Entree_ligne_droite", "Entrée ligne droite", 80);
  auto* micro = groupe("Entree_micro", "Entrée microphone", 152);
  affichage_entree_gauche = Affichage(gauche, "affichage_entree_gauche", 8, 16, 97, 41);
  affichage_entree_droite = Affichage(droite, "affichage_entree_droite", 6, 16, 99, 41);
  affichage_entree_micro = Affichage(micro, "affichage_entree_micro", 6, 20, 99, 37);

  auto* retour = new QPushButton(QStringLiteral("Retour au menu"), this);
  retour->setObjectName(QStringLiteral("Retour_au_menuBouton"));
  retour->setFont(Police_ms_sans_serif(13, true));
  Placer(retour, 0, 224, 145, 25);
  retour->setFocus();
  connect(retour, &QPushButton::clicked, this, &TForm9::Retour_au_menuBoutonClick);

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(1);
  connect(Timer1, &QTimer::timeout, this, &TForm9::Timer1Timer);
}

TForm9::~TForm9() {
  if (acquisition_en_cours_) peripheriques_.Fin_acquisition();
}

void TForm9::showEvent(QShowEvent* evenement) {
  QDialog::showEvent(evenement);
  FormActivate();
}

void TForm9::FormActivate() {
  setWindowTitle(QString::fromUtf8("Niveau des entrées son"));
  findChild<QGroupBox*>(QStringLiteral("Entree_ligne_gauche"))
      ->setTitle(QString::fromUtf8("Entrée ligne gauche"));
  findChild<QGroupBox*>(QStringLiteral("Entree_ligne_droite"))
      ->setTitle(QString::fromUtf8("Entrée ligne droite"));
  findChild<QGroupBox*>(QStringLiteral("Entree_micro"))
      ->setTitle(QString::fromUtf8("Entrée microphone"));
  findChild<QPushButton*>(QStringLiteral("Retour_au_menuBouton"))
      ->setText(QStringLiteral("Retour au menu"));
  affichage_entree_gauche->clear();
  affichage_entree_droite->clear();
  affichage_entree_micro->clear();
  voie_ = 0;
  Mesure_active = 1;
  Timer1->start();
}

void TForm9::Timer1Timer() {
  if (Mesure_active != 1) return;
  QLabel* const affichages[] = {affichage_entree_gauche, affichage_entree_droite,
                                affichage_entree_micro};
  if (!acquisition_en_cours_) {
    // Route the input to measure, then start its block.
    const int32_t gain = configuration_.valeurs.Gain_entree;
    switch (voie_) {
      case 0:
        configuration_.Reglage_mixer(gain, 0, 0);
        break;
      case 1:
        configuration_.Reglage_mixer(0, gain, 0);
        break;
      default:
        configuration_.Reglage_mixer(gain, 0, 1);
        break;
    }
    if (!peripheriques_.Debut_acquisition(kTaille_bloc_niveau)) {
      // The sound layer has said why; measuring again would only repeat it.
      Mesure_active = 0;
      Timer1->stop();
      return;
    }
    acquisition_en_cours_ = true;
    depuis_debut_.start();
    return;
  }
  const bool pleine = peripheriques_.Acquisition_terminee();
  if (!pleine && depuis_debut_.elapsed() < Delai_acquisition_ms) return;
  acquisition_en_cours_ = false;
  const std::vector<uint8_t> bloc = peripheriques_.Fin_acquisition();
  if (pleine && !bloc.empty()) {
    Niveau_mesure = Niveau_bloc(bloc);
    affichages[voie_]->setText(QString::fromStdString(Texte_niveau(Niveau_mesure)));
  }
  voie_ = (voie_ + 1) % 3;
}

void TForm9::Arret_acquisition() {
  Mesure_active = 0;
  Timer1->stop();
  if (acquisition_en_cours_) {
    acquisition_en_cours_ = false;
    peripheriques_.Fin_acquisition();
  }
}

void TForm9::Retour_au_menuBoutonClick() {
  Arret_acquisition();
  done(1);
}

void TForm9::done(int resultat) {
  Arret_acquisition();
  QDialog::done(resultat);
}

}  // namespace vestral
