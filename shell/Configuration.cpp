#include "shell/Configuration.h"

#include <algorithm>

#include "shell/Cp1252.h"

namespace vestral {
namespace {

constexpr ElementMenu kVitesses[] = {{"V10", 10, "10"}, {"V13", 13, "13"}, {"V16", 16, "16"},
                                     {"V20", 20, "20"}, {"V26", 26, "26"}, {"V33", 33, "33"},
                                     {"V43", 43, "43"}, {"V54", 54, "54"}};
constexpr ElementMenu kAmplifications[] = {{"x0_2", 20, "x 0,2"}, {"x0_4", 40, "x 0,4"},
                                           {"x0_6", 60, "x 0,6"}, {"x0_8", 80, "x 0,8"},
                                           {"x1", 100, "x 1"},    {"AGC", 120, "CAG (Auto)"}};
constexpr ElementMenu kAttenuations[] = {
    {"DIV1", 1, "/ 1"},   {"DIV2", 2, "/ 2"},     {"DIV4", 3, "/ 4"},
    {"DIV8", 4, "/ 8"},   {"DIV16", 5, "/ 16"},   {"DIV32", 6, "/ 32"},
    {"DIV64", 8, "/ 64"}, {"DIV128", 9, "/ 128"}, {"DIV256", 10, "/ 256"}};
constexpr ElementMenu kPorts[] = {{"Aucun_port_serie", 5, "Aucun"},
                                  {"COM1", 1, "COM 1"},
                                  {"COM2", 2, "COM 2"},
                                  {"COM3", 3, "COM 3"},
                                  {"COM4", 4, "COM 4"}};
constexpr ElementMenu kSources[] = {{"Entree_Gauche", 1, "Entrée ligne gauche"},
                                    {"Entree_Droite", 2, "Entrée ligne droite"},
                                    {"microphon", 3, "Entrée microphone"}};
constexpr ElementMenu kModes[] = {{"Software_adjustment", 1, "Réglage par le logiciel"},
                                  {"User_adjustment", 2, "Réglage par l'utilisateur"}};

// Output level code -> output volume (both channels), wave volume.
struct NiveauSortie {
  uint8_t code;
  int32_t sortie;
  uint16_t wave;
};
constexpr NiveauSortie kNiveaux_sortie[] = {{1, 100, 100}, {2, 50, 100}, {3, 25, 100},
                                            {4, 16, 100},  {5, 10, 100}, {6, 8, 100},
                                            {8, 8, 50},    {9, 8, 27},   {10, 8, 18}};

constexpr uint16_t kAdresses_ports[] = {0x3F8, 0x2F8, 0x3E8, 0x2E8};

bool Code_connu(Champ champ, uint8_t code) {
  const auto elements = Elements_du_champ(champ);
  return std::any_of(elements.begin(), elements.end(),
                     [code](const ElementMenu& e) { return e.code == code; });
}

}  // namespace

std::span<const ElementMenu> Elements_du_champ(Champ champ) {
  switch (champ) {
    case Champ::Vitesse:
      return kVitesses;
    case Champ::Amplification:
      return kAmplifications;
    case Champ::Attenuation:
      return kAttenuations;
    case Champ::Port_serie:
      return kPorts;
    case Champ::Source_entree:
      return kSources;
    case Champ::Mode_mixer:
      return kModes;
    case Champ::Reserve:
      break;
  }
  return {};
}

bool Configuration_valide(std::string_view texte) {
  if (texte.size() < kTaille_configuration || texte.size() > kTaille_maximale_configuration)
    return false;
  auto octet = [&](Champ c) { return static_cast<uint8_t>(texte[static_cast<int>(c)]); };
  for (Champ c : {Champ::Vitesse, Champ::Amplification, Champ::Attenuation, Champ::Source_entree,
                  Champ::Port_serie, Champ::Mode_mixer})
    if (!Code_connu(c, octet(c))) return false;
  return true;
}

Configuration::Configuration(FichiersTexte& fichiers, Rapport& rapport, ReglageMixer& mixer)
    : fichiers_(fichiers), rapport_(rapport), mixer_(mixer) {
  for (Champ c : {Champ::Vitesse, Champ::Amplification, Champ::Attenuation, Champ::Port_serie,
                  Champ::Source_entree, Champ::Mode_mixer})
    for (const auto& e : Elements_du_champ(c))
      legendes_[std::string(e.composant)] = Utf8_vers_cp1252(e.legende);
  // As designed, until the mixer mode is first applied.
  legendes_["Software_adjustment"] = "Software adjustment";
  legendes_["User_adjustment"] = "User adjustment";
}

uint8_t Configuration::Valeur(Champ champ) const {
  const auto i = static_cast<std::size_t>(champ);
  return i < enregistrement_.size() ? static_cast<uint8_t>(enregistrement_[i]) : 0;
}

std::string Configuration::Legende(std::string_view composant) const {
  const auto it = legendes_.find(composant);
  return it == legendes_.end() ? std::string() : it->second;
}

int Configuration::Numero_sequence(std::string_view nom) {
  if (nom.size() == 6 && nom[0] == 'F' && nom[1] >= '1' && nom[1] <= '4' && nom.substr(2) == ".SER")
    return nom[1] - '0';
  return 0;
}

void Configuration::Valeurs_par_defaut() {
  enregistrement_.assign(kTaille_configuration, ' ');
  enregistrement_[0] = 20;
  enregistrement_[1] = 120;
  enregistrement_[2] = 1;
  enregistrement_[4] = 5;
  enregistrement_[5] = 1;
  enregistrement_[6] = 1;
}

void Configuration::Ecrire_configuration() {
  // The file layer reports a failure itself; the record stays as it is.
  static_cast<void>(fichiers_.Ecriture_fichier_texte(kFichier_configuration, enregistrement_));
}

void Configuration::Lire_configuration() {
  if (!fichiers_.Fichier_existe(kFichier_configuration)) {
    rapport_.Erreur(
        "Pas de présence du fichier de configuration CONFCWER.SER, donc paramètres par défaut."_cp);
    Valeurs_par_defaut();
  } else {
    std::string texte;
    int lus = 0;
    // A failed read was reported; the check goes on with what was read.
    static_cast<void>(fichiers_.Lecture_fichier_texte(kFichier_configuration, texte, lus));
    if (Configuration_valide(texte)) {
      enregistrement_ = texte;
      Appliquer_mode_mixer();
      Appliquer_source_entree();
      Appliquer_amplification();
      Appliquer_attenuation();
      Appliquer_vitesse();
      Appliquer_port_serie();
      return;
    }
    Valeurs_par_defaut();
    rapport_.Erreur(
        "Le fichier de configuration CONFCWER.SER est altéré, donc paramètres par défaut."_cp);
  }
  Appliquer_mode_mixer();
  Appliquer_source_entree();
  Appliquer_amplification();
  Appliquer_attenuation();
  Appliquer_vitesse();
  Appliquer_port_serie();
  Ecrire_configuration();
}

void Configuration::Legendes_du_champ(Champ champ) {
  const char* suffixe = champ == Champ::Source_entree ? "...choisie" : "...choisi";
  const uint8_t code = Valeur(champ);
  for (const auto& e : Elements_du_champ(champ)) {
    std::string legende = Utf8_vers_cp1252(e.legende);
    if (e.code == code) legende += suffixe;
    legendes_[std::string(e.composant)] = legende;
  }
}

void Configuration::Volumes_enregistrement() {
  if (valeurs.Entree_gauche == 1 || valeurs.Entree_micro == 1) {
    valeurs.Volume_enregistrement_gauche = valeurs.Gain_entree;
    valeurs.Volume_enregistrement_droite = 0;
  } else {
    valeurs.Volume_enregistrement_gauche = 0;
    valeurs.Volume_enregistrement_droite = valeurs.Gain_entree;
  }
}

void Configuration::Reglage_mixer(int32_t enregistrement_gauche, int32_t enregistrement_droite,
                                  uint8_t entree_micro) {
  CommandeMixer commande;
  commande.Reglage_par_logiciel = valeurs.Reglage_par_logiciel;
  commande.Entree_micro = entree_micro;
  commande.Volume_sortie_gauche = valeurs.Volume_sortie_gauche;
  commande.Volume_sortie_droite = valeurs.Volume_sortie_droite;
  commande.Volume_enregistrement_gauche = enregistrement_gauche;
  commande.Volume_enregistrement_droite = enregistrement_droite;
  commande.Volume_wave = valeurs.Volume_wave;
  mixer_.Reglage_mixer(commande, resultat_mixer_);
}

void Configuration::Reglage_mixer() {
  Reglage_mixer(valeurs.Volume_enregistrement_gauche, valeurs.Volume_enregistrement_droite,
                valeurs.Entree_micro);
}

void Configuration::Appliquer_vitesse() {
  Legendes_du_champ(Champ::Vitesse);
  valeurs.Vitesse_emission = Valeur(Champ::Vitesse);
}

void Configuration::Appliquer_amplification() {
  Legendes_du_champ(Champ::Amplification);
  const uint8_t code = Valeur(Champ::Amplification);
  valeurs.CAG_active = code == 120 ? 1 : 0;
  valeurs.Gain_entree = code <= 100 ? code : 100;
  Volumes_enregistrement();
  Reglage_mixer();
}

void Configuration::Appliquer_attenuation() {
  Legendes_du_champ(Champ::Attenuation);
  const uint8_t code = Valeur(Champ::Attenuation);
  for (const auto& n : kNiveaux_sortie)
    if (n.code == code) {
      valeurs.Volume_sortie_gauche = n.sortie;
      valeurs.Volume_wave = n.wave;
    }
  valeurs.Volume_sortie_droite = valeurs.Volume_sortie_gauche;
  Reglage_mixer();
}

void Configuration::Appliquer_port_serie() {
  Legendes_du_champ(Champ::Port_serie);
  const uint8_t code = Valeur(Champ::Port_serie);
  if (code < 1 || code > 4) {
    valeurs.Port_serie_choisi = 0;
    return;
  }
  valeurs.Port_serie_choisi = 1;
  valeurs.Numero_port_serie = code;
  valeurs.Adresse_port_serie = kAdresses_ports[code - 1];
  valeurs.Adresse_commande_modem = static_cast<uint16_t>(valeurs.Adresse_port_serie + 4);
}

void Configuration::Appliquer_source_entree() {
  Legendes_du_champ(Champ::Source_entree);
  const uint8_t code = Valeur(Champ::Source_entree);
  valeurs.Entree_gauche = code == 1;
  valeurs.Entree_droite = code == 2;
  valeurs.Entree_micro = code == 3;
  Volumes_enregistrement();
  Reglage_mixer();
}

void Configuration::Appliquer_mode_mixer() {
  Legendes_du_champ(Champ::Mode_mixer);
  valeurs.Reglage_par_logiciel = Valeur(Champ::Mode_mixer) == 1 ? 1 : 0;
  if (valeurs.Reglage_par_logiciel == 1) {
    Reglage_mixer_initial();
    Appliquer_source_entree();
    Appliquer_amplification();
    Appliquer_attenuation();
  }
}

void Configuration::Reglage_mixer_initial() {
  valeurs.Volume_wave = 100;
  valeurs.Volume_sortie_gauche = 20;
  valeurs.Volume_sortie_droite = 20;
  valeurs.Volume_enregistrement_gauche = 100;
  valeurs.Volume_enregistrement_droite = 100;
  Reglage_mixer();
  const auto& r = resultat_mixer_;
  const char* message = nullptr;
  if (r.Mixer_present == 0)
    message = "Pas de mixer trouvé!";
  else if (r.Enregistrement_trouve == 0)
    message = "Problème mixer. Pas de contrôle de l'enregistrement trouvé!";
  else if (r.Haut_parleurs_trouves == 0)
    message = "Problème mixer. Pas de contrôle du volume trouvé!";
  else if (r.Entree_wave_trouvee == 0)
    message = "Problème mixer. Pas d'entrée son (wave) trouvée!";
  else if (r.Entree_enregistrement_trouvee == 0)
    message = "Problème mixer. Pas d'entrée ligne en enregistrement trouvée!";
  else if (r.Entree_restitution_trouvee == 0)
    message = "Problème mixer. Pas d'entrée ligne en restitution trouvée!";
  if (message) {
    rapport_.Bip();
    rapport_.Panneau(Utf8_vers_cp1252(message));
  }
}

void Configuration::Modifier_champ(Champ champ, uint8_t code) {
  const auto i = static_cast<std::size_t>(champ);
  if (enregistrement_.size() < kTaille_configuration) Valeurs_par_defaut();
  enregistrement_[i] = static_cast<char>(code);
  switch (champ) {
    case Champ::Vitesse:
      Appliquer_vitesse();
      break;
    case Champ::Amplification:
      Appliquer_amplification();
      break;
    case Champ::Attenuation:
      Appliquer_attenuation();
      break;
    case Champ::Port_serie:
      Appliquer_port_serie();
      break;
    case Champ::Source_entree:
      Appliquer_source_entree();
      break;
    case Champ::Mode_mixer:
      Appliquer_mode_mixer();
      break;
    case Champ::Reserve:
      break;
  }
}

void Configuration::Choisir(Champ champ, uint8_t code) {
  Modifier_champ(champ, code);
  Ecrire_configuration();
}

void Configuration::Verifier_fichier_sequence(const std::string& nom) {
  const int numero = Numero_sequence(nom);
  if (!fichiers_.Fichier_existe(nom)) {
    rapport_.Erreur("Pas de présence du fichier "_cp + nom +
                    ", donc réinitialisation de celui-ci."_cp);
    static_cast<void>(fichiers_.Ecriture_fichier_texte(nom, ""));  // reported by the file layer
    return;
  }
  std::string texte;
  int lus = 0;
  static_cast<void>(fichiers_.Lecture_fichier_texte(nom, texte, lus));  // reported there
  if (lus < kTaille_maximale_sequence + 1) {
    if (numero) sequences_[numero - 1] = texte;
    return;
  }
  rapport_.Erreur("Le fichier "_cp + nom + " est altéré, donc réinitialisation de celui-ci."_cp);
  static_cast<void>(fichiers_.Ecriture_fichier_texte(nom, ""));  // reported by the file layer
}

}  // namespace vestral
