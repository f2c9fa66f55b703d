// The operator's settings: the 7-byte record CONFCWER.SER (transmit speed,
// input level or automatic gain, output level, serial port, sound input,
// mixer handling), the working values derived from it, the captions of the
// main window's settings menus, and the four stored sequences F1..F4.SER.
//
// Every change made from the menus goes through Choisir (or Modifier_champ
// followed by Ecrire_configuration) and rewrites the file at once.
// Main thread only.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>

#include "shell/FONCTIONS_FICHIERS.h"
#include "shell/Rapport.h"

namespace vestral {

inline constexpr char kFichier_configuration[] = "CONFCWER.SER";
constexpr int kTaille_configuration = 7;
constexpr int kTaille_maximale_configuration = 10;
constexpr int kTaille_maximale_sequence = 5000;

// Offsets of the fields in the record.
enum class Champ : int {
  Vitesse = 0,
  Amplification = 1,
  Attenuation = 2,
  Reserve = 3,
  Port_serie = 4,
  Source_entree = 5,
  Mode_mixer = 6,
};

// What the mixer found, as reported by its set-up.
struct ResultatMixer {
  uint8_t Mixer_present = 0;
  uint8_t Enregistrement_trouve = 0;
  uint8_t Haut_parleurs_trouves = 0;
  uint8_t Entree_wave_trouvee = 0;
  uint8_t Entree_enregistrement_trouvee = 0;
  uint8_t Entree_restitution_trouvee = 0;
};

// One request to set up the mixer. The mixer leaves everything alone,
// result flags included, while Reglage_par_logiciel is 0.
struct CommandeMixer {
  uint8_t Reglage_par_logiciel = 0;
  uint8_t Entree_micro = 0;  // 1: the microphone is the recording source
  int32_t Volume_sortie_gauche = 0;
  int32_t Volume_sortie_droite = 0;
  int32_t Volume_enregistrement_gauche = 0;
  int32_t Volume_enregistrement_droite = 0;
  int32_t Niveau_controle_haut_parleurs = 0;
  int32_t Niveau_controle_enregistrement = 0;
  uint16_t Volume_wave = 100;
};

// The sound card's mixer as the settings see it.
class ReglageMixer {
 public:
  virtual ~ReglageMixer() = default;
  virtual void Reglage_mixer(const CommandeMixer& commande, ResultatMixer& resultat) = 0;
};

// One item of a settings menu: component name, code stored, plain caption
// (UTF-8 source text).
struct ElementMenu {
  std::string_view composant;
  uint8_t code;
  std::string_view legende;
};
// The items of a field's menu, in menu order (empty for Reserve).
std::span<const ElementMenu> Elements_du_champ(Champ champ);

// Working values derived from the record (read by the other subsystems).
struct ValeursReglages {
  int32_t Vitesse_emission = 0;
  int32_t Gain_entree = 0;
  uint8_t CAG_active = 0;
  int32_t Volume_enregistrement_gauche = 0;
  int32_t Volume_enregistrement_droite = 0;
  int32_t Volume_sortie_gauche = 0;
  int32_t Volume_sortie_droite = 0;
  uint16_t Volume_wave = 100;
  uint8_t Entree_gauche = 0;
  uint8_t Entree_droite = 0;
  uint8_t Entree_micro = 0;
  uint8_t Port_serie_choisi = 0;
  uint8_t Numero_port_serie = 0;
  uint16_t Adresse_port_serie = 0;
  uint16_t Adresse_commande_modem = 0;
  uint8_t Reglage_par_logiciel = 0;
};

class Configuration {
 public:
  Configuration(FichiersTexte& fichiers, Rapport& rapport, ReglageMixer& mixer);

  // Loads, validates (or defaults with a message), applies every field and
  // rewrites the file when it fell back to the defaults.
  void Lire_configuration();
  void Valeurs_par_defaut();
  void Ecrire_configuration();

  void Appliquer_vitesse();
  void Appliquer_amplification();
  void Appliquer_attenuation();
  void Appliquer_port_serie();
  void Appliquer_source_entree();
  void Appliquer_mode_mixer();
  void Reglage_mixer_initial();

  // Stores a code in a field and applies that field (no write).
  void Modifier_champ(Champ champ, uint8_t code);
  // A settings menu item: store, apply, write.
  void Choisir(Champ champ, uint8_t code);

  // Checks one of F1.SER..F4.SER and loads it into its sequence.
  void Verifier_fichier_sequence(const std::string& nom);

  // The record as held in memory (7 bytes, plus up to 3 kept from the file).
  const std::string& Enregistrement() const { return enregistrement_; }
  uint8_t Valeur(Champ champ) const;

  // Caption (CP1252) of a settings menu item, by component name.
  std::string Legende(std::string_view composant) const;

  // Sequence_1..Sequence_4, by number 1..4; nom "F1.SER".."F4.SER" -> 1..4 (0 otherwise).
  std::string& Sequence(int numero) { return sequences_.at(numero - 1); }
  const std::string& Sequence(int numero) const { return sequences_.at(numero - 1); }
  static int Numero_sequence(std::string_view nom);

  // Mixer set-up with the current values (the transceiver and level windows
  // pass their own recording volumes).
  void Reglage_mixer(int32_t enregistrement_gauche, int32_t enregistrement_droite,
                     uint8_t entree_micro);
  const ResultatMixer& Resultat_mixer() const { return resultat_mixer_; }

  ValeursReglages valeurs;

 private:
  void Legendes_du_champ(Champ champ);
  void Volumes_enregistrement();
  void Reglage_mixer();

  FichiersTexte& fichiers_;
  Rapport& rapport_;
  ReglageMixer& mixer_;
  std::string enregistrement_ = "     ";
  std::map<std::string, std::string, std::less<>> legendes_;
  std::array<std::string, 4> sequences_;
  ResultatMixer resultat_mixer_;
};

// Whether a record (as read from the file) is valid.
[[nodiscard]] bool Configuration_valide(std::string_view texte);

}  // namespace vestral
