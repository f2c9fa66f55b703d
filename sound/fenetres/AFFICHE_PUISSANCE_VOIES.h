// The input level window: measures line-in left, line-in right and the
// microphone in turn, again and again, each on one captured block, and
// shows each level in percent of a full-scale sine.
//
// A measurement never holds the window: the timer starts the capture of a
// block, then looks at each tick whether it is full. A capture that cannot
// start (reported by the sound layer) ends the measuring; a block that does
// not fill within a second is given up and the next input measured.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <cstdint>

class QLabel;
class QTimer;

namespace vestral {

class Configuration;
class Peripheriques;

class TForm9 : public QDialog {
  Q_OBJECT
 public:
  TForm9(Configuration& configuration, Peripheriques& peripheriques, QWidget* parent = nullptr);
  ~TForm9() override;

  QLabel* affichage_entree_gauche;
  QLabel* affichage_entree_droite;
  QLabel* affichage_entree_micro;
  QTimer* Timer1;

  uint8_t Mesure_active = 0;
  double Niveau_mesure = 0.0;

  void Retour_au_menuBoutonClick();
  void Timer1Timer();

  int Delai_acquisition_ms = 1000;  // a block not full by then is given up

 public slots:
  void done(int resultat) override;

 protected:
  void showEvent(QShowEvent* evenement) override;

 private:
  void FormActivate();
  void Arret_acquisition();

  Configuration& configuration_;
  Peripheriques& peripheriques_;
  int voie_ = 0;  // 0 line-in left, 1 line-in right, 2 microphone
  bool acquisition_en_cours_ = false;
  QElapsedTimer depuis_debut_;
};

}  // namespace vestral
