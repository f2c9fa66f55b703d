// The spectrum image: the scale, one point per column with a narrow peak
// kept between columns, the grid, the highlighted band and the bins a click
// searches, the display's own click at 800 Hz; and tuning through the
// transceiver on a received tone.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "EmetteurRecepteurFactice.h"
#include "shell/FormatSon.h"
#include "transceiver/ImageAccord.h"

namespace vestral {
namespace {

using test::Banc;
using test::CanevasFactice;
using Remplissage = CanevasFactice::Remplissage;

TEST(Spectre, TableEchelle) {
  const auto& t = Table_echelle();
  const std::pair<int, int32_t> cas[] = {{0, 0},     {50, 100},  {100, 200}, {101, 200},
                                         {500, 270}, {999, 300}, {1000, 300}};
  for (const auto& [k, valeur] : cas) EXPECT_EQ(t[k], valeur) << "k = " << k;
}

TEST(Spectre, CadreEtGrille) {
  CanevasFactice canevas;  // 313 x 225, text heights 40 and 10: plot 175 high
  ImageAccord spectre(canevas);
  spectre.Preparer_spectre();
  const GeometrieSpectre& g = spectre.Geometrie();
  EXPECT_EQ(g.Hauteur_trace(), 175);
  EXPECT_EQ(g.Haut_trace(), 49);
  EXPECT_EQ(canevas.remplissages,
            (std::vector<Remplissage>{{0, 49, 312, 224, CouleurSpectre::Blanc}}));

  canevas.Vider();
  spectre.Dessiner_spectre(std::vector<int32_t>(1025, 0), true);
  // Eleven horizontal lines, then 26 vertical ones (labelled ones 2 pixels
  // higher), before the trace.
  const std::pair<std::size_t, CanevasFactice::Ligne> lignes[] = {
      {0, {0, 224, 312, 224}},   {1, {0, 207, 312, 207}}, {10, {0, 49, 312, 49}},
      {11, {0, 47, 0, 225}},     {12, {12, 49, 12, 225}}, {14, {37, 47, 37, 225}},
      {36, {312, 49, 312, 225}},
  };
  for (const auto& [i, ligne] : lignes) EXPECT_EQ(canevas.lignes.at(i), ligne) << "ligne " << i;
}

TEST(Spectre, UneRaieEntreDeuxColonnesResteVisible) {
  GeometrieSpectre g{313, 225, 40, 10};
  std::vector<int32_t> spectre(1025, 0);
  // Columns 0 and 1 read bins 66 and 68: bin 67 falls between them.
  spectre[67] = 5000;
  const auto points = Points_du_spectre(spectre, g);
  ASSERT_EQ(points.size(), 313u);
  EXPECT_EQ(points[0], (PointSpectre{0, 224}));
  EXPECT_EQ(points[1], (PointSpectre{1, 224 - 270 * 175 / 300}));
  EXPECT_EQ(points[2], (PointSpectre{2, 224}));
  EXPECT_EQ(points[312].x, 312);
  // The height is capped at the full scale.
  spectre[67] = 100000;
  EXPECT_EQ(Points_du_spectre(spectre, g)[1].y, 224 - 175);
}

TEST(Spectre, BandesEtRaiesCherchees) {
  struct Cas {
    int x;
    bool etroite;
    BandeSpectre bande;
    PlageRaies raies;
  };
  const Cas cas[] = {
      {0, true, {0, 7}, {66, 85}},
      {312, true, {305, 313}, {878, 900}},
      {75, true, {68, 82}, {247, 284}},
      {75, false, {36, 114}, {162, 370}},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.x);
    CanevasFactice canevas;
    ImageAccord spectre(canevas);
    spectre.Preparer_spectre();
    canevas.Vider();
    ASSERT_TRUE(spectre.Clic(c.x, std::vector<int32_t>(1025, 0), c.etroite));
    EXPECT_EQ(canevas.remplissages.front(),
              (Remplissage{c.bande.gauche, 49, c.bande.droite, 224, CouleurSpectre::Aqua}));
    EXPECT_EQ(spectre.Raies_cherchees().premiere, c.raies.premiere);
    EXPECT_EQ(spectre.Raies_cherchees().derniere, c.raies.derniere);
  }
}

TEST(Spectre, ClicSurUneRaie) {
  CanevasFactice canevas;
  ImageAccord spectre(canevas);
  spectre.Preparer_spectre();
  std::vector<int32_t> s(1025, 0);
  // A line at bin 267 with a symmetric neighbourhood: 801.0 Hz.
  s[263] = s[271] = 1;
  s[265] = s[269] = 5;
  s[267] = 20;
  EXPECT_DOUBLE_EQ(*spectre.Clic(75, s, true), 801.0);
  EXPECT_EQ(Texte_frequence(801.0), " 801.0 Hz");
  EXPECT_EQ(Texte_frequence(800), " 800.0 Hz");
  EXPECT_EQ(Texte_frequence(2699.9), "2699.9 Hz");
  // Two equal peaks in the band: the higher one.
  s.assign(1025, 0);
  s[255] = s[275] = 100;
  EXPECT_DOUBLE_EQ(*spectre.Clic(75, s, true), 825.0);
}

TEST(Spectre, AccordInitialA800HzPuisBandeDeplacee) {
  EXPECT_EQ(Abscisse_800_hz(313), 75);
  CanevasFactice canevas;
  ImageAccord spectre(canevas);
  spectre.Preparer_spectre();
  const std::vector<int32_t> vide(1025, 0);
  canevas.Vider();
  spectre.Dessiner_spectre(vide, true);
  EXPECT_FALSE(spectre.Accord_initial());
  EXPECT_EQ(spectre.Abscisse_accord(), 75);
  EXPECT_EQ(canevas.Traces(CouleurSpectre::Blanc), 0);  // nothing to erase the first time
  EXPECT_EQ(canevas.remplissages,
            (std::vector<Remplissage>{{68, 49, 82, 224, CouleurSpectre::Aqua}}));

  // The operator clicks elsewhere: the band drawn at 800 Hz goes away.
  canevas.Vider();
  spectre.Clic(200, vide, true);
  EXPECT_EQ(canevas.remplissages,
            (std::vector<Remplissage>{{36, 49, 114, 224, CouleurSpectre::Blanc},
                                      {193, 49, 207, 224, CouleurSpectre::Aqua}}));
  // The next spectrum erases the previous trace and draws the band again
  // where the operator clicked.
  canevas.Vider();
  spectre.Dessiner_spectre(vide, true);
  EXPECT_EQ(canevas.Traces(CouleurSpectre::Blanc), 1);
  EXPECT_EQ(canevas.remplissages.back(), (Remplissage{193, 49, 207, 224, CouleurSpectre::Aqua}));
}

// A steady tone at `frequence` Hz on the card's input.
void Tonalite(Banc& b, double frequence) {
  b.carte.Source_capture([frequence, n = 0L](uint8_t* octets, std::size_t nombre) mutable {
    for (std::size_t i = 0; i < nombre; ++i, ++n)
      octets[i] = static_cast<uint8_t>(std::lround(
          128 +
          80 * std::sin(2 * std::numbers::pi * frequence * n / kFrequence_echantillonnage_entree)));
  });
}

TEST(Spectre, AccordSurUneTonaliteRecue) {
  Banc b;
  Tonalite(b, 1000);
  b.er.A_l_activation_de_la_fiche();
  for (int bloc = 0; bloc < 6; ++bloc) b.Bloc_recu();
  // The display's own clicks never retune.
  EXPECT_EQ(b.reception.Frequence_reception, 800);
  EXPECT_EQ(b.vue.textes[Etiquette::F_reception], " 800.0 Hz");

  // 1000 Hz is at x = (333 - 66) x 312 / 834 = 99.9.
  b.er.Image_spectreMouseDown(100);
  EXPECT_NEAR(b.er.Frequence_affichee(), 1000, 3);
  EXPECT_EQ(b.vue.textes[Etiquette::F_reception], Texte_frequence(b.er.Frequence_affichee()));
  EXPECT_EQ(b.reception.Frequence_reception, std::lround(b.er.Frequence_affichee()));
  const int accord = b.reception.Frequence_reception;
  for (int bloc = 0; bloc < 3; ++bloc) b.Bloc_recu();
  EXPECT_EQ(b.reception.Frequence_reception, accord);
  EXPECT_EQ(b.er.Accord().Abscisse_accord(), 100);
}

}  // namespace
}  // namespace vestral
