#include "sound/FONCTIONS_MIXER_ELEMENTS.h"

#include <algorithm>
#include <optional>

namespace vestral {
namespace {

std::string Minuscules(std::string texte) {
  for (char& c : texte)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return texte;
}

bool Finit_par(const std::string& texte, const std::string& fin) {
  return texte.size() >= fin.size() &&
         texte.compare(texte.size() - fin.size(), fin.size(), fin) == 0;
}

constexpr uint32_t kDestination = 0xFFFF0000;

}  // namespace

uint32_t Type_composant(const std::string& nom) {
  const std::string n = Minuscules(nom);
  if (n == "pcm") return kType_source_wave;
  if (n == "mic" || n == "microphone" || Finit_par(n, " mic")) return kType_source_micro;
  if (n == "line" || n == "line in" || n == "line-in" || Finit_par(n, " line"))
    return kType_source_ligne;
  if (n == "cd") return kType_source_cd;
  return kType_source_auxiliaire;
}

MixerElements::MixerElements(std::unique_ptr<ElementsMixer> elements)
    : elements_(std::move(elements)) {
  if (elements_) Construire(elements_->Elements());
}

uint32_t MixerElements::Ajouter_destination(uint32_t type, const std::string& nom, bool mono) {
  const auto index = static_cast<uint32_t>(destinations_.size());
  LigneModele ligne;
  ligne.description.identifiant = kDestination | index;
  ligne.description.type = type;
  ligne.description.destination = index;
  ligne.description.canaux = mono ? 1 : 2;
  ligne.description.nom_court = nom;
  destinations_.push_back(ligne);
  sources_.emplace_back();
  return index;
}

uint32_t MixerElements::Ajouter_source(uint32_t destination, uint32_t type, const std::string& nom,
                                       bool mono) {
  auto& sources = sources_[destination];
  LigneModele ligne;
  ligne.description.identifiant = (destination << 16) | static_cast<uint32_t>(sources.size());
  ligne.description.type = type;
  ligne.description.destination = destination;
  ligne.description.canaux = mono ? 1 : 2;
  ligne.description.nom_court = nom;
  sources.push_back(ligne);
  return ligne.description.identifiant;
}

MixerElements::LigneModele* MixerElements::Ligne(uint32_t identifiant) {
  const uint32_t rang = identifiant & 0xFFFF;
  if ((identifiant & kDestination) == kDestination)
    return rang < destinations_.size() ? &destinations_[rang] : nullptr;
  const uint32_t destination = identifiant >> 16;
  if (destination >= sources_.size() || rang >= sources_[destination].size()) return nullptr;
  return &sources_[destination][rang];
}

MixerElements::ControleModele* MixerElements::Controle(uint32_t identifiant) {
  return identifiant < controles_.size() ? &controles_[identifiant] : nullptr;
}

// A volume shared by several lines (the whole capture volume standing for
// each selector item) is one control, so that it is saved only once.
void MixerElements::Ajouter_volume(uint32_t ligne, std::size_t element, const ElementSimple& e,
                                   bool capture) {
  const Grandeur grandeur = capture ? Grandeur::Volume_capture : Grandeur::Volume_lecture;
  for (const auto& existant : controles_) {
    if (existant.genre == Genre::Niveau && existant.element == element &&
        existant.grandeur == grandeur) {
      Ligne(ligne)->controles.push_back(existant.description.identifiant);
      return;
    }
  }
  ControleModele c;
  c.description.identifiant = static_cast<uint32_t>(controles_.size());
  c.description.type = kControle_volume;
  c.genre = Genre::Niveau;
  c.element = element;
  c.grandeur = grandeur;
  c.minimum = capture ? e.min_capture : e.min_lecture;
  c.maximum = capture ? e.max_capture : e.max_lecture;
  c.mono = capture ? e.mono_capture : e.mono_lecture;
  c.description.uniforme = c.mono;
  c.description.maximum = static_cast<uint32_t>(std::max(0L, c.maximum - c.minimum));
  controles_.push_back(c);
  Ligne(ligne)->controles.push_back(c.description.identifiant);
}

void MixerElements::Construire(const std::vector<ElementSimple>& elements) {
  auto trouver = [&](const std::string& nom, auto&& condition) -> std::optional<std::size_t> {
    for (std::size_t i = 0; i < elements.size(); ++i)
      if (Minuscules(elements[i].nom) == Minuscules(nom) && condition(elements[i])) return i;
    return std::nullopt;
  };
  auto ajouter_muet = [&](uint32_t ligne, std::size_t element) {
    ControleModele c;
    c.description.identifiant = static_cast<uint32_t>(controles_.size());
    c.description.type = kControle_muet;
    c.description.maximum = 1;
    c.genre = Genre::Muet;
    c.element = element;
    c.grandeur = Grandeur::Interrupteur_lecture;
    controles_.push_back(c);
    Ligne(ligne)->controles.push_back(c.description.identifiant);
  };
  auto lecture = [](const ElementSimple& e) {
    return (e.volume_lecture && !e.volume_commun) || e.interrupteur_lecture;
  };

  std::optional<std::size_t> haut_parleurs;
  for (const char* nom : {"Master", "Speaker", "Headphone"})
    if (!haut_parleurs) haut_parleurs = trouver(nom, lecture);
  if (haut_parleurs) {
    const ElementSimple& e = elements[*haut_parleurs];
    const uint32_t d = Ajouter_destination(kType_haut_parleurs, e.nom, e.mono_lecture);
    const uint32_t id = destinations_[d].description.identifiant;
    if (e.volume_lecture) Ajouter_volume(id, *haut_parleurs, e, false);
    if (e.interrupteur_lecture) ajouter_muet(id, *haut_parleurs);
    for (std::size_t i = 0; i < elements.size(); ++i) {
      const ElementSimple& s = elements[i];
      if (i == *haut_parleurs || !lecture(s)) continue;
      const uint32_t source = Ajouter_source(d, Type_composant(s.nom), s.nom, s.mono_lecture);
      if (s.volume_lecture && !s.volume_commun) Ajouter_volume(source, i, s, false);
      if (s.interrupteur_lecture) ajouter_muet(source, i);
    }
  }

  const bool capture_possible = std::any_of(elements.begin(), elements.end(), [](const auto& e) {
    return e.volume_capture || e.interrupteur_capture || !e.sources_capture.empty();
  });
  if (!capture_possible) return;
  const auto capture = trouver(
      "Capture", [](const ElementSimple& e) { return e.volume_capture || e.interrupteur_capture; });
  const uint32_t d = Ajouter_destination(kType_enregistrement, "Capture",
                                         capture && elements[*capture].mono_capture);
  // An item's volume: the element of its name, or else the whole capture.
  auto volume_de = [&](const std::string& nom) {
    auto v = trouver(nom, [](const ElementSimple& e) { return e.volume_capture; });
    if (!v && capture && elements[*capture].volume_capture) v = capture;
    return v;
  };
  auto ajouter_element = [&](ControleModele& liste, const std::string& nom) {
    const auto volume = volume_de(nom);
    const uint32_t source =
        Ajouter_source(d, Type_composant(nom), nom, volume && elements[*volume].mono_capture);
    if (volume) Ajouter_volume(source, *volume, elements[*volume], true);
    liste.lignes.push_back(source);
    liste.noms.push_back(nom);
  };

  ControleModele liste;
  liste.description.maximum = 1;
  const auto enumeration =
      std::find_if(elements.begin(), elements.end(),
                   [](const ElementSimple& e) { return !e.sources_capture.empty(); });
  if (enumeration != elements.end()) {
    liste.description.type = kControle_liste_simple;
    liste.genre = Genre::Enumeration;
    liste.element = static_cast<std::size_t>(enumeration - elements.begin());
    for (const auto& nom : enumeration->sources_capture) ajouter_element(liste, nom);
  } else {
    liste.description.type = kControle_liste_multiple;
    liste.genre = Genre::Interrupteurs;
    for (std::size_t i = 0; i < elements.size(); ++i) {
      if (!elements[i].interrupteur_capture || (capture && i == *capture)) continue;
      liste.elements.push_back(i);
      ajouter_element(liste, elements[i].nom);
    }
  }
  if (liste.lignes.empty()) return;
  liste.description.elements = static_cast<uint32_t>(liste.lignes.size());
  liste.description.identifiant = static_cast<uint32_t>(controles_.size());
  destinations_[d].controles.push_back(liste.description.identifiant);
  controles_.push_back(std::move(liste));
}

LigneMixer MixerElements::Decrire(const LigneModele& ligne) const {
  LigneMixer d = ligne.description;
  d.nombre_controles = static_cast<uint32_t>(ligne.controles.size());
  if ((d.identifiant & kDestination) == kDestination)
    d.connexions = static_cast<uint32_t>(sources_[d.destination].size());
  return d;
}

std::optional<LigneMixer> MixerElements::Ligne_par_type(uint32_t type) {
  for (const auto& l : destinations_)
    if (l.description.type == type) return Decrire(l);
  for (const auto& sources : sources_)
    for (const auto& l : sources)
      if (l.description.type == type) return Decrire(l);
  return std::nullopt;
}

std::optional<LigneMixer> MixerElements::Ligne_source(uint32_t destination, uint32_t source) {
  if (destination >= sources_.size() || source >= sources_[destination].size()) return std::nullopt;
  return Ligne_par_identifiant(sources_[destination][source].description.identifiant);
}

std::optional<LigneMixer> MixerElements::Ligne_par_identifiant(uint32_t identifiant) {
  const LigneModele* l = Ligne(identifiant);
  if (l == nullptr) return std::nullopt;
  return Decrire(*l);
}

std::vector<ControleMixer> MixerElements::Controles(uint32_t ligne, uint32_t nombre) {
  std::vector<ControleMixer> resultat;
  if (const LigneModele* l = Ligne(ligne))
    for (uint32_t i = 0; i < nombre && i < l->controles.size(); ++i)
      resultat.push_back(controles_[l->controles[i]].description);
  return resultat;
}

std::vector<ElementListe> MixerElements::Textes_liste(uint32_t controle, uint32_t,
                                                      uint32_t elements) {
  std::vector<ElementListe> textes;
  if (const ControleModele* c = Controle(controle))
    for (uint32_t i = 0; i < elements && i < c->lignes.size(); ++i)
      textes.push_back({c->lignes[i], c->noms[i]});
  return textes;
}

bool MixerElements::Lire_valeurs(uint32_t controle, uint32_t canaux, uint32_t elements,
                                 std::vector<int32_t>& valeurs) {
  const ControleModele* c = Controle(controle);
  if (c == nullptr || !elements_) return false;
  elements_->Actualiser();
  long v = 0;
  switch (c->genre) {
    case Genre::Niveau:
      valeurs.assign(canaux, 0);
      for (uint32_t canal = 0; canal < canaux; ++canal) {
        if (!elements_->Lire(c->element, c->grandeur, c->mono ? 0 : static_cast<int>(canal), v))
          return false;
        valeurs[canal] = static_cast<int32_t>(std::clamp(v, c->minimum, c->maximum) - c->minimum);
      }
      return true;
    case Genre::Muet:
      if (!elements_->Lire(c->element, c->grandeur, 0, v)) return false;
      valeurs.assign(std::max<uint32_t>(canaux, 1), v ? 0 : 1);
      return true;
    case Genre::Enumeration:
      if (!elements_->Lire(c->element, Grandeur::Source_capture, 0, v)) return false;
      valeurs.assign(elements, 0);
      for (uint32_t i = 0; i < elements; ++i) valeurs[i] = v == static_cast<long>(i);
      return true;
    case Genre::Interrupteurs:
      valeurs.assign(elements, 0);
      for (uint32_t i = 0; i < elements && i < c->elements.size(); ++i) {
        if (!elements_->Lire(c->elements[i], Grandeur::Interrupteur_capture, 0, v)) return false;
        valeurs[i] = v ? 1 : 0;
      }
      return true;
  }
  return false;
}

bool MixerElements::Ecrire_valeurs(uint32_t controle, uint32_t canaux, uint32_t elements,
                                   const std::vector<int32_t>& valeurs) {
  const ControleModele* c = Controle(controle);
  if (c == nullptr || !elements_) return false;
  switch (c->genre) {
    case Genre::Niveau: {
      if (canaux == 0 || valeurs.size() < canaux) return false;
      auto brut = [&](int32_t v) { return std::clamp(v + c->minimum, c->minimum, c->maximum); };
      if (c->mono || canaux == 1)
        return elements_->Ecrire(c->element, c->grandeur, -1, brut(valeurs[0]));
      const bool gauche = elements_->Ecrire(c->element, c->grandeur, 0, brut(valeurs[0]));
      const bool droite = elements_->Ecrire(c->element, c->grandeur, 1, brut(valeurs[1]));
      return gauche && droite;
    }
    case Genre::Muet:
      return !valeurs.empty() && elements_->Ecrire(c->element, c->grandeur, -1, valeurs[0] ? 0 : 1);
    case Genre::Enumeration:
      // One source at a time: the first item asked for; none asked keeps the current one.
      for (uint32_t i = 0; i < elements && i < valeurs.size(); ++i)
        if (valeurs[i] != 0) return elements_->Ecrire(c->element, Grandeur::Source_capture, -1, i);
      return true;
    case Genre::Interrupteurs: {
      bool reussi = true;
      for (uint32_t i = 0; i < elements && i < valeurs.size() && i < c->elements.size(); ++i)
        reussi &= elements_->Ecrire(c->elements[i], Grandeur::Interrupteur_capture, -1,
                                    valeurs[i] ? 1 : 0);
      return reussi;
    }
  }
  return false;
}

}  // namespace vestral
