// vestral-son: checks the sound card the way the transceiver uses it. Runs
// the two sound card checks, captures one second and prints the level of
// each block, then plays one second of an 800 Hz tone.
//
//   vestral-son [--capture NOM] [--playback NOM] [--list-devices]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <numbers>
#include <thread>

#include "shell/Rapport.h"
#include "sound/ChoixPeripheriques.h"
#include "sound/FONCTIONS_WAVE.h"
#include "sound/linux/PeripheriqueSonPortAudio.h"

using namespace vestral;
using namespace std::chrono_literals;

namespace {

void Capturer(FonctionsWave& wave) {
  wave.Frequence_echantillonnage = wave.Frequence_echantillonnage_entree;
  wave.Taille_tampon = wave.Frequence_echantillonnage / 3;
  if (!wave.Ouverture_flux_entree()) {
    wave.Fermeture_flux_entree();
    return;
  }
  uint64_t vu = wave.Blocs_entree_rendus();
  for (int blocs = 0; blocs < 3;) {
    Tampon_son* b = wave.Bloc_entree_a_servir();
    if (!b) {
      const uint64_t avant = vu;
      vu = wave.Attendre_bloc_entree(vu, 2s);
      if (vu == avant) break;  // nothing comes
      continue;
    }
    const uint8_t* d = b->Donnees();
    const auto [bas, haut] = std::minmax_element(d, d + wave.Taille_tampon);
    double somme = 0;
    for (int i = 0; i < wave.Taille_tampon; ++i) somme += (d[i] - 128.0) * (d[i] - 128.0);
    std::printf("bloc %d : crêtes %d..%d, niveau efficace %.1f\n", ++blocs, *bas, *haut,
                std::sqrt(somme / wave.Taille_tampon));
    wave.Remise_en_file_entree(*b);
  }
  wave.Fermeture_flux_entree();
}

void Jouer(FonctionsWave& wave) {
  wave.Frequence_echantillonnage = kFrequence_son;
  wave.Taille_tampon = kTaille_tampon_emission;
  if (!wave.Ouverture_flux_sortie()) {
    wave.Fermeture_flux_sortie();
    return;
  }
  long n = 0;
  for (int blocs = 0; blocs < 6 && wave.Bloc_sortie_attendu();) {  // 2 of silence, then 4
    Tampon_son* b = wave.Bloc_sortie_a_servir();
    if (!b) {
      std::this_thread::sleep_for(10ms);  // the transceiver's timer period
      continue;
    }
    wave.Suppression_entete(*b);
    for (int i = 0; i < wave.Taille_tampon; ++i, ++n)
      b->Donnees()[i] = static_cast<uint8_t>(
          std::lround(128 + 90 * std::sin(2 * std::numbers::pi * 800 * n / kFrequence_son)));
    wave.Preparation_entete(*b);
    wave.Ecriture_tampon_sortie(*b);
    ++blocs;
  }
  std::this_thread::sleep_for(600ms);  // let the last blocks play
  wave.Fermeture_flux_sortie();
}

}  // namespace

int main(int argc, char** argv) {
  const ChoixPeripheriques choix = Lire_choix_peripheriques(argc, argv);
  if (!choix.erreur.empty() || argc > 1) {
    std::cerr << (choix.erreur.empty() ? "argument inconnu : " + std::string(argv[1])
                                       : choix.erreur)
              << "\nusage : vestral-son [options]\n"
              << kAide_choix_peripheriques;
    return 2;
  }
  if (choix.lister) {
    Afficher_peripheriques_son(std::cout, choix);
    return 0;
  }
  RapportConsole rapport;
  PeripheriqueSonPortAudio carte({.choix = choix});
  std::printf("capture : %s\nrestitution : %s\n", carte.Nom_peripherique(Sens::Entree).c_str(),
              carte.Nom_peripherique(Sens::Sortie).c_str());
  FonctionsWave wave(carte, rapport);
  if (!wave.Verification_carte_son_demarrage() || !wave.Verification_carte_son()) return 1;
  Capturer(wave);
  Jouer(wave);
  return 0;
}
