#include "transceiver/TRADUCTION_CARACTERES.h"

#include <algorithm>

#include "dsp/FenetreEchantillons.h"
#include "shell/JournalQSO.h"

namespace vestral {

void AppelsSynchronises::Appeler(const std::function<void()>& appel) {
  std::unique_lock verrou(verrou_);
  appel_ = &appel;
  const uint64_t numero = ++demandes_;
  verrou.unlock();
  condition_.notify_all();
  if (reveil_) reveil_();
  verrou.lock();
  condition_.wait(verrou, [&] { return servies_ >= numero; });
}

bool AppelsSynchronises::Servir() {
  std::unique_lock verrou(verrou_);
  if (appel_ == nullptr) return false;
  const std::function<void()>* appel = appel_;
  appel_ = nullptr;
  verrou.unlock();
  (*appel)();
  verrou.lock();
  ++servies_;
  verrou.unlock();
  condition_.notify_all();
  return true;
}

void AppelsSynchronises::Servir_jusqu_a(const std::function<bool()>& fini,
                                        std::chrono::milliseconds pas,
                                        const std::function<void()>& relance) {
  for (;;) {
    while (Servir()) {
    }
    if (fini()) return;
    std::unique_lock verrou(verrou_);
    const uint64_t vues = notifications_;
    verrou.unlock();
    relance();
    verrou.lock();
    condition_.wait_for(verrou, pas, [&] { return appel_ != nullptr || notifications_ != vues; });
  }
}

void AppelsSynchronises::Notifier() {
  {
    std::lock_guard verrou(verrou_);
    ++notifications_;
  }
  condition_.notify_all();
}

void IndicateurSignal::Demarrer(uint32_t maintenant) {
  historique_.fill(0);
  debut_ = dernier_rafraichissement_ = maintenant;
}

void IndicateurSignal::Presence(bool presente) {
  index_ = (index_ + 1) % static_cast<int>(historique_.size());
  historique_[static_cast<std::size_t>(index_)] = presente ? 1 : 0;
}

int IndicateurSignal::Delai_ms(uint32_t maintenant) const {
  return std::max(1, static_cast<int>(kPeriode_ms - (maintenant - dernier_rafraichissement_)));
}

bool IndicateurSignal::Rafraichir(uint32_t maintenant) {
  dernier_rafraichissement_ = maintenant;
  uint32_t c = (maintenant - debut_) / kPeriode_ms;
  if (c >= historique_.size()) {
    debut_ = maintenant;
    c = 0;
  }
  return historique_[c] == 1;
}

uint32_t TRADUCTION_CARACTERES::Horloge_systeme() {
  using namespace std::chrono;
  return static_cast<uint32_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

TRADUCTION_CARACTERES::TRADUCTION_CARACTERES(DecodeurMorse& decodeur, FenetreEchantillons& fenetre,
                                             JournalQSO& journal, SortieDecodeur& sortie,
                                             AppelsSynchronises& appels,
                                             std::atomic<uint8_t>& active, Horloge horloge)
    : decodeur_(decodeur),
      fenetre_(fenetre),
      journal_(journal),
      sortie_(sortie),
      appels_(appels),
      active_(active),
      horloge_(std::move(horloge)) {
  fil_ = std::thread([this] {
    Boucle();
    {
      std::lock_guard verrou(verrou_);
      fini_ = true;
    }
    appels_.Notifier();
  });
}

TRADUCTION_CARACTERES::~TRADUCTION_CARACTERES() {
  Terminer();
}

void TRADUCTION_CARACTERES::Boucle() {
  active_ = 1;
  indicateur_.Demarrer(horloge_());
  std::vector<uint8_t> echantillons(static_cast<std::size_t>(2 * fenetre_.Taille_tampon()));
  while (!arret_.load()) {
    if (indicateur_.A_rafraichir(horloge_())) sortie_.Signal(indicateur_.Rafraichir(horloge_()));
    // A block, the stop, or the next refresh of the indicator.
    if (!fenetre_.Attendre_echantillon(indicateur_.Delai_ms(horloge_()))) continue;
    const int n =
        fenetre_.Prendre_echantillons(echantillons.data(), static_cast<int>(echantillons.size()));
    if (n == 0) continue;
    decodeur_.Pousser(std::span(echantillons).first(static_cast<std::size_t>(n)));
    Livrer();
  }
  // What is pending comes out: the measurement under way runs to its end.
  decodeur_.Terminer();
  Livrer();
}

void TRADUCTION_CARACTERES::Livrer() {
  evenements_.clear();
  decodeur_.Prendre_evenements(evenements_);
  for (const EvenementDecodeur& e : evenements_) {
    switch (e.type) {
      case TypeEvenement::Caractere: {
        const auto c = static_cast<uint8_t>(e.valeur);
        sortie_.Caractere(c);
        journal_.Ajout_QSO(c);
        break;
      }
      case TypeEvenement::Presence:
        indicateur_.Presence(e.valeur == 1);
        break;
      case TypeEvenement::Vitesse:
        sortie_.Vitesse(std::to_string(e.valeur).substr(0, 2));
        break;
      case TypeEvenement::Niveau_entree:
        sortie_.Niveau_entree(e.valeur);
        break;
      default:
        break;
    }
  }
}

void TRADUCTION_CARACTERES::Terminer() {
  if (!fil_.joinable()) return;
  arret_.store(true);
  appels_.Servir_jusqu_a(
      [this] {
        std::lock_guard verrou(verrou_);
        return fini_;
      },
      std::chrono::milliseconds(5), [this] { fenetre_.Reveiller(); });
  fil_.join();
}

}  // namespace vestral
