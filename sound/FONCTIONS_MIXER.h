// The sound card's mixer, set up for the program and put back at exit.
//
// `Mixer` is the mixer as the program models it: destination lines (the
// speakers, the recording input) with source lines connected to them
// (wave-out, line-in, microphone, auxiliary...), each line with controls
// (mute, volume, bass, treble, number, multiple- or single-select list).
// Types carry the usual mixer numbering. A backend maps a real mixer onto it
// (ALSA in sound/linux/) or simulates one (FONCTIONS_MIXER_SIMULE.h).
//
// `FonctionsMixer` holds the program's use of it: `Reglage_mixer` routes
// and levels everything, saving each value the first time it changes it;
// `Reglage_volume_enregistrement` moves the recording gain for the automatic
// gain control; `Restauration_mixer` puts the saved values back at exit. All
// three do nothing unless `Reglage_par_logiciel` is 1. Main thread only.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "shell/Rapport.h"

namespace vestral {

// Component types of lines.
inline constexpr uint32_t kType_haut_parleurs = 4;
inline constexpr uint32_t kType_enregistrement = 7;
inline constexpr uint32_t kType_source_ligne = 0x1002;
inline constexpr uint32_t kType_source_micro = 0x1003;
inline constexpr uint32_t kType_source_cd = 0x1005;
inline constexpr uint32_t kType_source_wave = 0x1008;
inline constexpr uint32_t kType_source_auxiliaire = 0x1009;

// Control types.
inline constexpr uint32_t kControle_muet = 0x20010002;
inline constexpr uint32_t kControle_volume = 0x50030001;
inline constexpr uint32_t kControle_graves = 0x50030002;
inline constexpr uint32_t kControle_aigus = 0x50030003;
inline constexpr uint32_t kControle_nombre = 0x30030000;
inline constexpr uint32_t kControle_liste_multiple = 0x71010001;
inline constexpr uint32_t kControle_liste_simple = 0x70010001;

// At most this many controls of a line, and items of a list, are used.
inline constexpr uint32_t kMaximum_controles = 49;
inline constexpr uint32_t kMaximum_elements = 49;

struct LigneMixer {
  uint32_t identifiant = 0;
  uint32_t type = 0;
  uint32_t destination = 0;  // index of the destination the line belongs to
  uint32_t connexions = 0;   // a destination's number of sources
  uint32_t canaux = 1;
  uint32_t nombre_controles = 0;
  std::string nom_court;
};

struct ControleMixer {
  uint32_t identifiant = 0;
  uint32_t type = 0;
  bool uniforme = true;   // one value for all channels
  uint32_t elements = 0;  // items of a list control, else 0
  uint32_t minimum = 0;
  uint32_t maximum = 0;
};

struct ElementListe {
  uint32_t ligne = 0;  // the line the item stands for
  std::string nom;
};

class Mixer {
 public:
  virtual ~Mixer() = default;

  virtual uint32_t Nombre_mixers() = 0;
  virtual std::optional<LigneMixer> Ligne_par_type(uint32_t type) = 0;
  virtual std::optional<LigneMixer> Ligne_source(uint32_t destination, uint32_t source) = 0;
  virtual std::optional<LigneMixer> Ligne_par_identifiant(uint32_t ligne) = 0;
  // The first `nombre` controls of a line; empty when they cannot be read.
  virtual std::vector<ControleMixer> Controles(uint32_t ligne, uint32_t nombre) = 0;
  virtual std::vector<ElementListe> Textes_liste(uint32_t controle, uint32_t canaux,
                                                 uint32_t elements) = 0;
  // Values are exchanged as one signed 32-bit value per channel (left, then
  // right) when `elements` is 0, else as one value per list item, in list
  // order. Switches are one value: 1 = muted.
  virtual bool Lire_valeurs(uint32_t controle, uint32_t canaux, uint32_t elements,
                            std::vector<int32_t>& valeurs) = 0;
  virtual bool Ecrire_valeurs(uint32_t controle, uint32_t canaux, uint32_t elements,
                              const std::vector<int32_t>& valeurs) = 0;
};

// A percentage as a control value: p x (maximum - minimum) div 100, or
// (maximum - minimum) div 100 x p when the maximum is 65536 or more. The
// minimum is not added (backends present ranges that start at 0).
int32_t Niveau_controle(int32_t pourcentage, uint32_t minimum, uint32_t maximum);

class FonctionsMixer {
 public:
  explicit FonctionsMixer(Mixer& mixer) : mixer_(&mixer) {}

  // Another mixer takes this one's place (the operator chose another
  // capture device): the caller has put the old values back with
  // Restauration_mixer; nothing of the old mixer is remembered, the next
  // changes are saved from the new one. The two settings are kept.
  void Changer_de_mixer(Mixer& mixer);

  // Set by the settings: 1 = the program sets the mixer ("Réglage par le
  // logiciel"), 0 = the operator does; and the wave-out level in percent.
  uint8_t Reglage_par_logiciel = 0;
  uint16_t Volume_wave = 0;

  void Reglage_mixer(uint8_t entree_micro, int32_t volume_sortie_gauche,
                     int32_t volume_sortie_droite, int32_t volume_enregistrement_gauche,
                     int32_t volume_enregistrement_droite, int32_t niveau_controle_haut_parleurs,
                     int32_t niveau_controle_enregistrement, uint8_t& Mixer_present,
                     uint8_t& Enregistrement_trouve, uint8_t& Haut_parleurs_trouves,
                     uint8_t& Entree_wave_trouvee, uint8_t& Entree_enregistrement_trouvee,
                     uint8_t& Entree_restitution_trouvee);
  void Reglage_volume_enregistrement(int32_t gauche, int32_t droite);
  void Restauration_mixer();

  // 1 once the recording item chosen for the input showed a volume control
  // (the automatic gain control needs it).
  uint8_t Volume_entree_present() const { return volume_entree_present_; }
  uint8_t Ligne_enregistrement_connue() const { return ligne_enregistrement_connue_; }
  uint32_t Ligne_enregistrement() const { return ligne_enregistrement_; }

 private:
  struct NiveauSauve {  // restored if saved
    bool sauve = false;
    uint32_t controle = 0;
    uint32_t canaux = 0;
    std::vector<int32_t> valeurs;
  };
  struct MuetSauve {  // restored through its line
    uint32_t ligne = 0;
    uint32_t nombre_controles = 0;
    int32_t valeur = 0;
  };
  struct ValeurToujours {  // restored always (0 if never saved)
    bool sauve = false;
    int32_t valeur = 0;
  };
  struct ListeToujours {
    bool sauve = false;
    std::vector<int32_t> valeurs = std::vector<int32_t>(kMaximum_elements, 0);
  };

  std::vector<ControleMixer> Controles_de(const LigneMixer& ligne);
  std::vector<int32_t> Lire(const ControleMixer& c, uint32_t canaux, uint32_t elements);
  void Ecrire_niveaux(const LigneMixer& ligne, const ControleMixer& c, int32_t gauche,
                      int32_t droite);
  void Ecrire_interrupteur(const ControleMixer& c, int32_t valeur);
  void Sauver_niveau(NiveauSauve& s, const LigneMixer& ligne, const ControleMixer& c);
  void Sauver_interrupteur(ValeurToujours& s, const ControleMixer& c);
  void Sauver_niveau_entree(std::vector<NiveauSauve>& sauves, const LigneMixer& ligne,
                            const ControleMixer& c);
  void Sauver_muet(std::vector<MuetSauve>& sauves, const LigneMixer& ligne, const ControleMixer& c);
  void Sauver_liste(ListeToujours& s, const ControleMixer& c, uint32_t canaux, uint32_t n);
  void Restaurer_niveau(const NiveauSauve& s);
  void Restaurer_muet(const MuetSauve& s);
  void Restaurer_liste(const LigneMixer& ligne, const ControleMixer& c, const ListeToujours& s);
  uint32_t Canaux_liste(const LigneMixer& ligne, const ControleMixer& c) const;
  void Entree_en_restitution(const LigneMixer& ligne, int32_t gauche, int32_t droite);
  void Selecteur_enregistrement(const LigneMixer& ligne, const ControleMixer& c,
                                uint8_t entree_micro);

  Mixer* mixer_;

  uint32_t ligne_enregistrement_ = 0;
  uint8_t ligne_enregistrement_connue_ = 0;
  uint8_t volume_entree_present_ = 0;

  ListeToujours liste_haut_parleurs_;
  ValeurToujours muet_haut_parleurs_;
  NiveauSauve volume_haut_parleurs_, graves_haut_parleurs_, aigus_haut_parleurs_;
  ValeurToujours muet_wave_;
  NiveauSauve volume_wave_;
  // The inputs' lines are saved one by one, each the first time it is
  // changed, so that a run that switches between line-in and microphone
  // gets both back: a single record per role would keep only the first
  // input's volumes.
  std::vector<MuetSauve> muets_entree_choisie_;
  std::vector<NiveauSauve> volumes_entree_choisie_;
  std::vector<MuetSauve> muets_autre_entree_;
  ListeToujours liste_enregistrement_;
  std::vector<NiveauSauve> volumes_element_enregistrement_;
};

// The one message about what `Reglage_mixer` did not find (the first flag at
// 0, in parameter order), or "" when everything was found.
std::string Probleme_mixer(uint8_t Mixer_present, uint8_t Enregistrement_trouve,
                           uint8_t Haut_parleurs_trouves, uint8_t Entree_wave_trouvee,
                           uint8_t Entree_enregistrement_trouvee,
                           uint8_t Entree_restitution_trouvee);

// The software defaults' report: the error beep, then that message in
// Panel1; nothing when everything was found. True when something was told.
bool Signaler_probleme_mixer(Rapport& rapport, uint8_t Mixer_present, uint8_t Enregistrement_trouve,
                             uint8_t Haut_parleurs_trouves, uint8_t Entree_wave_trouvee,
                             uint8_t Entree_enregistrement_trouvee,
                             uint8_t Entree_restitution_trouvee);

}  // namespace vestral
