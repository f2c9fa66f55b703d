#include "app/fenetres/MenuPeripheriquesSon.h"

#include <QMenu>
#include <QMenuBar>
#include <memory>

#include "shell/ReglagesProgramme.h"

namespace vestral {
namespace {

QString U(const char* texte) {
  return QString::fromUtf8(texte);
}

// The device a remembered or given name stands for in a list: the same
// name, else the first whose name or label contains it.
int Rang_choisi(const std::vector<PeripheriqueMenu>& liste, const std::string& choisi) {
  if (choisi.empty()) return -1;
  for (std::size_t i = 0; i < liste.size(); ++i)
    if (liste[i].nom == choisi) return static_cast<int>(i);
  for (std::size_t i = 0; i < liste.size(); ++i)
    if (Nom_correspond(liste[i].nom, choisi) || Nom_correspond(liste[i].libelle, choisi))
      return static_cast<int>(i);
  return -1;
}

}  // namespace

void Ajouter_menu_peripheriques_son(QMenuBar* barre, ActionsPeripheriquesSon actions) {
  auto partage = std::make_shared<ActionsPeripheriquesSon>(std::move(actions));
  QMenu* menu = barre->addMenu(U("Périp&hériques son"));
  menu->setObjectName(QStringLiteral("Peripheriques_son"));
  menu->menuAction()->setObjectName(QStringLiteral("Peripheriques_son"));
  menu->menuAction()->setStatusTip(
      U("Choix des périphériques son de réception, d'émission et d'écoute"));
  const struct {
    const char* nom;
    const char* legende;
    const char* cle;
    bool capture;
    const char* defaut;
  } sous_menus[] = {
      {"Peripherique_capture", "Réception (entrée son)", kCle_capture, true, "Par défaut"},
      {"Peripherique_restitution", "Émission (sortie son)", kCle_restitution, false, "Par défaut"},
      {"Peripherique_ecoute", "Écoute (tonalité et bip)", kCle_ecoute, false, "Haut-parleur du PC"},
  };
  for (const auto& s : sous_menus) {
    QMenu* sous_menu = menu->addMenu(U(s.legende));
    sous_menu->setObjectName(QString::fromLatin1(s.nom));
    const std::string cle = s.cle;
    const bool capture = s.capture;
    const QString defaut = U(s.defaut);
    QObject::connect(
        sous_menu, &QMenu::aboutToShow, sous_menu, [sous_menu, partage, cle, capture, defaut] {
          sous_menu->clear();
          const PeripheriquesMenus menus = partage->Lister();
          const auto& liste = capture ? menus.capture : menus.restitution;
          const int choisi = Rang_choisi(liste, partage->Choisi(cle));
          const QString suffixe = U("...choisi");
          QAction* a = sous_menu->addAction(choisi < 0 ? defaut + suffixe : defaut);
          QObject::connect(a, &QAction::triggered, sous_menu,
                           [partage, cle] { partage->Choisir(cle, ""); });
          for (std::size_t i = 0; i < liste.size(); ++i) {
            const QString libelle = QString::fromStdString(liste[i].libelle);
            a = sous_menu->addAction(static_cast<int>(i) == choisi ? libelle + suffixe : libelle);
            a->setToolTip(QString::fromStdString(liste[i].nom));
            const std::string nom = liste[i].nom;
            QObject::connect(a, &QAction::triggered, sous_menu,
                             [partage, cle, nom] { partage->Choisir(cle, nom); });
          }
        });
  }
}

}  // namespace vestral
