// The station's windows: the "Station" settings dialog (rig, keying,
// keying server), the "Contact" dialog that appends one contact to the
// contact log, and the "Journal des contacts" list.
#pragma once

#include <QDialog>
#include <optional>
#include <vector>

#include "station/JournalAdif.h"
#include "station/ReglagesStation.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QTableWidget;

namespace vestral {

class DialogueStation : public QDialog {
  Q_OBJECT
 public:
  explicit DialogueStation(const ReglagesStation& reglages, QWidget* parent = nullptr);
  ReglagesStation Reglages() const;

  QSpinBox* Modele;
  QLineEdit* Appareil;
  QComboBox* Vitesse;
  QComboBox* Ptt;
  QCheckBox* Cwdaemon;
  QLineEdit* Adresse;
  QSpinBox* Port;

 private:
  ReglagesStation depart_;
};

class DialogueContact : public QDialog {
  Q_OBJECT
 public:
  DialogueContact(JournalContacts& journal, const Contact& contact, QWidget* parent = nullptr);
  Contact Contact_saisi() const;
  // "Enregistrer": appends the contact; the dialog closes when it is logged.
  void Enregistrer();
  bool Enregistre() const { return enregistre_; }

  QLineEdit* Indicatif;
  QLineEdit* Date;
  QLineEdit* Heure;
  QLineEdit* Frequence;  // kHz
  QLineEdit* Rst_envoye;
  QLineEdit* Rst_recu;
  QLineEdit* Nom;
  QLineEdit* Qth;
  QLineEdit* Locator;
  QLineEdit* Commentaire;
  QLabel* Bande;
  QLabel* Doublon;

 private:
  void Mise_a_jour();
  JournalContacts& journal_;
  std::vector<Contact> deja_;
  bool enregistre_ = false;
};

class FenetreJournalContacts : public QDialog {
  Q_OBJECT
 public:
  FenetreJournalContacts(JournalContacts& journal, QWidget* parent = nullptr);
  void Relire();
  QTableWidget* Liste;

 protected:
  void showEvent(QShowEvent* evenement) override;

 private:
  JournalContacts& journal_;
};

// "7023.5" (kHz as typed, point or comma) -> 7023500 Hz; empty when not a
// number in 1 kHz .. 100 GHz.
std::optional<int64_t> Frequence_saisie_hz(const QString& texte);

}  // namespace vestral
