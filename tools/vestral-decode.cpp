// vestral-decode: decodes the Morse of a recording with the reception chain
// of the transceiver, and prints the text.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "morse/ChaineReception.h"
#include "shell/Cp1252.h"
#include "sound/FichierAudio.h"
#include "tools/LigneCommande.h"

namespace {

constexpr char kUsage[] =
    "Usage : vestral-decode [OPTIONS] FICHIER\n"
    "Décode le Morse d'un enregistrement et écrit le texte sur la sortie standard.\n"
    "\n"
    "  --frequency HZ         fréquence de la tonalité, 200 à 2700 Hz ; par défaut\n"
    "                         elle est trouvée dans l'enregistrement : le spectre\n"
    "                         entier de chaque bloc d'un tiers de seconde (de 512\n"
    "                         blocs répartis sur un enregistrement plus long) est\n"
    "                         cumulé, la raie la plus forte entre 200 et 2700 Hz est\n"
    "                         retenue et affinée par le barycentre de neuf raies,\n"
    "                         comme un clic d'accord sur le spectre\n"
    "  --speed auto|WPM       vitesse de réception : automatique (par défaut) ou\n"
    "                         10 à 54 mots par minute\n"
    "  --threshold auto|N     seuil de détection : automatique (par défaut) ou une\n"
    "                         valeur de 1 à 65535 (1600, 800, 400, 200, 100, 50, 16\n"
    "                         pour les boutons 100 à 1 de la fenêtre)\n"
    "  --band narrow|wide     largeur du filtre : étroite ±60 Hz (par défaut) ou\n"
    "                         large ±300 Hz\n"
    "  --times                un caractère par ligne, précédé de son instant en\n"
    "                         secondes dans l'enregistrement\n"
    "  --help, --version\n"
    "\n"
    "Formats lus : ceux de libsndfile (WAV, FLAC, OGG...), 8/16/24 bits ou\n"
    "flottants, mono ou plusieurs voies mélangées, à toute fréquence\n"
    "d'échantillonnage (convertie en 11025 Hz).\n"
    "Codes de sortie : 0 succès, 1 fichier illisible, 2 option incorrecte.\n";

[[noreturn]] void Erreur_usage(const std::string& message) {
  std::fprintf(stderr, "vestral-decode : %s\n\n%s", message.c_str(), kUsage);
  std::exit(2);
}

bool Entier(std::string_view texte, long minimum, long maximum, long& valeur) {
  if (texte.empty() || texte.size() > 9) return false;
  long v = 0;
  for (char c : texte) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  if (v < minimum || v > maximum) return false;
  valeur = v;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  vestral::ParametresReception parametres;
  bool frequence_donnee = false;
  bool instants = false;

  vestral::AnalyseurOptions app;
  bool aide = false, version = false;
  std::string frequence, vitesse, seuil, bande;
  vestral::Ajouter_drapeau(app, "-h,--help", aide);
  vestral::Ajouter_drapeau(app, "--version", version);
  vestral::Ajouter_drapeau(app, "--times", instants);
  app.add_option("--frequency", frequence);
  app.add_option("--speed", vitesse);
  app.add_option("--threshold", seuil);
  app.add_option("--band", bande);
  std::vector<std::string> fichiers;
  const vestral::Echec_options echec = vestral::Analyser_options(app, argc, argv, fichiers);
  using Genre = vestral::Echec_options::Genre;
  if (echec.genre == Genre::Inconnue) Erreur_usage("option inconnue : " + echec.argument);
  if (echec.genre == Genre::Valeur_manquante)
    Erreur_usage("l'option " + echec.argument + " attend une valeur");
  if (echec) Erreur_usage("l'option --times ne prend pas de valeur");
  if (aide) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (version) {
    std::puts("vestral-decode " VESTRAL_VERSION);
    return 0;
  }
  long n = 0;
  if (app.count("--frequency")) {
    if (!Entier(frequence, 200, 2700, n))
      Erreur_usage("fréquence incorrecte : " + frequence + " (200 à 2700 Hz)");
    parametres.frequence = static_cast<int>(n);
    frequence_donnee = true;
  }
  if (app.count("--speed")) {
    if (vitesse == "auto")
      parametres.vitesse = 0;
    else if (Entier(vitesse, vestral::kVitesse_min, vestral::kVitesse_max, n))
      parametres.vitesse = static_cast<int>(n);
    else
      Erreur_usage("vitesse incorrecte : " + vitesse + " (auto, ou 10 à 54 mots par minute)");
  }
  if (app.count("--threshold")) {
    if (seuil == "auto")
      parametres.seuil = 0;
    else if (Entier(seuil, 1, 65535, n))
      parametres.seuil = static_cast<int>(n);
    else
      Erreur_usage("seuil incorrect : " + seuil + " (auto, ou 1 à 65535)");
  }
  if (app.count("--band")) {
    if (bande == "narrow")
      parametres.bande_etroite = true;
    else if (bande == "wide")
      parametres.bande_etroite = false;
    else
      Erreur_usage("bande incorrecte : " + bande + " (narrow ou wide)");
  }
  if (fichiers.size() > 1) Erreur_usage("un seul fichier à la fois");
  if (fichiers.empty()) Erreur_usage("aucun fichier à décoder");
  const char* fichier = fichiers.front().c_str();

  vestral::LecteurAudio lecteur;
  const std::string erreur = lecteur.Ouvrir(fichier);
  if (!erreur.empty()) {
    std::fprintf(stderr, "vestral-decode : %s : %s\n", fichier, erreur.c_str());
    return 1;
  }
  const vestral::SourceEchantillons source = [&](std::span<uint8_t> destination) {
    return lecteur.Lire(destination);
  };
  if (!frequence_donnee) {
    const double trouvee = vestral::Trouver_frequence(
        [&](int64_t debut, std::span<uint8_t> destination) {
          return lecteur.Lire_a(debut, destination);
        },
        lecteur.Nombre_echantillons());
    parametres.frequence = static_cast<int>(std::lround(trouvee));
    lecteur.Rembobiner();
  }

  const auto caracteres = vestral::Decoder_echantillons(source, parametres);
  std::string texte;
  for (const auto& c : caracteres) {
    const std::string lettre =
        vestral::Cp1252_vers_utf8(std::string(1, static_cast<char>(c.caractere)));
    if (instants) {
      std::printf("%.3f %s\n",
                  static_cast<double>(c.position) / vestral::kFrequence_echantillonnage_entree,
                  lettre.c_str());
    } else {
      texte += lettre;
    }
  }
  if (!instants) std::printf("%s\n", texte.c_str());
  return std::fflush(stdout) == 0 ? 0 : 1;
}
