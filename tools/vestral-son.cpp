// vestral-son: checks the sound card the way the transceiver uses it. Runs
// the two sound card checks, captures one second and prints the level of
// each block, then plays one second of an 800 Hz tone. With --monitor, then
// plays the monitor tone and the error beep on that device.
//
//   vestral-son [--capture NOM] [--playback NOM] [--monitor NOM] [--list-devices]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <numbers>
#include <thread>

#include "morse/Synthese.h"
#include "shell/Rapport.h"
#include "sound/ChoixPeripheriques.h"
#include "sound/FONCTIONS_WAVE.h"
#include "sound/linux/PeripheriqueSonPortAudio.h"
#include "sound/linux/TonalitePortAudio.h"

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
  wave.Taille_tampon = kTaille_bloc_emission;
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

constexpr char kAide[] =
    "Usage : vestral-son [options]\n"
    "Vérifie la carte son comme le fait l'émetteur-récepteur : les deux contrôles de la\n"
    "carte, une seconde de capture (niveau de chaque bloc), puis une seconde de tonalité\n"
    "à 800 Hz sur la restitution ; avec --monitor, ensuite, l'écoute à 800 Hz et le bip\n"
    "d'erreur sur ce périphérique.\n"
    "\n"
    "  --help, --version\n";

// The monitor tone for a second, then the error beep, as the program plays
// them on the device that stands in for the PC speaker.
void Ecouter(TonalitePortAudio& tonalite) {
  std::printf("écoute : %s (latence %.0f ms)\n", tonalite.Nom().c_str(), tonalite.Latence() * 1000);
  std::fflush(stdout);
  tonalite.Demarrer(800);
  std::this_thread::sleep_for(1s);
  tonalite.Arreter();
  std::this_thread::sleep_for(500ms);
  tonalite.Demarrer(1000);
  std::this_thread::sleep_for(300ms);
  tonalite.Arreter();
}

}  // namespace

int main(int argc, char** argv) {
  const ChoixPeripheriques choix = Lire_choix_peripheriques(argc, argv);
  if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
    std::cout << kAide << kAide_choix_peripheriques;
    return 0;
  }
  if (argc == 2 && std::string(argv[1]) == "--version") {
    std::cout << "vestral-son " VESTRAL_VERSION "\n";
    return 0;
  }
  if (!choix.erreur.empty() || argc > 1) {
    std::cerr << "vestral-son : "
              << (choix.erreur.empty() ? "argument inconnu : " + std::string(argv[1])
                                       : choix.erreur)
              << "\n\n"
              << kAide << kAide_choix_peripheriques;
    return 2;
  }
  if (choix.lister) {
    Afficher_peripheriques_son(std::cout, choix);
    return 0;
  }
  // The monitor device first: a refused one stops everything before the
  // transmitter's device plays anything.
  TonalitePortAudio::Ouverture ecoute;
  if (!choix.ecoute.empty()) {
    ecoute = Ouvrir_tonalite_son(choix.ecoute, choix.restitution);
    if (!ecoute.tonalite) {
      std::cerr << "vestral-son : " << ecoute.erreur << '\n';
      return ecoute.refus ? 2 : 1;
    }
  }
  RapportConsole rapport;
  PeripheriqueSonPortAudio carte({.choix = choix});
  std::printf("capture : %s\nrestitution : %s\n", carte.Nom_peripherique(Sens::Entree).c_str(),
              carte.Nom_peripherique(Sens::Sortie).c_str());
  FonctionsWave wave(carte, rapport);
  if (!wave.Verification_carte_son_demarrage() || !wave.Verification_carte_son()) return 1;
  Capturer(wave);
  Jouer(wave);
  if (ecoute.tonalite) Ecouter(*ecoute.tonalite);
  return 0;
}
