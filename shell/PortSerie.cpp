#include "shell/PortSerie.h"

#include "shell/Cp1252.h"

namespace vestral {
namespace {

int Numero_registre(uint16_t adresse) {
  for (std::size_t i = 0; i < kAdresses_uart.size(); ++i)
    if (adresse == kAdresses_uart[i] + 4) return static_cast<int>(i) + 1;
  return 0;
}

// The port's digit as the messages show it.
std::string Chiffre(int numero) {
  return std::to_string(numero).substr(0, 1);
}

}  // namespace

PortSerie::PortSerie(EspacePorts& ports, AccesSerie& acces, Rapport& rapport)
    : ports_(ports), acces_(acces), rapport_(rapport) {
  for (uint16_t base : kAdresses_uart) ports_.Brancher(base + 4, *this);
}

PortSerie::~PortSerie() {
  ports_.Debrancher(*this);
}

void PortSerie::Choix_port(uint8_t port_serie) {
  if (port_serie < 1 || port_serie > 4) {
    Port_serie_choisi = 0;
    return;
  }
  Port_serie_choisi = 1;
  Numero_port_serie = port_serie;
  Adresse_port_serie = kAdresses_uart[port_serie - 1];
  Adresse_commande_modem = Adresse_port_serie + 4;
}

bool PortSerie::Ouverture_port_serie(int numero) {
  if (numero < 1 || numero > 4) return false;
  if (poignee_) Fermeture_port_serie();
  poignee_ = acces_.Ouvrir(numero);
  if (!poignee_) return false;
  numero_ouvert_ = numero;
  lignes_signalees_ = false;
  return true;
}

void PortSerie::Fermeture_port_serie() {
  poignee_.reset();
  numero_ouvert_ = 0;
}

void PortSerie::Test_port_serie() {
  if (Port_serie_choisi != 1) {
    rapport_.Panneau("Pas de port série sélectionné."_cp);
    return;
  }
  const std::string d = Chiffre(Numero_port_serie);
  if (Ouverture_port_serie(Numero_port_serie)) {
    rapport_.Panneau("Réussite de l'ouverture du port série COM "_cp + d + ".");
    Fermeture_port_serie();
  } else {
    rapport_.Panneau("Echec de l'ouverture du port série COM "_cp + d + ". Serait-ce la souris?");
  }
}

void PortSerie::Activer_PTT() {
  if (Port_serie_choisi == 1) ports_.Ecriture_port(Adresse_commande_modem, kModem_emission);
}

void PortSerie::Relacher_PTT() {
  if (Port_serie_choisi == 1) ports_.Ecriture_port(Adresse_commande_modem, kModem_repos);
}

uint8_t PortSerie::Lecture(uint16_t adresse) {
  const int numero = Numero_registre(adresse);
  return numero == 0 ? 0xFF : registres_modem_[numero - 1];
}

void PortSerie::Ecriture(uint16_t adresse, uint8_t valeur) {
  const int numero = Numero_registre(adresse);
  if (numero == 0) return;
  registres_modem_[numero - 1] = valeur;
  // Only the port this program holds open can be driven.
  if (!poignee_ || numero != numero_ouvert_) return;
  const EtatLignes etat = poignee_->Positionner(valeur & 1, valeur & 2);
  const std::string d = Chiffre(numero);
  if (etat == EtatLignes::Disparu) {
    Fermeture_port_serie();
    rapport_.Erreur("Le port série COM "_cp + d +
                    " ne répond plus (adaptateur débranché?). "
                    "Les broches DTR/RTS ne sont plus commandées."_cp);
  } else if (etat == EtatLignes::Non_commandees && !lignes_signalees_) {
    lignes_signalees_ = true;
    rapport_.Erreur("Les broches DTR/RTS du port série COM "_cp + d +
                    " ne peuvent pas être commandées."_cp);
  }
}

namespace {

class LigneSimulee : public LigneModem {
 public:
  explicit LigneSimulee(AccesSerieSimule::Port& port) : port_(port) {
    port_.ouvert = true;
    ++port_.ouvertures;
  }
  ~LigneSimulee() override {
    if (port_.reponse == EtatLignes::Ok) Changer(false, false);
    port_.ouvert = false;
  }
  EtatLignes Positionner(bool dtr, bool rts) override {
    if (port_.reponse == EtatLignes::Ok) Changer(dtr, rts);
    return port_.reponse;
  }

 private:
  void Changer(bool dtr, bool rts) {
    if (dtr == port_.dtr && rts == port_.rts) return;
    port_.dtr = dtr;
    port_.rts = rts;
    port_.lignes += dtr && rts ? 'H' : dtr ? 'D' : rts ? 'R' : 'B';
  }
  AccesSerieSimule::Port& port_;
};

}  // namespace

std::unique_ptr<LigneModem> AccesSerieSimule::Ouvrir(int numero) {
  if (numero < 1 || numero > 4) return nullptr;
  Port& p = port(numero);
  if (!p.present || p.tenu_ailleurs || p.ouvert) return nullptr;
  return std::make_unique<LigneSimulee>(p);
}

}  // namespace vestral
