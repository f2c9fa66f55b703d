#include "shell/fenetres/OutilsQt.h"

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

void Placer(QWidget* controle, int gauche, int haut, int largeur, int hauteur) {
  controle->setGeometry(gauche, haut, largeur, hauteur);
}

}  // namespace vestral
