#include "shell/fenetres/OutilsQt.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QWidget>

#include "shell/Cp1252.h"

namespace vestral {

QString Vers_qt(const std::string& cp1252) {
  QString texte = QString::fromUtf8(Cp1252_vers_utf8(cp1252));
  texte.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  texte.replace(QChar('\r'), QChar('\n'));
  return texte;
}

std::string Depuis_qt(const QString& texte) {
  QString t = texte;
  t.replace(QChar(0x2029), QChar('\n'));  // paragraph separators of the text editors
  t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  t.replace(QChar('\n'), QStringLiteral("\r\n"));
  const QByteArray utf8 = t.toUtf8();
  return Utf8_vers_cp1252(
      std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

QFont Police_ms_sans_serif(int pixels, bool gras) {
  QFont police(QStringLiteral("MS Sans Serif"));
  police.setStyleHint(QFont::SansSerif);
  police.setPixelSize(pixels);
  police.setBold(gras);
  return police;
}

void Ajuster_legende(QWidget* controle) {
  QString texte;
  int marges = 0;
  if (auto* bouton = qobject_cast<QAbstractButton*>(controle)) {
    texte = bouton->text();
    marges = 8;
  } else if (auto* groupe = qobject_cast<QGroupBox*>(controle)) {
    texte = groupe->title();
    marges = 12;
  } else if (auto* label = qobject_cast<QLabel*>(controle)) {
    texte = label->text();
    marges = 2 * label->frameWidth() + 2;
  } else {
    return;
  }
  texte.remove(QChar('&'));
  auto trop_large = [&] {
    return QFontMetrics(controle->font()).horizontalAdvance(texte) + marges > controle->width();
  };
  if (!trop_large()) return;
  if (qobject_cast<QAbstractButton*>(controle)) {
    controle->setStyleSheet(QStringLiteral("padding: 0px 1px;"));
    marges = 4;
  }
  QFont police = controle->font();
  int pixels = police.pixelSize() > 0 ? police.pixelSize() : QFontInfo(police).pixelSize();
  while (trop_large() && pixels > 8) {
    police.setPixelSize(--pixels);
    controle->setFont(police);
  }
}

void Placer(QWidget* controle, int gauche, int haut, int largeur, int hauteur) {
  controle->setGeometry(gauche, haut, largeur, hauteur);
  Ajuster_legende(controle);
}

}  // namespace vestral
