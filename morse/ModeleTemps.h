// The timing of a fist, learned from what it sends: the length of its dots
// and dashes, of the gaps inside a character, between characters and
// between words, each the centre of a cluster of the recent durations
// (k-means on their logarithms, so a ratio decides). A machine sends dashes
// of three dots; a hand key anything from 2.5 to 4, with irregular gaps:
// both are learned the same way. Durations are in any unit (the decoder
// gives frames); the bounds of speed are given in the same unit.
#pragma once

#include <array>

namespace vestral {

enum class GenreEspace { Element, Caractere, Mot };

class ModeleTemps {
 public:
  // `unite`: the dot to start from; `unite_min`, `unite_max`: the fastest
  // and slowest dot believed.
  ModeleTemps(double unite, double unite_min, double unite_max);
  // Starts again from a dot of `unite`, forgetting what was learned.
  void Reinitialiser(double unite);

  void Apprendre_marque(double duree);
  void Apprendre_espace(double duree);

  [[nodiscard]] bool Est_trait(double duree) const { return duree > seuil_trait_; }
  [[nodiscard]] GenreEspace Classer_espace(double duree) const;
  // Longer than this, a mark is no Morse element (a steady carrier).
  double Marque_max() const { return 2.2 * trait_; }

  double Point() const { return point_; }
  double Trait() const { return trait_; }
  double Espace_element() const { return espace_element_; }
  double Espace_caractere() const { return espace_caractere_; }
  double Espace_mot() const { return espace_mot_; }
  double Seuil_caractere() const { return seuil_caractere_; }
  double Seuil_mot() const { return seuil_mot_; }
  // The dot: the detector lengthens marks and shortens spaces alike, so the
  // mean of a dot, a dash, and the two shorter gaps over 8 is free of it.
  double Unite() const;
  int Marques_apprises() const { return marques_; }
  int Espaces_appris() const { return espaces_; }

 private:
  static constexpr int kMarques = 24;
  static constexpr int kEspaces = 32;
  void Calculer_marques();
  void Calculer_espaces();
  void Calculer_seuils();

  double unite_min_, unite_max_;
  std::array<double, kMarques> journal_marques_{};  // logarithms
  std::array<double, kEspaces> journal_espaces_{};
  int marques_ = 0, espaces_ = 0;
  double point_ = 0, trait_ = 0;
  double espace_element_ = 0, espace_caractere_ = 0, espace_mot_ = 0;
  double seuil_trait_ = 0, seuil_caractere_ = 0, seuil_mot_ = 0;
};

}  // namespace vestral
