#include "shell/FONCTIONS_FICHIERS.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "shell/Cp1252.h"

namespace vestral {
namespace {

std::string Code_16_bits(int code) {
  return std::to_string(static_cast<unsigned>(code) & 0xFFFFu);
}

std::string Coupe_au_zero(const std::string& texte) {
  return texte.substr(0, std::strlen(texte.c_str()));
}

}  // namespace

FichiersTexte::FichiersTexte(Rapport& rapport, std::filesystem::path dossier)
    : rapport_(rapport), dossier_(std::move(dossier)) {}

FichiersTexte::~FichiersTexte() {
  if (descripteur_ >= 0) Fermer(false);
}

bool FichiersTexte::Fichier_existe(const std::string& nom) const {
  struct stat etat {};
  return ::stat((dossier_ / nom).c_str(), &etat) == 0 && !S_ISDIR(etat.st_mode);
}

bool FichiersTexte::Lecture_fichier_texte(const std::string& nom, std::string& texte, int& lus) {
  const auto chemin = dossier_ / nom;
  const int fd = ::open(chemin.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    rapport_.Erreur("Impossible d'ouvrir le fichier " + nom + " en lecture.");
    return true;
  }
  bool erreur = false;
  std::vector<char> tampon(kLimite_lecture);
  std::size_t total = 0;
  while (total < tampon.size()) {
    const ssize_t n = ::read(fd, tampon.data() + total, tampon.size() - total);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      erreur = true;
      break;
    }
    if (n == 0) break;
    total += static_cast<std::size_t>(n);
  }
  if (erreur) {
    rapport_.Erreur("Erreur lors de la lecture du fichier " + nom + ".");
    texte.clear();
    lus = -1;
  } else {
    lus = static_cast<int>(total);
    texte.assign(tampon.data(), ::strnlen(tampon.data(), total));
  }
  if (::close(fd) != 0) {
    rapport_.Erreur("Erreur lors de fermeture de fichier lec. n\xB0" + Code_16_bits(errno));
    erreur = true;
  }
  return erreur;
}

bool FichiersTexte::Ouvrir(const std::string& nom) {
  if (descripteur_ >= 0) Fermer(false);
  const auto cible = dossier_ / nom;
  const std::string message = "Impossible d'ouvrir le fichier " + nom +
                              " en \xE9"
                              "criture.";
  struct stat etat {};
  const bool existe = ::stat(cible.c_str(), &etat) == 0;
  // A target that could not be opened for writing in place stays untouched.
  if (existe && (!S_ISREG(etat.st_mode) || ::access(cible.c_str(), W_OK) != 0)) {
    rapport_.Erreur(message);
    return true;
  }
  std::string temporaire = nom;
  temporaire.insert(0, 1, '.');
  temporaire += ".XXXXXX";
  temporaire_ = dossier_ / temporaire;
  std::string modele = temporaire_.string();
  const int fd = ::mkostemp(modele.data(), O_CLOEXEC);
  if (fd < 0) {
    rapport_.Erreur(message);
    return true;
  }
  temporaire_ = modele;
  // The new file keeps the permissions of the one it replaces.
  ::fchmod(fd, existe ? (etat.st_mode & 07777) : 0644 & ~0022);
  descripteur_ = fd;
  nom_ouvert_ = nom;
  ecriture_echouee_ = false;
  return false;
}

bool FichiersTexte::Ecrire(const std::string& texte) {
  const std::string contenu = Coupe_au_zero(texte);
  std::size_t ecrits = 0;
  while (ecrits < contenu.size()) {
    const ssize_t n = ::write(descripteur_, contenu.data() + ecrits, contenu.size() - ecrits);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    ecrits += static_cast<std::size_t>(n);
  }
  if (ecrits < contenu.size() || ::fsync(descripteur_) != 0) {
    ecriture_echouee_ = true;
    return true;
  }
  return false;
}

bool FichiersTexte::Fermer(bool garder) {
  const int fd = descripteur_;
  descripteur_ = -1;
  int code = ::close(fd) == 0 ? 0 : errno;
  if (garder && !ecriture_echouee_ && code == 0) {
    if (::rename(temporaire_.c_str(), (dossier_ / nom_ouvert_).c_str()) == 0) {
      // Make the rename itself durable.
      const int dossier = ::open(dossier_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      if (dossier >= 0) {
        ::fsync(dossier);
        ::close(dossier);
      }
      return false;
    }
    code = errno;
  }
  ::unlink(temporaire_.c_str());
  if (code != 0) {
    rapport_.Erreur(
        "Erreur lors de fermeture de fichier \xE9"
        "cr. n\xB0" +
        Code_16_bits(code));
    return true;
  }
  return ecriture_echouee_;
}

bool FichiersTexte::Ecriture_fichier_texte(const std::string& nom, const std::string& texte) {
  if (Ouvrir(nom)) return true;
  bool erreur = false;
  if (Ecrire(texte)) {
    rapport_.Erreur("Ecriture du texte impossible. Disque dur plein? ");
    erreur = true;
  }
  return Fermer(true) || erreur;
}

bool FichiersTexte::Ouverture_fichier_ecriture(const std::string& nom) {
  return Ouvrir(nom);
}

bool FichiersTexte::Ecriture_tampon_fichier(const std::string& texte, bool& stockage_plein) {
  stockage_plein = false;
  if (descripteur_ < 0) {
    rapport_.Erreur(
        "Impossible d'\xE9"
        "crire dans le fichier en \xE9"
        "criture.");
    return true;
  }
  stockage_plein = Ecrire(texte);
  return false;
}

void FichiersTexte::Fermeture_fichier_ecriture() {
  if (descripteur_ >= 0) Fermer(true);
}

}  // namespace vestral
