#include "sound/FONCTIONS_MIXER.h"

#include <algorithm>
#include <limits>

#include "shell/Cp1252.h"

namespace vestral {
namespace {

bool Commence_par(const std::string& nom, char premiere, char seconde) {
  auto minuscule = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  return nom.size() >= 2 && minuscule(nom[0]) == premiere && minuscule(nom[1]) == seconde;
}

bool Commence_par_L(const std::string& nom) {
  return !nom.empty() && (nom[0] == 'L' || nom[0] == 'l');
}

uint32_t Canaux_niveaux(const LigneMixer& ligne) {
  return std::clamp<uint32_t>(ligne.canaux, 1, 2);
}

}  // namespace

int32_t Niveau_controle(int32_t pourcentage, uint32_t minimum, uint32_t maximum) {
  const int64_t etendue = int64_t{maximum} - int64_t{minimum};
  const int64_t valeur =
      maximum >= 65536 ? etendue / 100 * pourcentage : pourcentage * etendue / 100;
  return static_cast<int32_t>(std::clamp<int64_t>(valeur, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

std::vector<ControleMixer> FonctionsMixer::Controles_de(const LigneMixer& ligne) {
  return mixer_->Controles(ligne.identifiant, std::min(ligne.nombre_controles, kMaximum_controles));
}

std::vector<int32_t> FonctionsMixer::Lire(const ControleMixer& c, uint32_t canaux,
                                          uint32_t elements) {
  std::vector<int32_t> valeurs;
  if (!mixer_->Lire_valeurs(c.identifiant, canaux, elements, valeurs)) valeurs.clear();
  return valeurs;
}

void FonctionsMixer::Ecrire_niveaux(const LigneMixer& ligne, const ControleMixer& c, int32_t gauche,
                                    int32_t droite) {
  std::vector<int32_t> valeurs = {Niveau_controle(gauche, c.minimum, c.maximum),
                                  Niveau_controle(droite, c.minimum, c.maximum)};
  valeurs.resize(Canaux_niveaux(ligne));
  mixer_->Ecrire_valeurs(c.identifiant, static_cast<uint32_t>(valeurs.size()), 0, valeurs);
}

void FonctionsMixer::Ecrire_interrupteur(const ControleMixer& c, int32_t valeur) {
  mixer_->Ecrire_valeurs(c.identifiant, 1, 0, {valeur});
}

// A value that cannot be read is not saved (and so not restored from a
// guess); saving is tried again at the next change.
void FonctionsMixer::Sauver_niveau(NiveauSauve& s, const LigneMixer& ligne,
                                   const ControleMixer& c) {
  if (s.sauve) return;
  const uint32_t canaux = Canaux_niveaux(ligne);
  auto valeurs = Lire(c, canaux, 0);
  if (valeurs.size() < canaux) return;
  valeurs.resize(canaux);
  s = {true, c.identifiant, canaux, std::move(valeurs)};
}

void FonctionsMixer::Sauver_interrupteur(ValeurToujours& s, const ControleMixer& c) {
  if (s.sauve) return;
  const auto valeurs = Lire(c, 1, 0);
  if (valeurs.empty()) return;
  s = {true, valeurs[0]};
}

void FonctionsMixer::Sauver_niveau_entree(std::vector<NiveauSauve>& sauves, const LigneMixer& ligne,
                                          const ControleMixer& c) {
  for (const auto& s : sauves)
    if (s.controle == c.identifiant) return;
  NiveauSauve s;
  Sauver_niveau(s, ligne, c);
  if (s.sauve) sauves.push_back(std::move(s));
}

// A line muted first as the other input and later as the chosen one (or
// the reverse) keeps the value found before the first change.
void FonctionsMixer::Sauver_muet(std::vector<MuetSauve>& sauves, const LigneMixer& ligne,
                                 const ControleMixer& c) {
  for (const auto* liste : {&muets_entree_choisie_, &muets_autre_entree_})
    for (const auto& s : *liste)
      if (s.ligne == ligne.identifiant) return;
  const auto valeurs = Lire(c, 1, 0);
  if (valeurs.empty()) return;
  sauves.push_back(
      {ligne.identifiant, std::min(ligne.nombre_controles, kMaximum_controles), valeurs[0]});
}

void FonctionsMixer::Sauver_liste(ListeToujours& s, const ControleMixer& c, uint32_t canaux,
                                  uint32_t n) {
  if (s.sauve) return;
  const auto valeurs = Lire(c, canaux, n);
  if (valeurs.size() < n) return;
  std::copy(valeurs.begin(), valeurs.begin() + n, s.valeurs.begin());
  s.sauve = true;
}

uint32_t FonctionsMixer::Canaux_liste(const LigneMixer& ligne, const ControleMixer& c) const {
  return c.uniforme ? 1 : ligne.canaux;
}

void FonctionsMixer::Restaurer_niveau(const NiveauSauve& s) {
  if (s.sauve) mixer_->Ecrire_valeurs(s.controle, s.canaux, 0, s.valeurs);
}

void FonctionsMixer::Restaurer_muet(const MuetSauve& s) {
  for (const auto& c : mixer_->Controles(s.ligne, s.nombre_controles))
    if (c.type == kControle_muet) Ecrire_interrupteur(c, s.valeur);
}

void FonctionsMixer::Restaurer_liste(const LigneMixer& ligne, const ControleMixer& c,
                                     const ListeToujours& s) {
  const uint32_t n = std::min(c.elements, kMaximum_elements);
  const std::vector<int32_t> valeurs(s.valeurs.begin(), s.valeurs.begin() + n);
  mixer_->Ecrire_valeurs(c.identifiant, Canaux_liste(ligne, c), n, valeurs);
}

// The chosen input in the playback mix: muted, at the recording volumes.
void FonctionsMixer::Entree_en_restitution(const LigneMixer& ligne, int32_t gauche,
                                           int32_t droite) {
  for (const auto& c : Controles_de(ligne)) {
    if (c.type == kControle_muet) {
      Sauver_muet(muets_entree_choisie_, ligne, c);
      Ecrire_interrupteur(c, 1);
    } else if (c.type == kControle_volume) {
      Sauver_niveau_entree(volumes_entree_choisie_, ligne, c);
      Ecrire_niveaux(ligne, c, gauche, droite);
    }
  }
}

// The recording selector: the items that stand for the input are selected,
// every other item is not.
void FonctionsMixer::Selecteur_enregistrement(const LigneMixer& ligne, const ControleMixer& c,
                                              uint8_t entree_micro) {
  const uint32_t n = std::min(c.elements, kMaximum_elements);
  const uint32_t canaux = Canaux_liste(ligne, c);
  const auto textes = mixer_->Textes_liste(c.identifiant, canaux, n);
  struct Element {
    uint32_t ligne = 0;
    uint32_t type = 0;
    std::string nom;
  };
  std::vector<Element> elements(n);
  for (uint32_t i = 0; i < n && i < textes.size(); ++i) {
    elements[i].ligne = textes[i].ligne;
    elements[i].nom = textes[i].nom;
    if (const auto l = mixer_->Ligne_par_identifiant(textes[i].ligne)) {
      elements[i].type = l->type;
      elements[i].nom = l->nom_court;
    }
  }
  Sauver_liste(liste_enregistrement_, c, canaux, n);
  const bool ligne_typee = std::any_of(elements.begin(), elements.end(), [](const Element& e) {
    return e.type == kType_source_ligne;
  });
  std::vector<int32_t> choix(n, 0);
  for (uint32_t i = 0; i < n; ++i) {
    const Element& e = elements[i];
    bool choisi;
    if (entree_micro == 1)
      choisi = e.type == kType_source_micro;
    else if (ligne_typee)
      choisi = e.type == kType_source_ligne;
    else
      choisi = (e.type == kType_source_auxiliaire && Commence_par_L(e.nom)) ||
               Commence_par(e.nom, 'l', 'i');
    if (!choisi) continue;
    choix[i] = 1;
    ligne_enregistrement_connue_ = 1;
    ligne_enregistrement_ = e.ligne;
  }
  mixer_->Ecrire_valeurs(c.identifiant, canaux, n, choix);
}

void FonctionsMixer::Reglage_mixer(
    uint8_t entree_micro, int32_t volume_sortie_gauche, int32_t volume_sortie_droite,
    int32_t volume_enregistrement_gauche, int32_t volume_enregistrement_droite,
    int32_t niveau_controle_haut_parleurs, int32_t niveau_controle_enregistrement,
    uint8_t& Mixer_present, uint8_t& Enregistrement_trouve, uint8_t& Haut_parleurs_trouves,
    uint8_t& Entree_wave_trouvee, uint8_t& Entree_enregistrement_trouvee,
    uint8_t& Entree_restitution_trouvee) {
  if (Reglage_par_logiciel != 1) return;
  if (mixer_->Nombre_mixers() == 0) {
    Mixer_present = 0;
    return;
  }
  Mixer_present = 1;

  // Speakers: heard, at the output volume.
  const auto haut_parleurs = mixer_->Ligne_par_type(kType_haut_parleurs);
  Haut_parleurs_trouves = haut_parleurs ? 1 : 0;
  if (haut_parleurs) {
    const LigneMixer& l = *haut_parleurs;
    for (const auto& c : Controles_de(l)) {
      switch (c.type) {
        case kControle_liste_multiple: {
          const uint32_t n = std::min(c.elements, kMaximum_elements);
          const uint32_t canaux = Canaux_liste(l, c);
          Sauver_liste(liste_haut_parleurs_, c, canaux, n);
          mixer_->Ecrire_valeurs(c.identifiant, canaux, n, std::vector<int32_t>(n, 1));
          break;
        }
        case kControle_muet:
          Sauver_interrupteur(muet_haut_parleurs_, c);
          Ecrire_interrupteur(c, 0);
          break;
        case kControle_volume:
          Sauver_niveau(volume_haut_parleurs_, l, c);
          Ecrire_niveaux(l, c, volume_sortie_gauche, volume_sortie_droite);
          break;
        case kControle_graves:
          Sauver_niveau(graves_haut_parleurs_, l, c);
          Ecrire_niveaux(l, c, 100, 100);
          break;
        case kControle_aigus:
          Sauver_niveau(aigus_haut_parleurs_, l, c);
          Ecrire_niveaux(l, c, 100, 100);
          break;
        case kControle_nombre:
          Ecrire_niveaux(l, c, niveau_controle_haut_parleurs, niveau_controle_haut_parleurs);
          break;
      }
    }
  }

  // Wave-out: heard, at Volume_wave.
  const auto wave = mixer_->Ligne_par_type(kType_source_wave);
  Entree_wave_trouvee = wave ? 1 : 0;
  if (wave) {
    for (const auto& c : Controles_de(*wave)) {
      if (c.type == kControle_muet) {
        Sauver_interrupteur(muet_wave_, c);
        Ecrire_interrupteur(c, 0);
      } else if (c.type == kControle_volume) {
        Sauver_niveau(volume_wave_, *wave, c);
        Ecrire_niveaux(*wave, c, Volume_wave, Volume_wave);
      }
    }
  }

  // The chosen input in the playback mix, by type or else by the name of
  // an auxiliary source.
  const uint32_t type_choisi = entree_micro == 1 ? kType_source_micro : kType_source_ligne;
  const auto entree = mixer_->Ligne_par_type(type_choisi);
  Entree_restitution_trouvee = entree ? 1 : 0;
  if (entree) {
    Entree_en_restitution(*entree, volume_enregistrement_gauche, volume_enregistrement_droite);
  } else if (haut_parleurs) {
    const char premiere = entree_micro == 1 ? 'm' : 'l';
    for (uint32_t s = 0; s < haut_parleurs->connexions; ++s) {
      const auto source = mixer_->Ligne_source(haut_parleurs->destination, s);
      if (!source || source->type != kType_source_auxiliaire ||
          !Commence_par(source->nom_court, premiere, 'i'))
        continue;
      Entree_restitution_trouvee = 1;
      Entree_en_restitution(*source, volume_enregistrement_gauche, volume_enregistrement_droite);
    }
  }

  // The other input: muted in the playback mix.
  const uint32_t type_autre = entree_micro == 1 ? kType_source_ligne : kType_source_micro;
  if (const auto autre = mixer_->Ligne_par_type(type_autre)) {
    for (const auto& c : Controles_de(*autre)) {
      if (c.type != kControle_muet) continue;
      Sauver_muet(muets_autre_entree_, *autre, c);
      Ecrire_interrupteur(c, 1);
    }
  }

  // Recording: the selector picks the input.
  const auto enregistrement = mixer_->Ligne_par_type(kType_enregistrement);
  Enregistrement_trouve = enregistrement ? 1 : 0;
  if (enregistrement) {
    for (const auto& c : Controles_de(*enregistrement)) {
      if (c.type == kControle_nombre)
        Ecrire_niveaux(*enregistrement, c, niveau_controle_enregistrement,
                       niveau_controle_enregistrement);
      else if (c.type == kControle_liste_multiple || c.type == kControle_liste_simple)
        Selecteur_enregistrement(*enregistrement, c, entree_micro);
    }
  }

  // The chosen recording item (from this call or an earlier one) at the
  // recording volumes.
  if (ligne_enregistrement_connue_ == 1) {
    Entree_enregistrement_trouvee = 1;
    if (const auto element = mixer_->Ligne_par_identifiant(ligne_enregistrement_)) {
      for (const auto& c : Controles_de(*element)) {
        if (c.type != kControle_volume) continue;
        volume_entree_present_ = 1;
        Sauver_niveau_entree(volumes_element_enregistrement_, *element, c);
        Ecrire_niveaux(*element, c, volume_enregistrement_gauche, volume_enregistrement_droite);
      }
    }
  } else {
    Entree_enregistrement_trouvee = 0;
  }
}

void FonctionsMixer::Changer_de_mixer(Mixer& mixer) {
  const uint8_t reglage = Reglage_par_logiciel;
  const uint16_t wave = Volume_wave;
  *this = FonctionsMixer(mixer);
  Reglage_par_logiciel = reglage;
  Volume_wave = wave;
}

void FonctionsMixer::Reglage_volume_enregistrement(int32_t gauche, int32_t droite) {
  // Without a known recording item there is no line to set (line 0 would be
  // whatever line the mixer numbers 0).
  if (Reglage_par_logiciel != 1 || ligne_enregistrement_connue_ != 1) return;
  const auto element = mixer_->Ligne_par_identifiant(ligne_enregistrement_);
  if (!element) return;
  for (const auto& c : Controles_de(*element))
    if (c.type == kControle_volume) Ecrire_niveaux(*element, c, gauche, droite);
}

void FonctionsMixer::Restauration_mixer() {
  if (Reglage_par_logiciel != 1 || mixer_->Nombre_mixers() == 0) return;

  if (const auto enregistrement = mixer_->Ligne_par_type(kType_enregistrement)) {
    for (const auto& c : Controles_de(*enregistrement)) {
      if (c.type == kControle_nombre)
        Ecrire_niveaux(*enregistrement, c, 0, 0);
      else if (c.type == kControle_liste_multiple || c.type == kControle_liste_simple)
        Restaurer_liste(*enregistrement, c, liste_enregistrement_);
    }
  }
  for (const auto& s : volumes_element_enregistrement_) Restaurer_niveau(s);

  if (const auto haut_parleurs = mixer_->Ligne_par_type(kType_haut_parleurs)) {
    for (const auto& c : Controles_de(*haut_parleurs)) {
      if (c.type == kControle_liste_multiple)
        Restaurer_liste(*haut_parleurs, c, liste_haut_parleurs_);
      else if (c.type == kControle_muet)
        Ecrire_interrupteur(c, muet_haut_parleurs_.valeur);
    }
  }
  Restaurer_niveau(volume_haut_parleurs_);
  Restaurer_niveau(graves_haut_parleurs_);
  Restaurer_niveau(aigus_haut_parleurs_);

  if (const auto wave = mixer_->Ligne_par_type(kType_source_wave))
    for (const auto& c : Controles_de(*wave))
      if (c.type == kControle_muet) Ecrire_interrupteur(c, muet_wave_.valeur);
  Restaurer_niveau(volume_wave_);

  for (const auto& s : muets_entree_choisie_) Restaurer_muet(s);
  for (const auto& s : muets_autre_entree_) Restaurer_muet(s);
  for (const auto& s : volumes_entree_choisie_) Restaurer_niveau(s);
}

std::string Probleme_mixer(uint8_t Mixer_present, uint8_t Enregistrement_trouve,
                           uint8_t Haut_parleurs_trouves, uint8_t Entree_wave_trouvee,
                           uint8_t Entree_enregistrement_trouvee,
                           uint8_t Entree_restitution_trouvee) {
  if (Mixer_present != 1) return "Pas de mixer trouvé!"_cp;
  if (Enregistrement_trouve != 1)
    return "Problème mixer. Pas de contrôle de l'enregistrement trouvé!"_cp;
  if (Haut_parleurs_trouves != 1) return "Problème mixer. Pas de contrôle du volume trouvé!"_cp;
  if (Entree_wave_trouvee != 1) return "Problème mixer. Pas d'entrée son (wave) trouvée!"_cp;
  if (Entree_enregistrement_trouvee != 1)
    return "Problème mixer. Pas d'entrée ligne en enregistrement trouvée!"_cp;
  if (Entree_restitution_trouvee != 1)
    return "Problème mixer. Pas d'entrée ligne en restitution trouvée!"_cp;
  return {};
}

bool Signaler_probleme_mixer(Rapport& rapport, uint8_t Mixer_present, uint8_t Enregistrement_trouve,
                             uint8_t Haut_parleurs_trouves, uint8_t Entree_wave_trouvee,
                             uint8_t Entree_enregistrement_trouvee,
                             uint8_t Entree_restitution_trouvee) {
  const std::string texte = Probleme_mixer(
      Mixer_present, Enregistrement_trouve, Haut_parleurs_trouves, Entree_wave_trouvee,
      Entree_enregistrement_trouvee, Entree_restitution_trouvee);
  if (texte.empty()) return false;
  rapport.Bip();
  rapport.Panneau(texte);
  return true;
}

}  // namespace vestral
