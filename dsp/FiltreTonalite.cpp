#include "dsp/FiltreTonalite.h"

#include <algorithm>

namespace vestral {

FiltreTonalite::FiltreTonalite(ReglagesReception& reglages) : reglages_(reglages) {}

bool FiltreTonalite::Choisir_jeu(Jeu jeu) {
  if (!passe_bande_.Choisir_jeu(jeu)) return false;
  return passe_bas_.Choisir_jeu(jeu);
}

void FiltreTonalite::Preparer_filtres() {
  enveloppe_.Vider();
  vitesse_.Preparer();
  Regler_passe_bande();
  passe_bande_.Vider();
  passe_bas_.Preparer();
  Prendre_choix();
}

void FiltreTonalite::Regler_passe_bande() {
  passe_bande_.Regler(reglages_.Frequence_reception, reglages_.Bande_etroite == 1);
}

void FiltreTonalite::Prendre_choix() {
  if (Choix_vitesse_en_attente()) {
    vitesse_.Redemarrer();
    choix_vitesse_vu_.store(reglages_.Choix_vitesse_auto.load(std::memory_order_relaxed),
                            std::memory_order_relaxed);
  }
  if (reglages_.Seuil_auto == 1) {
    if (Choix_seuil_en_attente()) {
      seuil_auto_ = reglages_.Seuil_filtrage;
      choix_seuil_vu_ = reglages_.Choix_seuil.load(std::memory_order_relaxed);
      seuil_auto_suivi_ = true;
    }
  } else {
    seuil_auto_suivi_ = false;
  }
}

uint16_t FiltreTonalite::Seuil_filtrage() const {
  if (reglages_.Seuil_auto != 1 || Choix_seuil_en_attente()) return reglages_.Seuil_filtrage;
  return seuil_auto_;
}

int32_t FiltreTonalite::Vitesse_estimee() const {
  return Choix_vitesse_en_attente() ? EstimateurVitesse::kVitesse_depart : vitesse_.Vitesse();
}

uint16_t FiltreTonalite::Duree_point_reception() const {
  if (reglages_.Vitesse_auto != 1) return reglages_.Duree_point_reception;
  return Choix_vitesse_en_attente() ? EstimateurVitesse::kDuree_point_depart
                                    : vitesse_.Duree_point();
}

void FiltreTonalite::Traiter_echantillons(const uint8_t* echantillons, int nombre) {
  // A new coefficient set is taken before the band-pass steps of the batch.
  passe_bande_.Appliquer_reglage();
  while (nombre > 0) {
    const int n = std::min(nombre, PasseBande::kMorceau);
    Traiter_morceau(echantillons, n);
    echantillons += n;
    nombre -= n;
  }
}

void FiltreTonalite::Traiter_morceau(const uint8_t* e, int n) {
  int32_t tenue = passe_bande_.Sortie();
  const int32_t* sorties = passe_bande_.Filtrer(e, n).data();
  int i = 0;
  while (i < n) {
    i += enveloppe_.Avancer(n - i, sorties, tenue);
    if (!enveloppe_.Pas_complet()) break;
    Pas_milliseconde(enveloppe_.Prendre_somme());
    if (releves_ != nullptr)
      releves_->push_back(
          {traites_ + i, Enveloppe_filtree(), Seuil_filtrage(), Duree_point_reception()});
  }
  traites_ += n;
}

void FiltreTonalite::Pas_milliseconde(int32_t somme) {
  Prendre_choix();
  const int vitesse =
      reglages_.Vitesse_auto == 1 ? vitesse_.Vitesse() : reglages_.Vitesse_reception.load();
  passe_bas_.Pas(somme, vitesse);
  ++compteur_pas_;
  somme_trois_pas_ += somme;
  if (compteur_pas_ >= kPas_par_pas_lent) Pas_lent();
}

void FiltreTonalite::Pas_lent() {
  const double a = somme_trois_pas_ / kPas_par_pas_lent;
  niveau_.Pas(a);
  compteur_pas_ = 0;
  somme_trois_pas_ = 0;
  if (reglages_.Seuil_auto == 1) seuil_auto_ = niveau_.Seuil(0.05);
  if (reglages_.Vitesse_auto == 1) {
    // A slow sender: the threshold is raised.
    if (vitesse_.Pas(a, niveau_.Niveau_moyen()) && reglages_.Seuil_auto == 1)
      seuil_auto_ = niveau_.Seuil(0.1);
  }
}

}  // namespace vestral
