// A tuning click during reception: Regler_passe_bande and Relance_traduction
// while the decoder runs on a 1000 Hz signal it was deaf to (tuned to
// 600 Hz), then the next decoded character. Reports the cost of the click
// itself, how much signal passes before the next character (Morse timing:
// the character under way is dropped, the next one is decoded whole), and
// the processing time of that stretch.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "morse/ChaineReception.h"
#include "morse/TableMorse.h"
#include "shell/FormatSon.h"

namespace {

using namespace vestral;
using Horloge = std::chrono::steady_clock;

std::vector<uint8_t> Signal_1000_hz() {
  std::vector<uint8_t> e;
  const double point = 60e-3 * kFrequence_echantillonnage_entree;
  long phase = 0;
  auto Ajouter = [&](double unites, bool ton) {
    for (long n = std::lround(unites * point); n > 0; --n, ++phase)
      e.push_back(static_cast<uint8_t>(
          std::lround(128 + (ton ? 100 * std::sin(2 * std::numbers::pi * 1000 * phase /
                                                  kFrequence_echantillonnage_entree)
                                 : 0))));
  };
  while (e.size() < 20u * kFrequence_echantillonnage_entree) {
    for (char c : std::string("PARIS PARIS ")) {
      if (c == ' ') {
        Ajouter(4, false);
        continue;
      }
      for (char element : Motif_morse(static_cast<uint8_t>(c))) {
        Ajouter(element == '.' ? 1 : 3, true);
        Ajouter(1, false);
      }
      Ajouter(2, false);
    }
  }
  return e;
}

void BM_ClicDAccord(benchmark::State& state) {
  static const auto signal = Signal_1000_hz();
  double clic_us = 0, signal_ms = 0, traitement_us = 0;
  std::vector<EvenementDecodeur> evenements;
  for (auto _ : state) {
    ReglagesReception reglages;
    ChaineReception chaine(reglages);
    ParametresDecodeur p;
    p.frequence = 600;
    p.vitesse = 20;
    p.seuil = 400;
    chaine.Regler(p);
    chaine.Preparer_filtres();
    DecodeurMorse& decodeur = chaine;
    decodeur.Reinitialiser();
    int64_t position_clic = 0, position = 0;
    bool attendu = false, vu = false;
    Horloge::time_point debut_clic, fin_clic, instant;
    const std::size_t bloc = kTaille_bloc_reception;
    for (std::size_t suivant = 0; !vu && suivant + bloc <= signal.size(); suivant += bloc) {
      if (suivant == 9 * bloc) {  // the click, 3 s in
        position_clic = decodeur.Echantillons_pousses();
        debut_clic = Horloge::now();
        p.frequence = 1000;
        decodeur.Regler(p);
        decodeur.Relancer();
        fin_clic = Horloge::now();
        attendu = true;
      }
      decodeur.Pousser(std::span(signal).subspan(suivant, bloc));
      evenements.clear();
      decodeur.Prendre_evenements(evenements);
      for (const EvenementDecodeur& e : evenements) {
        if (attendu && !vu && e.type == TypeEvenement::Caractere) {
          vu = true;
          instant = Horloge::now();
          position = e.position;
        }
      }
    }
    if (!vu) {
      state.SkipWithError("nothing decoded after the click");
      return;
    }
    clic_us += std::chrono::duration<double, std::micro>(fin_clic - debut_clic).count();
    signal_ms += static_cast<double>(position - position_clic) * 1000 / kFrequence_echantillonnage_entree;
    traitement_us += std::chrono::duration<double, std::micro>(instant - fin_clic).count();
  }
  const auto n = static_cast<double>(state.iterations());
  state.counters["clic_us"] = clic_us / n;
  state.counters["signal_jusqu_au_caractere_ms"] = signal_ms / n;
  state.counters["traitement_us"] = traitement_us / n;
}
BENCHMARK(BM_ClicDAccord)->Unit(benchmark::kMillisecond);

}  // namespace
