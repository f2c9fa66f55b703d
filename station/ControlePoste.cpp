#include "station/ControlePoste.h"

#include "shell/Cp1252.h"

namespace vestral {
namespace {

std::string Designation(const ReglagesPoste& reglages) {
  const std::string appareil = reglages.peripherique.empty() ? "appareil par défaut"_cp
                                                             : "appareil " + reglages.peripherique;
  return "(modèle "_cp + std::to_string(reglages.modele) + ", " + appareil + ")";
}

}  // namespace

std::string ControlePoste::Texte_echec_ouverture(const ReglagesPoste& reglages) {
  return "Impossible d'ouvrir le poste " + Designation(reglages) +
         ". Le programme continue sans lui."_cp;
}

std::string ControlePoste::Texte_poste_muet(const ReglagesPoste& reglages) {
  return "Le poste " + Designation(reglages) +
         " ne répond plus : la commande d'émission est relâchée."_cp;
}

ControlePoste::ControlePoste(std::unique_ptr<Poste> poste, ReglagesPoste reglages)
    : poste_(std::move(poste)), reglages_(std::move(reglages)) {
  fil_ = std::thread([this] { Boucle(); });
}

ControlePoste::~ControlePoste() {
  {
    std::lock_guard verrou(verrou_);
    arret_ = true;
  }
  reveil_.notify_all();
  fil_.join();
}

void ControlePoste::Demander_PTT(bool emission) {
  {
    std::lock_guard verrou(verrou_);
    ptt_demande_ = emission;
  }
  reveil_.notify_all();
}

std::optional<int64_t> ControlePoste::Frequence_hz() const {
  const int64_t f = frequence_.load();
  if (f <= 0) return std::nullopt;
  return f;
}

void ControlePoste::Signaler(Rapport& rapport) {
  if (echec_a_signaler_.exchange(false)) rapport.Erreur(Texte_echec_ouverture(reglages_));
  if (muet_a_signaler_.exchange(false)) rapport.Erreur(Texte_poste_muet(reglages_));
}

void ControlePoste::Abandonner() {
  // One last try, in case only the reading failed; then the state is told.
  (void)poste_->Positionner_PTT(false);
  poste_->Fermer();
  ptt_confirme_ = false;
  frequence_ = 0;
  muet_a_signaler_ = true;
  etat_ = Etat::Muet;
}

void ControlePoste::Boucle() {
  if (!poste_->Ouvrir(reglages_)) {
    poste_->Fermer();
    echec_a_signaler_ = true;
    etat_ = Etat::Echec_ouverture;
    std::unique_lock verrou(verrou_);
    reveil_.wait(verrou, [this] { return arret_; });
    return;
  }
  if (const auto f = poste_->Lire_frequence()) frequence_ = *f;
  etat_ = Etat::Pret;

  bool ptt_applique = false;
  auto prochaine_lecture = std::chrono::steady_clock::now() + kPeriode_lecture_frequence;
  std::unique_lock verrou(verrou_);
  for (;;) {
    reveil_.wait_until(verrou, prochaine_lecture,
                       [&] { return arret_ || ptt_demande_ != ptt_applique; });
    if (arret_) break;
    const bool voulu = ptt_demande_;
    verrou.unlock();
    bool repond = true;
    if (voulu != ptt_applique) {
      repond = poste_->Positionner_PTT(voulu);
      if (repond) {
        ptt_applique = voulu;
        ptt_confirme_ = voulu;
      }
    } else if (std::chrono::steady_clock::now() >= prochaine_lecture) {
      const auto f = poste_->Lire_frequence();
      repond = f.has_value();
      if (repond) frequence_ = *f;
      prochaine_lecture = std::chrono::steady_clock::now() + kPeriode_lecture_frequence;
    }
    verrou.lock();
    if (!repond) {
      verrou.unlock();
      Abandonner();
      verrou.lock();
      reveil_.wait(verrou, [this] { return arret_; });
      return;
    }
  }
  verrou.unlock();
  if (ptt_applique) (void)poste_->Positionner_PTT(false);
  ptt_confirme_ = false;
  poste_->Fermer();
}

}  // namespace vestral
