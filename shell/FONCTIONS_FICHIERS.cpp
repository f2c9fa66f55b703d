#include "shell/FONCTIONS_FICHIERS.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "shell/Cp1252.h"
#include "shell/Descripteur.h"

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
  if (ecriture_) Fermer(false);
}

bool FichiersTexte::Fichier_existe(const std::string& nom) const {
  struct stat etat {};
  return ::stat((dossier_ / nom).c_str(), &etat) == 0 && !S_ISDIR(etat.st_mode);
}

bool FichiersTexte::Lecture_fichier_texte(const std::string& nom, std::string& texte, int& lus) {
  const auto chemin = dossier_ / nom;
  Descripteur fd(::open(chemin.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.Valide()) {
    rapport_.Erreur("Impossible d'ouvrir le fichier " + nom + " en lecture.");
    return true;
  }
  bool erreur = false;
  std::vector<char> tampon(kLimite_lecture);
  std::size_t total = 0;
  while (total < tampon.size()) {
    const ssize_t n = ::read(fd.fd(), tampon.data() + total, tampon.size() - total);
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
  if (const int code = fd.Fermer(); code != 0) {
    rapport_.Erreur("Erreur lors de fermeture de fichier lec. n\xB0" + Code_16_bits(code));
    erreur = true;
  }
  return erreur;
}

bool FichiersTexte::Ouvrir(const std::string& nom) {
  if (ecriture_) Fermer(false);
  ecriture_.emplace(dossier_ / nom);
  ecriture_echouee_ = false;
  if (ecriture_->Erreur_ouverture() != 0) {
    ecriture_.reset();
    rapport_.Erreur("Impossible d'ouvrir le fichier " + nom +
                    " en \xE9"
                    "criture.");
    return true;
  }
  return false;
}

bool FichiersTexte::Ecrire(const std::string& texte) {
  if (ecriture_->Ecrire(Coupe_au_zero(texte)) != 0 || ecriture_->Synchroniser() != 0) {
    ecriture_echouee_ = true;
    return true;
  }
  return false;
}

bool FichiersTexte::Fermer(bool garder) {
  const int code = garder && !ecriture_echouee_ ? ecriture_->Remplacer() : ecriture_->Abandonner();
  ecriture_.reset();
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
  if (!ecriture_) {
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
  if (ecriture_) Fermer(true);
}

}  // namespace vestral
