#include "dsp/DecisionManipulation.h"

#include <algorithm>
#include <limits>

namespace vestral {

namespace {
constexpr float kImpossible = -1e30f;
constexpr int kHistorique = DecisionManipulation::kRetard_max + 1;
}  // namespace

int DecisionManipulation::Convertir(int etat, int de, int vers) {
  const bool marque = etat < de;
  const int compte = marque ? etat : etat - de;
  const int nouveau = std::min(compte, vers - 1);
  return marque ? nouveau : vers + nouveau;
}

void DecisionManipulation::Regler(int duree_min, int retard, float cout_changement) {
  duree_min = std::clamp(duree_min, 2, kDuree_min_max);
  retard_ = std::clamp(retard, 1, kRetard_max);
  cout_ = cout_changement;
  if (duree_min == duree_min_) return;
  // The scores move to the new chains: counts beyond the end join the last
  // state, which keeps the better score.
  const int ancien = duree_min_;
  std::array<float, 2 * kDuree_min_max> converti;
  converti.fill(kImpossible);
  for (int etat = 0; etat < 2 * ancien; ++etat) {
    const int vers = Convertir(etat, ancien, duree_min);
    converti[vers] = std::max(converti[vers], scores_[etat]);
  }
  // A longer chain: the counts the old one could not hold take its last.
  for (int i = ancien; i < duree_min; ++i) {
    converti[i] = std::max(converti[i], scores_[ancien - 1]);
    converti[duree_min + i] = std::max(converti[duree_min + i], scores_[2 * ancien - 1]);
  }
  scores_ = converti;
  duree_min_ = duree_min;
}

void DecisionManipulation::Vider() {
  scores_.fill(kImpossible);
  scores_[2 * duree_min_ - 1] = 0;  // a long silence
  historique_.fill({});
  ecriture_ = 0;
  trames_ = 0;
}

int DecisionManipulation::Pousser(float llr) {
  const int m = duree_min_;
  const float e_marque = 0.5f * llr;
  const float e_espace = -0.5f * llr;
  Pas pas;
  pas.duree_min = static_cast<uint8_t>(m);
  // Marks.
  nouveaux_[0] = scores_[2 * m - 1] - cout_ + e_marque;
  for (int i = 1; i < m - 1; ++i) nouveaux_[i] = scores_[i - 1] + e_marque;
  {
    const float reste = scores_[m - 1], arrive = scores_[m - 2];
    if (reste >= arrive) pas.choix |= 1;
    nouveaux_[m - 1] = std::max(reste, arrive) + e_marque;
  }
  // Spaces.
  nouveaux_[m] = scores_[m - 1] - cout_ + e_espace;
  for (int i = 1; i < m - 1; ++i) nouveaux_[m + i] = scores_[m + i - 1] + e_espace;
  {
    const float reste = scores_[2 * m - 1], arrive = scores_[2 * m - 2];
    if (reste >= arrive) pas.choix |= 2;
    nouveaux_[2 * m - 1] = std::max(reste, arrive) + e_espace;
  }
  float meilleur = kImpossible;
  int etat = 0;
  for (int i = 0; i < 2 * m; ++i) {
    if (nouveaux_[i] > meilleur) {
      meilleur = nouveaux_[i];
      etat = i;
    }
  }
  for (int i = 0; i < 2 * m; ++i) scores_[i] = std::max(nouveaux_[i] - meilleur, kImpossible);

  historique_[ecriture_] = pas;
  const int courant = ecriture_;
  ecriture_ = (ecriture_ + 1) % kHistorique;
  ++trames_;
  if (trames_ <= retard_) return -1;

  // Back from the best state of this frame to the frame retard_ frames ago.
  int index = courant;
  for (int k = 0; k < retard_; ++k) {
    const Pas& p = historique_[index];
    const int mm = p.duree_min;
    int precedent;
    if (etat < mm) {
      if (etat == 0)
        precedent = 2 * mm - 1;
      else if (etat == mm - 1)
        precedent = (p.choix & 1) ? mm - 1 : mm - 2;
      else
        precedent = etat - 1;
    } else {
      const int i = etat - mm;
      if (i == 0)
        precedent = mm - 1;
      else if (i == mm - 1)
        precedent = (p.choix & 2) ? 2 * mm - 1 : 2 * mm - 2;
      else
        precedent = etat - 1;
    }
    index = index == 0 ? kHistorique - 1 : index - 1;
    const int mm_avant = historique_[index].duree_min;
    etat = (mm_avant != 0 && mm_avant != mm) ? Convertir(precedent, mm, mm_avant) : precedent;
  }
  return etat < historique_[index].duree_min ? 1 : 0;
}

}  // namespace vestral
