// Reports to the operator through the toolkit: the error dialog (error
// icon, title "Erreur", one "OK" button, waits for the operator), the error
// beep and the main window's status panel.
#pragma once

#include <QLabel>
#include <QPointer>
#include <functional>
#include <string>

#include "shell/Rapport.h"

namespace vestral {

class RapportQt : public Rapport {
 public:
  // `bip` sounds the error beep (the PC speaker); without it the desktop's bell.
  explicit RapportQt(std::function<void()> bip = {});

  void Erreur(const std::string& texte) override;
  void Bip() override;
  void Panneau(const std::string& texte) override;

  // The status panel; a text reported before it exists is shown once attached.
  void Attacher_panneau(QLabel* panneau);
  void Definir_bip(std::function<void()> bip) { bip_ = std::move(bip); }

 private:
  std::function<void()> bip_;
  QPointer<QLabel> panneau_;
  std::string en_attente_;
};

}  // namespace vestral
