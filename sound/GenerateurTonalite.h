// The monitor tone and the error beep as samples, for a sound device that
// stands in for the PC speaker. The requests (a frequency, or 0 for
// silence) come from the user-interface thread through one atomic; the
// samples are made in the audio callback, which takes no lock and allocates
// nothing.
//
// So that the tone never clicks, its amplitude follows a raised-cosine ramp
// of a few milliseconds at each start and stop (a stop during the rise goes
// back down from where it is), and the phase runs on across a change of
// frequency. A request is heard from the next block the callback makes.
#pragma once

#include <atomic>
#include <cstddef>

namespace vestral {

class GenerateurTonalite {
 public:
  // `duree_rampe` in seconds; `amplitude` is the peak of the steady tone
  // (full scale 1).
  explicit GenerateurTonalite(double frequence_echantillonnage, double duree_rampe = 0.005,
                              float amplitude = 0.3f);

  // Any thread: the tone to play from now on (Hz), 0 or less for silence.
  void Demander(int frequence_hz) {
    frequence_demandee_.store(frequence_hz > 0 ? frequence_hz : 0, std::memory_order_relaxed);
  }
  int Frequence_demandee() const { return frequence_demandee_.load(std::memory_order_relaxed); }

  // Callback side: the next `trames` frames, the same sample on each of
  // `canaux` interleaved channels.
  void Produire(float* sortie, std::size_t trames, int canaux = 1);

  // Callback side: true while nothing sounds (before a start, after a stop
  // has finished its ramp).
  bool Muet() const { return position_rampe_ == 0; }
  int Echantillons_rampe() const { return echantillons_rampe_; }

 private:
  std::atomic<int> frequence_demandee_{0};
  const double frequence_echantillonnage_;
  const int echantillons_rampe_;
  const float amplitude_;
  // Callback's own.
  int frequence_ = 0;       // frequency of the tone sounding or fading
  int position_rampe_ = 0;  // 0 (silent) .. echantillons_rampe_ (full amplitude)
  double phase_ = 0;        // in turns, 0 <= phase_ < 1
};

}  // namespace vestral
