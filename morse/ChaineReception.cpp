#include "morse/ChaineReception.h"

#include <algorithm>

#include "dsp/Accord.h"
#include "dsp/FFT.h"

namespace vestral {

ChaineReception::ChaineReception(ReglagesReception& reglages_, JournalQSO& journal,
                                 SortieDecodeur& sortie)
    : reglages(reglages_),
      filtre(reglages),
      fenetre(kTaille_bloc_reception),
      decodeur(reglages, filtre, fenetre, journal, sortie) {}

namespace {

class Collecte : public SortieDecodeur {
 public:
  void Caractere(uint8_t c) override { caracteres.push_back({c, decodeur->Position_absolue()}); }
  const Decodeur* decodeur = nullptr;
  std::vector<CaractereDecode> caracteres;
};

}  // namespace

SourceEchantillons Source_memoire(std::span<const uint8_t> echantillons) {
  return [echantillons, suivant = std::size_t{0}](std::span<uint8_t> destination) mutable {
    const std::size_t n = std::min(destination.size(), echantillons.size() - suivant);
    std::copy_n(echantillons.begin() + static_cast<std::ptrdiff_t>(suivant), n,
                destination.begin());
    suivant += n;
    return n;
  };
}

namespace {

// Fills the block from `lire` (called with what is left of the block);
// answers how many samples came.
template <typename Lire>
std::size_t Remplir_bloc(const Lire& lire, std::span<uint8_t> bloc) {
  std::size_t n = 0;
  while (n < bloc.size()) {
    const std::size_t k = lire(bloc.subspan(n));
    if (k == 0) break;
    n += k;
  }
  return n;
}

}  // namespace

std::vector<CaractereDecode> Decoder_echantillons(std::span<const uint8_t> echantillons,
                                                  const ParametresReception& parametres) {
  return Decoder_echantillons(Source_memoire(echantillons), parametres);
}

double Trouver_frequence(std::span<const uint8_t> echantillons) {
  const LectureA lecture = [echantillons](int64_t debut, std::span<uint8_t> destination) {
    const auto reste = echantillons.subspan(
        std::min(static_cast<std::size_t>(std::max<int64_t>(debut, 0)), echantillons.size()));
    const std::size_t n = std::min(destination.size(), reste.size());
    std::copy_n(reste.begin(), n, destination.begin());
    return n;
  };
  return Trouver_frequence(lecture, static_cast<int64_t>(echantillons.size()));
}

std::vector<CaractereDecode> Decoder_echantillons(const SourceEchantillons& source,
                                                  const ParametresReception& parametres) {
  JournalQSO journal;
  Collecte collecte;
  ReglagesReception reglages;
  ChaineReception chaine(reglages, journal, collecte);
  collecte.decodeur = &chaine.decodeur;

  auto& r = chaine.reglages;
  r.Frequence_reception = parametres.frequence;
  r.Bande_etroite = parametres.bande_etroite ? 1 : 0;
  if (parametres.vitesse == 0)
    r.Choisir_vitesse_auto();
  else
    r.Choisir_vitesse(std::clamp(parametres.vitesse, kVitesse_min, kVitesse_max));
  if (parametres.seuil == 0)
    r.Choisir_seuil_auto();
  else
    r.Choisir_seuil(static_cast<uint16_t>(std::clamp(parametres.seuil, 0, 65535)));

  chaine.Preparer_filtres();
  chaine.Preparer_decodeur();

  // Each time the decoder has read everything, the next block arrives; the
  // last one is completed with silence, as a capture block would be.
  bool fin = false;
  std::vector<uint8_t> bloc(kTaille_bloc_reception);
  chaine.decodeur.Regler_attente([&](int, int) {
    const std::size_t n = fin ? 0 : Remplir_bloc(source, bloc);
    if (n == 0) {
      fin = true;
      chaine.decodeur.Demander_arret();
      return;
    }
    fin = n < bloc.size();
    std::fill(bloc.begin() + static_cast<std::ptrdiff_t>(n), bloc.end(), uint8_t{128});
    chaine.fenetre.Ajout_bloc_recu(bloc);
  });
  chaine.decodeur.Execute();
  return std::move(collecte.caracteres);
}

double Trouver_frequence(const LectureA& lecture, int64_t nombre_echantillons) {
  const int64_t blocs = nombre_echantillons / kTaille_bloc_reception;
  const int64_t pas =
      std::max<int64_t>(1, (blocs + kBlocs_frequence_max - 1) / kBlocs_frequence_max);
  FFTEntiere fft;
  std::vector<int64_t> total(1025, 0);
  std::vector<uint8_t> bloc(kTaille_bloc_reception);
  for (int64_t b = 0; b < blocs; b += pas) {
    const int64_t debut = b * kTaille_bloc_reception;
    const auto depuis_debut = [&](std::span<uint8_t> reste) {
      return lecture(debut + (reste.data() - bloc.data()), reste);
    };
    if (Remplir_bloc(depuis_debut, bloc) < bloc.size()) break;  // shorter than announced
    fft.Analyser_bloc(bloc);
    for (int k = kRaie_min_calculee; k <= kRaie_max_calculee; ++k) total[k] += fft.Spectre()[k];
  }
  const std::span<const int64_t> spectre(total);
  const int raie = Chercher_raie(spectre, kRaie_min_affichee, kRaie_max_affichee);
  return Frequence_du_centre(Centre_raie(spectre, raie));
}

}  // namespace vestral
