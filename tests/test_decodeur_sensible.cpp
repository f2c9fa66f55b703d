// The sensitive decoder whole, on recordings of the test bench at fixed
// seeds. The bounds are generous: these catch regressions, the figures of
// each group come from scripts/score-reception.py.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "morse/BancEssai.h"
#include "morse/DecodeurSensible.h"
#include "morse/TableMorse.h"

namespace vestral {
namespace {

std::string Sans_espaces_doubles(const std::string& texte) {
  std::string r;
  for (char c : texte) {
    if (c == ' ' && (r.empty() || r.back() == ' ')) continue;
    r += c;
  }
  while (!r.empty() && r.back() == ' ') r.pop_back();
  return r;
}

double Taux_erreur(const std::string& attendu, const std::string& obtenu) {
  const std::string a = Sans_espaces_doubles(attendu), b = Sans_espaces_doubles(obtenu);
  std::vector<std::size_t> ligne(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) ligne[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonale = ligne[0];
    ligne[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t haut = ligne[j];
      ligne[j] = std::min({ligne[j] + 1, ligne[j - 1] + 1, diagonale + (a[i - 1] != b[j - 1])});
      diagonale = haut;
    }
  }
  return static_cast<double>(ligne[b.size()]) / std::max<std::size_t>(1, a.size());
}

// Decodes through the interface, pushed in pieces of the given sizes (cycled).
std::string Decoder(DecodeurMorse& decodeur, const std::vector<uint8_t>& echantillons,
                    const std::vector<std::size_t>& morceaux,
                    std::vector<EvenementDecodeur>* tous = nullptr) {
  std::string texte;
  std::vector<EvenementDecodeur> evenements;
  auto Prendre = [&] {
    evenements.clear();
    decodeur.Prendre_evenements(evenements);
    for (const auto& e : evenements) {
      if (e.type == TypeEvenement::Caractere) texte += static_cast<char>(e.valeur);
      if (tous) tous->push_back(e);
    }
  };
  std::size_t i = 0, k = 0;
  while (i < echantillons.size()) {
    const std::size_t n = std::min(morceaux[k++ % morceaux.size()], echantillons.size() - i);
    decodeur.Pousser(std::span<const uint8_t>(echantillons).subspan(i, n));
    i += n;
    Prendre();
  }
  decodeur.Terminer();
  Prendre();
  return texte;
}

struct Enregistrement {
  std::vector<uint8_t> echantillons;
  std::string texte;
  double frequence;
};

Enregistrement Station_seule(double snr, double mots_par_minute, uint32_t graine, GenreTexte genre,
                             bool bruit = true) {
  std::mt19937 g(graine);
  StationBanc s;
  s.texte = Texte_banc(genre, 60, g);
  s.mots_par_minute = mots_par_minute;
  s.frequence = 500 + graine % 400;
  s.rapport_signal_bruit_db = snr;
  ParametresBanc p;
  p.bruit = bruit;
  p.graine = graine;
  p.stations.push_back(s);
  return {Generer_banc(p), s.texte, s.frequence};
}

TEST(DecodeurSensible, NomEtInterface) {
  DecodeurSensible d;
  EXPECT_EQ(d.Nom(),
            "D\xE9"
            "codeur sensible");
  const std::vector<uint8_t> silence(5000, 128);
  d.Pousser(silence);
  EXPECT_EQ(d.Echantillons_pousses(), 5000);
  d.Reinitialiser();
  EXPECT_EQ(d.Echantillons_pousses(), 0);
}

TEST(DecodeurSensible, GroupesAGraineFixe) {
  struct Cas {
    const char* nom;
    double snr;
    double mots_par_minute;
    GenreTexte genre;
    bool bruit;
    double borne;
  } cas[] = {
      {"sans bruit 25", 0, 25, GenreTexte::Phrases, false, 0.05},
      {"+3 dB 18", 3, 18, GenreTexte::Indicatifs, true, 0.08},
      {"-3 dB 22", -3, 22, GenreTexte::Groupes, true, 0.15},
      {"-6 dB 28", -6, 28, GenreTexte::Concours, true, 0.25},
  };
  uint32_t graine = 11;
  for (const Cas& c : cas) {
    const Enregistrement e = Station_seule(c.snr, c.mots_par_minute, graine++, c.genre, c.bruit);
    DecodeurSensible d({.frequence = 0});
    const std::string texte = Decoder(d, e.echantillons, {3675});
    EXPECT_LT(Taux_erreur(e.texte, texte), c.borne) << c.nom << "\n" << e.texte << "\n" << texte;
    EXPECT_NEAR(d.Hauteur(), e.frequence, 5) << c.nom;
    EXPECT_NEAR(d.Mots_par_minute(), c.mots_par_minute, 0.2 * c.mots_par_minute) << c.nom;
  }
}

TEST(DecodeurSensible, CrepitementsEtSecondSignal) {
  std::mt19937 g(21);
  StationBanc voulue;
  voulue.texte = Texte_banc(GenreTexte::Phrases, 60, g);
  voulue.mots_par_minute = 20;
  voulue.frequence = 650;
  voulue.rapport_signal_bruit_db = 6;
  {
    ParametresBanc p;
    p.graine = 21;
    p.crepitements_par_seconde = 4;
    p.stations.push_back(voulue);
    DecodeurSensible d({.frequence = 0});
    const std::string texte = Decoder(d, Generer_banc(p), {3675});
    EXPECT_LT(Taux_erreur(voulue.texte, texte), 0.15) << voulue.texte << "\n" << texte;
  }
  {
    // A stronger station 120 Hz away; the wanted one is given by frequency.
    StationBanc autre = voulue;
    autre.texte = Texte_banc(GenreTexte::Indicatifs, 80, g);
    autre.frequence = 770;
    autre.rapport_signal_bruit_db = 12;
    autre.mots_par_minute = 26;
    ParametresBanc p;
    p.graine = 22;
    p.stations = {voulue, autre};
    DecodeurSensible d({.frequence = 650});
    const std::string texte = Decoder(d, Generer_banc(p), {3675});
    EXPECT_LT(Taux_erreur(voulue.texte, texte), 0.15) << voulue.texte << "\n" << texte;
  }
}

TEST(DecodeurSensible, LeBruitSeulNeDonnePresqueRien) {
  ParametresBanc p;
  p.graine = 5;
  p.duree = 60;
  p.crepitements_par_seconde = 2;
  const std::vector<uint8_t> bruit = Generer_banc(p);
  for (int32_t frequence : {0, 800}) {
    DecodeurSensible d({.frequence = frequence});
    const std::string texte = Decoder(d, bruit, {3675});
    EXPECT_LE(std::count_if(texte.begin(), texte.end(), [](char c) { return c != ' '; }), 2)
        << frequence << ": " << texte;
  }
}

TEST(DecodeurSensible, MorceauxDeTaillesQuelconquesCommeUnSeul) {
  const Enregistrement e = Station_seule(0, 24, 31, GenreTexte::Concours);
  DecodeurSensible d({.frequence = 0});
  const std::string entier = Decoder(d, e.echantillons, {e.echantillons.size()});
  std::mt19937 g(4);
  std::vector<std::size_t> tailles;
  for (int i = 0; i < 50; ++i)
    tailles.push_back(std::uniform_int_distribution<std::size_t>(1, 9000)(g));
  d.Reinitialiser();
  std::vector<EvenementDecodeur> evenements;
  EXPECT_EQ(Decoder(d, e.echantillons, tailles, &evenements), entier);
  EXPECT_GT(entier.size(), 40u);
  // Positions never go back, and stay within what was pushed.
  for (std::size_t i = 1; i < evenements.size(); ++i) {
    EXPECT_GE(evenements[i].position, evenements[i - 1].position);
  }
  EXPECT_LE(evenements.back().position, static_cast<int64_t>(e.echantillons.size()));
}

TEST(DecodeurSensible, UnCaractereSortMoinsDUneSecondeApresSonDernierElement) {
  // "E" alone, then silence: the E comes out within a second of its end.
  StationBanc s;
  s.texte = "PARIS PARIS E";
  s.mots_par_minute = 15;
  s.rapport_signal_bruit_db = 10;
  ParametresBanc p;
  p.stations.push_back(s);
  p.duree = 12;
  const std::vector<uint8_t> echantillons = Generer_banc(p);
  std::mt19937 graines(p.graine);
  std::mt19937 gs(graines());
  const auto intervalles = Manipulation_station(s, gs);
  const auto fin_e = static_cast<int64_t>(intervalles.back().fin * 11025);
  DecodeurSensible d({.frequence = 700});
  std::vector<EvenementDecodeur> evenements;
  Decoder(d, echantillons, {256}, &evenements);
  int64_t position_e = -1;
  for (const auto& e : evenements) {
    if (e.type == TypeEvenement::Caractere && e.valeur == 'E') position_e = e.position;
  }
  ASSERT_GE(position_e, fin_e);
  EXPECT_LT(position_e - fin_e, 11025);
}

TEST(BancEssai, LeRapportSignalBruitEstCeluiDemande) {
  // Key down over the noise in 2500 Hz: a long dash train at 0 dB, the noise
  // measured before the first key-down, the tone in the middle of dashes.
  StationBanc s;
  s.texte = "TTTTTTTTTTTTTTTTTTTT";
  s.mots_par_minute = 8;
  s.debut = 3;
  s.rapport_signal_bruit_db = 0;
  ParametresBanc p;
  p.stations.push_back(s);
  const std::vector<uint8_t> x = Generer_banc(p);
  auto Puissance = [&](double debut, double fin) {
    double somme = 0;
    int n = 0;
    for (auto k = static_cast<std::size_t>(debut * 11025); k < fin * 11025; ++k, ++n) {
      somme += (x[k] - 128.0) * (x[k] - 128.0);
    }
    return somme / n;
  };
  const double bruit = Puissance(0.1, 2.9);
  std::mt19937 graines(p.graine);
  std::mt19937 g(graines());
  const auto intervalles = Manipulation_station(s, g);
  double tonalite = 0;
  for (const auto& iv : intervalles) tonalite += Puissance(iv.debut + 0.05, iv.fin - 0.05) - bruit;
  tonalite /= intervalles.size();
  const double bruit_2500 = bruit * 2500 / (11025 / 2.0);
  EXPECT_NEAR(10 * std::log10(tonalite / bruit_2500), 0.0, 0.5);
}

TEST(BancEssai, TextesFaitsDeCaracteresMorse) {
  std::mt19937 g(9);
  for (GenreTexte genre :
       {GenreTexte::Indicatifs, GenreTexte::Concours, GenreTexte::Phrases, GenreTexte::Groupes}) {
    const std::string t = Texte_banc(genre, 200, g);
    EXPECT_GE(t.size(), 200u);
    for (char c : t) {
      EXPECT_TRUE(c == ' ' || !Motif_morse(static_cast<uint8_t>(c)).empty()) << t;
    }
  }
}

}  // namespace
}  // namespace vestral
