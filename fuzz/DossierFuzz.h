// A private working folder for a fuzz target, made once per process and
// removed at exit, and a fake mixer that only records what it was asked.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "shell/Configuration.h"

namespace vestral::fuzz {

class DossierFuzz {
 public:
  DossierFuzz() {
    std::string modele = (std::filesystem::temp_directory_path() / "vestral-fuzz-XXXXXX").string();
    if (!::mkdtemp(modele.data())) std::abort();
    chemin = modele;
  }
  ~DossierFuzz() {
    std::error_code erreur;
    std::filesystem::remove_all(chemin, erreur);
  }
  void Ecrire(const std::string& nom, const uint8_t* donnees, std::size_t taille) const {
    std::ofstream f(chemin / nom, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(donnees), static_cast<std::streamsize>(taille));
  }
  std::filesystem::path chemin;
};

class MixerFactice : public ReglageMixer {
 public:
  void Reglage_mixer(const CommandeMixer& commande, ResultatMixer& resultat) override {
    derniere = commande;
    if (commande.Reglage_par_logiciel == 1) resultat.Mixer_present = 1;
  }
  CommandeMixer derniere;
};

}  // namespace vestral::fuzz
