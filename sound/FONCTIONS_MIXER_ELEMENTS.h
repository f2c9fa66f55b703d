// A sound card's simple mixer seen as the program's mixer model.
//
// A simple mixer (ALSA's, typically) is a list of named elements, each with
// some of: a playback volume and switch, a capture volume and switch, a
// capture-source enumeration. They map onto the model like this:
//  - speakers destination: "Master" (else "Speaker", else "Headphone"), its
//    volume and its switch as the mute;
//  - its sources: every other element with a playback volume or switch,
//    "PCM" as wave-out, "Line"/"Line In" as line-in, "Mic" (and any "... Mic")
//    as microphone, "CD", anything else auxiliary under its own name;
//  - recording destination: present when any element can capture; its
//    selector is the capture-source enumeration (a single-select list) or,
//    without one, the capture switches of the elements other than "Capture"
//    (a multiple-select list);
//  - each selector item is a source line of the recording destination whose
//    volume is the capture volume of the element of the same name, or else
//    the "Capture" volume.
// Ranges are shown from 0 (the card's minimum is added back on writing).
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "sound/FONCTIONS_MIXER.h"

namespace vestral {

struct ElementSimple {
  std::string nom;
  bool volume_lecture = false;
  bool interrupteur_lecture = false;
  bool volume_capture = false;
  bool interrupteur_capture = false;
  bool volume_commun = false;  // one volume for both directions (boosts): not a source
  bool mono_lecture = false;
  bool mono_capture = false;
  long min_lecture = 0, max_lecture = 0;
  long min_capture = 0, max_capture = 0;
  std::vector<std::string> sources_capture;  // items of a capture-source enumeration
};

enum class Grandeur {
  Volume_lecture,
  Interrupteur_lecture,
  Volume_capture,
  Interrupteur_capture,
  Source_capture,  // index of the chosen item
};

class ElementsMixer {
 public:
  virtual ~ElementsMixer() = default;
  virtual std::vector<ElementSimple> Elements() = 0;
  // Takes in the changes others made since the last call.
  virtual void Actualiser() {}
  // `canal` 0 is left (or the only channel), 1 right; -1 on writing is every
  // channel. `element` indexes Elements().
  virtual bool Lire(std::size_t element, Grandeur grandeur, int canal, long& valeur) = 0;
  virtual bool Ecrire(std::size_t element, Grandeur grandeur, int canal, long valeur) = 0;
};

class MixerElements : public Mixer {
 public:
  // Without elements (no card) there is no mixer.
  explicit MixerElements(std::unique_ptr<ElementsMixer> elements);

  uint32_t Nombre_mixers() override { return elements_ ? 1 : 0; }
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
  enum class Genre { Niveau, Muet, Enumeration, Interrupteurs };
  struct ControleModele {
    ControleMixer description;
    Genre genre = Genre::Niveau;
    std::size_t element = 0;  // Niveau, Muet, Enumeration
    Grandeur grandeur = Grandeur::Volume_lecture;
    long minimum = 0, maximum = 0;
    bool mono = false;
    std::vector<std::size_t> elements;  // Interrupteurs: one element per item
    std::vector<uint32_t> lignes;       // lists: the line of each item
    std::vector<std::string> noms;
  };
  struct LigneModele {
    LigneMixer description;
    std::vector<uint32_t> controles;  // indexes in controles_
  };

  void Construire(const std::vector<ElementSimple>& elements);
  uint32_t Ajouter_destination(uint32_t type, const std::string& nom, bool mono);
  uint32_t Ajouter_source(uint32_t destination, uint32_t type, const std::string& nom, bool mono);
  void Ajouter_volume(uint32_t ligne, std::size_t element, const ElementSimple& e, bool capture);
  LigneModele* Ligne(uint32_t identifiant);
  LigneMixer Decrire(const LigneModele& ligne) const;
  ControleModele* Controle(uint32_t identifiant);

  std::unique_ptr<ElementsMixer> elements_;
  std::vector<LigneModele> destinations_;
  std::vector<std::vector<LigneModele>> sources_;  // per destination
  std::vector<ControleModele> controles_;
};

// The component type a simple-mixer element's name stands for.
uint32_t Type_composant(const std::string& nom);

}  // namespace vestral
