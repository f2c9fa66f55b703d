// Helpers shared by the windows: CP1252 <-> QString, the designed fonts,
// fixed client areas.
#pragma once

#include <QFont>
#include <QString>
#include <string>

class QWidget;

namespace vestral {

// CP1252 bytes (CR LF line ends) -> display text (one '\n' per line end).
QString Vers_qt(const std::string& cp1252);
// Display text -> CP1252 bytes with CR LF line ends.
std::string Depuis_qt(const QString& texte);

// "MS Sans Serif" at a pixel size, falling back to the desktop's sans-serif.
QFont Police_ms_sans_serif(int pixels, bool gras = false);

// A fixed-size button or panel whose caption does not fit in the designed
// width with the desktop's font gets a narrower margin, then a smaller font
// (down to 8 pixels).
void Ajuster_legende(QWidget* controle);

// Places a child at its designed position and size (and fits its caption).
void Placer(QWidget* controle, int gauche, int haut, int largeur, int hauteur);

}  // namespace vestral
