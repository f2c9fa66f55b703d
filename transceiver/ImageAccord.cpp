#include "transceiver/ImageAccord.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "dsp/FFT.h"

namespace vestral {

namespace {

constexpr int kRaies_affichees = kRaie_max_affichee - kRaie_min_affichee;  // 834

const char kTitre[] = "      Spectre (Hz)        ";
const char kEchelle[] = "200  500         1000         1500        2000         2500      ";

bool Graduation_marquee(int a) {
  return a == 0 || a == 3 || a == 8 || a == 13 || a == 18 || a == 23;
}

}  // namespace

const std::array<int32_t, 1001>& Table_echelle() {
  static const std::array<int32_t, 1001> table = [] {
    std::array<int32_t, 1001> t{};
    for (int k = 0; k <= 100; ++k) t[k] = 2 * k;
    for (int k = 100; k <= 1000; ++k)
      t[k] = static_cast<int32_t>(std::nearbyint(100 * std::log10(static_cast<double>(k))));
    return t;
  }();
  return table;
}

std::vector<PointSpectre> Points_du_spectre(std::span<const int32_t> spectre,
                                            const GeometrieSpectre& g) {
  std::vector<PointSpectre> points;
  if (g.W < 2) return points;
  const auto& echelle = Table_echelle();
  const int crete = Chercher_raie(spectre, kRaie_min_affichee, kRaie_max_affichee);
  points.reserve(static_cast<std::size_t>(g.W));
  int raie_precedente = kRaie_min_affichee - 1;
  for (int d = 0; d < g.W; ++d) {
    const int raie = d * kRaies_affichees / (g.W - 1) + kRaie_min_affichee;
    // A narrow peak that falls between two columns shows in the column
    // that passes it.
    const int lue = (crete > raie_precedente && crete <= raie) ? crete : raie;
    const int h = std::min(spectre[lue] / 10, 1000);
    points.push_back({d, g.B - 1 - echelle[std::max(h, 0)] * g.Hauteur_trace() / kPleine_echelle});
    raie_precedente = raie;
  }
  return points;
}

BandeSpectre Bande_autour(int x, int largeur, bool bande_etroite) {
  const int demi = bande_etroite ? largeur / 40 : largeur / 8;
  return {std::max(x - demi, 0), std::min(x + demi, largeur)};
}

int Abscisse_800_hz(int largeur) {
  const int x10 = (800 / kHertz_par_raie - kRaie_min_affichee) * 10 * largeur / kRaies_affichees;
  return x10 / 10 + (x10 % 10 > 5 ? 1 : 0);
}

std::string Texte_frequence(double frequence) {
  char texte[32];
  std::snprintf(texte, sizeof texte, "%6.1f Hz", frequence);
  return texte;
}

void ImageAccord::Preparer_spectre() {
  geometrie_.W = std::clamp(canevas_.Largeur(), 0, kLargeur_maximale_spectre);
  geometrie_.B = canevas_.Hauteur();
  geometrie_.Hauteur_titre = canevas_.Ecrire_titre(0, 0, kTitre);
  geometrie_.Hauteur_echelle = canevas_.Ecrire_echelle(0, geometrie_.Hauteur_titre - 2, kEchelle);
  canevas_.Remplir(0, geometrie_.Haut_trace(), geometrie_.W - 1, geometrie_.B - 1,
                   CouleurSpectre::Blanc);
  canevas_.Repeindre();
}

void ImageAccord::Tracer_grille() {
  const GeometrieSpectre& g = geometrie_;
  for (int i = 0; i <= 10; ++i) {
    const int y = g.B - (i * g.Hauteur_trace() / 10 + 1);
    canevas_.Ligne_pointillee(0, y, g.W - 1, y);
  }
  for (int a = 0; a <= kNombre_graduations; ++a) {
    const int x = a * (g.W - 1) / kNombre_graduations;
    const int haut = g.Hauteur_titre + g.Hauteur_echelle - 1 - (Graduation_marquee(a) ? 2 : 0);
    canevas_.Ligne_pointillee(x, haut, x, g.B);
  }
  canevas_.Polyligne(points_trace_, CouleurSpectre::Rouge);
  canevas_.Repeindre();
}

void ImageAccord::Dessiner_spectre(std::span<const int32_t> spectre, bool bande_etroite) {
  if (geometrie_.W < 2) return;
  points_trace_ = Points_du_spectre(spectre, geometrie_);
  if (!accord_initial_) canevas_.Polyligne(points_precedents_, CouleurSpectre::Blanc);
  Tracer_grille();
  points_precedents_ = points_trace_;
  if (accord_initial_) {
    accord_initial_ = false;
    abscisse_accord_ = Abscisse_800_hz(geometrie_.W);
  }
  // The display's own click only moves the band, it never retunes.
  Marquer_bande(abscisse_accord_, bande_etroite);
}

void ImageAccord::Marquer_bande(int x, bool bande_etroite) {
  const GeometrieSpectre& g = geometrie_;
  abscisse_accord_ = x;
  if (bande_affichee_) {
    // Erased at the wide width, whatever the band is now.
    const BandeSpectre ancienne = Bande_autour(abscisse_bande_, g.W, false);
    canevas_.Remplir(ancienne.gauche, g.Haut_trace(), ancienne.droite, g.B - 1,
                     CouleurSpectre::Blanc);
  }
  const BandeSpectre bande = Bande_autour(x, g.W, bande_etroite);
  canevas_.Remplir(bande.gauche, g.Haut_trace(), bande.droite, g.B - 1, CouleurSpectre::Aqua);
  Tracer_grille();
  // Noted for the display's own clicks too, so that the band drawn at
  // 800 Hz is erased when the operator first clicks elsewhere.
  abscisse_bande_ = x;
  bande_affichee_ = true;
}

std::optional<double> ImageAccord::Clic(int x, std::span<const int32_t> spectre,
                                        bool bande_etroite) {
  if (geometrie_.W < 2) return std::nullopt;
  x = std::clamp(x, 0, geometrie_.W - 1);
  Marquer_bande(x, bande_etroite);
  const BandeSpectre bande = Bande_autour(x, geometrie_.W, bande_etroite);
  raies_cherchees_ = Pixels_en_raies(bande.gauche, bande.droite, geometrie_.W);
  const int raie = Chercher_raie(spectre, raies_cherchees_.premiere, raies_cherchees_.derniere);
  return Frequence_du_centre(Centre_raie(spectre, raie));
}

}  // namespace vestral
