#include "station/Cwdaemon.h"

#include <charconv>

namespace vestral {
namespace {

constexpr char kEchap = 27;

// The whole of `texte` as a decimal integer within [min, max].
std::optional<int> Nombre(std::string_view texte, int min, int max) {
  if (texte.empty() || texte.size() > 6) return std::nullopt;
  int valeur = 0;
  const char* fin = texte.data() + texte.size();
  const auto [ptr, ec] = std::from_chars(texte.data(), fin, valeur);
  if (ec != std::errc() || ptr != fin || valeur < min || valeur > max) return std::nullopt;
  return valeur;
}

std::string_view Sans_fin_de_ligne(std::string_view texte) {
  while (!texte.empty() && (texte.back() == '\n' || texte.back() == '\r')) texte.remove_suffix(1);
  return texte;
}

// Text a logger may send: printable bytes (CP1252 letters included), no
// control byte.
bool Texte_imprimable(std::string_view texte) {
  for (const char c : texte) {
    const auto octet = static_cast<unsigned char>(c);
    if (octet < 32 || octet == 127) return false;
  }
  return true;
}

}  // namespace

std::optional<CommandeCwdaemon> Analyser_datagramme(std::string_view octets) {
  if (octets.empty() || octets.size() > kTaille_max_datagramme) return std::nullopt;
  if (octets[0] != kEchap) {
    const std::string_view texte = Sans_fin_de_ligne(octets);
    if (texte.empty() || !Texte_imprimable(texte)) return std::nullopt;
    return CommandeCwdaemon{Requete::Texte, 0, std::string(texte)};
  }
  if (octets.size() < 2) return std::nullopt;
  const char code = octets[1];
  const std::string_view valeur = Sans_fin_de_ligne(octets.substr(2));
  auto Sans_valeur = [&](Requete r) -> std::optional<CommandeCwdaemon> {
    if (!valeur.empty()) return std::nullopt;
    return CommandeCwdaemon{r, 0, {}};
  };
  auto Avec_nombre = [&](Requete r, int min, int max) -> std::optional<CommandeCwdaemon> {
    const auto n = Nombre(valeur, min, max);
    if (!n) return std::nullopt;
    return CommandeCwdaemon{r, *n, {}};
  };
  auto Avec_texte = [&](Requete r, bool vide_permis) -> std::optional<CommandeCwdaemon> {
    if ((!vide_permis && valeur.empty()) || !Texte_imprimable(valeur)) return std::nullopt;
    return CommandeCwdaemon{r, 0, std::string(valeur)};
  };
  switch (code) {
    case '0':
      return Sans_valeur(Requete::Reinitialiser);
    case '2':
      return Avec_nombre(Requete::Vitesse, 4, 60);
    case '3': {
      auto c = Avec_nombre(Requete::Tonalite, 0, 4000);
      if (c && c->valeur != 0 && c->valeur < 50) return std::nullopt;
      return c;
    }
    case '4':
      return Sans_valeur(Requete::Abandon);
    case '5':
      return Sans_valeur(Requete::Sortie);
    case '6':
      return Sans_valeur(Requete::Mode_mots);
    case '7':
      return Avec_nombre(Requete::Poids, -50, 50);
    case '8':
      return Avec_texte(Requete::Peripherique, false);
    case '9':
      return Avec_nombre(Requete::Port, 1, 65535);
    case 'a':
      return Avec_nombre(Requete::PTT, 0, 1);
    case 'b':
      return Avec_nombre(Requete::SSB, 0, 1);
    case 'c':
      return Avec_nombre(Requete::Accord, 0, 10);
    case 'd':
      return Avec_nombre(Requete::Delai_PTT, 0, 50);
    case 'e':
      return Avec_nombre(Requete::Bande, 0, 255);
    case 'f':
      return Avec_texte(Requete::Systeme_son, false);
    case 'g':
      return Avec_nombre(Requete::Volume, 0, 100);
    case 'h':
      return Avec_texte(Requete::Echo, true);
    default:
      return std::nullopt;
  }
}

bool CanalUdpSimule::Recevoir(Paquet& paquet) {
  if (entrants.empty()) return false;
  paquet = std::move(entrants.front());
  entrants.erase(entrants.begin());
  return true;
}

void CanalUdpSimule::Envoyer(const std::string& expediteur, const std::string& octets) {
  sortants.push_back({octets, expediteur});
}

std::vector<CommandeCwdaemon> ServeurCwdaemon::Relever() {
  std::vector<CommandeCwdaemon> commandes;
  CanalUdp::Paquet paquet;
  for (int i = 0; i < kDatagrammes_par_releve && canal_.Recevoir(paquet); ++i) {
    auto commande = Analyser_datagramme(paquet.octets);
    if (!commande) continue;
    switch (commande->requete) {
      case Requete::Echo:
        echos_armes_.push_back({paquet.expediteur, "h" + commande->texte + "\r\n"});
        continue;
      case Requete::Texte:
        for (auto& e : echos_armes_) echos_lies_.push_back(std::move(e));
        echos_armes_.clear();
        break;
      case Requete::Abandon:
      case Requete::Reinitialiser:
        Abandon();
        break;
      default:
        break;
    }
    commandes.push_back(std::move(*commande));
  }
  return commandes;
}

void ServeurCwdaemon::Texte_envoye() {
  for (const auto& e : echos_lies_) canal_.Envoyer(e.expediteur, e.reponse);
  echos_lies_.clear();
}

void ServeurCwdaemon::Abandon() {
  echos_lies_.clear();
}

}  // namespace vestral
