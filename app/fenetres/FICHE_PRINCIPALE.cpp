#include "app/fenetres/FICHE_PRINCIPALE.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QLabel>
#include <QMenuBar>
#include <QStatusTipEvent>
#include <QTimer>

#include "dsp/ReglagesReception.h"
#include "shell/Cp1252.h"
#include "shell/EtatGeneral.h"
#include "shell/FONCTIONS_FICHIERS.h"
#include "shell/JournalQSO.h"
#include "shell/Peripheriques.h"
#include "shell/fenetres/A_PROPOS.h"
#include "shell/fenetres/CORRESPONDANCE.h"
#include "shell/fenetres/CREATION_SEQUENCE.h"
#include "shell/fenetres/EDITEUR_FICHIER_QSO.h"
#include "shell/fenetres/EconomiseurEcran.h"
#include "shell/fenetres/FONCTIONALITES.h"
#include "shell/fenetres/OutilsQt.h"
#include "sound/fenetres/AFFICHE_PUISSANCE_VOIES.h"

namespace vestral {
namespace {

constexpr int kLargeur = 600;
constexpr int kHauteur = 238;

QString U(const char* texte) {
  return QString::fromUtf8(texte);
}

}  // namespace

TForm1::TForm1(Contexte& contexte, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowMinimizeButtonHint),
      contexte_(contexte) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("VESTRAL"));
  setFont(Police_ms_sans_serif(11));

  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("client"));
  client->setFixedSize(kLargeur, kHauteur);
  setCentralWidget(client);

  Panel1 = new QLabel(client);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
  Panel1->setAlignment(Qt::AlignCenter);
  Placer(Panel1, 8, 216, 569, 17);

  Construire_menus();
  // Windows would wrap a menu bar too wide for the window onto a second
  // line; here the bar keeps one line and its font shrinks until the eight
  // menus fit.
  for (int pixels = 11; pixels > 8 && menuBar()->sizeHint().width() > kLargeur; --pixels)
    menuBar()->setFont(Police_ms_sans_serif(pixels - 1));
  setFixedSize(kLargeur, menuBar()->sizeHint().height() + kHauteur);

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(100);
  connect(Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
  Timer1->start();

  // The end of the session closes the program like "A&bandon".
  connect(qApp, &QApplication::aboutToQuit, this, &TForm1::Quitter);
}

TForm1::~TForm1() = default;

void TForm1::Construire_menus() {
  QMenuBar* barre = menuBar();
  barre->setObjectName(QStringLiteral("MainMenu1"));
  // Eight menus (nine with the station's) on 600 pixels, whatever the
  // desktop's sans-serif.
  barre->setStyleSheet(
      QStringLiteral("QMenuBar { spacing: 0px; } QMenuBar::item { padding: 2px 3px; }"));
  auto sous_menu = [&](const char* nom, const char* legende, const char* indication) {
    QMenu* menu = barre->addMenu(U(legende));
    menu->setObjectName(QString::fromLatin1(nom));
    menu->menuAction()->setObjectName(QString::fromLatin1(nom));
    menu->menuAction()->setStatusTip(U(indication));
    return menu;
  };
  auto element = [&](QMenu* menu, const char* nom, const char* legende, auto&& action) {
    QAction* a = menu->addAction(U(legende));
    a->setObjectName(QString::fromLatin1(nom));
    a->setStatusTip(QString());
    connect(a, &QAction::triggered, this, action);
    return a;
  };
  auto parametres = [&](QMenu* menu, Champ champ) {
    for (const auto& e : Elements_du_champ(champ)) {
      QAction* a = menu->addAction(Vers_qt(contexte_.configuration.Legende(e.composant)));
      a->setObjectName(QString::fromLatin1(e.composant.data(), qsizetype(e.composant.size())));
      const uint8_t code = e.code;
      connect(a, &QAction::triggered, this, [this, champ, code] { Choix_parametre(champ, code); });
    }
  };

  QMenu* aide = sous_menu("Aide", "&Aide", "Informations et aides à l'utilisateur");
  element(aide, "Aproposde1", "A propos de...", &TForm1::AproposdeClick)
      ->setStatusTip(U("Diverses informations sur le logiciel et nom de l'utilisateur"));
  element(aide, "Fonctionalitesdulogiciel1", "Fonctionalités du logiciel",
          &TForm1::FonctionalitesdulogicielClick)
      ->setStatusTip(U("Informations succintes sur les possibilités du logiciel"));
  element(aide, "Guidedutilisation1", "Guide d'utilisation", &TForm1::Guidedutilisation1Click)
      ->setStatusTip(U("Guide décrivant le fonctionnement et l'utilisation de ce logiciel"));

  parametres(sous_menu("Portserie", "&Port série",
                       "Port série choisi sur lequel les broches DTR/RQS sont activées (en cas "
                       "de défaut de VOX)"),
             Champ::Port_serie);
  parametres(sous_menu("VitesseRTTY1", "E&mission en mots/mn",
                       "Sélection de la vitesse d'émission morse en mots/minute"),
             Champ::Vitesse);
  parametres(sous_menu("Mixer1", "&Table de mixage",
                       "Réglage de la table de mixage par le logiciel (Entrée son, Niveau "
                       "d''entrée et Niveau de sortie) ou par l'utilisateur"),
             Champ::Mode_mixer);
  parametres(sous_menu("Entre1", "&Entrée son",
                       "Sélection de l'entrée de la carte son: ligne gauche, droite ou "
                       "microphone."),
             Champ::Source_entree);
  parametres(sous_menu("Niveaudentre1", "&Niveau d'entrée",
                       "Sélection de l'amplification du signal d'entrée BF (x2 à x8 uniquement "
                       "pour cartes SB 16)"),
             Champ::Amplification);
  parametres(sous_menu("Niveaudesortie1", "N&iveau de sortie",
                       "Sélection du niveau de sortie du signal issu de la carte son"),
             Champ::Attenuation);

  QMenu* actions =
      sous_menu("Actions1", "Ac&tions",
                "Traducteur/Editeur, correspondance BAUDOT/caractères et création des séquences");
  element(actions, "Traducteur_Editeur", "Réception / Transmission",
          &TForm1::Traducteur_EditeurClick);
  for (int n = 1; n <= 4; ++n) {
    QAction* a = actions->addAction(U("Création de la séquence %1").arg(n));
    a->setObjectName(QStringLiteral("Creation_sequence_%1").arg(n));
    connect(a, &QAction::triggered, this, [this, n] { Creation_sequenceClick(n); });
  }
  element(actions, "Correspondance_BAUDOT_caracteres",
          "Correspondance caractères morse/informatiques",
          &TForm1::Correspondance_BAUDOT_caracteresClick);
  element(actions, "Lecture_fichier_QSO", "Lecture du QSO en cours ou du précédent QSO",
          &TForm1::Lecture_fichier_QSOClick);
  element(actions, "Verification_port_serie", "Vérification du port série choisi",
          &TForm1::Verification_port_serieClick);
  element(actions, "Niveau_sur_les_entrees_son", "Affichage du niveau sur les entrées son",
          &TForm1::Niveau_sur_les_entrees_sonClick);
  element(actions, "Abandondulogiciel1", "A&bandon", &TForm1::Abandon_du_logicielClick);

  if (contexte_.Menu_station)
    contexte_.Menu_station(sous_menu("Station", "&Station",
                                     "Poste commandé par hamlib, manipulateur pour logiciel de "
                                     "trafic, journal des contacts"));
  if (contexte_.Ajouter_menus) contexte_.Ajouter_menus(barre);
}

void TForm1::Mise_a_jour_legendes() {
  for (Champ champ : {Champ::Vitesse, Champ::Amplification, Champ::Attenuation, Champ::Port_serie,
                      Champ::Source_entree, Champ::Mode_mixer})
    for (const auto& e : Elements_du_champ(champ))
      if (auto* a = findChild<QAction*>(
              QString::fromLatin1(e.composant.data(), qsizetype(e.composant.size()))))
        a->setText(Vers_qt(contexte_.configuration.Legende(e.composant)));
}

bool TForm1::event(QEvent* evenement) {
  if (evenement->type() == QEvent::StatusTip) {
    Affichage_indication(static_cast<QStatusTipEvent*>(evenement)->tip());
    return true;
  }
  return QMainWindow::event(evenement);
}

void TForm1::Affichage_indication(const QString& indication) {
  Panel1->setText(indication);
}

bool TForm1::A_la_creation_de_la_fiche() {
  auto& c = contexte_.configuration;
  auto& p = contexte_.peripheriques;
  p.Calibrage_attente();
  if (!p.Verification_carte_son_demarrage()) return false;
  c.Lire_configuration();
  if (c.valeurs.Reglage_par_logiciel == 1) c.Reglage_mixer_initial();
  c.Appliquer_source_entree();
  c.Appliquer_amplification();
  c.Appliquer_attenuation();
  c.Appliquer_port_serie();
  // The QSO log starts empty with its full buffer (JournalQSO).
  for (const char* nom : {"F1.SER", "F2.SER", "F3.SER", "F4.SER"}) c.Verifier_fichier_sequence(nom);
  contexte_.etat.Horloge_active = 0;
  contexte_.reception.Seuil_auto = 1;
  contexte_.reception.Vitesse_auto = 1;
  Mise_a_jour_legendes();
  return true;
}

void TForm1::Timer1Timer() {
  if (contexte_.etat.Horloge_active == 0) contexte_.peripheriques.Silence();
}

void TForm1::Choix_parametre(Champ champ, uint8_t code) {
  auto& c = contexte_.configuration;
  c.Modifier_champ(champ, code);
  if (champ == Champ::Port_serie && code != 5) contexte_.peripheriques.Test_port_serie();
  c.Ecrire_configuration();
  Mise_a_jour_legendes();
}

void TForm1::AproposdeClick() {
  if (Form2) Form2->exec();
}

void TForm1::FonctionalitesdulogicielClick() {
  if (Form3) Form3->exec();
}

void TForm1::Guidedutilisation1Click() {
  // Nothing is said when the guide or a viewer is missing.
  const auto chemin = contexte_.fichiers.Dossier() / "AIDE_CW.HLP";
  if (!contexte_.fichiers.Fichier_existe("AIDE_CW.HLP")) return;
  const QUrl adresse = QUrl::fromLocalFile(
      QString::fromStdString(std::filesystem::absolute(chemin).lexically_normal().string()));
  if (contexte_.Ouvrir_document)
    contexte_.Ouvrir_document(adresse);
  else
    QDesktopServices::openUrl(adresse);
}

void TForm1::Traducteur_EditeurClick() {
  auto& p = contexte_.peripheriques;
  auto& v = contexte_.configuration.valeurs;
  auto& etat = contexte_.etat;
  p.Silence();
  if (v.Port_serie_choisi == 1 && !p.Ouverture_port_serie(v.Numero_port_serie)) {
    contexte_.rapport.Erreur("Le port série sélectionné (COM "_cp +
                             std::to_string(v.Numero_port_serie).substr(0, 1) +
                             ") ne peut être ouvert. Serait-ce la souris?"_cp);
    return;
  }
  etat.Carte_son_utilisable = p.Verification_carte_son() ? 1 : 0;
  if (etat.Carte_son_utilisable == 0) return;
  p.Preparation_emetteur_recepteur();
  etat.Economiseur_ecran_actif = contexte_.economiseur.Suspendre() ? 1 : 0;
  if (Form8) Form8->exec();
  p.Silence();
  if (etat.Economiseur_ecran_actif == 1) contexte_.economiseur.Reprendre();
}

void TForm1::Creation_sequenceClick(int numero) {
  contexte_.peripheriques.Silence();
  if (!Form5) return;
  Form5->Fichier_sequence = "F" + std::to_string(numero) + ".SER";
  Form5->exec();
}

void TForm1::Correspondance_BAUDOT_caracteresClick() {
  contexte_.peripheriques.Silence();
  if (Form6) Form6->exec();
}

void TForm1::Lecture_fichier_QSOClick() {
  contexte_.peripheriques.Silence();
  if (Form7) Form7->exec();
}

void TForm1::Verification_port_serieClick() {
  contexte_.peripheriques.Silence();
  contexte_.peripheriques.Test_port_serie();
}

void TForm1::Niveau_sur_les_entrees_sonClick() {
  auto& etat = contexte_.etat;
  etat.Carte_son_utilisable = contexte_.peripheriques.Verification_carte_son() ? 1 : 0;
  if (etat.Carte_son_utilisable == 0) return;
  etat.Economiseur_ecran_actif = contexte_.economiseur.Suspendre() ? 1 : 0;
  if (Form9) Form9->exec();
  if (etat.Economiseur_ecran_actif == 1) contexte_.economiseur.Reprendre();
  contexte_.configuration.Appliquer_source_entree();
}

void TForm1::Quitter() {
  if (quitte_) return;
  quitte_ = true;
  if (contexte_.journal.Longueur_QSO() > 8)
    contexte_.journal.Ecriture_QSO(contexte_.fichiers, contexte_.rapport);
  contexte_.peripheriques.Restauration_mixer();
  contexte_.peripheriques.Silence();
}

void TForm1::Abandon_du_logicielClick() {
  Quitter();
  close();
}

void TForm1::closeEvent(QCloseEvent* evenement) {
  // Closed by the window manager or at the end of the session: the same
  // quit sequence, so that the QSO log is not lost.
  Quitter();
  Timer1->stop();
  evenement->accept();
}

std::unique_ptr<TForm1> Creation_des_fenetres(Contexte& contexte) {
  auto form1 = std::make_unique<TForm1>(contexte);
  if (!form1->A_la_creation_de_la_fiche()) return nullptr;
  TForm1* f = form1.get();
  f->Form2 = new TForm2(f);
  f->Form6 = new TForm6(f);
  f->Form3 = new TForm3(f);
  f->Form5 = new TForm5(contexte.configuration, contexte.fichiers, f);
  f->Form7 = new TForm7(contexte.journal, contexte.fichiers, f);
  if (contexte.Creer_emetteur_recepteur) f->Form8 = contexte.Creer_emetteur_recepteur(f);
  f->Form9 = new TForm9(contexte.configuration, contexte.peripheriques, f);
  return form1;
}

}  // namespace vestral
