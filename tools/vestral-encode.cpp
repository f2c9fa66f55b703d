// vestral-encode: writes the Morse tone that the transceiver would send for a
// text, as a WAV file (8-bit unsigned, mono, 11025 Hz).
//
//   vestral-encode [--speed WPM] [--frequency HZ] [--output FICHIER] [TEXTE...]
//
// The text comes from the arguments (joined by spaces) or, when there are
// none, from standard input; it is UTF-8 and each line break counts as Enter.
// Without --output the WAV goes to standard output.

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "morse/Synthese.h"
#include "shell/Cp1252.h"
#include "shell/EcritureAtomique.h"
#include "sound/FichierAudio.h"
#include "tools/LigneCommande.h"

namespace {

using namespace vestral;

constexpr char kNom[] = "vestral-encode";
constexpr char kVersion[] = "vestral-encode " VESTRAL_VERSION;
constexpr char kUsage[] =
    "usage : vestral-encode [--speed WPM] [--frequency HZ] [--output FICHIER] [TEXTE...]\n"
    "\n"
    "Écrit en WAV (8 bits non signés, mono, 11025 Hz) le Morse du texte donné\n"
    "en arguments, ou lu sur l'entrée standard s'il n'y en a pas.\n"
    "\n"
    "  --speed WPM        vitesse en mots/minute, de 10 à 54 (20 par défaut)\n"
    "  --frequency HZ     fréquence de la tonalité, de 200 à 2700 Hz (800 par défaut)\n"
    "  --output FICHIER   fichier WAV à écrire (sortie standard sinon)\n"
    "  --help             affiche cette aide\n"
    "  --version          affiche la version\n";

struct Options {
  int vitesse = 20;
  int frequence = 800;
  std::optional<std::string> sortie;
  std::vector<std::string> mots;
  bool texte_en_arguments = false;
};

std::optional<int> Entier(std::string_view texte, int minimum, int maximum) {
  int valeur = 0;
  const auto [fin, erreur] = std::from_chars(texte.data(), texte.data() + texte.size(), valeur);
  if (erreur != std::errc() || fin != texte.data() + texte.size() || valeur < minimum ||
      valeur > maximum)
    return std::nullopt;
  return valeur;
}

[[noreturn]] void Mauvais_usage(const std::string& message) {
  std::cerr << kNom << " : " << message << "\n\n" << kUsage;
  std::exit(2);
}

Options Lire_options(int argc, char** argv) {
  Options options;
  AnalyseurOptions app;
  bool aide = false, version = false;
  std::string vitesse, frequence, sortie;
  Ajouter_drapeau(app, "--help", aide);
  Ajouter_drapeau(app, "--version", version);
  app.add_option("--speed", vitesse);
  app.add_option("--frequency", frequence);
  CLI::Option* option_sortie = app.add_option("--output", sortie);
  const Echec_options echec = Analyser_options(app, argc, argv, options.mots);
  using Genre = Echec_options::Genre;
  if (echec.genre == Genre::Inconnue) Mauvais_usage("option inconnue : " + echec.argument);
  if (echec.genre == Genre::Valeur_manquante)
    Mauvais_usage("valeur manquante pour " + echec.argument);
  if (echec) Mauvais_usage("option inconnue : " + echec.argument);
  if (aide) {
    std::cout << kUsage;
    std::exit(0);
  }
  if (version) {
    std::cout << kVersion << '\n';
    std::exit(0);
  }
  if (app.count("--speed")) {
    const auto v = Entier(vitesse, 10, 54);
    if (!v) Mauvais_usage("vitesse invalide (10 à 54) : " + vitesse);
    options.vitesse = *v;
  }
  if (app.count("--frequency")) {
    const auto v = Entier(frequence, 200, 2700);
    if (!v) Mauvais_usage("fréquence invalide (200 à 2700) : " + frequence);
    options.frequence = *v;
  }
  if (option_sortie->count()) {
    if (sortie.empty()) Mauvais_usage("nom de fichier vide pour --output");
    options.sortie = sortie;
  }
  options.texte_en_arguments = !options.mots.empty();
  return options;
}

// Length of the UTF-8 sequence at the start of `texte`, or 0 when it is not
// well formed.
std::size_t Longueur_utf8(std::string_view texte) {
  const auto o = static_cast<uint8_t>(texte[0]);
  const std::size_t n = o < 0x80         ? 1
                        : (o >> 5) == 6  ? 2
                        : (o >> 4) == 14 ? 3
                        : (o >> 3) == 30 ? 4
                                         : 0;
  if (n == 0 || n > texte.size()) return 0;
  for (std::size_t k = 1; k < n; ++k)
    if ((static_cast<uint8_t>(texte[k]) & 0xC0) != 0x80) return 0;
  return n;
}

std::string Octet_hexa(uint8_t octet) {
  static constexpr char kHexa[] = "0123456789ABCDEF";
  return std::string("\\x") + kHexa[octet >> 4] + kHexa[octet & 15];
}

// How a refused character is named on the terminal (UTF-8): itself, or its
// code for the invisible ones.
std::string Nom_du_caractere(std::string_view utf8) {
  if (utf8.size() == 1 && (static_cast<uint8_t>(utf8[0]) < 0x20 || utf8[0] == 0x7F))
    return Octet_hexa(static_cast<uint8_t>(utf8[0]));
  if (utf8.size() == 2 && static_cast<uint8_t>(utf8[0]) == 0xC2 &&
      static_cast<uint8_t>(utf8[1]) < 0xA0)  // C1 controls
    return "U+00" + Octet_hexa(static_cast<uint8_t>(utf8[1])).substr(2);
  return std::string(utf8);
}

// One character of the input: how the warnings name it, and its CP1252
// byte (none when CP1252 cannot hold it).
struct Unite {
  std::string nom;
  std::optional<char> octet;
};

// UTF-8 input to CP1252 text, each line break (LF, CR or CR LF) becoming a
// CR. What CP1252 cannot hold is left out of the text.
std::string Texte_cp1252(std::string_view utf8, std::vector<Unite>& unites) {
  std::string texte;
  for (std::size_t i = 0; i < utf8.size();) {
    if (utf8[i] == '\r' || utf8[i] == '\n') {
      texte += '\r';
      i += (utf8[i] == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n') ? 2 : 1;
      continue;
    }
    const std::size_t n = Longueur_utf8(utf8.substr(i));
    if (n == 0) {
      unites.push_back({"octet UTF-8 invalide " + Octet_hexa(static_cast<uint8_t>(utf8[i])), {}});
      ++i;
      continue;
    }
    const std::string_view caractere = utf8.substr(i, n);
    int pertes = 0;
    const std::string octet = Utf8_vers_cp1252(caractere, &pertes);
    Unite unite{"'" + Nom_du_caractere(caractere) + "'", {}};
    if (pertes == 0 && octet.size() == 1) {
      texte += octet;
      unite.octet = octet[0];
    }
    unites.push_back(std::move(unite));
    i += n;
  }
  return texte;
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = Lire_options(argc, argv);
  if (!options.sortie && ::isatty(STDOUT_FILENO))
    Mauvais_usage(
        "la sortie standard est un terminal : donnez --output FICHIER ou redirigez la sortie");

  std::string utf8;
  if (options.texte_en_arguments) {
    for (std::size_t i = 0; i < options.mots.size(); ++i) utf8 += (i ? " " : "") + options.mots[i];
  } else {
    utf8.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
  }

  std::vector<Unite> unites;
  const std::string texte = Texte_cp1252(utf8, unites);
  std::vector<std::string> refuses_cp1252;
  const std::vector<uint8_t> echantillons =
      Echantillons_du_texte(texte, options.vitesse, options.frequence, &refuses_cp1252);
  // Each refused character once, in the order of the text.
  std::vector<std::string> deja_nommes;
  for (const auto& unite : unites) {
    const bool refuse =
        !unite.octet || std::find(refuses_cp1252.begin(), refuses_cp1252.end(),
                                  std::string(1, *unite.octet)) != refuses_cp1252.end();
    if (!refuse ||
        std::find(deja_nommes.begin(), deja_nommes.end(), unite.nom) != deja_nommes.end())
      continue;
    deja_nommes.push_back(unite.nom);
    std::cerr << kNom << " : caractère refusé : " << unite.nom << '\n';
  }

  if (options.sortie) {
    const std::string erreur = Ecrire_wav(*options.sortie, echantillons);
    if (erreur.empty()) return 0;
    std::cerr << kNom << " : " << erreur << '\n';
    return 1;
  }
  std::string erreur;
  const auto wav = Image_wav(echantillons, {}, &erreur);
  if (!wav) {
    std::cerr << kNom << " : " << erreur << '\n';
    return 1;
  }
  if (const int code = Ecrire_tout(STDOUT_FILENO, wav->data(), wav->size()); code != 0) {
    std::cerr << kNom << " : impossible d'écrire sur la sortie standard : " << std::strerror(code)
              << '\n';
    return 1;
  }
  return 0;
}
