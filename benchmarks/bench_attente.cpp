// How long the calibrated busy wait really lasts: the real time per
// iteration of Attente(50) should read about 50 ms.
#include <benchmark/benchmark.h>

#include "shell/HautParleur.h"

namespace {

void BM_Attente50(benchmark::State& etat) {
  vestral::EspacePorts ports;
  vestral::HautParleur haut_parleur(ports);
  haut_parleur.Calibrage_attente();
  etat.counters["boucles_par_ms"] = haut_parleur.Boucles_par_milliseconde();
  for (auto _ : etat) haut_parleur.Attente(50);
}
BENCHMARK(BM_Attente50)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

}  // namespace
