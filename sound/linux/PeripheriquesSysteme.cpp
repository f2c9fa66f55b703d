#include "sound/linux/PeripheriquesSysteme.h"

#include <cstdlib>
#include <optional>

#include "shell/Cp1252.h"

namespace vestral {
namespace {

constexpr char kPortaudio_serveur[] = "pulse";

bool Alsa_trouve(const std::vector<Description_peripherique>& alsa, bool capture,
                 const std::string& motif) {
  for (const auto& p : alsa)
    if ((capture ? p.entrees : p.sorties) > 0 && Nom_correspond(p.nom, motif)) return true;
  return false;
}

// The process's own value of a variable, as it was before the first change.
struct VariableDOrigine {
  explicit VariableDOrigine(const char* n) : nom(n) {
    const char* v = std::getenv(n);
    if (v) valeur = v;
  }
  void Mettre(const std::string& choisi) const {
    if (!choisi.empty())
      setenv(nom, choisi.c_str(), 1);
    else if (valeur)
      setenv(nom, valeur->c_str(), 1);
    else
      unsetenv(nom);
  }
  const char* nom;
  std::optional<std::string> valeur;
};

}  // namespace

PeripheriquesMenus Lister_peripheriques_menus(const std::vector<PeripheriqueServeur>& serveur,
                                              const std::vector<Description_peripherique>& alsa) {
  PeripheriquesMenus menus;
  menus.serveur = !serveur.empty();
  if (menus.serveur) {
    for (const auto& p : serveur)
      (p.genre == GenrePeripherique::Capture ? menus.capture : menus.restitution)
          .push_back({p.nom, p.description});
    return menus;
  }
  for (const auto& p : alsa) {
    if (p.entrees > 0) menus.capture.push_back({p.nom, p.nom});
    if (p.sorties > 0) menus.restitution.push_back({p.nom, p.nom});
  }
  return menus;
}

ChoixResolu Resoudre_choix(const ChoixPeripheriques& impose, const ChoixPeripheriques& memorise,
                           const std::vector<PeripheriqueServeur>& serveur,
                           const std::vector<Description_peripherique>& alsa) {
  ChoixResolu r;
  r.choix.lister = impose.lister;
  const bool pulse_present = Alsa_trouve(alsa, true, kPortaudio_serveur);
  struct Sens_choix {
    const std::string& impose;
    const std::string& memorise;
    GenrePeripherique genre;
    std::string& portaudio;
    std::string& serveur;
  } sens[] = {
      {impose.capture, memorise.capture, GenrePeripherique::Capture, r.choix.capture,
       r.source_serveur},
      {impose.restitution, memorise.restitution, GenrePeripherique::Restitution,
       r.choix.restitution, r.sortie_serveur},
      {impose.ecoute, memorise.ecoute, GenrePeripherique::Restitution, r.choix.ecoute,
       r.ecoute_serveur},
  };
  for (auto& s : sens) {
    const std::string& nom = s.impose.empty() ? s.memorise : s.impose;
    if (nom.empty()) continue;
    if (const auto* p = Choisir_peripherique_serveur(serveur, s.genre, nom)) {
      s.serveur = p->nom;
      s.portaudio = pulse_present ? kPortaudio_serveur : "";
      // The monitor tone needs a named device to leave the PC speaker.
      if (&s == &sens[2] && s.portaudio.empty()) s.portaudio = "default";
    } else if (!s.impose.empty() || Alsa_trouve(alsa, s.genre == GenrePeripherique::Capture, nom)) {
      s.portaudio = nom;
    } else {
      r.absents.push_back(nom);
    }
  }
  return r;
}

ChoixResolu Resoudre_choix(const ChoixPeripheriques& impose, const ChoixPeripheriques& memorise) {
  bool nomme = false;
  for (const auto* c : {&impose, &memorise})
    nomme |= !c->capture.empty() || !c->restitution.empty() || !c->ecoute.empty();
  if (!nomme) return Resoudre_choix(impose, memorise, {}, {});
  return Resoudre_choix(impose, memorise, Lister_peripheriques_serveur(),
                        Lister_peripheriques_son());
}

void Diriger_flux_serveur(const std::string& source, const std::string& sortie) {
  static const VariableDOrigine variable_source("PULSE_SOURCE");
  static const VariableDOrigine variable_sortie("PULSE_SINK");
  variable_source.Mettre(source);
  variable_sortie.Mettre(sortie);
}

std::string Message_peripherique_absent(const std::string& nom) {
  return Utf8_vers_cp1252("Le périphérique son « " + nom +
                          " » est absent : le périphérique par défaut est utilisé.");
}

}  // namespace vestral
