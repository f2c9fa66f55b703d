#include "shell/fenetres/RapportQt.h"

#include <QApplication>
#include <QMessageBox>

#include "shell/fenetres/OutilsQt.h"

namespace vestral {

RapportQt::RapportQt(std::function<void()> bip) : bip_(std::move(bip)) {}

void RapportQt::Erreur(const std::string& texte) {
  QMessageBox boite(QMessageBox::Critical, QStringLiteral("Erreur"), Vers_qt(texte),
                    QMessageBox::Ok, QApplication::activeWindow());
  boite.setObjectName(QStringLiteral("Erreur"));
  boite.exec();
}

void RapportQt::Bip() {
  if (bip_)
    bip_();
  else
    QApplication::beep();
}

void RapportQt::Panneau(const std::string& texte) {
  if (panneau_)
    panneau_->setText(Vers_qt(texte));
  else
    en_attente_ = texte;
}

void RapportQt::Attacher_panneau(QLabel* panneau) {
  panneau_ = panneau;
  if (panneau_ && !en_attente_.empty()) {
    panneau_->setText(Vers_qt(en_attente_));
    en_attente_.clear();
  }
}

}  // namespace vestral
