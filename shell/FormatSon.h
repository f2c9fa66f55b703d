// The one sample format of the system: linear PCM, 8-bit unsigned, mono,
// 11025 samples per second; 128 is silence, 0 and 255 the negative and
// positive full scale. Capture, playback, processing and the files written
// all use it.
#pragma once

#include <cstdint>

namespace vestral {

// The capture rate of reception; playback runs at the same rate.
inline constexpr int32_t kFrequence_echantillonnage_entree = 11025;

// A capture block: a third of a second of samples (3675).
inline constexpr int32_t kTaille_bloc_reception = kFrequence_echantillonnage_entree / 3;

inline constexpr uint8_t kEchantillon_silence = 128;

}  // namespace vestral
