// vestral-encode: writes the Morse tone that the transceiver would send for a
// text, as a WAV file (8-bit unsigned, mono, 11025 Hz).
//
//   vestral-encode [--speed WPM] [--frequency HZ] [--output FICHIER] [TEXTE...]
//
// The text comes from the arguments (joined by spaces) or, when there are
// none, from standard input; it is UTF-8 and each line break counts as Enter.
// Without --output the WAV goes to standard output.

#include <fcntl.h>
#include <sndfile.h>
#include <sys/stat.h>
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
  bool fin_des_options = false;
  for (int i = 1; i < argc; ++i) {
    std::string_view argument = argv[i];
    if (fin_des_options || argument.size() < 2 || argument[0] != '-') {
      options.mots.emplace_back(argument);
      options.texte_en_arguments = true;
      continue;
    }
    if (argument == "--") {
      fin_des_options = true;
      continue;
    }
    if (argument == "--help") {
      std::cout << kUsage;
      std::exit(0);
    }
    if (argument == "--version") {
      std::cout << kVersion << '\n';
      std::exit(0);
    }
    // --option VALEUR or --option=VALEUR
    std::string_view nom = argument;
    std::optional<std::string_view> valeur;
    if (const auto egal = argument.find('='); egal != std::string_view::npos) {
      nom = argument.substr(0, egal);
      valeur = argument.substr(egal + 1);
    }
    if (nom != "--speed" && nom != "--frequency" && nom != "--output")
      Mauvais_usage("option inconnue : " + std::string(argument));
    if (!valeur) {
      if (i + 1 >= argc) Mauvais_usage("valeur manquante pour " + std::string(nom));
      valeur = argv[++i];
    }
    if (nom == "--speed") {
      const auto v = Entier(*valeur, 10, 54);
      if (!v) Mauvais_usage("vitesse invalide (10 à 54) : " + std::string(*valeur));
      options.vitesse = *v;
    } else if (nom == "--frequency") {
      const auto v = Entier(*valeur, 200, 2700);
      if (!v) Mauvais_usage("fréquence invalide (200 à 2700) : " + std::string(*valeur));
      options.frequence = *v;
    } else {
      if (valeur->empty()) Mauvais_usage("nom de fichier vide pour --output");
      options.sortie = std::string(*valeur);
    }
  }
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

// A growing memory file for libsndfile, so the WAV can go to a pipe.
struct FichierMemoire {
  std::vector<char> octets;
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
  const sf_count_t taille = static_cast<sf_count_t>(f.octets.size());
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

std::optional<std::vector<char>> Wav(const std::vector<uint8_t>& echantillons) {
  SF_VIRTUAL_IO es = {Memoire_longueur, Memoire_deplacer, Memoire_lire, Memoire_ecrire,
                      Memoire_position};
  FichierMemoire memoire;
  SF_INFO format{};
  format.samplerate = kFrequence_echantillonnage_emission;
  format.channels = 1;
  format.format = SF_FORMAT_WAV | SF_FORMAT_PCM_U8;
  SNDFILE* son = sf_open_virtual(&es, SFM_WRITE, &format, &memoire);
  if (!son) {
    std::cerr << kNom << " : libsndfile : " << sf_strerror(nullptr) << '\n';
    return std::nullopt;
  }
  // The samples are already 8-bit unsigned: written as they are.
  const auto n = static_cast<sf_count_t>(echantillons.size());
  const bool ok = sf_write_raw(son, echantillons.data(), n) == n;
  if (!ok) std::cerr << kNom << " : libsndfile : " << sf_strerror(son) << '\n';
  if (sf_close(son) != 0 || !ok) return std::nullopt;
  return std::move(memoire.octets);
}

bool Ecrire_tout(int descripteur, const std::vector<char>& octets) {
  std::size_t fait = 0;
  while (fait < octets.size()) {
    const ssize_t n = ::write(descripteur, octets.data() + fait, octets.size() - fait);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    fait += static_cast<std::size_t>(n);
  }
  return true;
}

// Writes the file beside its target and renames it into place, so a failure
// never leaves a half-written file.
bool Ecrire_fichier(const std::string& chemin, const std::vector<char>& octets) {
  namespace fs = std::filesystem;
  const fs::path cible(chemin);
  const fs::path dossier = cible.has_parent_path() ? cible.parent_path() : fs::path(".");
  std::string modele = (dossier / ("." + cible.filename().string() + ".XXXXXX")).string();
  const auto echec = [&](int erreur) {
    std::cerr << kNom << " : impossible d'écrire « " << chemin << " » : " << std::strerror(erreur)
              << '\n';
    return false;
  };
  if (cible.filename().empty()) return echec(EISDIR);
  const int descripteur = ::mkstemp(modele.data());
  if (descripteur < 0) return echec(errno);
  const mode_t masque = ::umask(0);
  ::umask(masque);
  int erreur = 0;
  if (::fchmod(descripteur, 0666 & ~masque) != 0 || !Ecrire_tout(descripteur, octets) ||
      ::fsync(descripteur) != 0)
    erreur = errno != 0 ? errno : EIO;
  if (::close(descripteur) != 0 && erreur == 0) erreur = errno;
  if (erreur == 0 && ::rename(modele.c_str(), chemin.c_str()) != 0) erreur = errno;
  if (erreur != 0) {
    ::unlink(modele.c_str());
    return echec(erreur);
  }
  return true;
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

  const auto wav = Wav(echantillons);
  if (!wav) return 1;
  if (options.sortie) return Ecrire_fichier(*options.sortie, *wav) ? 0 : 1;
  if (!Ecrire_tout(STDOUT_FILENO, *wav)) {
    std::cerr << kNom << " : impossible d'écrire sur la sortie standard : " << std::strerror(errno)
              << '\n';
    return 1;
  }
  return 0;
}
