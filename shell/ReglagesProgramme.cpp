#include "shell/ReglagesProgramme.h"

#include <algorithm>

namespace vestral {

ReglagesProgramme::ReglagesProgramme(FichiersTexte& fichiers, std::string nom)
    : fichiers_(fichiers), nom_(std::move(nom)) {}

void ReglagesProgramme::Lire() {
  valeurs_.clear();
  if (!fichiers_.Fichier_existe(nom_)) return;
  std::string texte;
  int lus = 0;
  if (fichiers_.Lecture_fichier_texte(nom_, texte, lus)) return;
  Analyser(texte);
}

void ReglagesProgramme::Analyser(const std::string& texte) {
  valeurs_.clear();
  std::size_t debut = 0;
  while (debut < texte.size()) {
    std::size_t fin = texte.find('\n', debut);
    if (fin == std::string::npos) fin = texte.size();
    std::string ligne = texte.substr(debut, fin - debut);
    debut = fin + 1;
    if (!ligne.empty() && ligne.back() == '\r') ligne.pop_back();
    const std::size_t egal = ligne.find('=');
    if (egal == std::string::npos || egal == 0) continue;
    const std::string cle = ligne.substr(0, egal);
    const std::string valeur = ligne.substr(egal + 1);
    auto existant = std::find_if(valeurs_.begin(), valeurs_.end(),
                                 [&](const auto& v) { return v.first == cle; });
    if (existant != valeurs_.end())
      existant->second = valeur;
    else
      valeurs_.emplace_back(cle, valeur);
  }
}

std::string ReglagesProgramme::Valeur(const std::string& cle) const {
  for (const auto& [c, v] : valeurs_)
    if (c == cle) return v;
  return "";
}

std::string ReglagesProgramme::Texte() const {
  std::string texte;
  for (const auto& [c, v] : valeurs_) texte += c + "=" + v + "\n";
  return texte;
}

bool ReglagesProgramme::Changer(const std::string& cle, const std::string& valeur) {
  return Changer({{cle, valeur}});
}

bool ReglagesProgramme::Changer(const std::vector<std::pair<std::string, std::string>>& valeurs) {
  Lire();
  for (const auto& paire : valeurs) {
    const std::string& cle = paire.first;
    const std::string& valeur = paire.second;
    auto existant = std::find_if(valeurs_.begin(), valeurs_.end(),
                                 [&](const auto& v) { return v.first == cle; });
    // A line break in a value would make a key of its own.
    std::string propre = valeur;
    std::replace(propre.begin(), propre.end(), '\n', ' ');
    std::replace(propre.begin(), propre.end(), '\r', ' ');
    if (propre.empty()) {
      if (existant != valeurs_.end()) valeurs_.erase(existant);
    } else if (existant != valeurs_.end()) {
      existant->second = propre;
    } else {
      valeurs_.emplace_back(cle, propre);
    }
  }
  return !fichiers_.Ecriture_fichier_texte(nom_, Texte());
}

}  // namespace vestral
