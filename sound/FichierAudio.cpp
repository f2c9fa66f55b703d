#include "sound/FichierAudio.h"

#include <fcntl.h>
#include <samplerate.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string_view>

#include "shell/EcritureAtomique.h"

namespace vestral {
namespace {

struct FermeSndfile {
  void operator()(SNDFILE* f) const { sf_close(f); }
};
struct FermeSrc {
  void operator()(SRC_STATE* s) const { src_delete(s); }
};

uint8_t Vers_8bits(float x) {
  if (!(x == x)) return 128;  // NaN
  const double v = std::nearbyint(128.0 + 128.0 * static_cast<double>(x));
  return static_cast<uint8_t>(std::clamp(v, 0.0, 255.0));
}

// A growing file in memory for libsndfile, so that a WAV image can go to a
// pipe as well as to a file.
struct FichierMemoire {
  std::vector<uint8_t> octets;
  sf_count_t position = 0;
};

sf_count_t Memoire_longueur(void* donnees) {
  return static_cast<sf_count_t>(static_cast<FichierMemoire*>(donnees)->octets.size());
}
sf_count_t Memoire_deplacer(sf_count_t decalage, int origine, void* donnees) {
  auto& f = *static_cast<FichierMemoire*>(donnees);
  const sf_count_t base = origine == SEEK_SET   ? 0
                          : origine == SEEK_CUR ? f.position
                                                : static_cast<sf_count_t>(f.octets.size());
  if (base + decalage < 0) return -1;
  f.position = base + decalage;
  return f.position;
}
sf_count_t Memoire_lire(void* destination, sf_count_t nombre, void* donnees) {
  auto& f = *static_cast<FichierMemoire*>(donnees);
  const auto taille = static_cast<sf_count_t>(f.octets.size());
  const sf_count_t lus = std::max<sf_count_t>(0, std::min(nombre, taille - f.position));
  if (lus > 0)
    std::memcpy(destination, f.octets.data() + f.position, static_cast<std::size_t>(lus));
  f.position += lus;
  return lus;
}
sf_count_t Memoire_ecrire(const void* source, sf_count_t nombre, void* donnees) {
  auto& f = *static_cast<FichierMemoire*>(donnees);
  const auto fin = static_cast<std::size_t>(f.position + nombre);
  if (fin > f.octets.size()) f.octets.resize(fin);
  std::memcpy(f.octets.data() + f.position, source, static_cast<std::size_t>(nombre));
  f.position += nombre;
  return nombre;
}
sf_count_t Memoire_position(void* donnees) {
  return static_cast<FichierMemoire*>(donnees)->position;
}

}  // namespace

namespace {

using Sndfile = std::unique_ptr<SNDFILE, FermeSndfile>;

// Opens a recording and checks what every reading needs; on success the
// error is empty and `trames` is how many frames the header announces, up
// to the file's own size.
Sndfile Ouvrir_sndfile(const std::string& chemin, SF_INFO& info, sf_count_t& trames,
                       std::string& erreur) {
  if (std::filesystem::is_directory(chemin)) {
    erreur = "c'est un dossier";
    return nullptr;
  }
  info = SF_INFO{};
  Sndfile fichier(sf_open(chemin.c_str(), SFM_READ, &info));
  if (!fichier) {
    erreur = errno == ENOENT && !std::filesystem::exists(chemin)
                 ? "fichier introuvable"
                 : std::string("pas un fichier audio lisible (") + sf_strerror(nullptr) + ")";
    return nullptr;
  }
  if (info.channels < 1 || info.channels > 1024 || info.samplerate < 1) {
    erreur = "format audio non pris en charge";
    return nullptr;
  }
  const double rapport = static_cast<double>(kFrequence_echantillonnage_entree) / info.samplerate;
  if (!src_is_valid_ratio(rapport)) {
    erreur = "fréquence d'échantillonnage non prise en charge (" + std::to_string(info.samplerate) +
             " Hz)";
    return nullptr;
  }
  // The header's length is only believed up to the file's own size.
  std::error_code erreur_taille;
  const auto taille_fichier = std::filesystem::file_size(chemin, erreur_taille);
  trames = erreur_taille
               ? 0
               : std::min<sf_count_t>(info.frames, static_cast<sf_count_t>(taille_fichier));
  return fichier;
}

// 8-bit unsigned mono WAV at 11025 Hz: the bytes are the samples.
bool Octets_bruts(const SF_INFO& info, sf_count_t trames) {
  return info.channels == 1 && info.samplerate == kFrequence_echantillonnage_entree &&
         (info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_WAV &&
         (info.format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_U8 && trames > 0;
}

// Everything after the opening: the samples read whole and converted.
LectureAudio Lire_ouvert(const Sndfile& fichier, const SF_INFO& info,
                         sf_count_t trames_plausibles) {
  LectureAudio lecture;
  const double rapport = static_cast<double>(kFrequence_echantillonnage_entree) / info.samplerate;

  if (Octets_bruts(info, trames_plausibles)) {
    lecture.echantillons.resize(static_cast<std::size_t>(trames_plausibles));
    const sf_count_t n = sf_read_raw(fichier.get(), lecture.echantillons.data(), trames_plausibles);
    lecture.echantillons.resize(static_cast<std::size_t>(std::max<sf_count_t>(n, 0)));
    if (n < 0 || (n == 0 && sf_error(fichier.get()) != SF_ERR_NO_ERROR)) {
      lecture.echantillons.clear();
      lecture.erreur = std::string("erreur de lecture (") + sf_strerror(fichier.get()) + ")";
    }
    return lecture;
  }
  sf_command(fichier.get(), SFC_SET_NORM_FLOAT, nullptr, SF_TRUE);

  // Mix to mono.
  std::vector<float> mono;
  if (trames_plausibles > 0) mono.reserve(static_cast<std::size_t>(trames_plausibles));
  const int canaux = info.channels;
  std::vector<float> trames(4096 * static_cast<std::size_t>(canaux));
  for (;;) {
    const sf_count_t n = sf_readf_float(fichier.get(), trames.data(), 4096);
    if (n <= 0) break;
    for (sf_count_t i = 0; i < n; ++i) {
      double somme = 0;
      for (int c = 0; c < canaux; ++c) somme += trames[static_cast<std::size_t>(i * canaux + c)];
      mono.push_back(static_cast<float>(somme / canaux));
    }
  }
  if (sf_error(fichier.get()) != SF_ERR_NO_ERROR && mono.empty()) {
    lecture.erreur = std::string("erreur de lecture (") + sf_strerror(fichier.get()) + ")";
    return lecture;
  }

  if (info.samplerate == kFrequence_echantillonnage_entree) {
    lecture.echantillons.reserve(mono.size());
    for (float x : mono) lecture.echantillons.push_back(Vers_8bits(x));
    return lecture;
  }

  int erreur = 0;
  std::unique_ptr<SRC_STATE, FermeSrc> conversion(src_new(SRC_SINC_MEDIUM_QUALITY, 1, &erreur));
  if (!conversion) {
    lecture.erreur =
        std::string("conversion de fréquence impossible (") + src_strerror(erreur) + ")";
    return lecture;
  }
  std::vector<float> sortie(static_cast<std::size_t>(mono.size() * rapport) + 4096);
  SRC_DATA donnees{};
  donnees.data_in = mono.data();
  donnees.input_frames = static_cast<long>(mono.size());
  donnees.data_out = sortie.data();
  donnees.output_frames = static_cast<long>(sortie.size());
  donnees.src_ratio = rapport;
  donnees.end_of_input = 1;
  erreur = src_process(conversion.get(), &donnees);
  if (erreur != 0) {
    lecture.erreur =
        std::string("conversion de fréquence impossible (") + src_strerror(erreur) + ")";
    return lecture;
  }
  lecture.echantillons.reserve(static_cast<std::size_t>(donnees.output_frames_gen));
  for (long i = 0; i < donnees.output_frames_gen; ++i)
    lecture.echantillons.push_back(Vers_8bits(sortie[static_cast<std::size_t>(i)]));
  return lecture;
}

}  // namespace

LectureAudio Lire_fichier_audio(const std::string& chemin) {
  LectureAudio lecture;
  SF_INFO info{};
  sf_count_t trames = 0;
  const auto fichier = Ouvrir_sndfile(chemin, info, trames, lecture.erreur);
  if (!fichier) return lecture;
  return Lire_ouvert(fichier, info, trames);
}

struct LecteurAudio::Fichier {
  Sndfile sndfile;
  sf_count_t trames = 0;  // to read in all
  sf_count_t lues = 0;
};

LecteurAudio::LecteurAudio() = default;
LecteurAudio::~LecteurAudio() = default;

std::string LecteurAudio::Ouvrir(const std::string& chemin) {
  fichier_.reset();
  lecture_ = {};
  suivant_ = 0;
  SF_INFO info{};
  sf_count_t trames = 0;
  std::string erreur;
  auto sndfile = Ouvrir_sndfile(chemin, info, trames, erreur);
  if (!sndfile) return erreur;
  if (Octets_bruts(info, trames) && info.seekable) {
    // The first read tells a file that cannot be read at all, as reading
    // it whole would; it is read again by the first Lire.
    uint8_t premier = 0;
    const sf_count_t n = sf_read_raw(sndfile.get(), &premier, 1);
    if (n < 0 || (n == 0 && sf_error(sndfile.get()) != SF_ERR_NO_ERROR))
      return std::string("erreur de lecture (") + sf_strerror(sndfile.get()) + ")";
    if (sf_seek(sndfile.get(), 0, SEEK_SET) == 0) {
      fichier_ = std::make_unique<Fichier>();
      fichier_->sndfile = std::move(sndfile);
      fichier_->trames = n == 0 ? 0 : trames;
      return {};
    }
    // Could not go back: read it whole from a fresh start.
    sndfile = Ouvrir_sndfile(chemin, info, trames, erreur);
    if (!sndfile) return erreur;
  }
  lecture_ = Lire_ouvert(sndfile, info, trames);
  return lecture_.erreur;
}

std::size_t LecteurAudio::Lire(std::span<uint8_t> destination) {
  if (fichier_) {
    const sf_count_t voulu = std::min<sf_count_t>(static_cast<sf_count_t>(destination.size()),
                                                  fichier_->trames - fichier_->lues);
    if (voulu <= 0) return 0;
    const sf_count_t n = sf_read_raw(fichier_->sndfile.get(), destination.data(), voulu);
    if (n <= 0) {
      fichier_->trames = fichier_->lues;  // a read error ends the recording there
      return 0;
    }
    fichier_->lues += n;
    return static_cast<std::size_t>(n);
  }
  const std::size_t n = std::min(destination.size(), lecture_.echantillons.size() - suivant_);
  std::copy_n(lecture_.echantillons.begin() + static_cast<std::ptrdiff_t>(suivant_), n,
              destination.begin());
  suivant_ += n;
  return n;
}

int64_t LecteurAudio::Nombre_echantillons() const {
  return fichier_ ? fichier_->trames : static_cast<int64_t>(lecture_.echantillons.size());
}

std::size_t LecteurAudio::Lire_a(int64_t debut, std::span<uint8_t> destination) {
  if (debut < 0) return 0;
  if (fichier_) {
    if (debut >= fichier_->trames) return 0;
    if (debut != fichier_->lues) {
      if (sf_seek(fichier_->sndfile.get(), debut, SEEK_SET) != debut) return 0;
      fichier_->lues = debut;
    }
  } else {
    suivant_ = std::min(static_cast<std::size_t>(debut), lecture_.echantillons.size());
  }
  return Lire(destination);
}

void LecteurAudio::Rembobiner() {
  Lire_a(0, {});
}

std::optional<std::vector<uint8_t>> Image_wav(std::span<const uint8_t> octets,
                                              const FormatWav& format, std::string* erreur) {
  SF_VIRTUAL_IO es = {Memoire_longueur, Memoire_deplacer, Memoire_lire, Memoire_ecrire,
                      Memoire_position};
  FichierMemoire memoire;
  SF_INFO info{};
  info.samplerate = format.frequence;
  info.channels = std::max(format.canaux, 1);
  info.format = SF_FORMAT_WAV | (format.bits == 16 ? SF_FORMAT_PCM_16 : SF_FORMAT_PCM_U8);
  const auto echec = [&](SNDFILE* son) -> std::optional<std::vector<uint8_t>> {
    if (erreur) *erreur = std::string("libsndfile : ") + sf_strerror(son);
    return std::nullopt;
  };
  Sndfile son(sf_open_virtual(&es, SFM_WRITE, &info, &memoire));
  if (!son) return echec(nullptr);
  // The samples are already in the file's format: written as they are.
  const auto n = static_cast<sf_count_t>(octets.size());
  if (sf_write_raw(son.get(), octets.data(), n) != n) return echec(son.get());
  if (sf_close(son.release()) != 0) return echec(nullptr);
  return std::move(memoire.octets);
}

std::string Ecrire_wav(const std::string& chemin, std::span<const uint8_t> octets,
                       const FormatWav& format) {
  std::string erreur;
  const auto image = Image_wav(octets, format, &erreur);
  if (!image) return erreur;
  const int code = Ecrire_fichier_atomique(
      chemin, std::string_view(reinterpret_cast<const char*>(image->data()), image->size()));
  if (code != 0)
    return std::string("impossible d'écrire « ") + chemin + " » : " + std::strerror(code);
  return {};
}

}  // namespace vestral
