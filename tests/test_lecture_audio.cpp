// The direct read of 8-bit mono WAV files at 11025 Hz gives exactly what the
// general path (float samples, mixed and converted) gives, whole or a piece
// at a time.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "shell/FormatSon.h"
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
  ASSERT_EQ(Ecrire_wav(mono, octets), "");
  // The same samples on both channels: read through the general path.
  SF_INFO info{};
  info.samplerate = kFrequence_echantillonnage_entree;
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

  // Read a piece at a time, from the file or from memory, twice over.
  for (const auto& chemin : {mono, stereo}) {
    LecteurAudio lecteur;
    ASSERT_EQ(lecteur.Ouvrir(chemin), "") << chemin;
    for (int tour = 0; tour < 2; ++tour) {
      std::vector<uint8_t> lus;
      uint8_t morceau[100];
      while (const std::size_t n = lecteur.Lire(morceau))
        lus.insert(lus.end(), morceau, morceau + n);
      EXPECT_EQ(lus, octets) << chemin << " tour " << tour;
      lecteur.Rembobiner();
    }
    // From anywhere, and on from there.
    uint8_t morceau[100];
    ASSERT_EQ(lecteur.Lire_a(300, morceau), 100u);
    EXPECT_TRUE(std::equal(morceau, morceau + 100, octets.begin() + 300));
    ASSERT_EQ(lecteur.Lire(std::span(morceau).first(10)), 10u);
    EXPECT_EQ(morceau[0], octets[400]);
    EXPECT_EQ(lecteur.Lire_a(static_cast<int64_t>(octets.size()), morceau), 0u);
    EXPECT_EQ(lecteur.Lire_a(-1, morceau), 0u);
  }
  std::filesystem::remove(mono);
  std::filesystem::remove(stereo);
}

// A WAV file cut short, one that is not audio, one that is missing: the
// piecewise reader says and gives what reading the file whole does.
TEST(LectureAudio, LecteurCommeLaLectureEntiere) {
  const auto dossier = std::filesystem::temp_directory_path();
  const auto chemin = (dossier / "vestral_lecteur_cas.wav").string();
  std::vector<uint8_t> octets(5000);
  for (std::size_t i = 0; i < octets.size(); ++i) octets[i] = static_cast<uint8_t>(i * 7);
  const auto image = *Image_wav(octets);
  const std::vector<std::vector<uint8_t>> cas = {
      image,
      std::vector<uint8_t>(image.begin(), image.begin() + 44 + 1234),  // cut short
      std::vector<uint8_t>(image.begin(), image.begin() + 44),         // header only
      std::vector<uint8_t>(image.begin(), image.begin() + 20),         // header cut
      {'n', 'o', 'n'},
  };
  for (std::size_t k = 0; k < cas.size(); ++k) {
    {
      std::FILE* f = std::fopen(chemin.c_str(), "wb");
      ASSERT_NE(f, nullptr);
      std::fwrite(cas[k].data(), 1, cas[k].size(), f);
      std::fclose(f);
    }
    const auto entiere = Lire_fichier_audio(chemin);
    LecteurAudio lecteur;
    EXPECT_EQ(lecteur.Ouvrir(chemin), entiere.erreur) << k;
    std::vector<uint8_t> lus;
    uint8_t morceau[kTaille_bloc_reception];
    while (const std::size_t n = lecteur.Lire(morceau)) lus.insert(lus.end(), morceau, morceau + n);
    EXPECT_EQ(lus, entiere.echantillons) << k;
  }
  std::filesystem::remove(chemin);
  LecteurAudio lecteur;
  EXPECT_EQ(lecteur.Ouvrir(chemin), "fichier introuvable");
  uint8_t morceau[10];
  EXPECT_EQ(lecteur.Lire(morceau), 0u);
}

}  // namespace
}  // namespace vestral
