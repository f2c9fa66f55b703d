#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "shell/Cp1252.h"
#include "sound/FONCTIONS_MIXER.h"
#include "sound/FONCTIONS_MIXER_SIMULE.h"

namespace vestral {
namespace {

constexpr uint32_t HP = kType_haut_parleurs;
constexpr uint32_t ENR = kType_enregistrement;

// The six result flags, started away from 0 and 1 to see which are written.
struct Drapeaux {
  uint8_t mixer = 9, enregistrement = 9, haut_parleurs = 9, wave = 9, entree_enregistrement = 9,
          entree_restitution = 9;
  std::array<uint8_t, 6> Tous() const {
    return {mixer, enregistrement, haut_parleurs, wave, entree_enregistrement, entree_restitution};
  }
};

struct Banc {
  explicit Banc(MixerSimule carte) : mixer(std::move(carte)) {
    fonctions.Reglage_par_logiciel = 1;
    fonctions.Volume_wave = 100;
  }
  void Regler(uint8_t micro, int32_t sortie, int32_t enregistrement_gauche,
              int32_t enregistrement_droite) {
    fonctions.Reglage_mixer(micro, sortie, sortie, enregistrement_gauche, enregistrement_droite, 0,
                            0, d.mixer, d.enregistrement, d.haut_parleurs, d.wave,
                            d.entree_enregistrement, d.entree_restitution);
  }
  bool Signaler() {
    return Signaler_probleme_mixer(rapport, d.mixer, d.enregistrement, d.haut_parleurs, d.wave,
                                   d.entree_enregistrement, d.entree_restitution);
  }
  MixerSimule mixer;
  FonctionsMixer fonctions{mixer};
  Drapeaux d;
  RapportMemoire rapport;
};

struct Attendu {
  uint32_t destination;
  const char* ligne;
  uint32_t controle;
  std::vector<int32_t> valeurs;
};

void Verifier(MixerSimule& mixer, const std::vector<Attendu>& attendus, const std::string& cas) {
  for (const auto& a : attendus)
    EXPECT_EQ(mixer.Valeurs(a.destination, a.ligne, a.controle), a.valeurs)
        << cas << ": " << a.ligne << " " << std::hex << a.controle;
}

constexpr std::array<uint8_t, 6> kTousTrouves = {1, 1, 1, 1, 1, 1};

TEST(Mixer, RegleDesNiveaux) {
  struct Cas {
    int32_t pourcentage;
    uint32_t minimum, maximum;
    int32_t valeur;
  } cas[] = {{20, 0, 65535, 13107},
             {55, 0, 100000, 55000},
             {20, 0, 65536, 13100},
             {50, 10, 110, 50},
             {100, 0, 65535, 65535},
             {0, 0, 65535, 0},
             {33, 0, 255, 84},
             {60, 0, 65535, 39321},
             {7, 0, 0xFFFFFFFF, 300647704},
             {100, 0, 0x7FFFFFFF, 2147483600}};
  for (const auto& c : cas)
    EXPECT_EQ(Niveau_controle(c.pourcentage, c.minimum, c.maximum), c.valeur)
        << c.pourcentage << "% de " << c.minimum << ".." << c.maximum;
}

TEST(Mixer, CarteTypiqueEntreeLigne) {
  Banc banc(Carte_typique());
  banc.Regler(0, 20, 60, 0);
  EXPECT_EQ(banc.d.Tous(), kTousTrouves);
  EXPECT_EQ(banc.fonctions.Volume_entree_present(), 1);
  EXPECT_EQ(banc.fonctions.Ligne_enregistrement(), banc.mixer.Ligne(ENR, "Line In"));
  Verifier(banc.mixer,
           {{HP, "Volume", kControle_liste_multiple, {1, 1}},
            {HP, "Volume", kControle_muet, {0}},
            {HP, "Volume", kControle_volume, {13107, 13107}},
            {HP, "Volume", kControle_graves, {65535, 65535}},
            {HP, "Volume", kControle_aigus, {65535, 65535}},
            {HP, "Wave", kControle_muet, {0}},
            {HP, "Wave", kControle_volume, {65535, 65535}},
            {HP, "Line In", kControle_muet, {1}},
            {HP, "Line In", kControle_volume, {39321, 0}},
            {HP, "Mic", kControle_muet, {1}},
            {HP, "Mic", kControle_volume, {5000, 6000}},
            {HP, "CD", kControle_muet, {0}},
            {ENR, "Recording", kControle_liste_simple, {0, 1, 0}},
            {ENR, "Line In", kControle_volume, {39321, 0}},
            {ENR, "Mic", kControle_volume, {7000, 8000}}},
           "ligne");
  EXPECT_FALSE(banc.Signaler());
  EXPECT_TRUE(banc.rapport.Evenements().empty());
}

TEST(Mixer, MicrophoneMuetEnRestitutionCommeLaLigne) {
  Banc banc(Carte_typique());
  banc.Regler(1, 20, 60, 0);
  EXPECT_EQ(banc.d.Tous(), kTousTrouves);
  Verifier(banc.mixer,
           {{HP, "Mic", kControle_muet, {1}},
            {HP, "Mic", kControle_volume, {39321, 6000}},  // mono: one channel
            {HP, "Line In", kControle_muet, {1}},
            {HP, "Line In", kControle_volume, {5000, 6000}},  // the other input keeps its volume
            {ENR, "Recording", kControle_liste_simple, {1, 0, 0}},
            {ENR, "Mic", kControle_volume, {39321, 8000}}},
           "micro");
}

TEST(Mixer, GrandeEchelle) {
  Banc banc(Carte_typique(100000));
  banc.Regler(0, 20, 55, 55);
  Verifier(banc.mixer,
           {{ENR, "Line In", kControle_volume, {55000, 55000}},
            {HP, "Volume", kControle_volume, {20000, 20000}}},
           "0..100000");
}

TEST(Mixer, EntreeLigneAuxiliaireNommeeLine) {
  Banc banc(Carte_ligne_auxiliaire());
  banc.Regler(0, 20, 100, 0);
  EXPECT_EQ(banc.d.Tous(), kTousTrouves);
  Verifier(banc.mixer,
           {{ENR, "Capture", kControle_liste_multiple, {0, 1, 0}},
            {ENR, "Line", kControle_volume, {255, 0}},
            {HP, "Line", kControle_muet, {1}},
            {HP, "Line", kControle_volume, {255, 0}},
            {HP, "Mic", kControle_muet, {1}}},
           "ligne auxiliaire");

  banc.Regler(1, 20, 100, 0);
  Verifier(banc.mixer, {{ENR, "Capture", kControle_liste_multiple, {1, 0, 0}}}, "micro");
}

TEST(Mixer, SansSelecteurUnMessageAChaqueReglageInitial) {
  Banc banc(Carte_sans_selecteur());
  const std::string texte = "Problème mixer. Pas d'entrée ligne en enregistrement trouvée!"_cp;
  // Start-up programs the software defaults twice: two beeps, the same text.
  for (int fois = 0; fois < 2; ++fois) {
    banc.Regler(0, 20, 100, 100);
    EXPECT_TRUE(banc.Signaler());
  }
  EXPECT_EQ(banc.d.Tous(), (std::array<uint8_t, 6>{1, 1, 1, 1, 0, 1}));
  using E = RapportMemoire::Evenement;
  using G = RapportMemoire::Genre;
  EXPECT_EQ(banc.rapport.Evenements(),
            (std::vector<E>{{G::Bip, ""}, {G::Panneau, texte}, {G::Bip, ""}, {G::Panneau, texte}}));
  EXPECT_EQ(banc.fonctions.Volume_entree_present(), 0);
  const int avant = banc.mixer.ecritures;
  banc.fonctions.Reglage_volume_enregistrement(50, 0);  // no gain control without an item
  EXPECT_EQ(banc.mixer.ecritures, avant);
}

TEST(Mixer, MessagesDansLOrdreDesDrapeaux) {
  const char* textes[] = {"Pas de mixer trouvé!",
                          "Problème mixer. Pas de contrôle de l'enregistrement trouvé!",
                          "Problème mixer. Pas de contrôle du volume trouvé!",
                          "Problème mixer. Pas d'entrée son (wave) trouvée!",
                          "Problème mixer. Pas d'entrée ligne en enregistrement trouvée!",
                          "Problème mixer. Pas d'entrée ligne en restitution trouvée!"};
  for (int manquant = 0; manquant < 6; ++manquant) {
    // The first missing one is told, whatever follows it.
    std::array<uint8_t, 6> f{};
    for (int i = 0; i < 6; ++i) f[i] = i < manquant ? 1 : (i == manquant ? 0 : i % 2);
    EXPECT_EQ(Probleme_mixer(f[0], f[1], f[2], f[3], f[4], f[5]),
              Utf8_vers_cp1252(textes[manquant]))
        << manquant;
  }
  EXPECT_EQ(Probleme_mixer(1, 1, 1, 1, 1, 1), "");
}

TEST(Mixer, ReglageParLUtilisateurNeToucheARien) {
  Banc banc(Carte_typique());
  banc.Regler(0, 20, 100, 100);  // software first: something to restore
  banc.fonctions.Reglage_par_logiciel = 0;
  const auto etat = banc.mixer.Etat();
  const int ecritures = banc.mixer.ecritures;
  banc.d = {};
  banc.Regler(1, 50, 30, 0);
  banc.fonctions.Reglage_volume_enregistrement(10, 0);
  banc.fonctions.Restauration_mixer();
  EXPECT_EQ(banc.mixer.ecritures, ecritures);
  EXPECT_EQ(banc.mixer.Etat(), etat);
  EXPECT_EQ(banc.d.Tous(), Drapeaux{}.Tous());
}

TEST(Mixer, SansMixer) {
  MixerSimule vide;
  vide.nombre_mixers = 0;
  Banc banc(vide);
  banc.Regler(0, 20, 100, 100);
  EXPECT_EQ(banc.d.Tous(), (std::array<uint8_t, 6>{0, 9, 9, 9, 9, 9}));
  EXPECT_TRUE(banc.Signaler());
  EXPECT_EQ(banc.rapport.Dernier_panneau(), "Pas de mixer trouvé!"_cp);
  EXPECT_EQ(banc.rapport.Nombre_bips(), 1);
  banc.fonctions.Restauration_mixer();
  EXPECT_EQ(banc.mixer.ecritures, 0);
}

TEST(Mixer, UneRestaurationDefaitTousLesChangements) {
  struct Cas {
    const char* nom;
    std::vector<uint8_t> entrees;  // microphone flag of each set-up, in order
  } cas[] = {{"ligne", {0, 0, 0}}, {"micro", {1, 1}}, {"ligne puis micro", {0, 1, 0, 1}}};
  for (const auto& c : cas) {
    for (auto carte : {Carte_typique(), Carte_ligne_auxiliaire()}) {
      Banc banc(carte);
      const auto origine = banc.mixer.Etat();
      int32_t niveau = 20;
      for (uint8_t micro : c.entrees) {
        banc.Regler(micro, niveau, niveau, 0);
        banc.fonctions.Reglage_volume_enregistrement(niveau / 2, 0);  // the AGC
        niveau += 25;
      }
      banc.fonctions.Volume_wave = 50;
      banc.Regler(0, 100, 100, 100);
      EXPECT_NE(banc.mixer.Etat(), origine) << c.nom;
      banc.fonctions.Restauration_mixer();
      EXPECT_EQ(banc.mixer.Etat(), origine) << c.nom;
    }
  }
}

// Another capture device chosen during the run: the first card gets its
// values back, the second is saved from its own first change and restored
// at quit, and the settings follow.
TEST(Mixer, ChangementDeMixerEnCoursDeRoute) {
  Banc banc(Carte_typique());
  MixerSimule seconde = Carte_ligne_auxiliaire();
  const auto origine_premiere = banc.mixer.Etat();
  const auto origine_seconde = seconde.Etat();
  banc.Regler(0, 20, 80, 0);
  banc.fonctions.Restauration_mixer();
  banc.fonctions.Changer_de_mixer(seconde);
  EXPECT_EQ(banc.mixer.Etat(), origine_premiere);
  EXPECT_EQ(banc.fonctions.Reglage_par_logiciel, 1);
  EXPECT_EQ(banc.fonctions.Volume_wave, 100);
  EXPECT_EQ(banc.fonctions.Ligne_enregistrement_connue(), 0);
  banc.Regler(0, 40, 60, 0);
  EXPECT_EQ(banc.d.Tous(), kTousTrouves);
  EXPECT_NE(seconde.Etat(), origine_seconde);
  banc.fonctions.Restauration_mixer();
  EXPECT_EQ(seconde.Etat(), origine_seconde);
  EXPECT_EQ(banc.mixer.Etat(), origine_premiere);
}

TEST(Mixer, LigneDEnregistrementJamaisOubliee) {
  MixerSimule carte;
  const uint32_t hp = carte.Ajouter_destination(HP, "Master", 2);
  carte.Ajouter_source(hp, kType_source_wave, "PCM", 2);
  const uint32_t enr = carte.Ajouter_destination(ENR, "Capture", 2);
  const uint32_t ligne = carte.Ajouter_source(enr, kType_source_ligne, "Line", 2);
  carte.Ajouter_controle(ligne, kControle_volume, {0, 0}, 100);
  carte.Ajouter_liste(enr, kControle_liste_multiple, {ligne}, {0});
  Banc banc(carte);

  banc.fonctions.Reglage_volume_enregistrement(50, 50);  // nothing known yet
  EXPECT_EQ(banc.mixer.ecritures, 0);

  banc.Regler(0, 20, 80, 0);
  EXPECT_EQ(banc.mixer.Valeurs(ENR, "Capture", kControle_liste_multiple), std::vector<int32_t>{1});
  // The microphone has no item: the list is cleared, but the line item is
  // still the recording line and takes the new volumes.
  banc.Regler(1, 20, 30, 0);
  EXPECT_EQ(banc.d.entree_enregistrement, 1);
  EXPECT_EQ(banc.d.entree_restitution, 0);
  EXPECT_EQ(banc.mixer.Valeurs(ENR, "Capture", kControle_liste_multiple), std::vector<int32_t>{0});
  EXPECT_EQ(banc.mixer.Valeurs(ENR, "Line", kControle_volume), (std::vector<int32_t>{30, 0}));

  banc.fonctions.Reglage_volume_enregistrement(0, 45);
  EXPECT_EQ(banc.mixer.Valeurs(ENR, "Line", kControle_volume), (std::vector<int32_t>{0, 45}));
}

}  // namespace
}  // namespace vestral
