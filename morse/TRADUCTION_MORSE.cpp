#include "morse/TRADUCTION_MORSE.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>

#include "morse/TableMorse.h"

namespace vestral {
namespace {

// Classification limits, in tenths of a dot.
constexpr int kPoint_min = 5;
constexpr int kPoint_max = 17;
constexpr int kTrait_min = 18;
constexpr int kTrait_max = 49;
constexpr int kEspace_element_min = 2;
constexpr int kEspace_element_max = 17;
constexpr int kEspace_caractere_min = 18;
constexpr int kEspace_caractere_max = 49;
constexpr int kEspace_mot_min = 50;

constexpr int kPeriode_signal_ms = 40;
// The clock is looked at every this many samples (about 3 ms).
constexpr int kEchantillons_entre_horloges = 32;

uint32_t Horloge_systeme() {
  using namespace std::chrono;
  return static_cast<uint32_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace

Decodeur::Decodeur(ReglagesReception& reglages, FiltreTonalite& filtre,
                   FenetreEchantillons& fenetre, JournalQSO& journal, SortieDecodeur& sortie)
    : reglages_(reglages),
      filtre_(filtre),
      fenetre_(fenetre),
      journal_(journal),
      sortie_(sortie),
      attente_([this](int delai, int non_lus) { fenetre_.Attendre_echantillon(delai, non_lus); }),
      horloge_(Horloge_systeme) {
  Prendre_valeurs_actuelles();
}

void Decodeur::Prendre_valeurs_actuelles() {
  enveloppe_vue_ = reglages_.Enveloppe_filtree.load(std::memory_order_relaxed);
  seuil_vu_ = reglages_.Seuil_filtrage.load(std::memory_order_relaxed);
  duree_point_vue_ = reglages_.Duree_point_reception.load(std::memory_order_relaxed);
}

void Decodeur::Preparer() {
  duree_silence_ = kDuree_saturee;
  resynchronisation_ = false;
  caractere_emis_ = fin_caractere_ = fin_mot_ = false;
  point_recu_.fill(false);
  trait_recu_.fill(false);
  etat_ = 0;
  motif_.clear();
  position_courante_ = position_repere_ = 0;
  fenetre_.Vider_fenetre();
  avance_nombre_ = avance_prises_ = 0;
  releves_.clear();
  releve_suivant_ = 0;
  Prendre_valeurs_actuelles();
  Traduction_active = 0;
  Arret_traduction = 0;
  relance_ = false;
  crete_entree_ = 0;
}

void Decodeur::Execute() {
  Traduction_active = 1;
  debut_historique_ = dernier_rafraichissement_ = horloge_();
  historique_signal_.fill(0);
  // Waiting for a tone needs about a millisecond of unread samples.
  constexpr int kNon_lus_pour_tonalite = (kFrequence_echantillonnage_entree + 999) / 1000 + 1;
  while (Arret_traduction.load() == 0) {
    Pas_suivant();
    // Rather than spin until the next block arrives, wait for it.
    if (etat_ == 1 && !Echantillons_restants(1) && Arret_traduction.load() == 0)
      Attendre_echantillons(kNon_lus_pour_tonalite);
  }
}

void Decodeur::Attendre_echantillons(int non_lus) {
  int delai = kPeriode_signal_ms;
  if (sortie_.Affichage()) {
    if (horloge_() - dernier_rafraichissement_ >= kPeriode_signal_ms) Rafraichir_signal();
    delai = static_cast<int>(kPeriode_signal_ms - (horloge_() - dernier_rafraichissement_));
    if (delai < 1) delai = 1;
  }
  attente_(delai, non_lus);
}

void Decodeur::Pas_suivant() {
  if (relance_.exchange(false)) Appliquer_relance();
  Pas_decodeur();
}

void Decodeur::Appliquer_relance() {
  etat_ = 0;
  motif_.clear();
  position_courante_ = position_repere_ = 0;
}

int Decodeur::Duree_point() const {
  return duree_point_vue_ > 0 ? duree_point_vue_ : 1;
}

bool Decodeur::Remplir_avance() {
  const int n = fenetre_.Copier_en_avance(avance_.data(), kAvance);
  if (n == 0) return false;
  // What the steps read until the batch's first millisecond step: the
  // values as they stand (an operator's change included).
  Prendre_valeurs_actuelles();
  releves_.clear();
  releve_suivant_ = 0;
  filtre_.Enregistrer_releves(&releves_);
  Traiter_lus(avance_.data(), n);
  filtre_.Enregistrer_releves(nullptr);
  avance_nombre_ = n;
  avance_prises_ = 0;
  return true;
}

void Decodeur::Prendre_avance(int nombre) {
  fenetre_.Avancer_lecture(nombre);
  avance_prises_ += nombre;
  while (releve_suivant_ < releves_.size() && releves_[releve_suivant_].apres <= avance_prises_) {
    const Releve& r = releves_[releve_suivant_++];
    enveloppe_vue_ = r.enveloppe;
    seuil_vu_ = r.seuil;
    duree_point_vue_ = r.duree_point;
  }
}

bool Decodeur::Echantillons_restants(int minimum) const {
  const auto p = fenetre_.Lire_positions();
  return (p.Nombre_echantillons - p.Position_lecture) * 1000 / kFrequence_echantillonnage_entree >=
         minimum;
}

void Decodeur::Lire_echantillon() {
  for (;;) {
    if (Arret_traduction.load(std::memory_order_relaxed) == 1) {
      return;  // the filter keeps its last output
    }
    if (Avance_disponible() > 0 || Remplir_avance()) break;
    Attendre_echantillons(1);
  }
  Prendre_avance(1);
}

void Decodeur::Traiter_lus(const uint8_t* echantillons, int nombre) {
  const bool affichage = sortie_.Affichage();
  while (nombre > 0) {
    // Up to the next sample after which something is looked at: the
    // indicator history (every 440), the speed label (5500), the clock.
    int n = std::min({nombre, 440 - compteur_echantillons_ % 440, 5500 - compteur_echantillons_});
    if (affichage) n = std::min(n, std::max(compte_a_rebours_horloge_, 1));

    // Every tenth sample counts for the input level.
    for (int i = 9 - compteur_niveau_; i < n; i += 10) {
      const int32_t v = std::abs(2 * echantillons[i] - 255) * 20;
      crete_entree_ = v > crete_entree_ ? v : (crete_entree_ > 0 ? crete_entree_ - 1 : 0);
      reglages_.Niveau_entree.store(crete_entree_ * 100 / 5100, std::memory_order_relaxed);
    }
    compteur_niveau_ = (compteur_niveau_ + n) % 10;
    filtre_.Traiter_echantillons(echantillons, n);
    echantillons += n;
    nombre -= n;

    if (affichage) {
      compte_a_rebours_horloge_ -= n;
      if (compte_a_rebours_horloge_ <= 0) {
        compte_a_rebours_horloge_ = kEchantillons_entre_horloges;
        if (horloge_() - dernier_rafraichissement_ >= kPeriode_signal_ms) Rafraichir_signal();
      }
    }

    compteur_echantillons_ += n;
    if (compteur_echantillons_ % 440 == 0) {
      index_historique_ = (index_historique_ + 1) % 25;
      signal_present_ =
          reglages_.Enveloppe_filtree.load(std::memory_order_relaxed) >
          static_cast<int32_t>(reglages_.Seuil_filtrage.load(std::memory_order_relaxed));
      historique_signal_[index_historique_] = signal_present_;
    }
    if (compteur_echantillons_ == 5500) {
      Afficher_vitesse();
      compteur_echantillons_ = 0;
    }
  }
}

bool Decodeur::Lire_manipulation() {
  Lire_echantillon();
  return enveloppe_vue_ > static_cast<int32_t>(seuil_vu_);
}

void Decodeur::Attendre_ms(int n) {
  const int32_t attente = n * kFrequence_echantillonnage_entree / 1000;
  for (;;) {
    if (Arret_traduction.load(std::memory_order_relaxed) == 1) return;
    // The samples this wait will read for sure, before its last one, are
    // taken and filtered together: no position check can end it before.
    const int32_t position = fenetre_.Position_lecture();
    if (position >= position_repere_) {
      int32_t reste = attente - (position - position_repere_) - 1;
      while (reste > 0 && (Avance_disponible() > 0 || Remplir_avance())) {
        const int k = std::min<int32_t>(reste, Avance_disponible());
        Prendre_avance(k);
        reste -= k;
      }
    }
    Lire_echantillon();
    if (Arret_traduction.load(std::memory_order_relaxed) == 1) return;
    position_courante_ = fenetre_.Position_lecture();
    if (position_courante_ - position_repere_ >= attente || position_courante_ < position_repere_) {
      position_repere_ = position_courante_;
      return;
    }
  }
}

bool Decodeur::Attendre_tonalite() {
  etat_manipulation_ = false;
  int t = 0;
  while (!etat_manipulation_ && t < 100) {
    etat_manipulation_ = Lire_manipulation();
    t += 2;
    Attendre_ms(2);
  }
  return etat_manipulation_;
}

uint16_t Decodeur::Mesurer_marque() {
  int d = 0;
  while (etat_manipulation_ && d < kTrait_max * Duree_point() / 10) {
    d += 2;
    etat_manipulation_ = Lire_manipulation();
    Attendre_ms(2);
  }
  if (etat_manipulation_ && d >= kTrait_max * Duree_point() / 10) d = kDuree_saturee;
  return static_cast<uint16_t>(d);
}

uint16_t Decodeur::Mesurer_espace() {
  int d = 0;
  while (!etat_manipulation_ && d < kEspace_mot_min * Duree_point() / 10) {
    d += 2;
    etat_manipulation_ = Lire_manipulation();
    Attendre_ms(2);
  }
  if (!etat_manipulation_ && d >= kEspace_mot_min * Duree_point() / 10) d = kDuree_saturee;
  duree_silence_ = static_cast<uint16_t>(d);
  return duree_silence_;
}

void Decodeur::Classer_element(int marque, int espace, int k) {
  const int point = Duree_point();
  const int m = marque * 10 / point;
  const int e = espace * 10 / point;
  const bool est_point = m >= kPoint_min && m <= kPoint_max;
  const bool est_trait = m >= kTrait_min && m <= kTrait_max;
  point_recu_[k] = trait_recu_[k] = fin_caractere_ = fin_mot_ = false;
  if (e >= kEspace_element_min && e <= kEspace_element_max) {
    point_recu_[k] = est_point;
    trait_recu_[k] = !est_point && est_trait;
  } else if ((e >= kEspace_caractere_min && e <= kEspace_caractere_max) || e >= kEspace_mot_min) {
    point_recu_[k] = est_point;
    trait_recu_[k] = !est_point && est_trait;
    fin_caractere_ = est_point || est_trait;
    fin_mot_ = fin_caractere_ && e >= kEspace_mot_min;
  }
}

void Decodeur::Mesurer_element(int k, int car_point, int car_trait) {
  point_recu_[k] = trait_recu_[k] = false;
  fin_caractere_ = fin_mot_ = false;
  duree_silence_ = 0;
  const uint16_t marque = Mesurer_marque();
  if (marque == kDuree_saturee) return;
  const uint16_t espace = Mesurer_espace();
  Classer_element(marque, espace, k);
  if (fin_caractere_ && point_recu_[k] && car_point != kAucunCaractere) {
    Emettre_caractere(static_cast<uint8_t>(car_point));
    caractere_emis_ = true;
  }
  if (fin_caractere_ && trait_recu_[k] && car_trait != kAucunCaractere) {
    Emettre_caractere(static_cast<uint8_t>(car_trait));
    caractere_emis_ = true;
  }
  if (fin_mot_ && caractere_emis_) Emettre_caractere(' ');
}

void Decodeur::Abandon() {
  etat_ = 0;
  motif_.clear();
  resynchronisation_ = true;
}

void Decodeur::Pas_decodeur() {
  position_repere_ = position_courante_;
  if (etat_ == 0) {
    caractere_emis_ = false;
    if (!Echantillons_restants(0)) return;
    if (duree_silence_ * 10 < Duree_point() * kEspace_caractere_min && resynchronisation_) {
      // After an abandoned walk, wait for a character gap of silence.
      duree_silence_ = 0;
      while (duree_silence_ * 10 < Duree_point() * kEspace_caractere_min) {
        if (Arret_traduction.load(std::memory_order_relaxed) == 1) return;
        if (Lire_manipulation()) {
          duree_silence_ = 0;
          if (!Echantillons_restants(0)) return;
        }
        Attendre_ms(10);
        duree_silence_ += 10;
      }
      resynchronisation_ = false;
    }
    etat_ = 1;
    return;
  }
  if (etat_ == 1) {
    if (Echantillons_restants(1) && Attendre_tonalite()) {
      etat_ = 2;
      motif_.clear();
    }
    return;
  }
  if (!Echantillons_restants(0)) return;
  const int k = static_cast<int>(motif_.size()) + 1;
  if (!Noeud_a_des_enfants(motif_) || k == 10) {
    Abandon();
    return;
  }
  Mesurer_element(k, Caractere_du_noeud(motif_ + '.'), Caractere_du_noeud(motif_ + '_'));
  if (!point_recu_[k] && !trait_recu_[k]) {
    Abandon();
  } else if (caractere_emis_) {
    etat_ = 0;
    motif_.clear();
  } else {
    motif_ += point_recu_[k] ? '.' : '_';
    etat_ = 3;
  }
}

int64_t Decodeur::Etat_decodeur() const {
  if (etat_ < 2) return etat_;
  if (motif_.empty()) return 2;
  if (motif_.size() == 1) return 3;
  if (motif_.size() == 2) return motif_[0] == '.' ? 4 : 5;
  int64_t numero = 0;
  for (std::size_t i = 0; i + 1 < motif_.size(); ++i)
    numero = numero * 10 + (motif_[i] == '.' ? 1 : 2);
  return numero;
}

void Decodeur::Emettre_caractere(uint8_t c) {
  sortie_.Caractere(c);
  journal_.Ajout_QSO(c);
}

void Decodeur::Rafraichir_signal() {
  const uint32_t maintenant = horloge_();
  dernier_rafraichissement_ = maintenant;
  uint32_t case_historique = (maintenant - debut_historique_) / kPeriode_signal_ms;
  if (case_historique >= 25) {
    debut_historique_ = maintenant;
    case_historique = 0;
  }
  signal_present_ = historique_signal_[case_historique];
  sortie_.Signal(signal_present_ == 1);
}

void Decodeur::Afficher_vitesse() {
  if (!sortie_.Affichage()) return;
  const int vitesse = reglages_.Vitesse_auto == 1 ? reglages_.Vitesse_estimee.load()
                                                  : reglages_.Vitesse_reception.load();
  sortie_.Vitesse(std::to_string(vitesse).substr(0, 2));
}

}  // namespace vestral
