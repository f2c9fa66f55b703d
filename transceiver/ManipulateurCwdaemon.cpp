#include "transceiver/ManipulateurCwdaemon.h"

#include <array>
#include <cstdlib>

namespace vestral {
namespace {

constexpr std::array<int, 8> kVitesses_emission = {10, 13, 16, 20, 26, 33, 43, 54};

}  // namespace

int Vitesse_emission_proche(int mots_par_minute) {
  int meilleure = kVitesses_emission[0];
  for (const int v : kVitesses_emission)
    if (std::abs(v - mots_par_minute) < std::abs(meilleure - mots_par_minute)) meilleure = v;
  return meilleure;
}

ManipulateurCwdaemon::ManipulateurCwdaemon(EmetteurRecepteur& emetteur_recepteur,
                                           EnvironnementEmetteurRecepteur& environnement,
                                           int32_t& vitesse, std::function<void(uint8_t)> taper)
    : er_(emetteur_recepteur),
      environnement_(environnement),
      vitesse_(vitesse),
      vitesse_initiale_(vitesse),
      taper_(std::move(taper)) {}

void ManipulateurCwdaemon::Vers_transmission() {
  if (er_.Transmission_en_cours()) return;
  retour_reception_ = er_.Reception_en_cours();
  ptt_force_ = false;  // the transmission keys and releases from now on
  er_.Passage_en_transmission();
}

void ManipulateurCwdaemon::Taper(const std::string& texte) {
  Vers_transmission();
  if (!er_.Transmission_en_cours()) return;  // could not start: told by the transceiver
  for (const char c : texte) taper_(static_cast<uint8_t>(c));
  texte_en_cours_ = true;
}

void ManipulateurCwdaemon::Abandonner(ServeurCwdaemon& serveur) {
  serveur.Abandon();
  texte_en_cours_ = false;
  if (ticks_accord_ > 0) Fin_accord();
  er_.Emission().File().Vider();
  if (!er_.Transmission_en_cours()) return;
  er_.Arret_sans_retour_au_menu();
  // Tone still going out ends first; then reception comes back as after a
  // text.
  texte_en_cours_ = true;
}

void ManipulateurCwdaemon::Accord(int secondes) {
  if (secondes <= 0) {
    if (ticks_accord_ > 0) Fin_accord();
    return;
  }
  Vers_transmission();
  if (!er_.Transmission_en_cours()) return;
  er_.Bouton_radio_relache(*Bouton_radio(GroupeRadio::Emission_continue, 1));
  ticks_accord_ = secondes * kTicks_par_seconde;
}

void ManipulateurCwdaemon::Fin_accord() {
  ticks_accord_ = 0;
  er_.Bouton_radio_relache(*Bouton_radio(GroupeRadio::Emission_continue, 0));
}

void ManipulateurCwdaemon::Servir(ServeurCwdaemon& serveur) {
  for (const auto& c : serveur.Relever()) {
    switch (c.requete) {
      case Requete::Texte:
        Taper(c.texte);
        break;
      case Requete::Abandon:
        Abandonner(serveur);
        break;
      case Requete::Reinitialiser:
        Abandonner(serveur);
        vitesse_ = vitesse_initiale_;
        delai_ptt_ms_ = 0;
        break;
      case Requete::Vitesse:
        vitesse_ = Vitesse_emission_proche(c.valeur);
        break;
      case Requete::Accord:
        Accord(c.valeur);
        break;
      case Requete::Delai_PTT:
        delai_ptt_ms_ = c.valeur;
        break;
      case Requete::PTT:
        if (er_.Transmission_en_cours()) break;  // the transmission holds the keying
        if (c.valeur == 1 && !ptt_force_) {
          environnement_.Activer_PTT();
          ptt_force_ = true;
        } else if (c.valeur == 0 && ptt_force_) {
          environnement_.Relacher_PTT();
          ptt_force_ = false;
        }
        break;
      default:
        break;
    }
  }

  if (ticks_accord_ > 0 && --ticks_accord_ == 0) {
    Fin_accord();
    texte_en_cours_ = true;  // back to reception once the tone is out
  }
  if (texte_en_cours_ && ticks_accord_ == 0 && (!er_.Transmission_en_cours() || er_.Tout_emis())) {
    texte_en_cours_ = false;
    serveur.Texte_envoye();
    if (retour_reception_ && er_.Transmission_en_cours()) er_.Passage_en_reception();
    retour_reception_ = false;
  }
}

void ManipulateurCwdaemon::Fin() {
  if (ticks_accord_ > 0) Fin_accord();
  if (ptt_force_) environnement_.Relacher_PTT();
  ptt_force_ = false;
}

}  // namespace vestral
