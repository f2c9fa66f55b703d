// Throughput of the sensitive decoder on one core, as a multiple of real
// time ("temps_reel"): with the pitch given, and searching the whole band.
// The next stage runs one decoder per signal of a busy band, so each must
// stay cheap.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "morse/BancEssai.h"
#include "morse/DecodeurSensible.h"

namespace {

using namespace vestral;

constexpr double kFrequence_station = 733;

// A minute of contest exchanges at 22 words per minute, 0 dB in 2500 Hz.
const std::vector<uint8_t>& Enregistrement() {
  static const std::vector<uint8_t> echantillons = [] {
    std::mt19937 g(1);
    StationBanc s;
    s.texte = Texte_banc(GenreTexte::Concours, 220, g);
    s.mots_par_minute = 22;
    s.frequence = kFrequence_station;
    s.rapport_signal_bruit_db = 0;
    ParametresBanc p;
    p.stations.push_back(s);
    p.duree = 60;
    return Generer_banc(p);
  }();
  return echantillons;
}

void Decoder(benchmark::State& state, int32_t frequence) {
  const std::vector<uint8_t>& e = Enregistrement();
  DecodeurSensible decodeur({.frequence = frequence});
  std::vector<EvenementDecodeur> evenements;
  evenements.reserve(4096);
  for (auto _ : state) {
    decodeur.Reinitialiser();
    for (std::size_t i = 0; i < e.size(); i += 3675) {
      decodeur.Pousser(
          std::span<const uint8_t>(e).subspan(i, std::min<std::size_t>(3675, e.size() - i)));
      evenements.clear();
      decodeur.Prendre_evenements(evenements);
    }
    decodeur.Terminer();
    benchmark::DoNotOptimize(evenements.data());
  }
  state.counters["temps_reel"] = benchmark::Counter(
      static_cast<double>(e.size()) / 11025.0 * state.iterations(), benchmark::Counter::kIsRate);
}

void BM_Sensible_hauteur_donnee(benchmark::State& state) {
  Decoder(state, static_cast<int32_t>(kFrequence_station));
}
void BM_Sensible_recherche_bande(benchmark::State& state) {
  Decoder(state, 0);
}

BENCHMARK(BM_Sensible_hauteur_donnee)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sensible_recherche_bande)->Unit(benchmark::kMillisecond);

}  // namespace
