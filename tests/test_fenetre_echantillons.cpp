#include <gtest/gtest.h>

#include <atomic>
#include <numeric>
#include <thread>
#include <vector>

#include "dsp/FenetreEchantillons.h"
#include "shell/FormatSon.h"

namespace vestral {
namespace {

std::vector<uint8_t> Bloc(uint8_t valeur, int taille = kTaille_bloc_reception) {
  return std::vector<uint8_t>(static_cast<std::size_t>(taille), valeur);
}

TEST(FenetreEchantillons, CroitJusquADeuxBlocsPuisGlisse) {
  FenetreEchantillons fenetre;
  fenetre.Vider_fenetre();
  EXPECT_FALSE(fenetre.Prendre_echantillon());
  EXPECT_EQ(fenetre.Position_lecture(), 1);

  EXPECT_FALSE(fenetre.Ajout_bloc_recu(Bloc(1)));
  EXPECT_EQ(fenetre.Nombre_echantillons(), kTaille_bloc_reception);
  EXPECT_FALSE(fenetre.Ajout_bloc_recu(Bloc(2)));
  EXPECT_EQ(fenetre.Nombre_echantillons(), 7350);

  for (int i = 0; i < kTaille_bloc_reception + 99; ++i) fenetre.Prendre_echantillon();
  EXPECT_EQ(fenetre.Position_lecture(), 3775);
  EXPECT_TRUE(fenetre.Ajout_bloc_recu(Bloc(3)));
  EXPECT_EQ(fenetre.Nombre_echantillons(), 7350);
  EXPECT_EQ(fenetre.Position_lecture(), 100);
  EXPECT_EQ(fenetre.Prendre_echantillon(), 2);
}

TEST(FenetreEchantillons, LecteurEnRetardReprendAuDebut) {
  FenetreEchantillons fenetre;
  fenetre.Vider_fenetre();
  fenetre.Ajout_bloc_recu(Bloc(1));
  fenetre.Ajout_bloc_recu(Bloc(2));
  for (int i = 0; i < 99; ++i) fenetre.Prendre_echantillon();
  EXPECT_EQ(fenetre.Position_lecture(), 100);
  fenetre.Ajout_bloc_recu(Bloc(3));
  EXPECT_EQ(fenetre.Position_lecture(), 1);  // not below 1
  fenetre.Ajout_bloc_recu(Bloc(4));
  EXPECT_EQ(fenetre.Prendre_echantillon(), 3);  // block 2 is lost unread
  EXPECT_EQ(fenetre.Echantillons_lus(), 2 * kTaille_bloc_reception + 1);
}

TEST(FenetreEchantillons, ProducteurEtConsommateurSurDeuxFils) {
  // Blocks carry a running counter; the reader must see it in order, with
  // jumps only where whole dropped blocks went unread.
  constexpr int kTaille = 64;
  constexpr int kBlocs = 20000;
  FenetreEchantillons fenetre(kTaille);
  fenetre.Vider_fenetre();
  std::atomic<bool> fini{false};
  std::thread producteur([&] {
    std::vector<uint8_t> bloc(kTaille);
    for (int b = 0; b < kBlocs; ++b) {
      std::iota(bloc.begin(), bloc.end(), static_cast<uint8_t>(b * kTaille));
      fenetre.Ajout_bloc_recu(bloc);
      if (b % 64 == 0) std::this_thread::yield();
    }
    fini = true;
    fenetre.Reveiller();
  });
  long lus = 0;
  int64_t precedent = -1;
  bool ordre = true;
  while (!fini || fenetre.Prendre_echantillon()) {
    const int64_t avant = fenetre.Echantillons_lus();
    if (auto e = fenetre.Prendre_echantillon()) {
      const int64_t position = fenetre.Echantillons_lus() - 1;
      ordre &= position > precedent && *e == static_cast<uint8_t>(position) && position >= avant;
      precedent = position;
      ++lus;
    } else {
      fenetre.Attendre_echantillon(5);
    }
  }
  producteur.join();
  EXPECT_TRUE(ordre);
  EXPECT_GT(lus, 0);
}

}  // namespace
}  // namespace vestral
