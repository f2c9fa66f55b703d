#include "sound/FONCTIONS_MIXER_SIMULE.h"

#include <algorithm>
#include <stdexcept>

namespace vestral {

uint32_t MixerSimule::Ajouter_destination(uint32_t type, const std::string& nom, uint32_t canaux) {
  uint32_t index = 0;
  for (const auto& l : lignes_) index += l.destination;
  LigneSimulee ligne;
  ligne.destination = true;
  ligne.description.identifiant = index;
  ligne.description.type = type;
  ligne.description.destination = index;
  ligne.description.canaux = canaux;
  ligne.description.nom_court = nom;
  lignes_.push_back(ligne);
  return index;
}

uint32_t MixerSimule::Ajouter_source(uint32_t destination, uint32_t type, const std::string& nom,
                                     uint32_t canaux) {
  uint32_t rang = 0;
  for (const auto& l : lignes_) rang += !l.destination && l.description.destination == destination;
  LigneSimulee ligne;
  ligne.description.identifiant = ((rang + 1) << 16) | destination;
  ligne.description.type = type;
  ligne.description.destination = destination;
  ligne.description.canaux = canaux;
  ligne.description.nom_court = nom;
  lignes_.push_back(ligne);
  return ligne.description.identifiant;
}

uint32_t MixerSimule::Ajouter_controle(uint32_t ligne, uint32_t type, std::vector<int32_t> valeurs,
                                       uint32_t maximum, bool uniforme) {
  ControleSimule c;
  c.ligne = ligne;
  c.description.identifiant = static_cast<uint32_t>(controles_.size()) + 100;
  c.description.type = type;
  c.description.uniforme = uniforme;
  c.description.maximum = maximum;
  c.valeurs = std::move(valeurs);
  controles_.push_back(std::move(c));
  return controles_.back().description.identifiant;
}

uint32_t MixerSimule::Ajouter_liste(uint32_t ligne, uint32_t type, std::vector<uint32_t> lignes,
                                    std::vector<int32_t> valeurs, bool uniforme) {
  const uint32_t id = Ajouter_controle(ligne, type, std::move(valeurs), 1, uniforme);
  ControleSimule& c = *Trouver_controle(id);
  c.description.elements = static_cast<uint32_t>(lignes.size());
  c.lignes_elements = std::move(lignes);
  return id;
}

uint32_t MixerSimule::Ligne(uint32_t type_destination, const std::string& nom) const {
  for (const auto& l : lignes_) {
    const auto& d = l.description;
    if (d.nom_court != nom) continue;
    for (const auto& dest : lignes_)
      if (dest.destination && dest.description.identifiant == d.destination &&
          dest.description.type == type_destination)
        return d.identifiant;
  }
  throw std::out_of_range("ligne " + nom);
}

uint32_t MixerSimule::Controle(uint32_t ligne, uint32_t type) const {
  for (const auto& c : controles_)
    if (c.ligne == ligne && c.description.type == type) return c.description.identifiant;
  throw std::out_of_range("controle");
}

std::vector<int32_t>& MixerSimule::Valeurs(uint32_t controle) {
  return Trouver_controle(controle)->valeurs;
}

std::vector<std::vector<int32_t>> MixerSimule::Etat() const {
  std::vector<std::vector<int32_t>> etat;
  for (const auto& c : controles_) etat.push_back(c.valeurs);
  return etat;
}

const MixerSimule::LigneSimulee* MixerSimule::Trouver_ligne(uint32_t identifiant) const {
  for (const auto& l : lignes_)
    if (l.description.identifiant == identifiant) return &l;
  return nullptr;
}

MixerSimule::ControleSimule* MixerSimule::Trouver_controle(uint32_t identifiant) {
  for (auto& c : controles_)
    if (c.description.identifiant == identifiant) return &c;
  return nullptr;
}

LigneMixer MixerSimule::Decrire(const LigneSimulee& ligne) const {
  LigneMixer d = ligne.description;
  d.nombre_controles =
      static_cast<uint32_t>(std::count_if(controles_.begin(), controles_.end(),
                                          [&](const auto& c) { return c.ligne == d.identifiant; }));
  d.connexions = 0;
  if (ligne.destination)
    for (const auto& l : lignes_)
      d.connexions += !l.destination && l.description.destination == d.destination;
  return d;
}

std::optional<LigneMixer> MixerSimule::Ligne_par_type(uint32_t type) {
  for (bool destination : {true, false})
    for (const auto& l : lignes_)
      if (l.destination == destination && l.description.type == type) return Decrire(l);
  return std::nullopt;
}

std::optional<LigneMixer> MixerSimule::Ligne_source(uint32_t destination, uint32_t source) {
  const LigneSimulee* l = Trouver_ligne(((source + 1) << 16) | destination);
  if (l == nullptr) return std::nullopt;
  return Decrire(*l);
}

std::optional<LigneMixer> MixerSimule::Ligne_par_identifiant(uint32_t ligne) {
  const LigneSimulee* l = Trouver_ligne(ligne);
  if (l == nullptr) return std::nullopt;
  return Decrire(*l);
}

std::vector<ControleMixer> MixerSimule::Controles(uint32_t ligne, uint32_t nombre) {
  std::vector<ControleMixer> resultat;
  for (const auto& c : controles_)
    if (c.ligne == ligne && resultat.size() < nombre) resultat.push_back(c.description);
  return resultat;
}

std::vector<ElementListe> MixerSimule::Textes_liste(uint32_t controle, uint32_t,
                                                    uint32_t elements) {
  std::vector<ElementListe> textes;
  const ControleSimule* c = Trouver_controle(controle);
  if (c == nullptr) return textes;
  for (uint32_t i = 0; i < elements && i < c->lignes_elements.size(); ++i) {
    const LigneSimulee* l = Trouver_ligne(c->lignes_elements[i]);
    textes.push_back({c->lignes_elements[i], l ? l->description.nom_court : std::string()});
  }
  return textes;
}

bool MixerSimule::Lire_valeurs(uint32_t controle, uint32_t canaux, uint32_t elements,
                               std::vector<int32_t>& valeurs) {
  const ControleSimule* c = Trouver_controle(controle);
  if (c == nullptr || c->valeurs.empty()) return false;
  const std::size_t n = elements > 0 ? elements : canaux;
  valeurs.assign(n, 0);
  for (std::size_t i = 0; i < n; ++i)
    valeurs[i] = c->valeurs[std::min(i, c->valeurs.size() - 1)];  // a mono control reads alike
  return true;
}

bool MixerSimule::Ecrire_valeurs(uint32_t controle, uint32_t canaux, uint32_t elements,
                                 const std::vector<int32_t>& valeurs) {
  ControleSimule* c = Trouver_controle(controle);
  const std::size_t n = elements > 0 ? elements : canaux;
  if (c == nullptr || valeurs.size() < n) return false;
  for (std::size_t i = 0; i < c->valeurs.size() && i < n; ++i) c->valeurs[i] = valeurs[i];
  ++ecritures;
  return true;
}

MixerSimule Carte_typique(uint32_t maximum) {
  MixerSimule m;
  const uint32_t hp = m.Ajouter_destination(kType_haut_parleurs, "Volume", 2);
  const uint32_t enr = m.Ajouter_destination(kType_enregistrement, "Recording", 2);
  const uint32_t wave = m.Ajouter_source(hp, kType_source_wave, "Wave", 2);
  const uint32_t ligne = m.Ajouter_source(hp, kType_source_ligne, "Line In", 2);
  const uint32_t micro = m.Ajouter_source(hp, kType_source_micro, "Mic", 1);
  const uint32_t cd = m.Ajouter_source(hp, kType_source_cd, "CD", 2);
  m.Ajouter_liste(hp, kControle_liste_multiple, {wave, cd}, {0, 1}, false);
  m.Ajouter_controle(hp, kControle_muet, {1});
  m.Ajouter_controle(hp, kControle_volume, {30000, 31000}, maximum, false);
  m.Ajouter_controle(hp, kControle_graves, {1000, 1000}, maximum);
  m.Ajouter_controle(hp, kControle_aigus, {2000, 2000}, maximum);
  for (uint32_t source : {wave, ligne, micro, cd}) {
    m.Ajouter_controle(source, kControle_muet, {source == wave ? 1 : 0});
    m.Ajouter_controle(source, kControle_volume, {5000, 6000}, maximum, false);
  }
  const uint32_t enr_micro = m.Ajouter_source(enr, kType_source_micro, "Mic", 1);
  const uint32_t enr_ligne = m.Ajouter_source(enr, kType_source_ligne, "Line In", 2);
  const uint32_t enr_cd = m.Ajouter_source(enr, kType_source_cd, "CD", 2);
  m.Ajouter_liste(enr, kControle_liste_simple, {enr_micro, enr_ligne, enr_cd}, {1, 0, 0});
  for (uint32_t source : {enr_micro, enr_ligne, enr_cd})
    m.Ajouter_controle(source, kControle_volume, {7000, 8000}, maximum, false);
  return m;
}

MixerSimule Carte_ligne_auxiliaire() {
  MixerSimule m;
  const uint32_t hp = m.Ajouter_destination(kType_haut_parleurs, "Master", 2);
  const uint32_t enr = m.Ajouter_destination(kType_enregistrement, "Capture", 2);
  m.Ajouter_controle(hp, kControle_volume, {100, 100}, 255);
  const uint32_t wave = m.Ajouter_source(hp, kType_source_wave, "PCM", 2);
  m.Ajouter_controle(wave, kControle_volume, {100, 100}, 255);
  const uint32_t aux = m.Ajouter_source(hp, kType_source_auxiliaire, "Line", 2);
  m.Ajouter_controle(aux, kControle_muet, {0});
  m.Ajouter_controle(aux, kControle_volume, {50, 50}, 255);
  const uint32_t micro = m.Ajouter_source(hp, kType_source_micro, "Mic", 1);
  m.Ajouter_controle(micro, kControle_muet, {0});
  const uint32_t enr_micro = m.Ajouter_source(enr, kType_source_micro, "Mic", 1);
  const uint32_t enr_ligne = m.Ajouter_source(enr, kType_source_auxiliaire, "Line", 2);
  const uint32_t enr_aux = m.Ajouter_source(enr, kType_source_auxiliaire, "Aux", 2);
  m.Ajouter_liste(enr, kControle_liste_multiple, {enr_micro, enr_ligne, enr_aux}, {1, 0, 1});
  m.Ajouter_controle(enr_ligne, kControle_volume, {10, 10}, 255);
  return m;
}

MixerSimule Carte_sans_selecteur() {
  MixerSimule m;
  const uint32_t hp = m.Ajouter_destination(kType_haut_parleurs, "Master", 2);
  const uint32_t enr = m.Ajouter_destination(kType_enregistrement, "Capture", 2);
  m.Ajouter_controle(hp, kControle_volume, {100, 100}, 255);
  m.Ajouter_controle(enr, kControle_volume, {100, 100}, 255);
  const uint32_t wave = m.Ajouter_source(hp, kType_source_wave, "PCM", 2);
  m.Ajouter_controle(wave, kControle_volume, {100, 100}, 255);
  const uint32_t ligne = m.Ajouter_source(hp, kType_source_ligne, "Line", 2);
  m.Ajouter_controle(ligne, kControle_muet, {0});
  return m;
}

}  // namespace vestral
