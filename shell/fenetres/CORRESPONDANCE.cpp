#include "shell/fenetres/CORRESPONDANCE.h"

#include <QPlainTextEdit>
#include <QPushButton>

#include "shell/fenetres/OutilsQt.h"

namespace vestral {
namespace {

struct Ligne {
  const char* morse;
  const char* informatique;
};

const Ligne kLignes[] = {
    {"A à Z", "A à Z (minuscules traduites en majuscules)"},
    {"é=è=ë", "é"},
    {"0 à 9", "0 à 9"},
    {"Ä", "Ä"},
    {"à", "à"},
    {"Ñ", "Ñ (ALT 165)"},
    {"CH", "ç"},
    {"Ö", "Ö"},
    {"Ü", "Ü"},
    {".", "."},
    {",", ","},
    {";", ";"},
    {":", ":"},
    {"?", "?"},
    {"'", "'"},
    {"-", "-"},
    {"=", "="},
    {"/", "/"},
    {"(", "("},
    {")", ")"},
    {"Souligné", "_"},
    {"Compris", "&"},
    {"Erreur", "*"},
    {"+", "+"},
    {"\"", "\""},
    {"Attente", "£"},
    {"Début", "!"},
    {"Fin (VA)", "$"},
    {"Séparateur", "%"},
    {"Espace", "barre d'espace"},
};

}  // namespace

TForm6::TForm6(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Form6"));
  setWindowTitle(QStringLiteral("Correspondance caractères morse/informatiques"));
  setFixedSize(334, 433);

  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName(QStringLiteral("Memo1"));
  Memo1->setReadOnly(true);
  Placer(Memo1, 8, 0, 321, 409);
  QStringList lignes{QStringLiteral("LETTRE MORSE       LETTRE INFORMATIQUE")};
  for (const auto& l : kLignes) {
    const QString morse = QString::fromUtf8(l.morse);
    lignes << QStringLiteral("     ") + morse + QString(qMax(1, 14 - int(morse.size())), ' ') +
                  QStringLiteral("-->     ") + QString::fromUtf8(l.informatique);
  }
  Memo1->setPlainText(lignes.join(QChar('\n')));

  auto* ok = new QPushButton(QStringLiteral("Retour au menu"), this);
  ok->setObjectName(QStringLiteral("OKBouton"));
  Placer(ok, 112, 416, 105, 17);
  ok->setDefault(true);
  ok->setFocus();
  connect(ok, &QPushButton::clicked, this, [this] { done(1); });
}

}  // namespace vestral
