#include "station/Station.h"

#include "shell/Cp1252.h"

namespace vestral {

std::string Texte_kilohertz(int64_t hz) {
  const int64_t dixiemes = (hz + 50) / 100;  // tenths of a kilohertz
  std::string entier = std::to_string(dixiemes / 10);
  // Thousands apart, with a space.
  for (int i = static_cast<int>(entier.size()) - 3; i > 0; i -= 3)
    entier.insert(static_cast<std::size_t>(i), 1, ' ');
  return entier + "," + std::to_string(dixiemes % 10) + " kHz";
}

Station::Station(FabriquePoste fabrique_poste, FabriqueCanal fabrique_canal, Rapport& rapport)
    : fabrique_poste_(std::move(fabrique_poste)),
      fabrique_canal_(std::move(fabrique_canal)),
      rapport_(rapport) {}

Station::~Station() = default;

void Station::Appliquer(const ReglagesStation& reglages) {
  const bool poste_change = !applique_ || reglages.poste != reglages_.poste;
  const bool serveur_change = !applique_ || reglages.cwdaemon != reglages_.cwdaemon ||
                              reglages.adresse_cwdaemon != reglages_.adresse_cwdaemon ||
                              reglages.port_cwdaemon != reglages_.port_cwdaemon;
  if (applique_ && reglages.ptt != reglages_.ptt && poste_) poste_->Demander_PTT(false);
  reglages_ = reglages;
  applique_ = true;
  if (poste_change) {
    poste_.reset();  // released and closed
    if (reglages_.poste.modele > 0)
      poste_ = std::make_unique<ControlePoste>(fabrique_poste_(), reglages_.poste);
  }
  if (serveur_change) {
    serveur_.reset();
    canal_.reset();
    if (reglages_.cwdaemon) {
      canal_ = fabrique_canal_(reglages_.adresse_cwdaemon, reglages_.port_cwdaemon, rapport_);
      if (canal_) serveur_ = std::make_unique<ServeurCwdaemon>(*canal_);
    }
  }
}

void Station::Demander_PTT(bool emission) {
  if (Ptt_par_poste()) poste_->Demander_PTT(emission);
}

std::optional<int64_t> Station::Frequence_hz() const {
  if (!poste_) return std::nullopt;
  return poste_->Frequence_hz();
}

std::string Station::Texte_frequence() const {
  const auto f = Frequence_hz();
  return f ? Texte_kilohertz(*f) : std::string();
}

void Station::Signaler() {
  if (poste_) poste_->Signaler(rapport_);
}

std::string Station::Texte_refus() {
  return "Texte du logiciel de trafic refusé : la fenêtre de réception / transmission est "
         "fermée."_cp;
}

void Station::Refuser_requetes() {
  if (!serveur_) return;
  bool refus = false;
  for (const auto& c : serveur_->Relever())
    refus = refus || c.requete == Requete::Texte || c.requete == Requete::Accord ||
            c.requete == Requete::PTT;
  // Echoes asked for text that will not be sent are dropped with it.
  serveur_->Abandon();
  if (refus) rapport_.Panneau(Texte_refus());
}

}  // namespace vestral
