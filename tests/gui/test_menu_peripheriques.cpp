#include <gtest/gtest.h>

#include <QMenu>
#include <QMenuBar>
#include <map>

#include "app/fenetres/MenuPeripheriquesSon.h"
#include "shell/ReglagesProgramme.h"

namespace vestral {
namespace {

QStringList Legendes(QMenu* menu) {
  emit menu->aboutToShow();
  QStringList legendes;
  for (QAction* a : menu->actions()) legendes << a->text();
  return legendes;
}

// Each sub-menu lists its devices by the names the system gives, marks the
// one in use (a remembered name or part of one), and a choice reaches the
// program with the device's own name.
TEST(MenuPeripheriquesSon, ListesChoixEtMarque) {
  QMenuBar barre;
  std::map<std::string, std::string> choisis = {{kCle_capture, "USB"}};
  std::vector<std::pair<std::string, std::string>> appels;
  Ajouter_menu_peripheriques_son(
      &barre, {[] {
                 PeripheriquesMenus m;
                 m.serveur = true;
                 m.capture = {{"alsa_input.pci-0000_00_1f.3.analog-stereo", "Audio interne"},
                              {"alsa_input.usb-Radio-00.analog-mono", "USB Audio CODEC"}};
                 m.restitution = {{"alsa_output.usb-Radio-00.analog-stereo", "USB Audio CODEC"}};
                 return m;
               },
               [&](const std::string& cle) { return choisis[cle]; },
               [&](const std::string& cle, const std::string& nom) {
                 appels.emplace_back(cle, nom);
                 choisis[cle] = nom;
               }});
  auto* capture = barre.findChild<QMenu*>(QStringLiteral("Peripherique_capture"));
  auto* restitution = barre.findChild<QMenu*>(QStringLiteral("Peripherique_restitution"));
  auto* ecoute = barre.findChild<QMenu*>(QStringLiteral("Peripherique_ecoute"));
  ASSERT_TRUE(capture && restitution && ecoute);
  EXPECT_EQ(Legendes(capture),
            (QStringList{QString::fromUtf8("Par défaut"), QStringLiteral("Audio interne"),
                         QStringLiteral("USB Audio CODEC...choisi")}));
  EXPECT_EQ(Legendes(restitution), (QStringList{QString::fromUtf8("Par défaut...choisi"),
                                                QStringLiteral("USB Audio CODEC")}));
  EXPECT_EQ(Legendes(ecoute), (QStringList{QString::fromUtf8("Haut-parleur du PC...choisi"),
                                           QStringLiteral("USB Audio CODEC")}));

  restitution->actions().at(1)->trigger();
  Legendes(capture);
  capture->actions().at(0)->trigger();
  EXPECT_EQ(appels,
            (std::vector<std::pair<std::string, std::string>>{
                {kCle_restitution, "alsa_output.usb-Radio-00.analog-stereo"}, {kCle_capture, ""}}));
  EXPECT_EQ(Legendes(restitution).at(1), QStringLiteral("USB Audio CODEC...choisi"));
  EXPECT_EQ(Legendes(capture).at(0), QString::fromUtf8("Par défaut...choisi"));
}

}  // namespace
}  // namespace vestral
