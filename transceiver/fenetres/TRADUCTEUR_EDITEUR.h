// The transceiver window "EMETTEUR-RECEPTEUR CW" (Qt 6): the controls of
// the designed layout, each forwarding to the EmetteurRecepteur it holds,
// and what the transceiver does to the window. Its 10 ms timer drives the
// pumps; the decoder thread reaches the window through posted calls that it
// waits for (see TRADUCTION_CARACTERES.h).
#pragma once

#include <QDialog>
#include <QImage>
#include <QPlainTextEdit>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "transceiver/EmetteurRecepteur.h"
#include "transceiver/VueEmetteurRecepteur.h"

class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTimer;

namespace vestral {

// The spectrum image: a picture of the designed size drawn by the pixel
// rules, shown stretched over the control.
class ImageSpectre : public QWidget, public CanevasSpectre {
 public:
  ImageSpectre(int largeur, int hauteur, QWidget* parent);

  std::function<void(int x)> Souris_enfoncee;  // x in picture pixels
  const QImage& Image() const { return image_; }

  int Largeur() const override { return image_.width(); }
  int Hauteur() const override { return image_.height(); }
  int Ecrire_titre(int x, int y, const std::string& texte) override;
  int Ecrire_echelle(int x, int y, const std::string& texte) override;
  void Remplir(int gauche, int haut, int droite, int bas, CouleurSpectre couleur) override;
  void Ligne_pointillee(int x0, int y0, int x1, int y1) override;
  void Polyligne(std::span<const PointSpectre> points, CouleurSpectre couleur) override;
  void Repeindre() override { update(); }

 protected:
  void paintEvent(QPaintEvent* evenement) override;
  void mousePressEvent(QMouseEvent* evenement) override;

 private:
  int Ecrire(int x, int y, const std::string& texte, const QFont& police);
  QImage image_;
};

// The transmit editor: keys go through the transmit queue's rules.
class MemoEditeur : public QPlainTextEdit {
 public:
  explicit MemoEditeur(QWidget* parent) : QPlainTextEdit(parent) {}
  std::function<void(uint8_t)> Appui_touche;  // a typed character (CP1252)
  std::function<void(int)> Touche_fonction;   // F1..F4: 1..4
  std::function<void()> Clic;

 protected:
  void keyPressEvent(QKeyEvent* evenement) override;
  void keyReleaseEvent(QKeyEvent* evenement) override;
  void mousePressEvent(QMouseEvent* evenement) override;
  void insertFromMimeData(const QMimeData* donnees) override;
  bool canInsertFromMimeData(const QMimeData* donnees) const override;
};

// The decoded text.
class MemoReception : public QPlainTextEdit {
 public:
  explicit MemoReception(QWidget* parent) : QPlainTextEdit(parent) {}
  std::function<void(uint8_t)> Touche;

 protected:
  void keyPressEvent(QKeyEvent* evenement) override;
};

class TForm8 : public QDialog, private VueEmetteurRecepteur {
  Q_OBJECT
 public:
  TForm8(const LiensEmetteurRecepteur& liens, QWidget* parent = nullptr);
  ~TForm8() override;

  EmetteurRecepteur& Emetteur_recepteur() { return *emetteur_recepteur_; }
  ImageSpectre* Image_spectre;
  MemoReception* Memo1;
  MemoEditeur* Memo2;
  QPushButton* Bouton_Edition;
  QPushButton* Bouton_Arret;
  QPushButton* Bouton_Traduction;
  QPushButton* Button1;
  QPushButton* Nettoyage;
  QPushButton* Arret_sequence;
  QLabel* Label3;
  QLabel* Label5;
  QLabel* Label6;
  QLabel* Label7;
  QLabel* Niveau;
  QLabel* Gain;
  QLabel* F_reception;
  QLabel* Vit_Auto;
  QTimer* Timer1;

  // Trial hook: switches to transmission and types `texte` (UTF-8) into
  // the editor, as the operator would.
  void Essai_emission(const QString& texte);

 public slots:
  void done(int resultat) override;

 protected:
  void showEvent(QShowEvent* evenement) override;
  void keyPressEvent(QKeyEvent* evenement) override;
  bool eventFilter(QObject* objet, QEvent* evenement) override;

 private:
  // VueEmetteurRecepteur.
  void Libelles_modes(const std::string& edition, const std::string& arret,
                      const std::string& traduction) override;
  void Visible(Controle controle, bool visible) override;
  void Focus(Controle controle) override;
  void Texte(Etiquette etiquette, const std::string& texte) override;
  void Couleur(Indicateur indicateur, CouleurLabel6 couleur) override;
  void Selectionner(const BoutonRadio& bouton) override;
  std::size_t Longueur_memo(Controle memo) override;
  std::string Texte_memo(Controle memo) override;
  void Remplacer_memo(Controle memo, const std::string& texte) override;
  void Inserer_memo(Controle memo, uint8_t caractere) override;
  void Vider_memo(Controle memo) override;
  void Fermer() override;
  CanevasSpectre& Canevas() override { return *Image_spectre; }

  QPlainTextEdit* Memo(Controle memo) const;
  QWidget* Widget(Controle controle) const;

  std::unique_ptr<EmetteurRecepteur> emetteur_recepteur_;
  bool fermeture_demandee_ = false;
  int essai_delai_ms_ = -1;  // VESTRAL_ESSAI_EMISSION
  QString essai_texte_;

  friend TForm8* Creation_emetteur_recepteur(const LiensEmetteurRecepteur&, QWidget*);
};

// The program's transceiver window, for the main window's opener. Trial
// hooks, for measurements and demonstrations, from the environment:
//   VESTRAL_ESSAI_EMETTEUR_RECEPTEUR=1  the window opens at start-up, as by
//                                       the menu item "Réception / Transmission";
//   VESTRAL_ESSAI_EMISSION=S:TEXTE      S seconds after it opens, the window
//                                       switches to transmission and TEXTE is
//                                       typed into the editor.
TForm8* Creation_emetteur_recepteur(const LiensEmetteurRecepteur& liens, QWidget* parent);

}  // namespace vestral
