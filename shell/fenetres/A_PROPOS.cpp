#include "shell/fenetres/A_PROPOS.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <string_view>

#include "shell/fenetres/OutilsQt.h"

namespace vestral {
namespace {

// The inverse of the decoding, padded with spaces (characters 20 to 147).
constexpr TexteBrouille Brouiller(std::string_view texte) {
  TexteBrouille octets{};
  for (int i = 0; i < kLongueur_texte_brouille; ++i) {
    const int c = i < static_cast<int>(texte.size()) ? static_cast<unsigned char>(texte[i]) : ' ';
    octets[i] = static_cast<uint8_t>(((c - 20) ^ 6) * 2 + (i & 1));
  }
  return octets;
}

constexpr TexteBrouille kNom_du_produit =
    Brouiller("VESTRAL  -  Emetteur-recepteur morse (CW) par carte son");
constexpr TexteBrouille kAuteur = Brouiller("Auteur: Bernard Quellec-Marsaud");
constexpr TexteBrouille kUtilisateur = Brouiller("Utilisateur: poste de demonstration");

}  // namespace

std::string Texte_debrouille(const TexteBrouille& octets) {
  std::string texte;
  for (uint8_t b : octets) texte += static_cast<char>(((b / 2) ^ 6) + 20);
  return texte;
}

TForm2::TForm2(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Form2"));
  setWindowTitle(QStringLiteral("A propos"));
  setFixedSize(582, 168);
  setStyleSheet(QStringLiteral("QLabel { color: black; }"));

  auto* panneau = new QFrame(this);
  panneau->setObjectName(QStringLiteral("Panel1"));
  panneau->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Placer(panneau, 8, 16, 569, 97);

  auto etiquette = [&](const char* nom, int haut) {
    auto* label = new QLabel(panneau);
    label->setObjectName(QString::fromLatin1(nom));
    label->setFont(Police_ms_sans_serif(13, true));
    label->move(8, haut);
    return label;
  };
  Nom_du_produit = etiquette("Nom_du_produit", 18);
  Auteur = etiquette("Auteur", 42);
  Utilisateur = etiquette("Utilisateur", 66);

  auto* ok = new QPushButton(QStringLiteral("Retour au menu"), this);
  ok->setObjectName(QStringLiteral("OKBoutton"));
  Placer(ok, 240, 130, 97, 33);
  ok->setDefault(true);
  ok->setFocus();
  connect(ok, &QPushButton::clicked, this, [this] { done(1); });

  a_la_creation_de_la_fiche();
}

void TForm2::a_la_creation_de_la_fiche() {
  const std::pair<QLabel*, const TexteBrouille*> textes[] = {
      {Nom_du_produit, &kNom_du_produit}, {Auteur, &kAuteur}, {Utilisateur, &kUtilisateur}};
  for (const auto& [label, octets] : textes) {
    label->setText(Vers_qt(Texte_debrouille(*octets)));
    label->adjustSize();
    label->repaint();
  }
}

void TForm2::showEvent(QShowEvent* evenement) {
  QDialog::showEvent(evenement);
  if (const QScreen* ecran = screen()) {
    QRect cadre = frameGeometry();
    cadre.moveCenter(ecran->availableGeometry().center());
    move(cadre.topLeft());
  }
}

}  // namespace vestral
