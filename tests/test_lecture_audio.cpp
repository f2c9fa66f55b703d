// The direct read of 8-bit mono WAV files at 11025 Hz gives exactly what the
// general path (float samples, mixed and converted) gives.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <filesystem>
#include <vector>

#include "sound/FichierAudio.h"

namespace vestral {
namespace {

TEST(LectureAudio, HuitBitsDirectsCommeParLeCheminGeneral) {
  std::vector<uint8_t> octets;
  for (int tour = 0; tour < 3; ++tour)
    for (int v = 0; v < 256; ++v) octets.push_back(static_cast<uint8_t>(tour == 1 ? 255 - v : v));
  const auto dossier = std::filesystem::temp_directory_path();
  const auto mono = (dossier / "vestral_lecture_mono.wav").string();
  const auto stereo = (dossier / "vestral_lecture_stereo.wav").string();
  ASSERT_EQ(Ecrire_wav_8bits(mono, octets), "");
  // The same samples on both channels: read through the general path.
  SF_INFO info{};
  info.samplerate = 11025;
  info.channels = 2;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_U8;
  SNDFILE* f = sf_open(stereo.c_str(), SFM_WRITE, &info);
  ASSERT_NE(f, nullptr);
  std::vector<uint8_t> paires;
  for (uint8_t o : octets) paires.insert(paires.end(), {o, o});
  ASSERT_EQ(sf_write_raw(f, paires.data(), static_cast<sf_count_t>(paires.size())),
            static_cast<sf_count_t>(paires.size()));
  sf_close(f);

  const auto direct = Lire_fichier_audio(mono);
  const auto general = Lire_fichier_audio(stereo);
  EXPECT_EQ(direct.erreur, "");
  EXPECT_EQ(general.erreur, "");
  EXPECT_EQ(direct.echantillons, octets);
  EXPECT_EQ(general.echantillons, octets);
  std::filesystem::remove(mono);
  std::filesystem::remove(stereo);
}

}  // namespace
}  // namespace vestral
