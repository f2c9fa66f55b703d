#include "station/fenetres/MenuStation.h"

#include <QAction>
#include <QTimer>
#include <chrono>

#include "station/fenetres/FenetresStation.h"

namespace vestral {
namespace {

constexpr int kPeriode_station_ms = 100;

QString U(const char* texte) {
  return QString::fromUtf8(texte);
}

}  // namespace

void Ouvrir_contact(QWidget* parent, JournalContacts& contacts, const Station& station,
                    const std::string& recu) {
  DialogueContact dialogue(
      contacts, Contact_prerempli(recu, station.Frequence_hz(), std::chrono::system_clock::now()),
      parent);
  dialogue.exec();
}

void Remplir_menu_station(QMenu* menu, const LiensMenuStation& liens) {
  QWidget* fenetre = menu->parentWidget() ? menu->parentWidget()->window() : nullptr;
  auto element = [&](const char* nom, const char* legende, const char* indication) {
    QAction* a = menu->addAction(U(legende));
    a->setObjectName(QString::fromLatin1(nom));
    a->setStatusTip(U(indication));
    return a;
  };
  QObject::connect(element("Reglages_station", "Réglages de la station...",
                           "Poste (modèle hamlib, liaison), passage en émission, manipulateur"),
                   &QAction::triggered, menu, [liens, fenetre] {
                     DialogueStation dialogue(liens.station.Reglages(), fenetre);
                     if (dialogue.exec() != QDialog::Accepted) return;
                     const ReglagesStation r = dialogue.Reglages();
                     liens.station.Appliquer(r);
                     (void)Ecrire_reglages_station(liens.fichiers, r);  // told by the writer
                   });
  QAction* contact =
      element("Contact", "Contact...", "Ajouter un contact au journal des contacts VESTRAL.ADI");
  contact->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
  QObject::connect(contact, &QAction::triggered, menu, [liens, fenetre] {
    Ouvrir_contact(fenetre, liens.contacts, liens.station, liens.texte_recu());
  });
  QObject::connect(element("Journal_contacts", "Journal des contacts",
                           "Liste des contacts enregistrés dans VESTRAL.ADI"),
                   &QAction::triggered, menu, [liens, fenetre] {
                     FenetreJournalContacts journal(liens.contacts, fenetre);
                     journal.exec();
                   });

  auto* minuterie = new QTimer(menu);
  minuterie->setObjectName(QStringLiteral("Minuterie_station"));
  minuterie->setInterval(kPeriode_station_ms);
  QObject::connect(minuterie, &QTimer::timeout, menu, [liens] {
    if (!liens.emetteur_recepteur_ouvert()) liens.station.Refuser_requetes();
    liens.station.Signaler();
  });
  minuterie->start();
}

}  // namespace vestral
