// A mixer in memory, for tests: lines, controls and values as the program
// models them, with a count of the writes it received. The cards below are
// the shapes the program meets: a typical card, one whose line input is an
// auxiliary source named "Line", one without a recording selector.
#pragma once

#include <string>
#include <vector>

#include "sound/FONCTIONS_MIXER.h"

namespace vestral {

class MixerSimule : public Mixer {
 public:
  uint32_t nombre_mixers = 1;
  int ecritures = 0;

  // Building. Identifiers are given in order; a source belongs to the
  // destination of index `destination`.
  uint32_t Ajouter_destination(uint32_t type, const std::string& nom, uint32_t canaux);
  uint32_t Ajouter_source(uint32_t destination, uint32_t type, const std::string& nom,
                          uint32_t canaux);
  uint32_t Ajouter_controle(uint32_t ligne, uint32_t type, std::vector<int32_t> valeurs,
                            uint32_t maximum = 0, bool uniforme = true);
  // A list: one item per (line, value); its texts are the lines' names.
  uint32_t Ajouter_liste(uint32_t ligne, uint32_t type, std::vector<uint32_t> lignes,
                         std::vector<int32_t> valeurs, bool uniforme = true);

  // Looking up. The line of that name under destinations of that type (the
  // destination itself when it has the name), and its control of that type.
  uint32_t Ligne(uint32_t type_destination, const std::string& nom) const;
  uint32_t Controle(uint32_t ligne, uint32_t type) const;
  std::vector<int32_t>& Valeurs(uint32_t controle);
  std::vector<int32_t>& Valeurs(uint32_t type_destination, const std::string& ligne,
                                uint32_t type_controle) {
    return Valeurs(Controle(Ligne(type_destination, ligne), type_controle));
  }

  // Every control's values, in the order the controls were added.
  std::vector<std::vector<int32_t>> Etat() const;

  uint32_t Nombre_mixers() override { return nombre_mixers; }
  std::optional<LigneMixer> Ligne_par_type(uint32_t type) override;
  std::optional<LigneMixer> Ligne_source(uint32_t destination, uint32_t source) override;
  std::optional<LigneMixer> Ligne_par_identifiant(uint32_t ligne) override;
  std::vector<ControleMixer> Controles(uint32_t ligne, uint32_t nombre) override;
  std::vector<ElementListe> Textes_liste(uint32_t controle, uint32_t canaux,
                                         uint32_t elements) override;
  bool Lire_valeurs(uint32_t controle, uint32_t canaux, uint32_t elements,
                    std::vector<int32_t>& valeurs) override;
  bool Ecrire_valeurs(uint32_t controle, uint32_t canaux, uint32_t elements,
                      const std::vector<int32_t>& valeurs) override;

 private:
  struct LigneSimulee {
    LigneMixer description;
    bool destination = false;
  };
  struct ControleSimule {
    uint32_t ligne = 0;
    ControleMixer description;
    std::vector<int32_t> valeurs;
    std::vector<uint32_t> lignes_elements;
  };
  const LigneSimulee* Trouver_ligne(uint32_t identifiant) const;
  ControleSimule* Trouver_controle(uint32_t identifiant);
  LigneMixer Decrire(const LigneSimulee& ligne) const;

  std::vector<LigneSimulee> lignes_;
  std::vector<ControleSimule> controles_;
};

// Speakers "Volume" (multiple-select list "Mix", mute, volume, bass, treble)
// with sources "Wave", "Line In", "Mic" (mono) and "CD"; recording
// "Recording" with a single-select list over its sources "Mic", "Line In"
// and "CD", each with a volume. Every volume and tone control ranges over
// 0..`maximum`. Values start away from what the program sets.
MixerSimule Carte_typique(uint32_t maximum = 65535);
// No line-in lines: the line input is an auxiliary source "Line", in the
// playback mix and in a multiple-select recording list.
MixerSimule Carte_ligne_auxiliaire();
// A recording destination with a volume but no selector.
MixerSimule Carte_sans_selecteur();

}  // namespace vestral
