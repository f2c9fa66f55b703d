// The stored sequence editor: edits F1.SER..F4.SER, accepting only what the
// Morse table can send, at most 5000 characters.
#pragma once

#include <QDialog>
#include <QPlainTextEdit>
#include <string>

namespace vestral {

class Configuration;
class FichiersTexte;

// The editor's memo: every key and every pasted text goes through the
// sequence key filter and the length limit.
class MemoSequence : public QPlainTextEdit {
 public:
  explicit MemoSequence(QWidget* parent) : QPlainTextEdit(parent) {}
  int Longueur_maximale = 5000;  // in file characters (a line end counts 2)

 protected:
  void keyPressEvent(QKeyEvent* evenement) override;
  void insertFromMimeData(const QMimeData* source) override;

 private:
  void Appui_touche(QKeyEvent* evenement);
  // Characters of the file the memo would hold without the selection.
  int Longueur_sans_selection() const;
};

class TForm5 : public QDialog {
  Q_OBJECT
 public:
  TForm5(Configuration& configuration, FichiersTexte& fichiers, QWidget* parent = nullptr);

  // Set by the main window before the editor is shown ("F1.SER".."F4.SER").
  std::string Fichier_sequence = "F1.SER";
  const std::string& Texte_sequence_edite() const { return texte_sequence_edite_; }

  MemoSequence* Memo1;

  void Sauvegarde_du_texteClick();
  void Sauvegarde_abandonClick();

 public slots:
  void reject() override {}  // only the buttons close the editor

 protected:
  void showEvent(QShowEvent* evenement) override;

 private:
  void A_l_activation_de_la_fiche();

  Configuration& configuration_;
  FichiersTexte& fichiers_;
  std::string texte_sequence_edite_;
};

}  // namespace vestral
