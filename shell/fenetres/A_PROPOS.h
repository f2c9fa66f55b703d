// The about window: product name, author and user, stored scrambled.
#pragma once

#include <QDialog>
#include <array>
#include <cstdint>
#include <string>

class QLabel;

namespace vestral {

constexpr int kLongueur_texte_brouille = 70;
using TexteBrouille = std::array<uint8_t, kLongueur_texte_brouille>;

// Each byte b gives the character ((b div 2) xor 6) + 20.
std::string Texte_debrouille(const TexteBrouille& octets);

class TForm2 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm2(QWidget* parent = nullptr);

  QLabel* Nom_du_produit;
  QLabel* Auteur;
  QLabel* Utilisateur;

 protected:
  void showEvent(QShowEvent* evenement) override;

 private:
  void a_la_creation_de_la_fiche();
};

}  // namespace vestral
