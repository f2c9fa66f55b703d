#include "morse/ChaineReception.h"

#include <algorithm>

#include "dsp/Accord.h"
#include "dsp/FFT.h"

namespace vestral {

ChaineReception::ChaineReception(ReglagesReception& reglages_)
    : reglages(reglages_), filtre(reglages), decodeur(reglages, filtre) {}

void ChaineReception::Regler(const ParametresDecodeur& p) {
  reglages.Frequence_reception = p.frequence;
  reglages.Bande_etroite = p.bande_etroite ? 1 : 0;
  // The automatic speed restarts from its first estimate only when chosen
  // anew.
  if (p.vitesse == 0) {
    if (reglages.Vitesse_auto != 1) reglages.Choisir_vitesse_auto();
  } else {
    const int v = std::clamp(p.vitesse, kVitesse_min, kVitesse_max);
    if (reglages.Vitesse_auto == 1 || reglages.Vitesse_reception != v) reglages.Choisir_vitesse(v);
  }
  if (p.seuil == 0)
    reglages.Choisir_seuil_auto();
  else if (reglages.Seuil_auto == 1 || reglages.Seuil_filtrage != p.seuil)
    reglages.Choisir_seuil(p.seuil);
  filtre.Regler_passe_bande();
}

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
  ReglagesReception reglages;
  ChaineReception chaine(reglages);
  chaine.Regler(parametres);
  chaine.Preparer_filtres();
  chaine.Reinitialiser();
  return Decoder_echantillons(chaine, source);
}

std::vector<CaractereDecode> Decoder_echantillons(DecodeurMorse& decodeur,
                                                  const SourceEchantillons& source) {
  std::vector<CaractereDecode> caracteres;
  std::vector<EvenementDecodeur> evenements;
  const auto Recueillir = [&] {
    decodeur.Prendre_evenements(evenements);
    for (const EvenementDecodeur& e : evenements)
      if (e.type == TypeEvenement::Caractere)
        caracteres.push_back({static_cast<uint8_t>(e.valeur), e.position});
    evenements.clear();
  };
  std::vector<uint8_t> bloc(kTaille_bloc_reception);
  for (;;) {
    const std::size_t n = Remplir_bloc(source, bloc);
    if (n > 0) decodeur.Pousser(std::span(bloc).first(n));
    Recueillir();
    if (n < bloc.size()) break;
  }
  decodeur.Terminer();
  Recueillir();
  return caracteres;
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
