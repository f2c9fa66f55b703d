#include "station/ReglagesStation.h"

#include <utility>
#include <vector>

#include "shell/ReglagesProgramme.h"

#include <charconv>
#include <vector>

namespace vestral {
namespace {

std::optional<long> Entier(std::string_view texte, long min, long max) {
  long valeur = 0;
  const char* fin = texte.data() + texte.size();
  const auto [ptr, ec] = std::from_chars(texte.data(), fin, valeur);
  if (texte.empty() || ec != std::errc() || ptr != fin || valeur < min || valeur > max)
    return std::nullopt;
  return valeur;
}

// A device path or HOST:PORT: printable, no blank.
bool Chemin_valable(std::string_view texte) {
  if (texte.size() > 255) return false;
  for (const char c : texte) {
    const auto o = static_cast<unsigned char>(c);
    if (o <= 32 || o >= 127) return false;
  }
  return true;
}

}  // namespace

std::string Nom_mode_ptt(ModePTT mode) {
  switch (mode) {
    case ModePTT::Cat:
      return "cat";
    case ModePTT::Aucun:
      return "none";
    case ModePTT::Serie:
      break;
  }
  return "serial";
}

std::optional<ModePTT> Mode_ptt_depuis(std::string_view nom) {
  if (nom == "serial") return ModePTT::Serie;
  if (nom == "cat") return ModePTT::Cat;
  if (nom == "none") return ModePTT::Aucun;
  return std::nullopt;
}

std::string Texte_reglages_station(const ReglagesStation& r) {
  std::string t;
  t += "rig=" + std::to_string(r.poste.modele) + "\r\n";
  t += "rig-device=" + r.poste.peripherique + "\r\n";
  t += "rig-speed=" + std::to_string(r.poste.vitesse) + "\r\n";
  t += "ptt=" + Nom_mode_ptt(r.ptt) + "\r\n";
  t += "cwdaemon=" + std::string(r.cwdaemon ? "1" : "0") + "\r\n";
  t += "cwdaemon-address=" + r.adresse_cwdaemon + "\r\n";
  t += "cwdaemon-port=" + std::to_string(r.port_cwdaemon) + "\r\n";
  return t;
}

ReglagesStation Reglages_station_depuis(std::string_view texte) {
  ReglagesStation r;
  while (!texte.empty()) {
    const auto fin = texte.find('\n');
    std::string_view ligne = texte.substr(0, fin);
    texte = fin == std::string_view::npos ? std::string_view() : texte.substr(fin + 1);
    if (!ligne.empty() && ligne.back() == '\r') ligne.remove_suffix(1);
    const auto egal = ligne.find('=');
    if (egal == std::string_view::npos) continue;
    const std::string_view nom = ligne.substr(0, egal), valeur = ligne.substr(egal + 1);
    if (nom == "rig") {
      if (const auto v = Entier(valeur, 0, 999999)) r.poste.modele = static_cast<int>(*v);
    } else if (nom == "rig-device") {
      if (Chemin_valable(valeur)) r.poste.peripherique = std::string(valeur);
    } else if (nom == "rig-speed") {
      if (const auto v = Entier(valeur, 0, 4000000)) r.poste.vitesse = static_cast<int>(*v);
    } else if (nom == "ptt") {
      if (const auto m = Mode_ptt_depuis(valeur)) r.ptt = *m;
    } else if (nom == "cwdaemon") {
      if (const auto v = Entier(valeur, 0, 1)) r.cwdaemon = *v == 1;
    } else if (nom == "cwdaemon-address") {
      if (!valeur.empty() && Chemin_valable(valeur)) r.adresse_cwdaemon = std::string(valeur);
    } else if (nom == "cwdaemon-port") {
      if (const auto v = Entier(valeur, 1, 65535)) r.port_cwdaemon = static_cast<uint16_t>(*v);
    }
  }
  return r;
}

ReglagesStation Lire_reglages_station(FichiersTexte& fichiers) {
  if (!fichiers.Fichier_existe(kFichier_station)) return {};
  std::string texte;
  int lus = 0;
  if (fichiers.Lecture_fichier_texte(kFichier_station, texte, lus)) return {};
  return Reglages_station_depuis(texte);
}

bool Ecrire_reglages_station(FichiersTexte& fichiers, const ReglagesStation& reglages) {
  // The file holds other settings of the program too (the sound devices):
  // only the station's lines change.
  std::vector<std::pair<std::string, std::string>> lignes;
  const std::string texte = Texte_reglages_station(reglages);
  std::size_t debut = 0;
  while (debut < texte.size()) {
    const std::size_t fin = texte.find("\r\n", debut);
    const std::string ligne = texte.substr(debut, fin - debut);
    debut = fin + 2;
    const std::size_t egal = ligne.find('=');
    lignes.emplace_back(ligne.substr(0, egal), ligne.substr(egal + 1));
  }
  ReglagesProgramme fichier(fichiers, kFichier_station);
  return !fichier.Changer(lignes);
}

}  // namespace vestral
