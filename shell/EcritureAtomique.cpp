#include "shell/EcritureAtomique.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <string>

namespace vestral {
namespace {

// ".NAME.XXXXXX" beside the target, never a name in use: created with
// O_EXCL, so the umask applies to its mode as to any new file.
Descripteur Creer_temporaire(const std::filesystem::path& cible, std::filesystem::path& chemin,
                             int& erreur) {
  static std::atomic<unsigned> compteur{0};
  static constexpr char kChiffres[] = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUV";
  const auto dossier = cible.has_parent_path() ? cible.parent_path() : std::filesystem::path(".");
  for (int essai = 0; essai < 100; ++essai) {
    uint64_t graine =
        static_cast<uint64_t>(::getpid()) * 0x9E3779B97F4A7C15ull ^
        static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        (static_cast<uint64_t>(compteur.fetch_add(1)) << 40);
    std::string suffixe;
    for (int k = 0; k < 6; ++k, graine /= 58) suffixe += kChiffres[graine % 58];
    chemin = dossier / ("." + cible.filename().string() + "." + suffixe);
    Descripteur fd(::open(chemin.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (fd.Valide()) {
      erreur = 0;
      return fd;
    }
    erreur = errno;
    if (erreur != EEXIST) break;
  }
  chemin.clear();
  return Descripteur();
}

}  // namespace

EcritureAtomique::EcritureAtomique(std::filesystem::path cible) : cible_(std::move(cible)) {
  if (cible_.filename().empty()) {
    erreur_ouverture_ = EISDIR;
    return;
  }
  struct stat etat {};
  const bool existe = ::stat(cible_.c_str(), &etat) == 0;
  if (existe && S_ISDIR(etat.st_mode)) {
    erreur_ouverture_ = EISDIR;
    return;
  }
  if (existe && (!S_ISREG(etat.st_mode) || ::access(cible_.c_str(), W_OK) != 0)) {
    erreur_ouverture_ = EACCES;
    return;
  }
  fichier_ = Creer_temporaire(cible_, temporaire_, erreur_ouverture_);
  if (erreur_ouverture_ == 0 && existe) ::fchmod(fichier_.fd(), etat.st_mode & 07777);
}

EcritureAtomique::~EcritureAtomique() {
  Abandonner();
}

int EcritureAtomique::Ecrire(std::string_view octets) {
  return Ecrire(octets.data(), octets.size());
}

int EcritureAtomique::Ecrire(const void* octets, std::size_t taille) {
  if (!fichier_.Valide()) return erreur_ouverture_ ? erreur_ouverture_ : EBADF;
  synchronise_ = false;
  return Ecrire_tout(fichier_.fd(), octets, taille);
}

int EcritureAtomique::Synchroniser() {
  if (!fichier_.Valide()) return erreur_ouverture_ ? erreur_ouverture_ : EBADF;
  if (::fsync(fichier_.fd()) != 0) return errno;
  synchronise_ = true;
  return 0;
}

int EcritureAtomique::Remplacer() {
  int code = synchronise_ ? 0 : Synchroniser();
  const int fermeture = fichier_.Fermer();
  if (code == 0) code = fermeture;
  if (code == 0 && ::rename(temporaire_.c_str(), cible_.c_str()) != 0) code = errno;
  if (code != 0) {
    Abandonner();
    return code;
  }
  temporaire_.clear();
  // Make the rename itself durable.
  const auto dossier = cible_.has_parent_path() ? cible_.parent_path() : std::filesystem::path(".");
  Descripteur d(::open(dossier.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (d.Valide()) ::fsync(d.fd());
  return 0;
}

int EcritureAtomique::Abandonner() {
  const int code = fichier_.Fermer();
  if (!temporaire_.empty()) {
    ::unlink(temporaire_.c_str());
    temporaire_.clear();
  }
  return code;
}

int Ecrire_fichier_atomique(const std::filesystem::path& cible, std::string_view octets) {
  EcritureAtomique fichier(cible);
  if (const int code = fichier.Erreur_ouverture()) return code;
  if (const int code = fichier.Ecrire(octets)) return code;
  return fichier.Remplacer();
}

int Ecrire_tout(int descripteur, const void* octets, std::size_t taille) {
  const auto* p = static_cast<const char*>(octets);
  std::size_t fait = 0;
  while (fait < taille) {
    const ssize_t n = ::write(descripteur, p + fait, taille - fait);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) return ENOSPC;
    fait += static_cast<std::size_t>(n);
  }
  return 0;
}

}  // namespace vestral
