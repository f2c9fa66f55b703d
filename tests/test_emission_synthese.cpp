#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "FenetreEmissionFactice.h"
#include "morse/Synthese.h"

namespace vestral {
namespace {

// A signal as runs of tone ('T') and silence ('S'); a tone never holds the
// value 128.
struct Plage {
  char genre;
  std::size_t longueur;
  bool operator==(const Plage&) const = default;
};
std::vector<Plage> Plages(const std::vector<uint8_t>& echantillons) {
  std::vector<Plage> plages;
  for (uint8_t e : echantillons) {
    const char genre = e == kEchantillon_silence ? 'S' : 'T';
    if (plages.empty() || plages.back().genre != genre) plages.push_back({genre, 0});
    ++plages.back().longueur;
  }
  return plages;
}
std::string Texte(const std::vector<Plage>& plages) {
  std::string t;
  for (const auto& p : plages) t += p.genre + std::to_string(p.longueur) + " ";
  return t;
}

TEST(Synthese, LongueursAuxHuitVitesses) {
  struct Ligne {
    int vitesse, d, point, trait, mot, seuil;
  } lignes[] = {{10, 125, 1378, 4134, 5512, 27500}, {13, 96, 1058, 3175, 4233, 21120},
                {16, 78, 859, 2579, 3439, 17160},   {20, 62, 683, 2050, 2734, 13640},
                {26, 48, 529, 1587, 2116, 10560},   {33, 37, 407, 1223, 1631, 8140},
                {43, 29, 319, 959, 1278, 6380},     {54, 23, 253, 760, 1014, 5060}};
  for (const auto& l : lignes) {
    SCOPED_TRACE(l.vitesse);
    ASSERT_EQ(Duree_point(l.vitesse), l.d);
    SyntheseMorse s;
    s.Preparer(l.d, 800);
    EXPECT_EQ(s.Son_point().size(), l.point);
    EXPECT_EQ(s.Silence_point().size(), l.point);
    EXPECT_EQ(s.Son_trait().size(), l.trait);
    EXPECT_EQ(s.Silence_trait().size(), l.trait);
    EXPECT_EQ(s.Silence_mot().size(), l.mot);
    EXPECT_EQ(s.Seuil_remplissage(), l.seuil);
  }
}

TEST(Synthese, OndeEtPremierEchantillon) {
  SyntheseMorse s;
  s.Preparer(62, 800);
  const auto& onde = s.Onde_emission();
  for (auto [degre, valeur] :
       {std::pair{0, 127}, {26, 183}, {90, 254}, {180, 127}, {270, 0}, {360, 127}})
    EXPECT_EQ(onde[degre], valeur) << degre;
  for (int32_t v : onde) ASSERT_TRUE(v >= 0 && v <= 254);

  // Every element starts from phase 0: one step of 26122 reads entry 26.
  EXPECT_EQ(s.Son_point().front(), 183);
  EXPECT_EQ(s.Son_trait().front(), 183);
  EXPECT_TRUE(std::equal(s.Son_point().begin(), s.Son_point().end(), s.Son_trait().begin()));
  // One period is 360000 / 26122 = 13.8 samples: sample 14 is back near the start.
  EXPECT_EQ(s.Son_trait()[13], onde[(14 * 26122 - 360000) / 1000]);
}

TEST(Synthese, TextesA20Mots) {
  using P = std::vector<Plage>;
  const Plage point{'T', 683}, trait{'T', 2050}, un{'S', 683}, trois{'S', 2050};
  struct Cas {
    std::string texte;
    P plages;
  } cas[] = {
      {"E", {point, trois}},
      {"e", {point, trois}},
      {"E E", {point, {'S', 2050 + 2734}, point, trois}},
      {"A", {point, un, trait, trois}},
      {"E\rE", {point, trois, point, trois}},  // the line break makes no sound
      {"E\r\nE", {point, trois, point, trois}},
      {"#E<", {point, trois}},
      {" ", {{'S', 2734}}},
      {"", {}},
  };
  for (const auto& c : cas) {
    const auto echantillons = Echantillons_du_texte(c.texte, 20, 800);
    EXPECT_EQ(Texte(Plages(echantillons)), Texte(c.plages)) << '"' << c.texte << '"';
  }
  // 'A' lasts 5466 samples; '*' is eight dots.
  EXPECT_EQ(Echantillons_du_texte("A", 20, 800).size(), 5466u);
  EXPECT_EQ(Echantillons_du_texte("*", 20, 800).size(), 8 * 683 + 7 * 683 + 2050u);
}

TEST(Synthese, RefusesNommesUneFois) {
  std::vector<std::string> refuses;
  Echantillons_du_texte("#a#<\n\xE8", 20, 800, &refuses);
  EXPECT_EQ(refuses, (std::vector<std::string>{"#", "<", "\n", "\xE8"}));
  EXPECT_TRUE(Echantillons_du_texte("E", 0, 800).empty());
  EXPECT_TRUE(Echantillons_du_texte("E", 20, 0).empty());
}

TEST(Synthese, VitesseHorsTableEtFrequence) {
  // 15 wpm: a dot of 83 ms, 915 samples.
  EXPECT_EQ(Echantillons_du_texte("E", 15, 800).size(), 4 * 915u);
  // 1000 Hz: a step of 32653 thousandths of a degree.
  SyntheseMorse s;
  s.Preparer(62, 1000);
  EXPECT_EQ(s.Son_point().front(), s.Onde_emission()[32]);
}

// Continuous tone, silence flags and the colour of "Emission en cours".
TEST(Synthese, EmissionContinueEtIndicateur) {
  FenetreEmissionFactice f;
  Emetteur& e = f.emetteur;
  e.Demarrage_transmission(62, 800);
  std::array<uint8_t, kTaille_bloc_emission> bloc1{}, bloc2{};

  EXPECT_EQ(e.Remplir_bloc(1, bloc1), CouleurLabel6::Face_bouton);
  EXPECT_TRUE(e.Sortie_1_muette());

  // Queue empty, continuous tone on: unbroken tone, the phase running on
  // from block to block.
  e.Emission_continue(true);
  EXPECT_EQ(e.Remplir_bloc(1, bloc1), CouleurLabel6::Rouge);
  EXPECT_EQ(e.Remplir_bloc(2, bloc2), CouleurLabel6::Rouge);
  EXPECT_FALSE(e.Sortie_1_muette());
  EXPECT_FALSE(e.Sortie_2_muette());
  SyntheseMorse reference;
  reference.Preparer(62, 800);
  for (std::size_t i = 0; i < 2 * bloc1.size(); ++i) {
    const uint8_t attendu = reference.Echantillon_tonalite();
    ASSERT_EQ(i < bloc1.size() ? bloc1[i] : bloc2[i - bloc1.size()], attendu) << i;
  }

  // Off: red until both blocks have been refilled with silence.
  e.Emission_continue(false);
  EXPECT_EQ(e.Remplir_bloc(1, bloc1), CouleurLabel6::Rouge);
  EXPECT_EQ(e.Remplir_bloc(2, bloc2), CouleurLabel6::Face_bouton);
  for (uint8_t v : bloc2) ASSERT_EQ(v, 128);

  // The phase was reset: the next continuous tone starts from phase 0.
  e.Emission_continue(true);
  e.Remplir_bloc(1, bloc1);
  EXPECT_EQ(bloc1[0], 183);

  // Continuous tone on, a character queued: its samples first, then tone.
  f.Taper("e");
  e.Completer_echantillons();
  e.Remplir_bloc(2, bloc2);
  EXPECT_TRUE(std::equal(bloc2.begin(), bloc2.begin() + 683, e.Synthese().Son_point().begin()));
  for (std::size_t i = 683; i < 683 + 2050; ++i) ASSERT_EQ(bloc2[i], 128) << i;
  EXPECT_NE(bloc2[683 + 2050], 128);
}

TEST(Synthese, ADeuxBlocsDepuisLaFile) {
  FenetreEmissionFactice f;
  Emetteur& e = f.emetteur;
  e.Demarrage_transmission(62, 800);
  f.Taper("e");
  e.Completer_echantillons();
  EXPECT_EQ(e.Synthese().Nombre_a_emettre(), 2733u);
  std::array<uint8_t, kTaille_bloc_emission> bloc{};
  EXPECT_EQ(e.Remplir_bloc(1, bloc), CouleurLabel6::Rouge);
  EXPECT_EQ(e.Synthese().Position_bloc(), 2733);
  EXPECT_TRUE(e.Synthese().Echantillons_a_emettre().empty());
  EXPECT_EQ(Plages({bloc.begin(), bloc.end()}), (std::vector<Plage>{{'T', 683}, {'S', 2073}}));
  EXPECT_EQ(e.Remplir_bloc(2, bloc), CouleurLabel6::Rouge);  // block 1 still carries tone
  EXPECT_EQ(e.Remplir_bloc(1, bloc), CouleurLabel6::Face_bouton);
}

TEST(Synthese, LaPompeGardeEnvironVingtPointsDAvance) {
  FenetreEmissionFactice f;
  Emetteur& e = f.emetteur;
  e.Demarrage_transmission(62, 800);  // threshold 13640 samples
  f.Taper("eeeeeeeeee");
  for (int passe = 0; passe < 20; ++passe) e.Completer_echantillons();
  // Each E is 2733 samples: encoded while at most 13640 wait, so five.
  EXPECT_EQ(e.Synthese().Echantillons_a_emettre().size(), 5 * 2733u);
  EXPECT_EQ(e.File().Texte_a_emettre(), "EEEEE");
  EXPECT_EQ(e.File().Longueur_texte_a_emettre(), 5);

  std::array<uint8_t, kTaille_bloc_emission> bloc{};
  e.Remplir_bloc(1, bloc);
  e.Completer_echantillons();
  EXPECT_EQ(e.File().Texte_a_emettre(), "EEEE");
}

TEST(Synthese, DemarrageEtJournal) {
  FenetreEmissionFactice f;
  Emetteur& e = f.emetteur;
  f.Taper("zz");  // typed outside transmission: dropped by the start
  e.Demarrage_transmission(62, 800);
  EXPECT_TRUE(e.Transmission_en_cours());
  EXPECT_TRUE(e.File().Est_vide());
  EXPECT_EQ(e.File().Longueur_texte_a_emettre(), 0);
  f.Taper("a\rb ");
  const std::string joue = f.Tout_emettre();
  // CR and LF are logged, make no sound.
  EXPECT_EQ(f.journal.Texte(), "\r\n\r\n\xC9 \r\nA\r\nB ");
  const auto attendu = Echantillons_du_texte("AB ", 20, 800);
  EXPECT_EQ(joue.substr(0, attendu.size()), std::string(attendu.begin(), attendu.end()));
  EXPECT_EQ(joue.find_first_not_of('\x80', attendu.size()), std::string::npos);

  // A restart drops what waits.
  f.Taper("ee");
  e.Completer_echantillons();
  e.Demarrage_transmission(62, 800);
  EXPECT_TRUE(e.File().Est_vide());
  EXPECT_TRUE(e.Synthese().Echantillons_a_emettre().empty());
  EXPECT_EQ(e.Synthese().Nombre_a_emettre(), 0u);
  EXPECT_EQ(f.journal.Texte().substr(f.journal.Longueur_QSO() - 9), "E\r\n\r\n\xC9 \r\n");
}

}  // namespace
}  // namespace vestral
