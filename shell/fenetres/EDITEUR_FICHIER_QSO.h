// The QSO reader: the log of the current run (from memory) or of the
// previous run (QSO_MORSE.TXT).
#pragma once

#include <QDialog>
#include <cstdint>

class QPlainTextEdit;

namespace vestral {

class FichiersTexte;
class JournalQSO;

class TForm7 : public QDialog {
  Q_OBJECT
 public:
  TForm7(JournalQSO& journal, FichiersTexte& fichiers, QWidget* parent = nullptr);

  QPlainTextEdit* Memo1;
  uint8_t Lecture_QSO_en_cours = 0;

  void PRECEDENT_QSOClick();
  void QSO_EN_COURSClick();

 protected:
  void showEvent(QShowEvent* evenement) override;

 private:
  void A_l_activation_de_la_fiche();
  void Afficher_QSO_en_cours();

  JournalQSO& journal_;
  FichiersTexte& fichiers_;
};

}  // namespace vestral
