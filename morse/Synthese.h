// Morse tone synthesis by concatenation. At each transmission start the
// samples of a dot tone, a dash tone and three silences (1, 3 and 4 dots)
// are computed once; encoding a character only appends copies of them to
// Echantillons_a_emettre, which the pump drains into the playback blocks.
//
// Samples are 8-bit unsigned, mono, 11025 per second; 128 is silence.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "shell/FormatSon.h"

namespace vestral {

constexpr int kTaille_bloc_emission = 2756;  // a quarter of a second

// Dot length in ms for a speed in words per minute (1250, not 1200).
constexpr int Duree_point(int vitesse_wpm) {
  return 1250 / vitesse_wpm;
}

enum class GenreDuree { Tonalite = 0, Silence = 1 };

class SyntheseMorse {
 public:
  // Builds Onde_emission and the five element strings for a dot of
  // `duree_point_ms` and a tone of `frequence_hz`; empties the encoded
  // samples. Every element's tone starts from phase 0.
  void Preparer(int duree_point_ms, int frequence_hz);

  // One sample of the running tone: advances Phase_emission by one step.
  uint8_t Echantillon_tonalite();

  // Appends the element string lasting `duree_ms` (d, 3d or 4d).
  void Ajouter_duree(int duree_ms, GenreDuree genre);

  // The sound of one queued character: its elements with one dot between
  // them and three after the last; the space adds four dots; CR and LF and
  // any byte without a pattern add nothing.
  void Coder_son(uint8_t caractere);

  // The next encoded sample for the block being filled, or none.
  [[nodiscard]] std::optional<uint8_t> Echantillon_suivant();

  // Fills one playback block: encoded samples first, then the continuous
  // tone when it is on, else silence (and the tone phase goes back to 0).
  // The samples used are removed. Answers true when the block got neither
  // encoded samples nor continuous tone (it is silent).
  [[nodiscard]] bool Remplir_bloc(std::span<uint8_t> bloc, bool emission_continue);

  // Empties the encoded samples.
  void Vider();
  // Takes all encoded samples out (leaving none to play).
  std::vector<uint8_t> Extraire();

  int Duree_point_emission() const { return duree_point_; }
  int Frequence_emission() const { return frequence_; }
  int32_t Phase_emission() const { return phase_; }
  void Remettre_phase() { phase_ = 0; }
  uint16_t Seuil_remplissage() const { return seuil_remplissage_; }
  uint32_t Nombre_a_emettre() const { return nombre_a_emettre_; }
  uint16_t Position_bloc() const { return position_bloc_; }
  const std::vector<uint8_t>& Echantillons_a_emettre() const { return echantillons_; }
  const std::array<int32_t, 361>& Onde_emission() const { return onde_; }
  const std::vector<uint8_t>& Son_point() const { return son_point_; }
  const std::vector<uint8_t>& Son_trait() const { return son_trait_; }
  const std::vector<uint8_t>& Silence_point() const { return silence_point_; }
  const std::vector<uint8_t>& Silence_trait() const { return silence_trait_; }
  const std::vector<uint8_t>& Silence_mot() const { return silence_mot_; }

 private:
  void Ajouter(const std::vector<uint8_t>& morceau);

  int duree_point_ = 0;
  int frequence_ = 800;
  int32_t pas_phase_ = 0;
  int32_t phase_ = 0;  // thousandths of a degree, 0..360000
  uint16_t seuil_remplissage_ = 0;
  uint32_t nombre_a_emettre_ = 0;
  uint16_t position_bloc_ = 0;
  std::array<int32_t, 361> onde_{};
  std::vector<uint8_t> son_point_, son_trait_;
  std::vector<uint8_t> silence_point_, silence_trait_, silence_mot_;
  std::vector<uint8_t> echantillons_;
};

// The samples a transmission plays for `texte_cp1252` at the given speed and
// tone, from the first character's first tone to the end of the last
// character's three-dot gap (no leading silent blocks). Each byte goes
// through the same filter as a typed key (small letters become capitals, CR
// becomes a line break that makes no sound); each refused byte is added once
// to *refuses (as a one-byte CP1252 string), in order of first appearance.
// Speeds 1..1250 wpm and tones 1..5512 Hz are served; otherwise the answer
// is empty.
std::vector<uint8_t> Echantillons_du_texte(std::string_view texte_cp1252, int vitesse_wpm,
                                           int frequence_hz,
                                           std::vector<std::string>* refuses = nullptr);

}  // namespace vestral
