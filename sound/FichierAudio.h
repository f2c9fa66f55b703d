// Recordings on disk: any file libsndfile reads (WAV, FLAC, OGG; 8/16/24-bit
// or float; any number of channels, mixed to mono; any rate, converted to
// 11025 Hz) as 8-bit unsigned samples; and WAV files written whole, by
// libsndfile, through the atomic writer.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "shell/FormatSon.h"

namespace vestral {

struct LectureAudio {
  std::vector<uint8_t> echantillons;  // 8-bit unsigned, 11025 Hz, mono
  std::string erreur;                 // empty on success (UTF-8, for the terminal)
};

LectureAudio Lire_fichier_audio(const std::string& chemin);

// The same samples, given a piece at a time, and as often as asked from the
// start: an 8-bit unsigned mono WAV at 11025 Hz is read straight from the
// file as it goes (an hour is never held in memory); anything else is read
// and converted whole when opened.
class LecteurAudio {
 public:
  LecteurAudio();
  ~LecteurAudio();
  LecteurAudio(const LecteurAudio&) = delete;
  LecteurAudio& operator=(const LecteurAudio&) = delete;

  // Answers an error text (UTF-8), empty on success: the same as
  // Lire_fichier_audio would give.
  std::string Ouvrir(const std::string& chemin);
  // Fills the span as far as it can; answers how many (0: the end).
  std::size_t Lire(std::span<uint8_t> destination);
  // Back to the first sample.
  void Rembobiner();
  // The samples from the `debut`-th on (then Lire goes on after them).
  std::size_t Lire_a(int64_t debut, std::span<uint8_t> destination);
  // How many samples the recording announces (those read may be fewer when
  // the file was cut short).
  int64_t Nombre_echantillons() const;

 private:
  struct Fichier;
  std::unique_ptr<Fichier> fichier_;
  LectureAudio lecture_;  // when read whole
  std::size_t suivant_ = 0;
};

// How a WAV file holds its samples: 8-bit unsigned or 16-bit signed
// little-endian, channels interleaved.
struct FormatWav {
  int frequence = kFrequence_echantillonnage_entree;
  int canaux = 1;
  int bits = 8;
};

// The WAV image (header and data) of raw samples, made by libsndfile: the
// one way the programs make WAV files. Nothing on failure, with the reason in
// `erreur` (UTF-8) when given.
[[nodiscard]] std::optional<std::vector<uint8_t>> Image_wav(std::span<const uint8_t> octets,
                                                            const FormatWav& format = {},
                                                            std::string* erreur = nullptr);

// Writes that image to `chemin` through the atomic writer; returns an error
// text (UTF-8), empty on success. A failed write leaves any previous file
// untouched.
[[nodiscard]] std::string Ecrire_wav(const std::string& chemin, std::span<const uint8_t> octets,
                                     const FormatWav& format = {});

}  // namespace vestral
