#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <string>
#include <thread>

#include "morse/ChaineReception.h"
#include "morse/TableMorse.h"
#include "shell/FormatSon.h"
#include "tests/SignalTest.h"

namespace vestral {
namespace {

constexpr double kPoint = 62;  // ms, 20 words per minute

std::string Decoder(const test::SignalTest& signal, int vitesse = 20, int seuil = 400) {
  ParametresReception p;
  p.vitesse = vitesse;
  p.seuil = seuil;
  std::string texte;
  for (const auto& c : Decoder_echantillons(signal.Echantillons(), p))
    texte += static_cast<char>(c.caractere);
  return texte;
}

TEST(Decodeur, CasDeManipulation) {
  struct Cas {
    const char* nom;
    test::SignalTest signal;
    std::string attendu;
  };
  auto S = [] { return std::move(test::SignalTest().Silence(300)); };
  Cas cas[] = {
      {"A puis espace de mot", S().Motif("._", kPoint).Silence(7 * kPoint), "A "},
      {"E, espace de caractere, E",
       S().Motif(".", kPoint).Silence(3 * kPoint).Motif(".", kPoint).Silence(8 * kPoint), "EE "},
      {"E, espace de mot, E",
       S().Motif(".", kPoint).Silence(7 * kPoint).Motif(".", kPoint).Silence(8 * kPoint), "E E "},
      {"pourcent",
       S().Motif("._.._", kPoint).Silence(3 * kPoint).Motif("_", kPoint).Silence(8 * kPoint),
       "%T "},
      {"noeud sans caractere ni suite",
       S().Motif(".._._", kPoint).Silence(3 * kPoint).Motif(".", kPoint).Silence(8 * kPoint), "E "},
      {"sept points", S().Motif(".......", kPoint).Silence(8 * kPoint), "* "},
      {"huit points", S().Motif("........", kPoint).Silence(8 * kPoint), "* "},
      {"neuf points", S().Motif(".........", kPoint).Silence(8 * kPoint), "* "},
      {"dix points",
       S().Motif("..........", kPoint).Silence(3 * kPoint).Motif(".", kPoint).Silence(8 * kPoint),
       "E "},
      {"point d'interrogation en deux",
       S().Motif("..__.", kPoint).Silence(3 * kPoint).Motif(".", kPoint).Silence(8 * kPoint), "? "},
      {"ton long puis silence court",
       S().Ton(6 * kPoint)
           .Silence(kPoint)
           .Motif(".", kPoint)
           .Silence(3 * kPoint)
           .Motif("._", kPoint)
           .Silence(8 * kPoint),
       "A "},
      {"ton long puis silence de 3 points",
       S().Ton(6 * kPoint).Silence(3 * kPoint).Motif(".", kPoint).Silence(8 * kPoint), "E "},
      // The filters lengthen a short burst: 0.2 dot of tone is measured under half a dot.
      {"impulsion sous le demi-point",
       S().Motif(".", kPoint)
           .Silence(2 * kPoint)
           .Ton(0.2 * kPoint)
           .Silence(3 * kPoint)
           .Motif("_.", kPoint)
           .Silence(8 * kPoint),
       "N "},
  };
  for (const auto& c : cas) EXPECT_EQ(Decoder(c.signal), c.attendu) << c.nom;
}

TEST(Decodeur, LeDernierCaractereSortALaFin) {
  // The recording ends right after the last dash: the stop request lets the
  // space measurement run to its end.
  test::SignalTest signal;
  signal.Silence(300).Motif("._", kPoint);
  EXPECT_EQ(Decoder(signal), "A ");
}

TEST(Decodeur, PositionsEnEchantillons) {
  test::SignalTest signal;
  signal.Silence(1000).Motif("_", kPoint).Silence(3 * kPoint).Motif("_", kPoint).Silence(800);
  ParametresReception p;
  p.vitesse = 20;
  p.seuil = 400;
  const auto c = Decoder_echantillons(signal.Echantillons(), p);
  ASSERT_EQ(c.size(), 3u);
  // The first T comes out once its character gap has been measured.
  const double t = static_cast<double>(c[0].position) / kFrequence_echantillonnage_entree;
  EXPECT_GT(t, 1.0 + 4 * kPoint / 1000);
  EXPECT_LT(t, 1.0 + 6 * kPoint / 1000 + 0.08);  // plus the filters' delay
  EXPECT_LT(c[0].position, c[1].position);
}

TEST(Decodeur, PhraseEnVitesseAutomatique) {
  test::SignalTest signal;
  signal.Silence(500).Texte("CQ CQ DE F5ABC F5ABC K", 1250.0 / 26).Silence(1000);
  // The estimate starts from 20 and settles within the first words.
  const std::string texte = Decoder(signal, 0, 0);
  EXPECT_NE(texte.find("DE F5ABC F5ABC K"), std::string::npos) << texte;
}

// The decoder in its own thread, fed block by block by a producer as the
// capture pump does, gives the same text as the synchronous run.
class Memoire : public SortieDecodeur {
 public:
  void Caractere(uint8_t c) override {
    std::lock_guard lock(verrou);
    texte += static_cast<char>(c);
  }
  bool Affichage() const override { return true; }
  void Signal(bool) override { ++signaux; }
  void Vitesse(const std::string& v) override { vitesse = v; }
  std::mutex verrou;
  std::string texte;
  std::atomic<int> signaux{0};
  std::string vitesse;
};

TEST(Decodeur, FilDuDecodeurNourriParBlocs) {
  test::SignalTest signal;
  signal.Silence(300).Texte("VVV TEST 73", kPoint).Silence(1000);

  JournalQSO journal;
  Memoire memoire;
  ReglagesReception reglages;
  ChaineReception chaine(reglages, journal, memoire);
  chaine.reglages.Choisir_vitesse(20);
  chaine.reglages.Choisir_seuil(400);
  chaine.Preparer_filtres();
  chaine.Preparer_decodeur();
  std::thread fil([&] { chaine.decodeur.Execute(); });
  const auto& e = signal.Echantillons();
  for (std::size_t debut = 0; debut + kTaille_bloc_reception <= e.size();
       debut += kTaille_bloc_reception) {
    chaine.fenetre.Ajout_bloc_recu(std::span(e).subspan(debut, kTaille_bloc_reception));
    // Faster than real time, but never more than a block ahead.
    while (chaine.fenetre.Nombre_echantillons() - chaine.fenetre.Position_lecture() >
           kTaille_bloc_reception)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  while (chaine.fenetre.Position_lecture() <= chaine.fenetre.Nombre_echantillons())
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  chaine.decodeur.Demander_arret();
  fil.join();
  EXPECT_EQ(chaine.decodeur.Traduction_active.load(), 1);

  ParametresReception p;
  p.vitesse = 20;
  p.seuil = 400;
  std::string attendu;
  const std::size_t entier = e.size() / kTaille_bloc_reception * kTaille_bloc_reception;
  for (const auto& c : Decoder_echantillons(std::span(e).first(entier), p))
    attendu += static_cast<char>(c.caractere);
  EXPECT_EQ(memoire.texte, attendu);
  EXPECT_EQ(memoire.texte.substr(0, 11), "VVV TEST 73");
  EXPECT_EQ(journal.Texte(), memoire.texte);
  EXPECT_EQ(memoire.vitesse, "20");
}

TEST(Decodeur, RelanceEntreDeuxPas) {
  JournalQSO journal;
  Memoire memoire;
  ReglagesReception reglages;
  ChaineReception chaine(reglages, journal, memoire);
  chaine.reglages.Choisir_vitesse(20);
  chaine.reglages.Choisir_seuil(400);
  chaine.Preparer_filtres();
  chaine.Preparer_decodeur();
  test::SignalTest signal;
  signal.Silence(100).Motif("._", kPoint).Silence(300);
  chaine.fenetre.Ajout_bloc_recu(std::span(signal.Echantillons()).first(kTaille_bloc_reception));
  chaine.fenetre.Ajout_bloc_recu(
      std::span(signal.Echantillons()).subspan(kTaille_bloc_reception, kTaille_bloc_reception));
  chaine.decodeur.Regler_attente([&](int, int) { chaine.decodeur.Demander_arret(); });
  // Walk until the first element is known.
  for (int i = 0; i < 100 && chaine.decodeur.Etat_decodeur() != 3; ++i)
    chaine.decodeur.Pas_suivant();
  ASSERT_EQ(chaine.decodeur.Etat_decodeur(), 3);
  chaine.decodeur.Relance_traduction();
  EXPECT_EQ(chaine.decodeur.Etat_decodeur(), 3);  // not in the middle of a step
  chaine.decodeur.Pas_suivant();                  // the restart, then a step from idle
  EXPECT_EQ(chaine.decodeur.Etat_decodeur(), 1);
  EXPECT_EQ(memoire.texte, "");
}

// Over a long recording the tone is looked for in blocks spread evenly over
// it: here every third block carries 700 Hz, the others a stronger 1500 Hz.
TEST(TrouverFrequence, BlocsRepartisSurUnLongEnregistrement) {
  const int blocs = 2 * kBlocs_frequence_max + 1;  // one in three analysed
  std::vector<uint8_t> e(static_cast<std::size_t>(blocs) * kTaille_bloc_reception);
  for (std::size_t i = 0; i < e.size(); ++i) {
    const bool garde = (i / kTaille_bloc_reception) % 3 == 0;
    const double f = garde ? 700 : 1500, a = garde ? 60 : 120;
    e[i] = static_cast<uint8_t>(
        std::lround(128 + a * std::sin(2 * M_PI * f * i / kFrequence_echantillonnage_entree)));
  }
  EXPECT_NEAR(Trouver_frequence(e), 700, 3);
  // Up to kBlocs_frequence_max blocks, every one counts.
  const std::size_t court = std::size_t{kBlocs_frequence_max} * kTaille_bloc_reception;
  EXPECT_NEAR(Trouver_frequence(std::span(e).first(court)), 1500, 3);
}

}  // namespace
}  // namespace vestral
