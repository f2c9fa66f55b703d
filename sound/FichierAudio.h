// Recordings on disk: any file libsndfile reads (WAV, FLAC, OGG; 8/16/24-bit
// or float; any number of channels, mixed to mono; any rate, converted to
// 11025 Hz) as 8-bit unsigned samples, and 8-bit mono WAV files written
// whole (to a temporary file, then renamed).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vestral {

struct LectureAudio {
  std::vector<uint8_t> echantillons;  // 8-bit unsigned, 11025 Hz, mono
  std::string erreur;                 // empty on success (UTF-8, for the terminal)
};

LectureAudio Lire_fichier_audio(const std::string& chemin);

// 8-bit unsigned samples as a WAV file image (header and data).
std::vector<uint8_t> Image_wav_8bits(const std::vector<uint8_t>& echantillons,
                                     int frequence = 11025);

// Writes the WAV image to `chemin`; returns an error text (UTF-8), empty on
// success. A failed write leaves any previous file untouched.
std::string Ecrire_wav_8bits(const std::string& chemin, const std::vector<uint8_t>& echantillons,
                             int frequence = 11025);

}  // namespace vestral
