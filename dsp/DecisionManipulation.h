// Key up or down, frame by frame, from soft evidence: a Viterbi decoder over
// two chains of states (key down for 1, 2, ... M frames, then M or more;
// the same for key up), so that no mark and no space is shorter than M
// frames and each change of key costs a fixed price. Each frame brings the
// log-likelihood ratio of key down over key up; the decision for a frame
// comes out a fixed number of frames later (the look-ahead), traced back
// from the best state of the latest frame.
#pragma once

#include <array>
#include <cstdint>

namespace vestral {

class DecisionManipulation {
 public:
  static constexpr int kDuree_min_max = 120;  // frames
  static constexpr int kRetard_max = 400;     // frames

  DecisionManipulation() { Vider(); }

  // Shortest mark or space (2..kDuree_min_max frames) and look-ahead
  // (1..kRetard_max frames); the decisions already made stay.
  void Regler(int duree_min, int retard, float cout_changement);
  int Duree_min() const { return duree_min_; }
  int Retard() const { return retard_; }
  // Back to a long silence; nothing decided yet.
  void Vider();

  // One frame; answers the state of the frame Retard() frames back: 1 key
  // down, 0 key up, -1 while fewer frames than that have come.
  int Pousser(float rapport_vraisemblance);

 private:
  struct Pas {
    uint8_t choix = 0;  // bit 0: the last mark state stayed; bit 1: the same for the space
    uint8_t duree_min = 0;
  };
  // A state index of one chain length into another (a count of frames
  // beyond the chain's end becomes its last state).
  static int Convertir(int etat, int de, int vers);

  int duree_min_ = 5;
  int retard_ = 50;
  float cout_ = 1.5f;
  // Scores: marks at [0, M), spaces at [M, 2M).
  std::array<float, 2 * kDuree_min_max> scores_{};
  std::array<float, 2 * kDuree_min_max> nouveaux_{};
  std::array<Pas, kRetard_max + 1> historique_{};
  int ecriture_ = 0;
  int64_t trames_ = 0;
};

}  // namespace vestral
