#include "shell/fenetres/CREATION_SEQUENCE.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTextCursor>
#include <cctype>

#include "morse/FiltreSequence.h"
#include "shell/Configuration.h"
#include "shell/FONCTIONS_FICHIERS.h"
#include "shell/fenetres/OutilsQt.h"

namespace vestral {
namespace {

// Length of a display text once written to the file (CR LF line ends).
int Longueur_fichier(const QString& texte) {
  return static_cast<int>(Depuis_qt(texte).size());
}

bool Touche_d_edition(int touche) {
  switch (touche) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Delete:
    case Qt::Key_Insert:
      return true;
    default:
      return false;
  }
}

}  // namespace

int MemoSequence::Longueur_sans_selection() const {
  return Longueur_fichier(toPlainText()) - Longueur_fichier(textCursor().selectedText());
}

void MemoSequence::keyPressEvent(QKeyEvent* evenement) {
  if (Touche_d_edition(evenement->key()) && !evenement->matches(QKeySequence::Paste)) {
    QPlainTextEdit::keyPressEvent(evenement);
    return;
  }
  if (evenement->text().isEmpty()) {
    // Modifiers alone, function keys: nothing to insert.
    evenement->ignore();
    return;
  }
  Appui_touche(evenement);
}

void MemoSequence::Appui_touche(QKeyEvent* evenement) {
  evenement->accept();
  std::string octets = Depuis_qt(evenement->text());
  // Ctrl with a letter gives that letter's control code (Ctrl+V is 22).
  const auto modificateurs = evenement->modifiers();
  if ((modificateurs & Qt::ControlModifier) && !(modificateurs & Qt::AltModifier) &&
      octets.size() == 1 && std::isalpha(static_cast<unsigned char>(octets[0])))
    octets[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(octets[0])) - 64);
  // Enter gives CR; a key giving anything but one character is refused.
  if (octets.empty() || (octets.size() != 1 && octets != "\r\n")) return;
  const auto touche = Filtre_touche_sequence(static_cast<uint8_t>(octets[0]));
  if (!touche.acceptee) return;
  if (touche.caractere == 8) {
    QTextCursor curseur = textCursor();
    if (curseur.hasSelection())
      curseur.removeSelectedText();
    else
      curseur.deletePreviousChar();
    setTextCursor(curseur);
    return;
  }
  const bool fin_de_ligne = touche.caractere == 13 || touche.caractere == 10;
  if (Longueur_sans_selection() + (fin_de_ligne ? 2 : 1) > Longueur_maximale) return;
  if (fin_de_ligne)
    insertPlainText(QStringLiteral("\n"));
  else
    insertPlainText(Vers_qt(std::string(1, static_cast<char>(touche.caractere))));
  ensureCursorVisible();
}

void MemoSequence::insertFromMimeData(const QMimeData* source) {
  if (!source || !source->hasText()) return;
  // A pasted text is typed key by key: refused characters are left out.
  const std::string octets = Depuis_qt(source->text());
  std::string filtre;
  int place = Longueur_maximale - Longueur_sans_selection();
  for (std::size_t i = 0; i < octets.size(); ++i) {
    const uint8_t c = static_cast<uint8_t>(octets[i]);
    if (c == '\r' && i + 1 < octets.size() && octets[i + 1] == '\n') continue;  // CR LF -> one end
    const auto touche = Filtre_touche_sequence(c);
    if (!touche.acceptee || touche.caractere == 8) continue;
    const bool fin_de_ligne = touche.caractere == 13 || touche.caractere == 10;
    const int longueur = fin_de_ligne ? 2 : 1;
    if (longueur > place) break;
    place -= longueur;
    filtre +=
        fin_de_ligne ? std::string("\r\n") : std::string(1, static_cast<char>(touche.caractere));
  }
  insertPlainText(Vers_qt(filtre));
}

TForm5::TForm5(Configuration& configuration, FichiersTexte& fichiers, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      configuration_(configuration),
      fichiers_(fichiers) {
  setObjectName(QStringLiteral("Form5"));
  setFixedSize(633, 428);

  Memo1 = new MemoSequence(this);
  Memo1->setObjectName(QStringLiteral("Memo1"));
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setTabChangesFocus(false);
  Placer(Memo1, 16, 0, 617, 393);

  auto* panneau = new QLabel(QString::fromUtf8("Rappel: la sonnerie (Bell) se note \"*\"."), this);
  panneau->setObjectName(QStringLiteral("Panel1"));
  panneau->setFrameStyle(QFrame::Panel | QFrame::Raised);
  panneau->setAlignment(Qt::AlignCenter);
  panneau->setAutoFillBackground(true);
  Placer(panneau, 176, 360, 209, 25);

  auto bouton = [&](const char* nom, const char* legende, int gauche, int largeur) {
    auto* b = new QPushButton(QString::fromUtf8(legende), this);
    b->setObjectName(QString::fromLatin1(nom));
    b->setAutoDefault(false);
    Placer(b, gauche, 400, largeur, 25);
    return b;
  };
  auto* sauvegarde = bouton("Sauvegarde_du_texte", "Sauvegarde du texte", 8, 105);
  auto* sauvegarde_abandon =
      bouton("Sauvegarde_abandon", "Sauvegarde du texte et retour au menu", 176, 209);
  auto* ok = bouton("OKBouton", "Retour au menu sans sauvegarde", 448, 177);
  connect(sauvegarde, &QPushButton::clicked, this, &TForm5::Sauvegarde_du_texteClick);
  connect(sauvegarde_abandon, &QPushButton::clicked, this, &TForm5::Sauvegarde_abandonClick);
  connect(ok, &QPushButton::clicked, this, [this] { done(1); });
}

void TForm5::showEvent(QShowEvent* evenement) {
  QDialog::showEvent(evenement);
  A_l_activation_de_la_fiche();
}

void TForm5::A_l_activation_de_la_fiche() {
  std::string texte;
  int lus = 0;
  if (fichiers_.Lecture_fichier_texte(Fichier_sequence, texte, lus)) texte.clear();
  texte_sequence_edite_ = texte;
  Memo1->setPlainText(Vers_qt(texte_sequence_edite_));
  QString legende = QString::fromUtf8(
                        "           Editeur de texte MORSE (maximum 5000 caractères)            "
                        "Fichier: ") +
                    QString::fromStdString(Fichier_sequence);
  const int numero = Configuration::Numero_sequence(Fichier_sequence);
  if (numero) legende += QString::fromUtf8("            Séquence %1").arg(numero);
  setWindowTitle(legende);
  Memo1->setFocus();
  Memo1->moveCursor(QTextCursor::End);
}

void TForm5::Sauvegarde_du_texteClick() {
  texte_sequence_edite_ = Depuis_qt(Memo1->toPlainText());
  // The file layer reports a failure itself; the text stays in the editor.
  static_cast<void>(fichiers_.Ecriture_fichier_texte(Fichier_sequence, texte_sequence_edite_));
  const int numero = Configuration::Numero_sequence(Fichier_sequence);
  if (numero) configuration_.Sequence(numero) = texte_sequence_edite_;
}

void TForm5::Sauvegarde_abandonClick() {
  Sauvegarde_du_texteClick();
  done(1);
}

}  // namespace vestral
