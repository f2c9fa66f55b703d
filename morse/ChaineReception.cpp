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

std::vector<CaractereDecode> Decoder_echantillons(std::span<const uint8_t> echantillons,
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
  std::size_t suivant = 0;
  std::vector<uint8_t> bloc(kTaille_bloc_reception);
  chaine.decodeur.Regler_attente([&](int, int) {
    if (suivant >= echantillons.size()) {
      chaine.decodeur.Demander_arret();
      return;
    }
    const std::size_t n = std::min(bloc.size(), echantillons.size() - suivant);
    std::copy_n(echantillons.begin() + static_cast<std::ptrdiff_t>(suivant), n, bloc.begin());
    std::fill(bloc.begin() + static_cast<std::ptrdiff_t>(n), bloc.end(), uint8_t{128});
    suivant += n;
    chaine.fenetre.Ajout_bloc_recu(bloc);
  });
  chaine.decodeur.Execute();
  return std::move(collecte.caracteres);
}

double Trouver_frequence(std::span<const uint8_t> echantillons) {
  FFTEntiere fft;
  std::vector<int64_t> total(1025, 0);
  for (std::size_t debut = 0; debut + kTaille_bloc_reception <= echantillons.size();
       debut += kTaille_bloc_reception) {
    fft.Analyser_bloc(echantillons.subspan(debut, kTaille_bloc_reception));
    for (int k = kRaie_min_calculee; k <= kRaie_max_calculee; ++k) total[k] += fft.Spectre()[k];
  }
  const std::span<const int64_t> spectre(total);
  const int raie = Chercher_raie(spectre, kRaie_min_affichee, kRaie_max_affichee);
  return Frequence_du_centre(Centre_raie(spectre, raie));
}

}  // namespace vestral
