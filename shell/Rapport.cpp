#include "shell/Rapport.h"

#include <cstdio>

#include "shell/Cp1252.h"

namespace vestral {

void RapportMemoire::Erreur(const std::string& texte) {
  std::lock_guard lock(verrou_);
  evenements_.push_back({Genre::Erreur, texte});
}

void RapportMemoire::Bip() {
  std::lock_guard lock(verrou_);
  evenements_.push_back({Genre::Bip, {}});
}

void RapportMemoire::Panneau(const std::string& texte) {
  std::lock_guard lock(verrou_);
  evenements_.push_back({Genre::Panneau, texte});
}

std::vector<RapportMemoire::Evenement> RapportMemoire::Evenements() const {
  std::lock_guard lock(verrou_);
  return evenements_;
}

std::vector<std::string> RapportMemoire::Erreurs() const {
  std::lock_guard lock(verrou_);
  std::vector<std::string> textes;
  for (const auto& e : evenements_)
    if (e.genre == Genre::Erreur) textes.push_back(e.texte);
  return textes;
}

std::string RapportMemoire::Dernier_panneau() const {
  std::lock_guard lock(verrou_);
  for (auto it = evenements_.rbegin(); it != evenements_.rend(); ++it)
    if (it->genre == Genre::Panneau) return it->texte;
  return {};
}

int RapportMemoire::Nombre_bips() const {
  std::lock_guard lock(verrou_);
  int n = 0;
  for (const auto& e : evenements_) n += e.genre == Genre::Bip;
  return n;
}

void RapportMemoire::Vider() {
  std::lock_guard lock(verrou_);
  evenements_.clear();
}

void RapportConsole::Erreur(const std::string& texte) {
  std::fprintf(stderr, "Erreur : %s\n", Cp1252_vers_utf8(texte).c_str());
}

void RapportConsole::Bip() {
  std::fputc('\a', stderr);
}

void RapportConsole::Panneau(const std::string& texte) {
  std::fprintf(stderr, "%s\n", Cp1252_vers_utf8(texte).c_str());
}

}  // namespace vestral
