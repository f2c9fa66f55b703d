// The main window: the settings menus, the actions that open every other
// window, the status panel Panel1, the start-up sequence and the quit
// sequence. Also creates the program's windows in their order.
#pragma once

#include <QDialog>
#include <QMainWindow>
#include <QPointer>
#include <QUrl>
#include <functional>
#include <string>

#include "shell/Configuration.h"

class QLabel;
class QTimer;
class QAction;
class QMenu;
class QMenuBar;

namespace vestral {

class EconomiseurEcran;
class FichiersTexte;
class JournalQSO;
class Peripheriques;
class Rapport;
struct EtatGeneral;
struct ReglagesReception;
class TForm2;
class TForm3;
class TForm5;
class TForm6;
class TForm7;
class TForm9;

// The objects the windows work on.
struct Contexte {
  Rapport& rapport;
  FichiersTexte& fichiers;
  Configuration& configuration;
  JournalQSO& journal;
  Peripheriques& peripheriques;
  EconomiseurEcran& economiseur;
  EtatGeneral& etat;
  ReglagesReception& reception;
  // The transceiver window, when the program has one (shown modally).
  std::function<QDialog*(QWidget* parent)> Creer_emetteur_recepteur;
  // Asks the desktop to open a document (the help file).
  std::function<void(const QUrl&)> Ouvrir_document;
  // Fills the "Station" menu (rig, keyer, contact log), when the program
  // has a station.
  std::function<void(QMenu* menu)> Menu_station;
  // Menus of the program's own, added after the others (the sound devices).
  std::function<void(QMenuBar*)> Ajouter_menus;
};

class TForm1 : public QMainWindow {
  Q_OBJECT
 public:
  explicit TForm1(Contexte& contexte, QWidget* parent = nullptr);
  ~TForm1() override;

  // The start-up sequence; false when the program must end at once.
  bool A_la_creation_de_la_fiche();
  // The quit sequence, run once (by "A&bandon", the window manager's close,
  // or the end of the session).
  void Quitter();

  // The other windows, once created.
  QPointer<TForm2> Form2;
  QPointer<TForm6> Form6;
  QPointer<TForm3> Form3;
  QPointer<TForm5> Form5;
  QPointer<TForm7> Form7;
  QPointer<QDialog> Form8;
  QPointer<TForm9> Form9;

  QLabel* Panel1;
  QTimer* Timer1;

  // Menu handlers.
  void AproposdeClick();
  void FonctionalitesdulogicielClick();
  void Guidedutilisation1Click();
  void Traducteur_EditeurClick();
  void Creation_sequenceClick(int numero);
  void Correspondance_BAUDOT_caracteresClick();
  void Lecture_fichier_QSOClick();
  void Verification_port_serieClick();
  void Niveau_sur_les_entrees_sonClick();
  void Abandon_du_logicielClick();
  void Choix_parametre(Champ champ, uint8_t code);

  // Menu captions shown again from the settings.
  void Mise_a_jour_legendes();

 protected:
  bool event(QEvent* evenement) override;
  void closeEvent(QCloseEvent* evenement) override;

 private:
  void Construire_menus();
  void Affichage_indication(const QString& indication);
  void Timer1Timer();

  Contexte& contexte_;
  bool quitte_ = false;
};

// Creates the program's windows in their order (main window first; its
// creation handler runs before the others exist). Returns null when the
// start-up sequence ended the program. The other windows belong to the
// main window.
std::unique_ptr<TForm1> Creation_des_fenetres(Contexte& contexte);

}  // namespace vestral
