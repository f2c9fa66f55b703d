#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "shell/Cp1252.h"
#include "shell/fenetres/EconomiseurEcran.h"
#include "shell/fenetres/RapportQt.h"

namespace vestral {
namespace {

TEST(RapportQt, BoiteDErreur) {
  RapportQt rapport;
  QString titre, texte;
  QMessageBox::Icon icone = QMessageBox::NoIcon;
  int boutons = 0;
  QString legende;
  QTimer::singleShot(0, [&] {
    auto* boite = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(boite, nullptr);
    titre = boite->windowTitle();
    texte = boite->text();
    icone = boite->icon();
    boutons = static_cast<int>(boite->buttons().size());
    legende = boite->buttons().value(0)->text();
    boite->buttons().value(0)->click();
  });
  rapport.Erreur("Le fichier F2.SER est altéré, donc réinitialisation de celui-ci."_cp);
  EXPECT_EQ(titre, "Erreur");
  EXPECT_EQ(texte,
            QString::fromUtf8("Le fichier F2.SER est altéré, donc réinitialisation de celui-ci."));
  EXPECT_EQ(icone, QMessageBox::Critical);
  EXPECT_EQ(boutons, 1);
  EXPECT_EQ(legende.remove('&'), "OK");
}

TEST(RapportQt, PanneauEtBip) {
  int bips = 0;
  RapportQt rapport([&] { ++bips; });
  rapport.Panneau("Pas de mixer trouvé!"_cp);  // before the panel exists
  QLabel panneau;
  rapport.Attacher_panneau(&panneau);
  EXPECT_EQ(panneau.text(), QString::fromUtf8("Pas de mixer trouvé!"));
  rapport.Panneau("Réussite de l'ouverture du port série COM 2."_cp);
  EXPECT_EQ(panneau.text(), QString::fromUtf8("Réussite de l'ouverture du port série COM 2."));
  rapport.Bip();
  EXPECT_EQ(bips, 1);
}

TEST(EconomiseurEcran, SansBusDeSessionRienNeBloque) {
  // Without a session bus (the offscreen tests have none): not held, and
  // neither call fails nor waits.
  qunsetenv("DBUS_SESSION_BUS_ADDRESS");
  EconomiseurEcranDBus economiseur;
  EXPECT_FALSE(economiseur.Suspendre());
  economiseur.Reprendre();
  economiseur.Reprendre();  // twice, or without a hold: nothing happens
}

}  // namespace
}  // namespace vestral
