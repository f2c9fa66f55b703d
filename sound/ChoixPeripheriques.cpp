#include "sound/ChoixPeripheriques.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace vestral {

namespace {

// Parses the arguments; `gardes` receives the positions of those that are
// not device options, in order.
ChoixPeripheriques Analyser(const std::vector<std::string>& arguments,
                            const std::function<const char*(const char*)>& environnement,
                            std::vector<std::size_t>& gardes) {
  ChoixPeripheriques choix;
  auto lire = [&](const char* nom) -> std::string {
    const char* valeur = environnement ? environnement(nom) : std::getenv(nom);
    return valeur ? valeur : "";
  };
  choix.capture = lire(kVariable_capture);
  choix.restitution = lire(kVariable_restitution);
  choix.ecoute = lire(kVariable_ecoute);

  const struct {
    std::string nom;
    std::string* valeur;
  } options[] = {{"--capture", &choix.capture},
                 {"--playback", &choix.restitution},
                 {"--monitor", &choix.ecoute}};

  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    bool pris = argument == "--list-devices";
    choix.lister |= pris;
    for (const auto& option : options) {
      if (argument == option.nom) {
        pris = true;
        if (i + 1 < arguments.size())
          *option.valeur = arguments[++i];
        else
          choix.erreur = "l'option " + option.nom + " attend un nom de périphérique";
      } else if (argument.rfind(option.nom + "=", 0) == 0) {
        pris = true;
        *option.valeur = argument.substr(option.nom.size() + 1);
      }
    }
    if (!pris) gardes.push_back(i);
  }
  return choix;
}

}  // namespace

ChoixPeripheriques Lire_choix_peripheriques(
    std::vector<std::string>& arguments,
    const std::function<const char*(const char*)>& environnement) {
  std::vector<std::size_t> gardes;
  ChoixPeripheriques choix = Analyser(arguments, environnement, gardes);
  std::vector<std::string> restants;
  for (std::size_t i : gardes) restants.push_back(std::move(arguments[i]));
  arguments = std::move(restants);
  return choix;
}

ChoixPeripheriques Lire_choix_peripheriques(
    int& argc, char** argv, const std::function<const char*(const char*)>& environnement) {
  const int premier = std::min(argc, 1);  // argv[0] is the program
  const std::vector<std::string> arguments(argv + premier, argv + argc);
  std::vector<std::size_t> gardes;
  ChoixPeripheriques choix = Analyser(arguments, environnement, gardes);
  int ecrit = premier;
  for (std::size_t i : gardes) argv[ecrit++] = argv[premier + i];
  argc = ecrit;
  argv[argc] = nullptr;
  return choix;
}

bool Nom_correspond(const std::string& nom, const std::string& motif) {
  if (motif.empty()) return false;
  auto minuscule = [](unsigned char c) { return static_cast<char>(std::tolower(c)); };
  std::string n(nom.size(), '\0'), m(motif.size(), '\0');
  std::transform(nom.begin(), nom.end(), n.begin(), minuscule);
  std::transform(motif.begin(), motif.end(), m.begin(), minuscule);
  return n.find(m) != std::string::npos;
}

}  // namespace vestral
