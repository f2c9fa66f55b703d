// A transceiver on the simulated sound card (test clock), with a window and
// devices that only record what is done to them.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "dsp/ReglagesReception.h"
#include "shell/JournalQSO.h"
#include "shell/Rapport.h"
#include "sound/CarteSimulee.h"
#include "sound/FONCTIONS_WAVE.h"
#include "transceiver/EmetteurRecepteur.h"
#include "transceiver/ImageAccord.h"
#include "transceiver/VueEmetteurRecepteur.h"

namespace vestral::test {

class CanevasFactice : public CanevasSpectre {
 public:
  struct Remplissage {
    int gauche, haut, droite, bas;
    CouleurSpectre couleur;
    bool operator==(const Remplissage&) const = default;
  };
  struct Ligne {
    int x0, y0, x1, y1;
    bool operator==(const Ligne&) const = default;
  };
  struct Trace {
    std::vector<PointSpectre> points;
    CouleurSpectre couleur;
  };

  int Largeur() const override { return largeur; }
  int Hauteur() const override { return hauteur; }
  int Ecrire_titre(int, int, const std::string& texte) override {
    textes.push_back(texte);
    return hauteur_titre;
  }
  int Ecrire_echelle(int, int, const std::string& texte) override {
    textes.push_back(texte);
    return hauteur_echelle;
  }
  void Remplir(int gauche, int haut, int droite, int bas, CouleurSpectre couleur) override {
    remplissages.push_back({gauche, haut, droite, bas, couleur});
  }
  void Ligne_pointillee(int x0, int y0, int x1, int y1) override {
    lignes.push_back({x0, y0, x1, y1});
  }
  void Polyligne(std::span<const PointSpectre> points, CouleurSpectre couleur) override {
    traces.push_back({{points.begin(), points.end()}, couleur});
  }
  void Repeindre() override { ++repeintures; }

  int Traces(CouleurSpectre couleur) const {
    int n = 0;
    for (const auto& t : traces) n += t.couleur == couleur && !t.points.empty();
    return n;
  }
  void Vider() {
    remplissages.clear();
    lignes.clear();
    traces.clear();
  }

  int largeur = 313, hauteur = 225, hauteur_titre = 40, hauteur_echelle = 10;
  std::vector<std::string> textes;
  std::vector<Remplissage> remplissages;
  std::vector<Ligne> lignes;
  std::vector<Trace> traces;
  int repeintures = 0;
};

class VueFactice : public VueEmetteurRecepteur {
 public:
  void Libelles_modes(const std::string& edition, const std::string& arret,
                      const std::string& traduction) override {
    libelles = {edition, arret, traduction};
  }
  void Visible(Controle controle, bool visible) override {
    visibles[controle] = visible;
    if (controle == Controle::Label3 && visible) ++label3_allume;
  }
  void Focus(Controle controle) override { focus = controle; }
  void Texte(Etiquette etiquette, const std::string& texte) override { textes[etiquette] = texte; }
  void Couleur(Indicateur indicateur, CouleurLabel6 couleur) override {
    couleurs[indicateur] = couleur;
  }
  void Selectionner(const BoutonRadio& bouton) override {
    selection[bouton.groupe] = std::string(bouton.nom);
  }
  std::size_t Longueur_memo(Controle memo) override { return Memo(memo).size(); }
  std::string Texte_memo(Controle memo) override { return Memo(memo); }
  void Remplacer_memo(Controle memo, const std::string& texte) override { Memo(memo) = texte; }
  void Inserer_memo(Controle memo, uint8_t c) override {
    std::string& m = Memo(memo);
    if (c == 8) {
      if (!m.empty()) m.pop_back();
    } else if (c == 10 || c == 13) {
      m += "\r\n";
    } else {
      m += static_cast<char>(c);
    }
  }
  void Vider_memo(Controle memo) override { Memo(memo).clear(); }
  void Fermer() override { ++fermetures; }
  CanevasSpectre& Canevas() override { return canevas; }

  std::string& Memo(Controle memo) { return memo == Controle::Memo1 ? memo1 : memo2; }
  bool Visible(Controle controle) const {
    auto it = visibles.find(controle);
    return it != visibles.end() && it->second;
  }

  std::array<std::string, 3> libelles;
  std::map<Controle, bool> visibles;
  int label3_allume = 0;
  Controle focus = Controle::Memo1;
  std::map<Etiquette, std::string> textes;
  std::map<Indicateur, CouleurLabel6> couleurs;
  std::map<GroupeRadio, std::string> selection;
  std::string memo1, memo2;
  int fermetures = 0;
  CanevasFactice canevas;
};

class EnvironnementFactice : public EnvironnementEmetteurRecepteur {
 public:
  void Son(int frequence) override { son.push_back(frequence); }
  void Silence() override { son.push_back(0); }
  void Activer_PTT() override {
    ptt = true;
    lignes_ptt += 'H';
  }
  void Relacher_PTT() override {
    ptt = false;
    lignes_ptt += 'B';
  }
  void Reglage_mixer(int32_t gauche, int32_t droite) override { mixer.push_back({gauche, droite}); }
  void Reglage_volume_enregistrement(int32_t gauche, int32_t droite) override {
    volumes.push_back({gauche, droite});
  }
  bool Volume_entree_present() override { return volume_present; }
  std::string Sequence(int numero) override { return sequences.at(numero - 1); }

  std::vector<int> son;  // frequencies, 0 for a silence
  bool ptt = false;
  std::string lignes_ptt;
  std::vector<std::pair<int32_t, int32_t>> mixer, volumes;
  bool volume_present = true;
  std::array<std::string, 4> sequences;
};

// The whole bench. Settings as after start-up: automatic speed and
// threshold, narrow band, 800 Hz, transmit speed 20.
struct Banc {
  Banc() {
    operateur.Vitesse_emission = 20;
    operateur.Gain_entree = 100;
    operateur.Entree_gauche = 1;
    reception.Vitesse_auto = 1;
    reception.Seuil_auto = 1;
    reception.Bande_etroite = 1;
  }

  // One 10 ms tick, then the calls the decoder waits for are served.
  void Tick(int nombre = 1) {
    for (int i = 0; i < nombre; ++i) {
      carte.Avancer(std::chrono::milliseconds(10));
      er.Timer();
      er.Servir_appels();
    }
  }
  // Ticks until a capture block has been handed over (and, for a live
  // decoding, until the decoder has read it all).
  void Bloc_recu() {
    carte.Avancer_echantillons(kTaille_bloc_reception);
    er.Timer();
    er.Servir_appels();
  }
  void Attendre_decodeur(int64_t echantillons) {
    const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (er.Echantillons_lus() < echantillons && std::chrono::steady_clock::now() < limite) {
      if (!er.Servir_appels()) std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
  }
  // Ticks until `condition` holds (at most `maximum` ticks); false if never.
  bool Tick_jusqu_a(const std::function<bool()>& condition, int maximum = 1000) {
    for (int i = 0; i < maximum; ++i) {
      if (condition()) return true;
      Tick();
    }
    return condition();
  }

  CarteSimulee carte;
  RapportMemoire rapport;
  FonctionsWave wave{carte, rapport};
  EnvironnementFactice environnement;
  JournalQSO journal;
  ReglagesReception reception;
  ValeursReglages operateur;
  std::atomic<uint8_t> horloge_active{0};
  VueFactice vue;
  EmetteurRecepteur er{{wave, environnement, journal, reception, operateur, horloge_active}, vue};
};

}  // namespace vestral::test
