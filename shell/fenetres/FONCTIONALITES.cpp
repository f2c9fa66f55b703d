#include "shell/fenetres/FONCTIONALITES.h"

#include <QPlainTextEdit>
#include <QPushButton>

#include "shell/fenetres/OutilsQt.h"

namespace vestral {
namespace {

const char* const kLignes[] = {
    "Il s'agit d'un logiciel destiné aux Pentium tournant sous WINDOWS 95",
    "permettant d'une part de traduire du language morse (CW) reçu sous",
    "forme acoustique, depuis un récepteur radio, en texte (lettres,",
    "chiffres...) et, d'autre part, par l'opération inverse, d'émettre du code",
    "morse vers un émetteur radio-amateur.",
    "Les deux opérations (émission/réception) se font par l'intermédiaire de",
    "la carte SOUND-BLASTER 16 du PC reliée par deux câbles, d'une",
    "part, au H.P du récepteur radio (ou à la sortie BF auxiliaire)  et, d'autre",
    "part, à l'entrée RTTY (AFSK IN).",
    "",
    "L'utilisateur, en premier lieu,  régle son récepteur sur un appel en ",
    "morse puis configure le logiciel à la vitesse morse estimée en",
    "mots/mn.",
    "Il pourra, alors, lire le texte traduit sur la fenêtre de traduction (qualité",
    "dépendant du bruit radio et de l'ajustement de la fréquence). S'il le",
    "souhaite et s'il a une licence, il pourra répondre au correspondant ",
    "grâce à l'éditeur morse.",
};

}  // namespace

TForm3::TForm3(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Form3"));
  setWindowTitle(QStringLiteral("Principales fonctionnalités du logiciel"));
  setFixedSize(351, 277);

  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName(QStringLiteral("Memo1"));
  Memo1->setReadOnly(true);
  Placer(Memo1, 8, 8, 337, 233);
  QStringList lignes;
  for (const char* ligne : kLignes) lignes << QString::fromUtf8(ligne);
  Memo1->setPlainText(lignes.join(QChar('\n')));

  auto* ok = new QPushButton(QStringLiteral("Retour au menu"), this);
  ok->setObjectName(QStringLiteral("OKBouton"));
  Placer(ok, 120, 248, 105, 25);
  ok->setDefault(true);
  ok->setFocus();
  connect(ok, &QPushButton::clicked, this, [this] { done(1); });
}

}  // namespace vestral
