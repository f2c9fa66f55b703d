// The transmit pump's work per playback block (a quarter of a second of
// sound): encoding by concatenation and one block refill.
#include <benchmark/benchmark.h>

#include <array>
#include <string>

#include "morse/Emetteur.h"
#include "morse/Synthese.h"

namespace vestral {
namespace {

class FenetreMuette : public FenetreEmission {
 public:
  void Demande_echo() override {}
  void Focus_editeur() override {}
  void Arret_sequence_visible(bool) override {}
  void Libelle_arret_sequence(const std::string&) override {}
  void Limiter_editeur() override {}
};

void BM_Pompe_un_bloc(benchmark::State& state) {
  JournalQSO journal;
  FenetreMuette fenetre;
  Emetteur emetteur(journal, fenetre);
  emetteur.Demarrage_transmission(Duree_point(static_cast<int>(state.range(0))), 800);
  std::array<uint8_t, kTaille_bloc_emission> bloc{};
  const std::string texte = "CQ CQ DE F4ABC F4ABC PSE K ";
  std::size_t i = 0;
  for (auto _ : state) {
    if (emetteur.File().Texte_a_emettre().size() < 10) {
      emetteur.Appui_touche(static_cast<uint8_t>(texte[i]));
      i = (i + 1) % texte.size();
    }
    emetteur.Completer_echantillons();
    emetteur.Remplir_bloc(1, bloc);
    benchmark::DoNotOptimize(bloc.data());
  }
}
BENCHMARK(BM_Pompe_un_bloc)->Arg(10)->Arg(54);

void BM_Echantillons_du_texte(benchmark::State& state) {
  const std::string texte = "CQ CQ DE F4ABC F4ABC PSE K";
  for (auto _ : state) benchmark::DoNotOptimize(Echantillons_du_texte(texte, 20, 800));
}
BENCHMARK(BM_Echantillons_du_texte);

}  // namespace
}  // namespace vestral
