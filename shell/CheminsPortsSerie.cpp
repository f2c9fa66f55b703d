#include "shell/CheminsPortsSerie.h"

#include <cstdlib>

namespace vestral {

CheminsPortsSerie CheminsPortsSerie::Depuis_environnement() {
  CheminsPortsSerie resultat;
  for (int numero = 1; numero <= 4; ++numero) {
    const std::string nom = "VESTRAL_COM" + std::to_string(numero);
    const char* valeur = std::getenv(nom.c_str());
    if (valeur != nullptr && *valeur != '\0') resultat.chemins[numero - 1] = valeur;
  }
  return resultat;
}

bool CheminsPortsSerie::Lire_option(std::string_view argument) {
  constexpr std::string_view debut = "--com";
  if (argument.size() < debut.size() + 3 || argument.substr(0, debut.size()) != debut) return false;
  const char chiffre = argument[debut.size()];
  if (chiffre < '1' || chiffre > '4' || argument[debut.size() + 1] != '=') return false;
  chemins[chiffre - '1'] = std::string(argument.substr(debut.size() + 2));
  return true;
}

int CheminsPortsSerie::Retirer_options(int argc, char** argv) {
  int garde = argc > 0 ? 1 : 0;  // the program name stays
  for (int i = garde; i < argc; ++i)
    if (!Lire_option(argv[i])) argv[garde++] = argv[i];
  if (garde < argc) argv[garde] = nullptr;
  return garde;
}

}  // namespace vestral
