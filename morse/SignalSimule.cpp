#include "morse/SignalSimule.h"

#include "morse/Synthese.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vestral {

namespace {

constexpr double kPleine_echelle = 127.0;  // sample steps from silence to the peak

// Second-order Butterworth sections of the audio cookbook.
void Concevoir(double& b0, double& b1, double& b2, double& a1, double& a2, double coupure,
               bool passe_haut) {
  const double w = 2 * std::numbers::pi * coupure / kFrequence_echantillonnage_entree;
  const double alpha = std::sin(w) / (2 * std::numbers::sqrt2 / 2);
  const double c = std::cos(w);
  const double a0 = 1 + alpha;
  if (passe_haut) {
    b0 = (1 + c) / 2 / a0;
    b1 = -(1 + c) / a0;
  } else {
    b0 = (1 - c) / 2 / a0;
    b1 = (1 - c) / a0;
  }
  b2 = b0;
  a1 = -2 * c / a0;
  a2 = (1 - alpha) / a0;
}

}  // namespace

double SignalSimule::Biquad::Filtrer(double x) {
  const double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
  x2 = x1;
  x1 = x;
  y2 = y1;
  y1 = y;
  return y;
}

SignalSimule::SignalSimule(const Parametres_signal& p)
    : SignalSimule(p, [](std::string_view texte, int mots_par_minute, int frequence) {
        return Echantillons_du_texte(texte, mots_par_minute, frequence);
      }) {}

SignalSimule::SignalSimule(const Parametres_signal& p, const Synthese_morse& synthese)
    : longueur_pause_(static_cast<std::size_t>(std::max(0.0, p.pause_secondes) *
                                               kFrequence_echantillonnage_entree)),
      repeter_(p.repeter),
      generateur_(p.graine) {
  const double crete = std::clamp(p.amplitude, 0.0, 1.0) * kPleine_echelle;
  if (synthese && !p.texte.empty())
    for (uint8_t s : synthese(p.texte, p.mots_par_minute, p.frequence))
      morse_.push_back((static_cast<double>(s) - 128.0) / kPleine_echelle * crete);

  auto& h = passe_haut_;
  auto& l = passe_bas_;
  Concevoir(h.b0, h.b1, h.b2, h.a1, h.a2, p.bande_basse, true);
  Concevoir(l.b0, l.b1, l.b2, l.a1, l.a2,
            std::min(p.bande_haute, kFrequence_echantillonnage_entree * 0.45), false);

  // Noise power after the two filters, for white noise of variance 1.
  Biquad hh = h, ll = l;
  double gain = 0;
  for (int n = 0; n < 8192; ++n) {
    const double y = ll.Filtrer(hh.Filtrer(n == 0 ? 1.0 : 0.0));
    gain += y * y;
  }
  const double puissance_ton = crete * crete / 2;
  const double puissance_bruit = puissance_ton / std::pow(10.0, p.rapport_signal_bruit_db / 10);
  ecart_type_bruit_ = std::sqrt(puissance_bruit);
  ecart_type_blanc_ = gain > 0 ? std::sqrt(puissance_bruit / gain) : 0;
}

double SignalSimule::Bruit() {
  if (ecart_type_blanc_ == 0) return 0;
  return passe_bas_.Filtrer(passe_haut_.Filtrer(normale_(generateur_) * ecart_type_blanc_));
}

void SignalSimule::Produire(uint8_t* echantillons, std::size_t nombre) {
  const std::size_t cycle = morse_.size() + longueur_pause_;
  for (std::size_t i = 0; i < nombre; ++i) {
    double x = 0;
    if (position_ < morse_.size()) x = morse_[position_];
    if (position_ < cycle) ++position_;
    if (repeter_ && position_ == cycle) position_ = 0;
    x += Bruit();
    echantillons[i] = static_cast<uint8_t>(std::clamp(std::lround(128.0 + x), 0L, 255L));
  }
}

}  // namespace vestral
