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

class Premier : public SortieDecodeur {
 public:
  void Caractere(uint8_t) override {
    if (attendu && !vu) {
      vu = true;
      instant = Horloge::now();
      position = decodeur->Position_absolue();
    }
  }
  const Decodeur* decodeur = nullptr;
  bool attendu = false, vu = false;
  Horloge::time_point instant;
  int64_t position = 0;
};

void BM_ClicDAccord(benchmark::State& state) {
  static const auto signal = Signal_1000_hz();
  double clic_us = 0, signal_ms = 0, traitement_us = 0;
  for (auto _ : state) {
    JournalQSO journal;
    Premier sortie;
    ReglagesReception reglages;
    ChaineReception chaine(reglages, journal, sortie);
    sortie.decodeur = &chaine.decodeur;
    reglages.Frequence_reception = 600;
    reglages.Choisir_vitesse(20);
    reglages.Choisir_seuil(400);
    chaine.Preparer_filtres();
    chaine.Preparer_decodeur();
    std::size_t suivant = 0;
    int64_t position_clic = 0;
    Horloge::time_point debut_clic, fin_clic;
    std::vector<uint8_t> bloc(kTaille_bloc_reception);
    chaine.decodeur.Regler_attente([&](int, int) {
      if (sortie.vu || suivant + bloc.size() > signal.size()) {
        chaine.decodeur.Demander_arret();
        return;
      }
      std::copy_n(signal.begin() + static_cast<std::ptrdiff_t>(suivant), bloc.size(), bloc.begin());
      suivant += bloc.size();
      chaine.fenetre.Ajout_bloc_recu(bloc);
      if (suivant == 10 * bloc.size()) {  // the click, 3.3 s in
        position_clic = chaine.decodeur.Position_absolue();
        debut_clic = Horloge::now();
        reglages.Frequence_reception = 1000;
        chaine.filtre.Regler_passe_bande();
        chaine.decodeur.Relance_traduction();
        fin_clic = Horloge::now();
        sortie.attendu = true;
      }
    });
    chaine.decodeur.Execute();
    if (!sortie.vu) {
      state.SkipWithError("nothing decoded after the click");
      return;
    }
    clic_us += std::chrono::duration<double, std::micro>(fin_clic - debut_clic).count();
    signal_ms += static_cast<double>(sortie.position - position_clic) * 1000 /
                 kFrequence_echantillonnage_entree;
    traitement_us += std::chrono::duration<double, std::micro>(sortie.instant - fin_clic).count();
  }
  const auto n = static_cast<double>(state.iterations());
  state.counters["clic_us"] = clic_us / n;
  state.counters["signal_jusqu_au_caractere_ms"] = signal_ms / n;
  state.counters["traitement_us"] = traitement_us / n;
}
BENCHMARK(BM_ClicDAccord)->Unit(benchmark::kMillisecond);

}  // namespace
