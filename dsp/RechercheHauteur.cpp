#include "dsp/RechercheHauteur.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vestral {

namespace {
constexpr int kTaille = RechercheHauteur::kTaille_bloc;
constexpr int kMemoire = RechercheHauteur::kBlocs_memoire;
constexpr float kQuantile_bas = 0.2f;
constexpr int kBlocs_minimum = 20;  // about a second
}  // namespace

RechercheHauteur::RechercheHauteur(double frequence_echantillonnage)
    : frequence_echantillonnage_(frequence_echantillonnage),
      bloc_(kTaille),
      fenetre_(kTaille),
      tampon_(kTaille),
      facteurs_(kTaille / 2),
      inversion_(kTaille),
      tri_(kMemoire) {
  for (int n = 0; n < kTaille; ++n) {
    const double s = std::sin(std::numbers::pi * (n + 0.5) / kTaille);
    fenetre_[n] = static_cast<float>(s * s);
  }
  for (int k = 0; k < kTaille / 2; ++k) {
    const double w = -2.0 * std::numbers::pi * k / kTaille;
    facteurs_[k] = {static_cast<float>(std::cos(w)), static_cast<float>(std::sin(w))};
  }
  int bits = 0;
  while ((1 << bits) < kTaille) ++bits;
  for (int n = 0; n < kTaille; ++n) {
    int r = 0;
    for (int b = 0; b < bits; ++b) r |= ((n >> b) & 1) << (bits - 1 - b);
    inversion_[n] = r;
  }
  Regler_bande(200, 2700);
}

void RechercheHauteur::Regler_bande(double frequence_basse, double frequence_haute,
                                    int un_bloc_sur) {
  const double hertz_par_raie = frequence_echantillonnage_ / kTaille;
  raie_basse_ = std::clamp(static_cast<int>(std::floor(frequence_basse / hertz_par_raie)), 1,
                           kTaille / 2 - 2);
  raie_haute_ = std::clamp(static_cast<int>(std::ceil(frequence_haute / hertz_par_raie)),
                           raie_basse_ + 2, kTaille / 2 - 1);
  un_bloc_sur_ = std::max(1, un_bloc_sur);
  puissances_.assign(static_cast<std::size_t>(raie_haute_ - raie_basse_ + 1) * kMemoire, 0.0f);
  scores_.assign(static_cast<std::size_t>(raie_haute_ - raie_basse_ + 1), 0.0);
  Vider();
}

void RechercheHauteur::Vider() {
  remplissage_ = 0;
  bloc_courant_ = 0;
  blocs_ = 0;
  saut_ = 0;
  ignores_ = 0;
}

void RechercheHauteur::Analyser() {
  remplissage_ = 0;
  saut_ = un_bloc_sur_ - 1;
  for (int n = 0; n < kTaille; ++n) tampon_[inversion_[n]] = {bloc_[n] * fenetre_[n], 0.0f};
  for (int longueur = 2; longueur <= kTaille; longueur *= 2) {
    const int moitie = longueur / 2;
    const int pas = kTaille / longueur;
    for (int debut = 0; debut < kTaille; debut += longueur) {
      for (int k = 0; k < moitie; ++k) {
        const std::complex<float> t = facteurs_[k * pas] * tampon_[debut + k + moitie];
        tampon_[debut + k + moitie] = tampon_[debut + k] - t;
        tampon_[debut + k] += t;
      }
    }
  }
  for (int raie = raie_basse_; raie <= raie_haute_; ++raie) {
    puissances_[static_cast<std::size_t>(raie - raie_basse_) * kMemoire + bloc_courant_] =
        std::norm(tampon_[raie]);
  }
  bloc_courant_ = (bloc_courant_ + 1) % kMemoire;
  blocs_ = std::min(blocs_ + 1, kMemoire);
}

double RechercheHauteur::Score_raie(int raie) const {
  const float* p = &puissances_[static_cast<std::size_t>(raie - raie_basse_) * kMemoire];
  double somme = 0;
  for (int b = 0; b < blocs_; ++b) somme += p[b];
  std::copy_n(p, blocs_, tri_.begin());
  const int rang = static_cast<int>(kQuantile_bas * (blocs_ - 1));
  std::nth_element(tri_.begin(), tri_.begin() + rang, tri_.begin() + blocs_);
  return std::max(0.0, somme / blocs_ - tri_[rang]);
}

double RechercheHauteur::Score_a(double frequence) const {
  if (blocs_ < kBlocs_minimum) return 0;
  const int raie = static_cast<int>(std::lround(frequence * kTaille / frequence_echantillonnage_));
  if (raie < raie_basse_ || raie > raie_haute_) return 0;
  return Score_raie(raie);
}

HauteurTrouvee RechercheHauteur::Meilleure() const {
  HauteurTrouvee resultat;
  if (blocs_ < kBlocs_minimum) return resultat;
  const int n = raie_haute_ - raie_basse_ + 1;
  int meilleure = 0;
  for (int i = 0; i < n; ++i) {
    scores_[i] = Score_raie(raie_basse_ + i);
    if (scores_[i] > scores_[meilleure]) meilleure = i;
  }
  double decalage = 0;
  if (meilleure > 0 && meilleure < n - 1) {
    // The peak between its neighbours (a parabola through the three).
    const double a = scores_[meilleure - 1], b = scores_[meilleure], c = scores_[meilleure + 1];
    const double d = a - 2 * b + c;
    if (d < 0) decalage = std::clamp(0.5 * (a - c) / d, -0.5, 0.5);
  }
  resultat.score = scores_[meilleure];
  std::vector<double>& tri = scores_;
  std::nth_element(tri.begin(), tri.begin() + n / 2, tri.begin() + n);
  resultat.score_median = tri[n / 2];
  resultat.trouvee = resultat.score > 0;
  resultat.frequence = (raie_basse_ + meilleure + decalage) * frequence_echantillonnage_ / kTaille;
  return resultat;
}

}  // namespace vestral
