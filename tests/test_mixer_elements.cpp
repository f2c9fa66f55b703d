#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "shell/Cp1252.h"
#include "sound/FONCTIONS_MIXER_ELEMENTS.h"

namespace vestral {
namespace {

// A simple mixer in memory: each element's volumes, switches and source.
class ElementsFactices : public ElementsMixer {
 public:
  struct Etat {
    long lecture[2] = {0, 0};
    long capture[2] = {0, 0};
    long interrupteur_lecture = 1;
    long interrupteur_capture = 0;
    long source = 0;
    bool operator==(const Etat&) const = default;
  };

  explicit ElementsFactices(std::vector<ElementSimple> elements)
      : elements_(std::move(elements)), etats(elements_.size()) {
    for (std::size_t i = 0; i < elements_.size(); ++i) {
      etats[i].lecture[0] = etats[i].lecture[1] = elements_[i].min_lecture;
      etats[i].capture[0] = etats[i].capture[1] = elements_[i].min_capture;
    }
  }
  std::vector<ElementSimple> Elements() override { return elements_; }
  bool Lire(std::size_t e, Grandeur g, int canal, long& valeur) override {
    valeur = *Champ(e, g, canal < 0 ? 0 : canal);
    return true;
  }
  bool Ecrire(std::size_t e, Grandeur g, int canal, long valeur) override {
    for (int c = 0; c < 2; ++c)
      if (canal < 0 || canal == c) *Champ(e, g, c) = valeur;
    return true;
  }
  Etat& De(const std::string& nom) {
    for (std::size_t i = 0; i < elements_.size(); ++i)
      if (elements_[i].nom == nom) return etats[i];
    throw std::out_of_range(nom);
  }

 private:
  long* Champ(std::size_t e, Grandeur g, int canal) {
    Etat& s = etats.at(e);
    switch (g) {
      case Grandeur::Volume_lecture:
        return &s.lecture[canal];
      case Grandeur::Volume_capture:
        return &s.capture[canal];
      case Grandeur::Interrupteur_lecture:
        return &s.interrupteur_lecture;
      case Grandeur::Interrupteur_capture:
        return &s.interrupteur_capture;
      case Grandeur::Source_capture:
        return &s.source;
    }
    return nullptr;
  }
  std::vector<ElementSimple> elements_;

 public:
  std::vector<Etat> etats;
};

ElementSimple Lecture(const std::string& nom, long min, long max, bool interrupteur = true) {
  ElementSimple e;
  e.nom = nom;
  e.volume_lecture = true;
  e.interrupteur_lecture = interrupteur;
  e.min_lecture = min;
  e.max_lecture = max;
  return e;
}

ElementSimple Nomme(const std::string& nom) {
  ElementSimple e;
  e.nom = nom;
  return e;
}

ElementSimple Capture(ElementSimple e, long max, bool interrupteur = true) {
  e.volume_capture = max > 0;
  e.interrupteur_capture = interrupteur;
  e.max_capture = max;
  return e;
}

// HD-audio shape: a capture-source enumeration and one capture volume.
std::vector<ElementSimple> Carte_hda() {
  ElementSimple boost = Lecture("Mic Boost", 0, 3, false);
  boost.volume_commun = true;
  ElementSimple source = Nomme("Input Source");
  source.sources_capture = {"Mic", "Line", "CD"};
  const ElementSimple capture = Capture(Nomme("Capture"), 63);
  return {Lecture("Master", 0, 87),
          Lecture("PCM", 0, 255, false),
          Lecture("Line", 5, 36),
          Lecture("Mic", 0, 31),
          boost,
          Lecture("Beep", 0, 31),
          capture,
          source};
}

// Older shape: a capture switch and volume per input.
std::vector<ElementSimple> Carte_interrupteurs() {
  ElementSimple cd = Lecture("CD", 0, 31);
  cd.interrupteur_capture = true;
  const ElementSimple capture = Capture(Nomme("Capture"), 15, false);
  return {Lecture("Master", 0, 31),
          Lecture("PCM", 0, 31),
          Capture(Lecture("Line", 0, 31), 31),
          Capture(Lecture("Mic", 0, 31), 31),
          cd,
          capture};
}

// A USB headset: speaker and microphone only.
std::vector<ElementSimple> Carte_usb() {
  ElementSimple micro = Capture(Lecture("Mic", 0, 127), 16);
  micro.mono_lecture = micro.mono_capture = true;
  return {Lecture("Speaker", 0, 151), Lecture("PCM", 0, 151), micro};
}

struct Banc {
  explicit Banc(std::vector<ElementSimple> elements) {
    auto f = std::make_unique<ElementsFactices>(std::move(elements));
    carte = f.get();
    mixer = std::make_unique<MixerElements>(std::move(f));
    fonctions = std::make_unique<FonctionsMixer>(*mixer);
    fonctions->Reglage_par_logiciel = 1;
    fonctions->Volume_wave = 100;
  }
  std::string Regler(uint8_t micro, int32_t sortie, int32_t gauche, int32_t droite) {
    uint8_t d[6] = {9, 9, 9, 9, 9, 9};
    fonctions->Reglage_mixer(micro, sortie, sortie, gauche, droite, 0, 0, d[0], d[1], d[2], d[3],
                             d[4], d[5]);
    return Cp1252_vers_utf8(Probleme_mixer(d[0], d[1], d[2], d[3], d[4], d[5]));
  }
  ElementsFactices* carte = nullptr;
  std::unique_ptr<MixerElements> mixer;
  std::unique_ptr<FonctionsMixer> fonctions;
};

TEST(MixerElements, TypesDesNoms) {
  struct Cas {
    const char* nom;
    uint32_t type;
  } cas[] = {{"PCM", kType_source_wave},
             {"Mic", kType_source_micro},
             {"Front Mic", kType_source_micro},
             {"Microphone", kType_source_micro},
             {"Mic Boost", kType_source_auxiliaire},
             {"Line", kType_source_ligne},
             {"Line In", kType_source_ligne},
             {"Rear Line", kType_source_ligne},
             {"CD", kType_source_cd},
             {"Aux", kType_source_auxiliaire},
             {"Line Boost", kType_source_auxiliaire}};
  for (const auto& c : cas) EXPECT_EQ(Type_composant(c.nom), c.type) << c.nom;
}

TEST(MixerElements, ReglageEtRestaurationSurUneCarteHda) {
  Banc banc(Carte_hda());
  auto& c = *banc.carte;
  const auto origine = c.etats;
  EXPECT_EQ(banc.Regler(0, 20, 60, 0), "");
  using E = ElementsFactices::Etat;
  EXPECT_EQ(c.De("Master"), (E{{17, 17}, {0, 0}, 1, 0, 0}));
  EXPECT_EQ(c.De("PCM"), (E{{255, 255}, {0, 0}, 1, 0, 0}));
  EXPECT_EQ(c.De("Line"), (E{{5 + 18, 5}, {0, 0}, 0, 0, 0}));  // muted, range from 5
  EXPECT_EQ(c.De("Mic").interrupteur_lecture, 0);
  EXPECT_EQ(c.De("Input Source").source, 1);
  EXPECT_EQ(c.De("Capture"), (E{{0, 0}, {37, 0}, 1, 0, 0}));
  EXPECT_EQ(c.De("Mic Boost"), origine[4]);  // a boost is not a playback source
  EXPECT_EQ(c.De("Beep"), origine[5]);
  EXPECT_EQ(banc.fonctions->Volume_entree_present(), 1);

  EXPECT_EQ(banc.Regler(1, 20, 60, 0), "");
  EXPECT_EQ(c.De("Input Source").source, 0);
  banc.fonctions->Reglage_volume_enregistrement(100, 0);
  EXPECT_EQ(c.De("Capture").capture[0], 63);

  banc.fonctions->Restauration_mixer();
  EXPECT_EQ(c.etats, origine);
}

TEST(MixerElements, InterrupteursDeCaptureCommeSelecteur) {
  Banc banc(Carte_interrupteurs());
  auto& c = *banc.carte;
  const auto origine = c.etats;
  EXPECT_EQ(banc.Regler(0, 20, 100, 0), "");
  EXPECT_EQ(c.De("Line").interrupteur_capture, 1);
  EXPECT_EQ(c.De("Mic").interrupteur_capture, 0);
  EXPECT_EQ(c.De("CD").interrupteur_capture, 0);
  EXPECT_EQ(c.De("Line").capture[0], 31);  // its own capture volume, not "Capture"
  EXPECT_EQ(c.De("Capture").capture[0], 0);
  banc.fonctions->Restauration_mixer();
  EXPECT_EQ(c.etats, origine);
}

TEST(MixerElements, CartesIncompletes) {
  struct Cas {
    const char* nom;
    std::vector<ElementSimple> elements;
    bool carte;
    uint8_t micro;
    const char* message;
  } cas[] = {
      {"sans carte", {}, false, 0, "Pas de mixer trouvé!"},
      {"carte sans éléments",
       {},
       true,
       0,
       "Problème mixer. Pas de contrôle de l'enregistrement trouvé!"},
      {"serveur de son",
       {Lecture("Master", 0, 65536), Capture(Nomme("Capture"), 65536)},
       true,
       0,
       "Problème mixer. Pas d'entrée son (wave) trouvée!"},
      {"casque USB, ligne", Carte_usb(), true, 0,
       "Problème mixer. Pas d'entrée ligne en enregistrement trouvée!"},
      {"casque USB, micro", Carte_usb(), true, 1, ""},
  };
  for (auto& c : cas) {
    std::unique_ptr<ElementsMixer> elements;
    if (c.carte) elements = std::make_unique<ElementsFactices>(c.elements);
    MixerElements mixer(std::move(elements));
    FonctionsMixer fonctions(mixer);
    fonctions.Reglage_par_logiciel = 1;
    uint8_t d[6] = {9, 9, 9, 9, 9, 9};
    fonctions.Reglage_mixer(c.micro, 20, 20, 100, 0, 0, 0, d[0], d[1], d[2], d[3], d[4], d[5]);
    EXPECT_EQ(Cp1252_vers_utf8(Probleme_mixer(d[0], d[1], d[2], d[3], d[4], d[5])), c.message)
        << c.nom;
    fonctions.Restauration_mixer();
  }
}

}  // namespace
}  // namespace vestral
