#include "morse/TRADUCTION_MORSE.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

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

}  // namespace

Decodeur::Decodeur(ReglagesReception& reglages, FiltreTonalite& filtre)
    : reglages_(reglages), filtre_(filtre) {
  Preparer();
}

void Decodeur::Preparer() {
  marche_ = Tache();
  suspendu_ = {};
  besoin_ = Besoin::Bloc;
  arret_ = false;
  en_attente_.clear();
  en_attente_.reserve(kTaille_bloc_reception);
  pousses_ = total_ = lecture_ = 0;
  attente_ = 0;
  attente_en_lecture_ = false;
  duree_silence_ = kDuree_saturee;
  resynchronisation_ = false;
  caractere_emis_ = fin_caractere_ = fin_mot_ = false;
  point_recu_.fill(false);
  trait_recu_.fill(false);
  etat_ = 0;
  motif_.clear();
  position_courante_ = position_repere_ = 0;
  releves_.clear();
  releve_suivant_ = 0;
  // Until the first millisecond step: the values as they stand.
  enveloppe_vue_ = filtre_.Enveloppe_filtree();
  seuil_vu_ = filtre_.Seuil_filtrage();
  duree_point_vue_ = filtre_.Duree_point_reception();
  relance_ = false;
  crete_entree_ = 0;
  evenements_.clear();
  marche_ = Marche();
  marche_.Demarrer();  // up to its first wait for a block
}

void Decodeur::Pousser(std::span<const uint8_t> echantillons) {
  pousses_ += static_cast<int64_t>(echantillons.size());
  if (arret_) return;
  const auto taille = static_cast<std::size_t>(kTaille_bloc_reception);
  while (!echantillons.empty()) {
    if (en_attente_.empty() && echantillons.size() >= taille) {
      Ajouter_bloc(echantillons.first(taille));
      echantillons = echantillons.subspan(taille);
      continue;
    }
    const std::size_t k = std::min(taille - en_attente_.size(), echantillons.size());
    en_attente_.insert(en_attente_.end(), echantillons.begin(),
                       echantillons.begin() + static_cast<std::ptrdiff_t>(k));
    echantillons = echantillons.subspan(k);
    if (en_attente_.size() == taille) {
      Ajouter_bloc(en_attente_);
      en_attente_.clear();
    }
  }
}

void Decodeur::Terminer() {
  if (arret_) return;
  if (!en_attente_.empty()) {
    // The last block is completed with silence, as a capture block would be.
    en_attente_.resize(kTaille_bloc_reception, uint8_t{128});
    Ajouter_bloc(en_attente_);
    en_attente_.clear();
  }
  arret_ = true;
  Reprendre();
}

void Decodeur::Prendre_evenements(std::vector<EvenementDecodeur>& evenements) {
  evenements.insert(evenements.end(), evenements_.begin(), evenements_.end());
  evenements_.clear();
}

void Decodeur::Ajouter_bloc(std::span<const uint8_t> bloc) {
  // The steps already replayed are forgotten.
  releves_.erase(releves_.begin(), releves_.begin() + static_cast<std::ptrdiff_t>(releve_suivant_));
  releve_suivant_ = 0;
  const int64_t debut = total_;
  total_ += kTaille_bloc_reception;
  releves_bloc_.clear();
  filtre_.Enregistrer_releves(&releves_bloc_);
  Filtrer(bloc.data(), kTaille_bloc_reception, debut);
  filtre_.Enregistrer_releves(nullptr);
  for (const Releve& r : releves_bloc_)
    releves_.push_back({debut + r.apres, r.enveloppe, r.seuil, r.duree_point});
  Reprendre();
}

void Decodeur::Reprendre() {
  if (!suspendu_) return;
  if (besoin_ == Besoin::Attente_ms && !Poursuivre_attente()) return;
  if (besoin_ == Besoin::Echantillon && !arret_ && Non_lus() == 0) return;
  std::exchange(suspendu_, {}).resume();
}

void Decodeur::Prendre(int nombre) {
  lecture_ += nombre;
  while (releve_suivant_ < releves_.size() && releves_[releve_suivant_].apres <= lecture_) {
    const ReleveVu& r = releves_[releve_suivant_++];
    enveloppe_vue_ = r.enveloppe;
    seuil_vu_ = r.seuil;
    duree_point_vue_ = r.duree_point;
  }
}

void Decodeur::Appliquer_relance() {
  etat_ = 0;
  motif_.clear();
  position_courante_ = position_repere_ = 0;
}

int Decodeur::Duree_point() const {
  return duree_point_vue_ > 0 ? duree_point_vue_ : 1;
}

bool Decodeur::Echantillons_restants(int minimum) const {
  const int64_t non_lus = total_ - Debut_fenetre() - Position_lecture();
  return non_lus * 1000 / kFrequence_echantillonnage_entree >= minimum;
}

void Decodeur::Filtrer(const uint8_t* echantillons, int nombre, int64_t position) {
  while (nombre > 0) {
    // Up to the next sample after which something is looked at: the
    // signal presence, the speed display.
    const int n =
        std::min({nombre, kEchantillons_presence - compteur_echantillons_ % kEchantillons_presence,
                  kEchantillons_vitesse - compteur_echantillons_});
    for (int i = kPas_niveau_entree - 1 - compteur_niveau_; i < n; i += kPas_niveau_entree) {
      const int32_t v = std::abs(2 * echantillons[i] - 255) * 20;
      crete_entree_ = v > crete_entree_ ? v : (crete_entree_ > 0 ? crete_entree_ - 1 : 0);
    }
    compteur_niveau_ = (compteur_niveau_ + n) % kPas_niveau_entree;
    filtre_.Traiter_echantillons(echantillons, n);
    echantillons += n;
    nombre -= n;
    position += n;

    compteur_echantillons_ += n;
    if (compteur_echantillons_ % kEchantillons_presence == 0) {
      const int32_t enveloppe = filtre_.Enveloppe_filtree();
      const int32_t seuil = filtre_.Seuil_filtrage();
      Ajouter_evenement(TypeEvenement::Enveloppe, position, enveloppe);
      Ajouter_evenement(TypeEvenement::Seuil, position, seuil);
      Ajouter_evenement(TypeEvenement::Presence, position, enveloppe > seuil ? 1 : 0);
    }
    if (compteur_echantillons_ == kEchantillons_vitesse) {
      Ajouter_evenement(TypeEvenement::Vitesse, position,
                        reglages_.Vitesse_auto == 1 ? filtre_.Vitesse_estimee()
                                                    : reglages_.Vitesse_reception.load());
      compteur_echantillons_ = 0;
    }
  }
  Ajouter_evenement(TypeEvenement::Niveau_entree, position,
                    crete_entree_ * 100 / kPleine_echelle_entree);
}

// ------------------------------------------------------------------ the walk

detail::Tache<void> Decodeur::Marche() {
  while (!arret_) {
    if (relance_.exchange(false)) Appliquer_relance();
    co_await Pas_decodeur();
    // Waiting for a tone with less than a millisecond unread: the next block.
    if (etat_ == 1 && !Echantillons_restants(1)) co_await AttenteBloc{{*this, Besoin::Bloc}};
  }
}

Decodeur::AttenteMs Decodeur::Attendre_ms(int n) {
  attente_ = n * kFrequence_echantillonnage_entree / 1000;
  attente_en_lecture_ = false;
  return {{*this, Besoin::Attente_ms}};
}

bool Decodeur::Poursuivre_attente() {
  // Counted in positions of the window, which slides by a block.
  for (;;) {
    if (!attente_en_lecture_) {
      if (arret_) return true;
      // The samples this wait will read for sure, before its last one, are
      // taken together: no position check can end it before.
      const int32_t position = Position_lecture();
      if (position >= position_repere_) {
        const int64_t reste = attente_ - (position - position_repere_) - 1;
        if (reste > 0) Prendre(static_cast<int>(std::min(reste, Non_lus())));
      }
      attente_en_lecture_ = true;
    }
    // Lire_echantillon
    if (arret_) return true;
    if (Non_lus() == 0) return false;
    attente_en_lecture_ = false;
    Prendre(1);
    position_courante_ = Position_lecture();
    if (position_courante_ - position_repere_ >= attente_ ||
        position_courante_ < position_repere_) {
      position_repere_ = position_courante_;
      return true;
    }
  }
}

detail::Tache<bool> Decodeur::Attendre_tonalite() {
  etat_manipulation_ = false;
  int t = 0;
  while (!etat_manipulation_ && t < 100) {
    etat_manipulation_ = co_await Lire_manipulation();
    t += 2;
    co_await Attendre_ms(2);
  }
  co_return etat_manipulation_;
}

detail::Tache<uint16_t> Decodeur::Mesurer_marque() {
  int d = 0;
  while (etat_manipulation_ && d < kTrait_max * Duree_point() / 10) {
    d += 2;
    etat_manipulation_ = co_await Lire_manipulation();
    co_await Attendre_ms(2);
  }
  if (etat_manipulation_ && d >= kTrait_max * Duree_point() / 10) d = kDuree_saturee;
  co_return static_cast<uint16_t>(d);
}

detail::Tache<uint16_t> Decodeur::Mesurer_espace() {
  int d = 0;
  while (!etat_manipulation_ && d < kEspace_mot_min * Duree_point() / 10) {
    d += 2;
    etat_manipulation_ = co_await Lire_manipulation();
    co_await Attendre_ms(2);
  }
  if (!etat_manipulation_ && d >= kEspace_mot_min * Duree_point() / 10) d = kDuree_saturee;
  duree_silence_ = static_cast<uint16_t>(d);
  co_return duree_silence_;
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

detail::Tache<void> Decodeur::Mesurer_element(int k, int car_point, int car_trait) {
  point_recu_[k] = trait_recu_[k] = false;
  fin_caractere_ = fin_mot_ = false;
  duree_silence_ = 0;
  const uint16_t marque = co_await Mesurer_marque();
  if (marque == kDuree_saturee) co_return;
  const uint16_t espace = co_await Mesurer_espace();
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

detail::Tache<void> Decodeur::Pas_decodeur() {
  position_repere_ = position_courante_;
  if (etat_ == 0) {
    caractere_emis_ = false;
    if (!Echantillons_restants(0)) co_return;
    if (duree_silence_ * 10 < Duree_point() * kEspace_caractere_min && resynchronisation_) {
      // After an abandoned walk, wait for a character gap of silence.
      duree_silence_ = 0;
      while (duree_silence_ * 10 < Duree_point() * kEspace_caractere_min) {
        if (arret_) co_return;
        if (co_await Lire_manipulation()) {
          duree_silence_ = 0;
          if (!Echantillons_restants(0)) co_return;
        }
        co_await Attendre_ms(10);
        duree_silence_ += 10;
      }
      resynchronisation_ = false;
    }
    etat_ = 1;
    co_return;
  }
  if (etat_ == 1) {
    if (Echantillons_restants(1) && co_await Attendre_tonalite()) {
      etat_ = 2;
      motif_.clear();
    }
    co_return;
  }
  if (!Echantillons_restants(0)) co_return;
  const int k = static_cast<int>(motif_.size()) + 1;
  if (!Noeud_a_des_enfants(motif_) || k == 10) {
    Abandon();
    co_return;
  }
  co_await Mesurer_element(k, Caractere_du_noeud(motif_ + '.'), Caractere_du_noeud(motif_ + '_'));
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
  Ajouter_evenement(TypeEvenement::Caractere, lecture_, c);
}

}  // namespace vestral
