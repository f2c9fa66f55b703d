// The spectrum image of the transceiver window and the tuning click on it.
//
// The pixel rules live here: the vertical scale (linear to a tenth of full
// scale, logarithmic above), one point per column with a narrow peak kept
// between columns, the dotted grid, the highlighted band around the tuned
// frequency and the bins a click searches. Drawing goes through
// CanevasSpectre, which the window implements on its image (and the tests
// record). User-interface thread only.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "dsp/Accord.h"

namespace vestral {

constexpr int kFrequence_min_affichee = 200;
constexpr int kFrequence_max_affichee = 2700;
constexpr int kNombre_graduations = 25;
constexpr int kPleine_echelle = 300;
constexpr int kLargeur_maximale_spectre = 1001;

struct PointSpectre {
  int x, y;
  bool operator==(const PointSpectre&) const = default;
};

enum class CouleurSpectre { Blanc, Bleu, Rouge, Aqua, Lime };

class CanevasSpectre {
 public:
  virtual ~CanevasSpectre() = default;
  virtual int Largeur() const = 0;
  virtual int Hauteur() const = 0;
  // Text (CP1252) with its top-left corner at (x, y): the title in bold
  // blue on lime, or the scale line in the small font. Answers the text's
  // height in pixels.
  virtual int Ecrire_titre(int x, int y, const std::string& texte) = 0;
  virtual int Ecrire_echelle(int x, int y, const std::string& texte) = 0;
  // Fills columns gauche..droite-1 of rows haut..bas-1.
  virtual void Remplir(int gauche, int haut, int droite, int bas, CouleurSpectre couleur) = 0;
  // A dotted blue line from (x0, y0) to (x1, y1), the end point excluded.
  virtual void Ligne_pointillee(int x0, int y0, int x1, int y1) = 0;
  // A solid line through the points.
  virtual void Polyligne(std::span<const PointSpectre> points, CouleurSpectre couleur) = 0;
  // The image is shown again with what was drawn.
  virtual void Repeindre() = 0;
};

// Vertical scale: entry k is 2k up to k = 100, then round(100 log10 k);
// entry 1000 is 300 (Pleine_echelle).
const std::array<int32_t, 1001>& Table_echelle();

// Sizes of the image and of its two text lines, and what follows from them.
struct GeometrieSpectre {
  int W = 0;                // width
  int B = 0;                // height, the bottom edge
  int Hauteur_titre = 0;    // title line
  int Hauteur_echelle = 0;  // scale line
  int Hauteur_trace() const { return B - Hauteur_titre - Hauteur_echelle; }
  int Haut_trace() const { return B - Hauteur_trace() - 1; }  // top row of the plot
  // Row on which the display clicks for itself.
  int Ordonnee_clic() const { return B - Hauteur_trace() / 2 - 1; }
};

// One point per column, from bin 66 (200 Hz) to bin 900 (2700 Hz).
std::vector<PointSpectre> Points_du_spectre(std::span<const int32_t> spectre,
                                            const GeometrieSpectre& geometrie);

// The highlighted band around x: half-width W div 40 (narrow) or W div 8
// (wide), kept inside 0..W.
struct BandeSpectre {
  int gauche, droite;
  bool operator==(const BandeSpectre&) const = default;
};
BandeSpectre Bande_autour(int x, int largeur, bool bande_etroite);

// The column of 800 Hz, where the first spectrum after start-up tunes.
int Abscisse_800_hz(int largeur);

// Caption of F_reception: six characters with one decimal, then " Hz".
std::string Texte_frequence(double frequence);

class ImageAccord {
 public:
  explicit ImageAccord(CanevasSpectre& canevas) : canevas_(canevas) {}

  // The empty frame: title, scale line, white plot.
  void Preparer_spectre();
  // Draws one spectrum (bins 60..907 valid), then redraws the band where
  // the last click was (the first time: at 800 Hz), without retuning.
  void Dessiner_spectre(std::span<const int32_t> spectre, bool bande_etroite);
  // A click of the operator at column x: the band moves there and the
  // strongest line inside it is searched. Answers Frequence_affichee (Hz,
  // one decimal), or nothing before the frame exists.
  std::optional<double> Clic(int x, std::span<const int32_t> spectre, bool bande_etroite);

  const GeometrieSpectre& Geometrie() const { return geometrie_; }
  bool Accord_initial() const { return accord_initial_; }
  int Abscisse_accord() const { return abscisse_accord_; }
  // Bins searched by the last real click.
  PlageRaies Raies_cherchees() const { return raies_cherchees_; }

 private:
  void Tracer_grille();
  void Marquer_bande(int x, bool bande_etroite);

  CanevasSpectre& canevas_;
  GeometrieSpectre geometrie_;
  std::vector<PointSpectre> points_trace_, points_precedents_;
  bool accord_initial_ = true;
  int abscisse_accord_ = 0;
  int abscisse_bande_ = 0;
  bool bande_affichee_ = false;
  PlageRaies raies_cherchees_{0, 0};
};

}  // namespace vestral
