#include "transceiver/fenetres/StationEmetteurRecepteur.h"

#include <QApplication>
#include <QKeyEvent>
#include <QObject>
#include <QShortcut>
#include <QTimer>
#include <memory>

#include "shell/fenetres/OutilsQt.h"
#include "transceiver/ManipulateurCwdaemon.h"
#include "transceiver/fenetres/TRADUCTEUR_EDITEUR.h"

namespace vestral {
namespace {

// The title shows the dial frequency, read again about once a second.
constexpr int kTicks_titre = 100;

class LienStation : public QObject {
 public:
  LienStation(TForm8* fenetre, Station& station, EnvironnementEmetteurRecepteur& environnement,
              ValeursReglages& operateur)
      : QObject(fenetre),
        fenetre_(fenetre),
        station_(station),
        titre_(fenetre->windowTitle()),
        manipulateur_(fenetre->Emetteur_recepteur(), environnement, operateur.Vitesse_emission,
                      [fenetre](uint8_t c) {
                        // Typed into the editor as a key is.
                        const bool ligne = c == 13 || c == 10;
                        QKeyEvent appui(QEvent::KeyPress, ligne ? Qt::Key_Return : 0,
                                        Qt::NoModifier,
                                        ligne ? QStringLiteral("\r")
                                              : Vers_qt(std::string(1, static_cast<char>(c))));
                        QApplication::sendEvent(fenetre->Memo2, &appui);
                      }) {
    connect(fenetre->Timer1, &QTimer::timeout, this, [this] { Tick(); });
    connect(fenetre, &QDialog::finished, this, [this] { manipulateur_.Fin(); });
    Titre();
  }

 private:
  void Tick() {
    EmetteurRecepteur& er = fenetre_->Emetteur_recepteur();
    if (ServeurCwdaemon* serveur = station_.Serveur()) manipulateur_.Servir(*serveur);
    // A rig that keyed this transmission and no longer answers: what is
    // not sent is dropped and the transmission stops as "Arrêt" stops it
    // (asked again on each tick until the tone already out has ended).
    ControlePoste* poste = station_.Controle_poste();
    const bool perdu =
        station_.Ptt_par_poste() && poste && poste->Etat_poste() == ControlePoste::Etat::Muet;
    if (perdu && er.Transmission_en_cours()) {
      if (er.Emission().Emission_continue())
        er.Bouton_radio_relache(*Bouton_radio(GroupeRadio::Emission_continue, 0));
      er.Emission().File().Vider();
      er.Arret_sans_retour_au_menu();
    }
    station_.Signaler();
    if (++ticks_ >= kTicks_titre) {
      ticks_ = 0;
      Titre();
    }
  }
  void Titre() {
    const std::string frequence = station_.Texte_frequence();
    fenetre_->setWindowTitle(
        frequence.empty() ? titre_ : titre_ + QStringLiteral(" \u2014 ") + Vers_qt(frequence));
  }

  TForm8* fenetre_;
  Station& station_;
  const QString titre_;
  ManipulateurCwdaemon manipulateur_;
  int ticks_ = 0;
};

}  // namespace

void Attacher_station(TForm8* fenetre, Station& station,
                      EnvironnementEmetteurRecepteur& environnement, ValeursReglages& operateur,
                      std::function<void(QWidget* parent, const std::string& recu)> contact) {
  new LienStation(fenetre, station, environnement, operateur);
  auto* raccourci = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_L), fenetre);
  raccourci->setObjectName(QStringLiteral("Raccourci_contact"));
  raccourci->setContext(Qt::WindowShortcut);
  QObject::connect(raccourci, &QShortcut::activated, fenetre, [fenetre, contact] {
    contact(fenetre, Depuis_qt(fenetre->Memo1->toPlainText()));
  });
}

}  // namespace vestral
