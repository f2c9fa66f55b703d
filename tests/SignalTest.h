// Keyed test tones built element by element, to put exact marks and spaces
// in front of the receiver.
#pragma once

#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>
#include <string_view>
#include <vector>

#include "morse/TableMorse.h"
#include "shell/FormatSon.h"

namespace vestral::test {

class SignalTest {
 public:
  explicit SignalTest(double frequence = 800, double amplitude = 127)
      : frequence_(frequence), amplitude_(amplitude) {}

  SignalTest& Ton(double ms) {
    for (long n = Duree(ms); n > 0; --n) {
      echantillons_.push_back(static_cast<uint8_t>(
          std::lround(128 + amplitude_ * std::sin(2 * std::numbers::pi * frequence_ * phase_ /
                                                  kFrequence_echantillonnage_entree))));
      ++phase_;
    }
    return *this;
  }
  SignalTest& Silence(double ms) {
    echantillons_.insert(echantillons_.end(), static_cast<std::size_t>(Duree(ms)), uint8_t{128});
    return *this;
  }
  // Elements of a pattern ('.' and '_') with one-dot gaps inside, no gap after.
  SignalTest& Motif(std::string_view motif, double point_ms) {
    for (std::size_t i = 0; i < motif.size(); ++i) {
      if (i > 0) Silence(point_ms);
      Ton(motif[i] == '.' ? point_ms : 3 * point_ms);
    }
    return *this;
  }

  // A text as sent: 3 dots between characters, 7 between words.
  SignalTest& Texte(std::string_view texte, double point_ms) {
    for (char c : texte) {
      if (c == ' ') {
        Silence(4 * point_ms);
        continue;
      }
      Motif(Motif_morse(static_cast<uint8_t>(c)), point_ms).Silence(3 * point_ms);
    }
    return *this;
  }

  const std::vector<uint8_t>& Echantillons() const { return echantillons_; }

 private:
  static long Duree(double ms) {
    return std::lround(ms * kFrequence_echantillonnage_entree / 1000);
  }

  double frequence_, amplitude_;
  long phase_ = 0;
  std::vector<uint8_t> echantillons_;
};

}  // namespace vestral::test
