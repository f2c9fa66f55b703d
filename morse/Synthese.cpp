#include "morse/Synthese.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "morse/FileEmission.h"
#include "morse/TableMorse.h"

namespace vestral {

namespace {
constexpr int32_t kTour = 360000;  // one period, in thousandths of a degree
}

void SyntheseMorse::Preparer(int duree_point_ms, int frequence_hz) {
  const int r = kFrequence_echantillonnage_entree;
  duree_point_ = duree_point_ms;
  frequence_ = frequence_hz;
  pas_phase_ = static_cast<int32_t>(int64_t{frequence_hz} * kTour / r);
  seuil_remplissage_ = static_cast<uint16_t>((r / 1000) * 20 * duree_point_ms);
  Vider();

  // Halves (30, 150, 210 and 330 degrees) go to even, as every rounding here.
  for (int i = 0; i <= 360; ++i)
    onde_[i] =
        127 + static_cast<int32_t>(std::nearbyint(127.0 * std::sin(i * std::numbers::pi / 180.0)));

  const auto longueur = [&](int points) {
    return static_cast<std::size_t>(int64_t{points} * duree_point_ms * r / 1000);
  };
  const auto tonalite = [&](std::size_t n) {
    phase_ = 0;
    std::vector<uint8_t> son(n);
    for (auto& echantillon : son) echantillon = Echantillon_tonalite();
    return son;
  };
  son_point_ = tonalite(longueur(1));
  silence_point_.assign(longueur(1), kEchantillon_silence);
  son_trait_ = tonalite(longueur(3));
  silence_trait_.assign(longueur(3), kEchantillon_silence);
  silence_mot_.assign(longueur(4), kEchantillon_silence);
  phase_ = 0;
}

uint8_t SyntheseMorse::Echantillon_tonalite() {
  phase_ += pas_phase_;
  // A phase of exactly one turn stays and reads the last entry.
  if (phase_ > kTour) phase_ -= kTour;
  return static_cast<uint8_t>(onde_[phase_ / 1000] & 0xFF);
}

void SyntheseMorse::Ajouter(const std::vector<uint8_t>& morceau) {
  echantillons_.insert(echantillons_.end(), morceau.begin(), morceau.end());
}

void SyntheseMorse::Ajouter_duree(int duree_ms, GenreDuree genre) {
  const int d = duree_point_;
  if (genre == GenreDuree::Tonalite) {
    if (duree_ms == d)
      Ajouter(son_point_);
    else if (duree_ms == 3 * d)
      Ajouter(son_trait_);
  } else {
    if (duree_ms == d)
      Ajouter(silence_point_);
    else if (duree_ms == 3 * d)
      Ajouter(silence_trait_);
    else if (duree_ms == 4 * d)
      Ajouter(silence_mot_);
  }
  nombre_a_emettre_ +=
      static_cast<uint32_t>(int64_t{duree_ms} * kFrequence_echantillonnage_entree / 1000);
}

void SyntheseMorse::Coder_son(uint8_t caractere) {
  const int d = duree_point_;
  if (caractere == ' ') {
    Ajouter_duree(4 * d, GenreDuree::Silence);
    return;
  }
  if (caractere == kRetour_chariot || caractere == kSaut_de_ligne) return;
  const std::string_view motif = Motif_morse(caractere);
  for (std::size_t i = 0; i < motif.size(); ++i) {
    Ajouter_duree(motif[i] == '.' ? d : 3 * d, GenreDuree::Tonalite);
    Ajouter_duree(i + 1 < motif.size() ? d : 3 * d, GenreDuree::Silence);
  }
}

std::optional<uint8_t> SyntheseMorse::Echantillon_suivant() {
  if (nombre_a_emettre_ == 0 || position_bloc_ >= echantillons_.size()) return std::nullopt;
  --nombre_a_emettre_;
  ++position_bloc_;
  return echantillons_[position_bloc_ - 1];
}

bool SyntheseMorse::Remplir_bloc(std::span<uint8_t> bloc, bool emission_continue) {
  position_bloc_ = 0;
  bool muette = true;
  for (auto& octet : bloc) {
    if (const auto echantillon = Echantillon_suivant()) {
      octet = *echantillon;
      muette = false;
    } else if (emission_continue) {
      octet = Echantillon_tonalite();
      muette = false;
    } else {
      phase_ = 0;
      octet = kEchantillon_silence;
    }
  }
  echantillons_.erase(echantillons_.begin(), echantillons_.begin() + position_bloc_);
  return muette;
}

void SyntheseMorse::Vider() {
  echantillons_.clear();
  nombre_a_emettre_ = 0;
  position_bloc_ = 0;
}

std::vector<uint8_t> SyntheseMorse::Extraire() {
  std::vector<uint8_t> tout;
  tout.swap(echantillons_);
  Vider();
  return tout;
}

std::vector<uint8_t> Echantillons_du_texte(std::string_view texte_cp1252, int vitesse_wpm,
                                           int frequence_hz, std::vector<std::string>* refuses) {
  std::vector<uint8_t> sortie;
  if (vitesse_wpm < 1 || vitesse_wpm > 1250 || frequence_hz < 1 ||
      frequence_hz > kFrequence_echantillonnage_entree / 2)
    return sortie;
  SyntheseMorse synthese;
  synthese.Preparer(Duree_point(vitesse_wpm), frequence_hz);
  FileEmission file;
  for (const char octet : texte_cp1252) {
    const auto touche = static_cast<uint8_t>(octet);
    if (!Convertir_touche(touche).acceptee) {
      if (refuses) {
        std::string nom(1, octet);
        if (std::find(refuses->begin(), refuses->end(), nom) == refuses->end())
          refuses->push_back(std::move(nom));
      }
      continue;
    }
    // Typed one at a time, each key is sent before the next: the queue
    // never fills.
    file.Ajouter_touche(touche);
    for (uint8_t c = file.Prendre_caractere(); c != kFile_vide; c = file.Prendre_caractere())
      synthese.Coder_son(c);
    const std::vector<uint8_t> morceau = synthese.Extraire();
    sortie.insert(sortie.end(), morceau.begin(), morceau.end());
  }
  return sortie;
}

}  // namespace vestral
