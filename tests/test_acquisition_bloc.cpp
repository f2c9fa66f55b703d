#include <gtest/gtest.h>

#include "shell/Cp1252.h"
#include "sound/AcquisitionBloc.h"
#include "sound/CarteSimulee.h"
#include "sound/NiveauEntree.h"

namespace vestral {
namespace {

class AcquisitionBlocTest : public ::testing::Test {
 protected:
  void Carre() {
    carte.Source_capture([n = 0](uint8_t* octets, std::size_t nombre) mutable {
      for (std::size_t i = 0; i < nombre; ++i) octets[i] = (n++ % 2) ? 255 : 0;
    });
  }
  RapportMemoire rapport;
  CarteSimulee carte;
  FonctionsWave wave{carte, rapport, carte};
  AcquisitionBloc acquisition{wave};
};

TEST_F(AcquisitionBlocTest, UnBlocPleinPuisToutRelache) {
  Carre();
  ASSERT_TRUE(acquisition.Debut(kTaille_bloc_niveau));
  EXPECT_TRUE(carte.Ouvert(Sens::Entree));
  EXPECT_FALSE(acquisition.Terminee());
  carte.Avancer_echantillons(kTaille_bloc_niveau - 1);
  EXPECT_FALSE(acquisition.Terminee());
  carte.Avancer_echantillons(1);
  EXPECT_TRUE(acquisition.Terminee());
  const auto bloc = acquisition.Fin();
  ASSERT_EQ(bloc.size(), std::size_t(kTaille_bloc_niveau));
  EXPECT_EQ(Texte_niveau(Niveau_bloc(bloc)), "141 %");
  EXPECT_FALSE(carte.Ouvert(Sens::Entree));
  EXPECT_FALSE(wave.Entree_1.Utilisable());
  EXPECT_EQ(wave.Format_entree, nullptr);
  EXPECT_TRUE(rapport.Evenements().empty());
}

TEST_F(AcquisitionBlocTest, BlocJamaisRempli) {
  ASSERT_TRUE(acquisition.Debut(kTaille_bloc_niveau));
  carte.Avancer_echantillons(100);
  EXPECT_FALSE(acquisition.Terminee());
  EXPECT_TRUE(acquisition.Fin().empty());
  EXPECT_FALSE(carte.Ouvert(Sens::Entree));
  EXPECT_FALSE(wave.Entree_1.Utilisable());
}

TEST_F(AcquisitionBlocTest, CaptureImpossible) {
  struct Cas {
    const char* nom;
    std::function<void()> panne;
    const char* debut_message;
  } cas[] = {
      {"entrée occupée", [&] { carte.Faire_echouer(Sens::Entree, Operation_son::Ouverture, 4); },
       "Erreur ouverture entree son n°:4"},
      {"mémoire refusée", [&] { carte.Refuser_allocation(); }, "Erreur allocation header d'entrée"},
      // The second state query is the queueing's, after the prepare's.
      {"mise en file", [&] { carte.Faire_echouer(Sens::Entree, Operation_son::Etat, 5, 2); },
       "Erreur préparation buffer éch. n°:5"},
  };
  for (const auto& c : cas) {
    rapport.Vider();
    c.panne();
    EXPECT_FALSE(acquisition.Debut(kTaille_bloc_niveau)) << c.nom;
    EXPECT_FALSE(acquisition.En_cours()) << c.nom;
    ASSERT_FALSE(rapport.Erreurs().empty()) << c.nom;
    EXPECT_EQ(Cp1252_vers_utf8(rapport.Erreurs().front()), c.debut_message) << c.nom;
    EXPECT_FALSE(carte.Ouvert(Sens::Entree)) << c.nom;
    EXPECT_FALSE(wave.Entree_1.Utilisable()) << c.nom;
  }
}

}  // namespace
}  // namespace vestral
