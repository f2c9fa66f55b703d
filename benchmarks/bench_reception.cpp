// Throughput of the reception chain (tone filter, decoder walk, sample
// window) on one core, reported as a multiple of real time.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "dsp/FFT.h"
#include "morse/ChaineReception.h"
#include "morse/TableMorse.h"
#include "shell/FormatSon.h"

namespace {

using namespace vestral;

// One minute of Morse at 20 words per minute on 800 Hz, in band noise.
const std::vector<uint8_t>& Enregistrement() {
  static const std::vector<uint8_t> echantillons = [] {
    std::vector<uint8_t> e;
    std::mt19937 aleas(1);
    std::normal_distribution<double> bruit(0, 12);
    const double point = 62e-3 * kFrequence_echantillonnage_entree;
    long phase = 0;
    auto Ajouter = [&](double duree, bool ton) {
      for (long n = std::lround(duree); n > 0; --n, ++phase) {
        const double x = 128 + bruit(aleas) +
                         (ton ? 80 * std::sin(2 * std::numbers::pi * 800 * phase /
                                              kFrequence_echantillonnage_entree)
                              : 0);
        e.push_back(static_cast<uint8_t>(std::clamp(std::lround(x), 0L, 255L)));
      }
    };
    const std::string texte = "CQ CQ DE F5ABC F5ABC PSE K ";
    while (e.size() < 60u * kFrequence_echantillonnage_entree) {
      for (char c : texte) {
        if (c == ' ') {
          Ajouter(4 * point, false);
          continue;
        }
        for (char element : Motif_morse(static_cast<uint8_t>(c))) {
          Ajouter(element == '.' ? point : 3 * point, true);
          Ajouter(point, false);
        }
        Ajouter(2 * point, false);
      }
    }
    return e;
  }();
  return echantillons;
}

void BM_ChaineReception(benchmark::State& state) {
  const auto& e = Enregistrement();
  ParametresReception p;
  for (auto _ : state) benchmark::DoNotOptimize(Decoder_echantillons(e, p));
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(e.size()));
  state.counters["x_temps_reel"] =
      benchmark::Counter(static_cast<double>(e.size()) / kFrequence_echantillonnage_entree *
                             static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ChaineReception)->Unit(benchmark::kMillisecond);

// The tone filter alone, fed capture blocks as the decoder reads them, on
// each instruction set: 0 baseline (SSE2), 1 AVX2, 2 AVX-512 VNNI.
void BM_FiltreTonalite(benchmark::State& state) {
  const auto& e = Enregistrement();
  ReglagesReception r;
  r.Choisir_vitesse_auto();
  r.Choisir_seuil_auto();
  FiltreTonalite filtre(r);
  const FiltreTonalite::Jeu jeux[] = {FiltreTonalite::Jeu::Base, FiltreTonalite::Jeu::Avx2,
                                      FiltreTonalite::Jeu::Avx512};
  if (!filtre.Choisir_jeu(jeux[state.range(0)])) {
    state.SkipWithError("jeu d'instructions absent");
    return;
  }
  filtre.Preparer_filtres();
  for (auto _ : state)
    for (std::size_t debut = 0; debut < e.size(); debut += kTaille_bloc_reception)
      filtre.Traiter_echantillons(e.data() + debut, static_cast<int>(std::min<std::size_t>(
                                                        kTaille_bloc_reception, e.size() - debut)));
  state.counters["x_temps_reel"] =
      benchmark::Counter(static_cast<double>(e.size()) / kFrequence_echantillonnage_entree *
                             static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FiltreTonalite)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_AnalyseBloc(benchmark::State& state) {
  const auto& e = Enregistrement();
  FFTEntiere fft;
  for (auto _ : state) fft.Analyser_bloc(std::span(e).first(kTaille_bloc_reception));
  state.counters["x_temps_reel"] =
      benchmark::Counter(kTaille_bloc_reception / kFrequence_echantillonnage_entree *
                             static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}
BENCHMARK(BM_AnalyseBloc)->Unit(benchmark::kMicrosecond);

}  // namespace
