// The transceiver on the simulated sound card: opening, the three modes and
// their captions, requests made while tone is still going out, Escape, the
// operator's radio buttons, the capture pump's level and gain step, live
// decoding through the decoder thread, and what the transmit pump plays.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

#include "EmetteurRecepteurFactice.h"
#include "morse/ChaineReception.h"
#include "shell/Cp1252.h"
#include "morse/SignalSimule.h"

namespace vestral {
namespace {

using test::Banc;

const std::array<std::string, 3> kLibelles_reception = {"Transmission (ou <Echap>)", "Arrêt"_cp,
                                                        "Réception en cours"_cp};
const std::array<std::string, 3> kLibelles_transmission = {"Transmission en cours", "Arrêt"_cp,
                                                           "Réception (ou <Echap>)"_cp};
const std::array<std::string, 3> kLibelles_arret = {"Transmission", "Arrêt en cours"_cp,
                                                    "Réception"_cp};

enum class Mode { Reception, Transmission, Arret, Ferme };

const char* Nom(Mode m) {
  switch (m) {
    case Mode::Reception:
      return "réception";
    case Mode::Transmission:
      return "transmission";
    case Mode::Arret:
      return "arrêt";
    case Mode::Ferme:
      return "fermé";
  }
  return "";
}

// Everything a mode implies: flags, captions, streams, key line, thread.
void Verifier_mode(Banc& b, Mode mode, const std::string& cas) {
  SCOPED_TRACE(cas + " -> " + Nom(mode));
  const bool reception = mode == Mode::Reception;
  const bool transmission = mode == Mode::Transmission;
  EXPECT_EQ(b.er.Reception_en_cours(), reception);
  EXPECT_EQ(b.er.Transmission_en_cours(), transmission);
  EXPECT_EQ(b.carte.Ouvert(Sens::Entree), reception);
  EXPECT_EQ(b.carte.Ouvert(Sens::Sortie), transmission);
  EXPECT_EQ(b.environnement.ptt, transmission);
  EXPECT_EQ(b.er.Fil_de_traduction(), reception);
  EXPECT_EQ(b.horloge_active, mode == Mode::Ferme ? 0 : 1);
  EXPECT_EQ(b.vue.fermetures, mode == Mode::Ferme ? 1 : 0);
  if (mode != Mode::Ferme) {
    EXPECT_EQ(b.vue.libelles, reception      ? kLibelles_reception
                              : transmission ? kLibelles_transmission
                                             : kLibelles_arret);
  }
  EXPECT_TRUE(b.rapport.Evenements().empty());
}

TEST(EmetteurRecepteur, OuvertureEnReception) {
  Banc b;
  b.operateur.Gain_entree = 60;
  b.operateur.Entree_gauche = 0;  // line-in right
  b.operateur.Vitesse_emission = 26;
  b.vue.visibles[Controle::Label3] = true;
  b.er.A_l_activation_de_la_fiche();

  Verifier_mode(b, Mode::Reception, "ouverture");
  EXPECT_EQ(b.vue.selection[GroupeRadio::Vitesse], "Vi_Auto");
  EXPECT_EQ(b.vue.selection[GroupeRadio::Seuil], "Sauto");
  EXPECT_EQ(b.vue.selection[GroupeRadio::Gain], "FOIS_0_6");
  EXPECT_EQ(b.vue.selection[GroupeRadio::Bande], "Etroit");
  EXPECT_EQ(b.vue.selection[GroupeRadio::Emission_continue], "RadioButton10");
  EXPECT_EQ(b.vue.selection[GroupeRadio::Presence_son], "Son_hors");
  EXPECT_FALSE(b.vue.Visible(Controle::Label3));
  EXPECT_FALSE(b.vue.Visible(Controle::Image_spectre));
  EXPECT_TRUE(b.vue.Visible(Controle::Memo2));
  EXPECT_EQ(b.vue.focus, Controle::Memo1);
  EXPECT_EQ(b.vue.textes[Etiquette::Label5], "26");
  EXPECT_EQ(b.er.Duree_point_emission(), 48);
  EXPECT_EQ(b.vue.textes[Etiquette::F_reception], " 800.0 Hz");
  EXPECT_EQ(b.reception.Duree_point_reception, 62);
  EXPECT_EQ(b.reception.Vitesse_estimee, 20);
  EXPECT_EQ(b.environnement.mixer.back(), (std::pair<int32_t, int32_t>{0, 60}));
  EXPECT_EQ(b.er.Gain_CAG(), 60);
  EXPECT_EQ(b.journal.Texte(), "\r\n\r\n\xC5 \r\n");
  EXPECT_FALSE(b.er.Capture_amorcee());
  EXPECT_FALSE(b.er.Presence_son());

  // A manual speed and threshold chosen earlier are shown again.
  b.er.Retour_au_menu();
  b.reception.Choisir_vitesse(33);
  b.reception.Choisir_seuil(50);
  b.operateur.CAG_active = 1;
  b.er.A_l_activation_de_la_fiche();
  EXPECT_EQ(b.vue.selection[GroupeRadio::Vitesse], "V33");
  EXPECT_EQ(b.vue.selection[GroupeRadio::Seuil], "S3");
  EXPECT_EQ(b.vue.selection[GroupeRadio::Gain], "AGC");
  EXPECT_EQ(b.reception.Duree_point_reception, 37);
}

TEST(EmetteurRecepteur, PassagesEntreLesModes) {
  struct Cas {
    const char* nom;
    std::function<void(Banc&)> actions;
    Mode mode;
  };
  const std::vector<Cas> cas = {
      {"Transmission depuis la réception", [](Banc& b) { b.er.L_edition(); }, Mode::Transmission},
      {"Arrêt en réception", [](Banc& b) { b.er.Arret_sans_retour_au_menu(); }, Mode::Arret},
      {"Réception en réception", [](Banc& b) { b.er.La_traduction(); }, Mode::Reception},
      {"Réception depuis une transmission muette",
       [](Banc& b) {
         b.er.L_edition();
         b.Tick(60);
         b.er.La_traduction();
       },
       Mode::Reception},
      {"Arrêt avec du texte pas encore codé",
       [](Banc& b) {
         b.er.L_edition();
         b.er.Appui_touche('A');  // looks at the samples only: the text is dropped
         b.er.Arret_sans_retour_au_menu();
       },
       Mode::Arret},
      {"Arrêt d'une transmission muette",
       [](Banc& b) {
         b.er.L_edition();
         b.er.Arret_sans_retour_au_menu();
       },
       Mode::Arret},
      {"Transmission depuis l'arrêt",
       [](Banc& b) {
         b.er.Arret_sans_retour_au_menu();
         b.er.L_edition();
       },
       Mode::Transmission},
      {"Réception depuis l'arrêt",
       [](Banc& b) {
         b.er.Arret_sans_retour_au_menu();
         b.er.La_traduction();
       },
       Mode::Reception},
      {"Retour au menu en réception", [](Banc& b) { b.er.Retour_au_menu(); }, Mode::Ferme},
      {"Retour au menu à l'arrêt",
       [](Banc& b) {
         b.er.Arret_sans_retour_au_menu();
         b.er.Retour_au_menu();
       },
       Mode::Ferme},
      {"Retour au menu en transmission muette",
       [](Banc& b) {
         b.er.L_edition();
         b.Tick(5);
         b.er.Retour_au_menu();
       },
       Mode::Ferme},
  };
  for (const Cas& c : cas) {
    Banc b;
    b.er.A_l_activation_de_la_fiche();
    b.Tick(3);
    c.actions(b);
    Verifier_mode(b, c.mode, c.nom);
  }
}

TEST(EmetteurRecepteur, MarqueursEtLigneDeManipulation) {
  Banc b;
  b.er.A_l_activation_de_la_fiche();
  b.er.L_edition();
  EXPECT_FALSE(b.vue.Visible(Controle::Image_spectre));
  EXPECT_TRUE(b.vue.Visible(Controle::Memo2));
  EXPECT_EQ(b.vue.focus, Controle::Memo2);
  b.er.La_traduction();
  EXPECT_EQ(b.journal.Texte(), "\r\n\r\n\xC5 \r\n\r\n\r\n\xC9 \r\n\r\n\r\n\xC5 \r\n");
  // Released at opening, raised once for the transmission, released when
  // reception starts again.
  EXPECT_EQ(b.environnement.lignes_ptt, "BHB");
}

// Plays until both playback blocks have been refilled with silence.
void Jusqu_au_silence(Banc& b) {
  ASSERT_TRUE(b.Tick_jusqu_a(
      [&] {
        return b.er.Emission().File().Est_vide() &&
               b.er.Emission().Synthese().Echantillons_a_emettre().empty() &&
               b.er.Emission().Sortie_1_muette() && b.er.Emission().Sortie_2_muette();
      },
      3000));
}

TEST(EmetteurRecepteur, DemandesPendantQueLaTonaliteSort) {
  Banc b;
  b.er.A_l_activation_de_la_fiche();
  b.er.L_edition();
  EXPECT_EQ(b.er.Appui_touche('e'), 'E');
  // Queued: neither reception nor the closing takes effect.
  b.er.La_traduction();
  b.er.Retour_au_menu();
  Verifier_mode(b, Mode::Transmission, "texte en file");
  // Once the tone is in a block.
  ASSERT_TRUE(
      b.Tick_jusqu_a([&] { return b.vue.couleurs[Indicateur::Label6] == CouleurLabel6::Rouge; }));
  b.er.La_traduction();
  b.er.Arret_sans_retour_au_menu();
  b.er.Retour_au_menu();
  Verifier_mode(b, Mode::Transmission, "tonalité en cours");
  Jusqu_au_silence(b);
  EXPECT_EQ(b.vue.couleurs[Indicateur::Label6], CouleurLabel6::Face_bouton);
  b.er.La_traduction();
  Verifier_mode(b, Mode::Reception, "tout est parti");
}

TEST(EmetteurRecepteur, SequenceAnnuleeParUneDemandeDeReception) {
  Banc b;
  b.environnement.sequences[0] = "cq cq de f4xyz f4xyz pse k";
  b.er.A_l_activation_de_la_fiche();
  b.er.L_edition();
  b.er.Sequence_demandee(1);
  EXPECT_TRUE(b.vue.Visible(Controle::Arret_sequence));
  EXPECT_EQ(b.vue.textes[Etiquette::Arret_sequence], "Arrêt séq.1"_cp);
  b.Tick(30);  // a few characters encoded and echoed
  const std::string echo = b.vue.memo2;
  ASSERT_FALSE(echo.empty());

  b.er.La_traduction();
  EXPECT_FALSE(b.er.Emission().Etat_sequence().Sequence_en_cours);
  EXPECT_FALSE(b.vue.Visible(Controle::Arret_sequence));
  EXPECT_TRUE(b.er.Emission().File().Est_vide());
  Verifier_mode(b, Mode::Transmission, "séquence annulée");
  b.er.La_traduction();  // the encoded tone has still to play
  Verifier_mode(b, Mode::Transmission, "seconde demande trop tôt");
  Jusqu_au_silence(b);
  b.er.La_traduction();
  Verifier_mode(b, Mode::Reception, "seconde demande");
  EXPECT_EQ(b.vue.memo2, echo);  // nothing more was encoded
}

TEST(EmetteurRecepteur, ToucheEchap) {
  Banc b;
  b.er.A_l_activation_de_la_fiche();
  // The Escape character in Memo1 waits for the second capture block.
  b.er.Memo1KeyPress(27);
  Verifier_mode(b, Mode::Reception, "Echap dans Memo1, capture non amorcée");
  // The key-down itself is seen by the next tick, without that condition.
  b.er.Echap_enfoncee();
  b.er.Memo1KeyPress(27);
  Verifier_mode(b, Mode::Reception, "Echap enfoncée, avant le tick");
  b.Tick();
  Verifier_mode(b, Mode::Transmission, "Echap enfoncée, au tick");
  b.er.Echap_enfoncee();
  b.Tick();
  Verifier_mode(b, Mode::Reception, "Echap en transmission muette");

  ASSERT_TRUE(b.Tick_jusqu_a([&] { return b.er.Capture_amorcee(); }, 100));
  // One key-down, acted upon by Memo1: the tick does not toggle back.
  b.er.Echap_enfoncee();
  b.er.Memo1KeyPress(27);
  Verifier_mode(b, Mode::Transmission, "Echap dans Memo1, capture amorcée");
  b.Tick();
  Verifier_mode(b, Mode::Transmission, "le tick suivant");

  // Stopped: Escape does nothing.
  b.er.Arret_sans_retour_au_menu();
  b.er.Echap_enfoncee();
  b.Tick();
  Verifier_mode(b, Mode::Arret, "Echap à l'arrêt");
}

TEST(EmetteurRecepteur, Nettoyage) {
  Banc b;
  b.er.A_l_activation_de_la_fiche();
  b.vue.memo1 = "RECU";
  b.vue.memo2 = "EMIS";
  b.er.Arret_sans_retour_au_menu();
  b.er.NettoyageClick();
  EXPECT_EQ(b.vue.memo1, "RECU");
  EXPECT_EQ(b.vue.memo2, "EMIS");
  b.er.La_traduction();
  b.er.NettoyageClick();
  EXPECT_EQ(b.vue.memo1, "");
  EXPECT_EQ(b.vue.memo2, "EMIS");
  b.er.L_edition();
  b.vue.memo2 = "EMIS";
  b.er.NettoyageClick();
  EXPECT_EQ(b.vue.memo2, "");
}

TEST(EmetteurRecepteur, RestitutionImpossible) {
  // The playback device cannot be opened: its message is shown, and the
  // operator can still leave transmission although text was typed.
  Banc b;
  b.er.A_l_activation_de_la_fiche();
  b.carte.Faire_echouer(Sens::Sortie, Operation_son::Ouverture, Code_son::Deja_utilise);
  b.er.L_edition();
  EXPECT_EQ(b.rapport.Erreurs(), std::vector<std::string>{"Erreur ouverture sortie son n°:4"_cp});
  b.rapport.Vider();
  for (char c : std::string("CQ CQ")) b.er.Appui_touche(static_cast<uint8_t>(c));
  b.Tick(2);
  b.er.La_traduction();
  Verifier_mode(b, Mode::Reception, "après l'échec");
}

TEST(EmetteurRecepteur, CaptureImpossible) {
  Banc b;
  b.carte.Faire_echouer(Sens::Entree, Operation_son::Ouverture, Code_son::Deja_utilise);
  b.er.A_l_activation_de_la_fiche();
  EXPECT_EQ(b.rapport.Erreurs(), std::vector<std::string>{"Erreur ouverture entree son n°:4"_cp});
  b.Tick(100);  // nothing waits for a block that never comes
  b.er.L_edition();
  EXPECT_TRUE(b.er.Transmission_en_cours());
  EXPECT_FALSE(b.er.Fil_de_traduction());
}

// ------------------------------------------------------- operator controls

TEST(EmetteurRecepteur, VitessesDeReception) {
  struct Cas {
    const char* bouton;
    uint8_t vitesse_auto;
    uint16_t vitesse;
    uint16_t point;
  };
  const Cas cas[] = {{"V10", 0, 10, 125}, {"V13", 0, 13, 96}, {"V16", 0, 16, 78},
                     {"V20", 0, 20, 62},  {"V26", 0, 26, 48}, {"V33", 0, 33, 37},
                     {"V43", 0, 43, 29},  {"V54", 0, 54, 23}, {"Vi_Auto", 1, 54, 62}};
  Banc b;
  b.er.A_l_activation_de_la_fiche();
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.bouton);
    b.environnement.son.clear();
    b.reception.Vitesse_estimee = 31;
    b.vue.focus = Controle::Memo2;
    b.er.Bouton_radio_relache(*Bouton_radio(c.bouton));
    EXPECT_EQ(b.reception.Vitesse_auto, c.vitesse_auto);
    EXPECT_EQ(b.reception.Vitesse_reception, c.vitesse);
    EXPECT_EQ(b.reception.Duree_point_reception, c.point);
    EXPECT_EQ(b.reception.Vitesse_estimee, c.vitesse_auto == 1 ? 20 : 31);
    EXPECT_EQ(b.environnement.son, std::vector<int>{0});
    EXPECT_EQ(b.vue.focus, Controle::Memo1);
    EXPECT_TRUE(b.er.Reception_en_cours());
  }
}

TEST(EmetteurRecepteur, VitessePendantLaTransmission) {
  // The transmission starts again: what was typed ahead is dropped and
  // two silent blocks go out first.
  Banc b;
  b.er.A_l_activation_de_la_fiche();
  b.er.L_edition();
  for (char c : std::string("PARIS PARIS")) b.er.Appui_touche(static_cast<uint8_t>(c));
  ASSERT_TRUE(
      b.Tick_jusqu_a([&] { return b.vue.couleurs[Indicateur::Label6] == CouleurLabel6::Rouge; }));
  const std::size_t avant = b.carte.Echantillons_joues().size();
  b.er.Bouton_radio_relache(*Bouton_radio("V16"));
  EXPECT_TRUE(b.er.Transmission_en_cours());
  EXPECT_TRUE(b.er.Emission().File().Est_vide());
  EXPECT_TRUE(b.er.Emission().Synthese().Echantillons_a_emettre().empty());
  EXPECT_EQ(b.vue.focus, Controle::Memo2);
  b.Tick(100);
  const auto joues = b.carte.Echantillons_joues();
  ASSERT_GE(joues.size(), avant + 2 * kTaille_bloc_emission);
  EXPECT_TRUE(std::all_of(joues.begin() + static_cast<std::ptrdiff_t>(avant), joues.end(),
                          [](uint8_t e) { return e == 128; }));
  EXPECT_EQ(b.environnement.lignes_ptt, "BHH");
}

TEST(EmetteurRecepteur, SeuilsDeFiltrage) {
  const std::pair<const char*, uint16_t> cas[] = {{"S100", 1600}, {"S50", 800}, {"S25", 400},
                                                  {"S12", 200},   {"S6", 100},  {"S3", 50},
                                                  {"S1", 16}};
  Banc b;
  b.er.A_l_activation_de_la_fiche();
  for (const auto& [bouton, seuil] : cas) {
    b.er.Bouton_radio_relache(*Bouton_radio(bouton));
    EXPECT_EQ(b.reception.Seuil_auto, 0) << bouton;
    EXPECT_EQ(b.reception.Seuil_filtrage, seuil) << bouton;
  }
  // "Auto" keeps the last manual value until the adaptation moves it.
  b.er.Bouton_radio_relache(*Bouton_radio("Sauto"));
  EXPECT_EQ(b.reception.Seuil_auto, 1);
  EXPECT_EQ(b.reception.Seuil_filtrage, 16);
}

TEST(EmetteurRecepteur, GainsEtVoiesDEnregistrement) {
  struct Cas {
    uint8_t entree_gauche, entree_micro;
    const char* bouton;
    int32_t gain;
    uint8_t cag;
    std::pair<int32_t, int32_t> volumes;
  };
  const Cas cas[] = {
      {0, 0, "FOIS_0_4", 40, 0, {0, 40}}, {1, 0, "FOIS_0_2", 20, 0, {20, 0}},
      {0, 1, "FOIS_0_6", 60, 0, {60, 0}}, {1, 0, "FOIS_0_8", 80, 0, {80, 0}},
      {0, 0, "FOIS_1", 100, 0, {0, 100}}, {1, 0, "AGC", 100, 1, {100, 0}},
      {0, 0, "AGC", 100, 1, {0, 100}},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.bouton);
    Banc b;
    b.operateur.Entree_gauche = c.entree_gauche;
    b.operateur.Entree_micro = c.entree_micro;
    b.operateur.Gain_entree = 20;
    b.er.A_l_activation_de_la_fiche();
    b.er.L_edition();
    b.er.Bouton_radio_relache(*Bouton_radio(c.bouton));
    EXPECT_EQ(b.operateur.Gain_entree, c.gain);
    EXPECT_EQ(b.operateur.CAG_active, c.cag);
    EXPECT_EQ(b.er.Gain_CAG(), c.gain);
    EXPECT_EQ(b.environnement.mixer.back(), c.volumes);
    EXPECT_EQ(b.vue.focus, Controle::Memo2);
    EXPECT_TRUE(b.er.Transmission_en_cours());  // nothing restarted
  }
}

TEST(EmetteurRecepteur, PresenceSonEtEmissionContinue) {
  Banc b;
  b.er.A_l_activation_de_la_fiche();
  b.er.Bouton_radio_relache(*Bouton_radio("Son_en"));
  EXPECT_TRUE(b.er.Presence_son());
  b.environnement.son = {800};  // the monitor is sounding
  b.er.Bouton_radio_relache(*Bouton_radio("Son_hors"));
  EXPECT_FALSE(b.er.Presence_son());
  EXPECT_EQ(b.environnement.son.back(), 0);

  // Continuous tone: chosen in any mode, cleared by a mode request.
  b.er.L_edition();
  b.er.Bouton_radio_relache(*Bouton_radio("RadioButton9"));
  EXPECT_TRUE(b.er.Emission().Emission_continue());
  ASSERT_TRUE(
      b.Tick_jusqu_a([&] { return b.vue.couleurs[Indicateur::Label6] == CouleurLabel6::Rouge; }));
  b.vue.selection.clear();
  b.er.La_traduction();
  EXPECT_FALSE(b.er.Emission().Emission_continue());
  EXPECT_EQ(b.vue.selection[GroupeRadio::Emission_continue], "RadioButton10");
  Verifier_mode(b, Mode::Transmission, "la tonalité continue est encore dans un bloc");
  Jusqu_au_silence(b);
  b.er.La_traduction();
  Verifier_mode(b, Mode::Reception, "après la tonalité continue");
}

TEST(EmetteurRecepteur, BandeEtSeuilALArretSontSeulementNotes) {
  Banc b;
  b.er.A_l_activation_de_la_fiche();
  b.er.Arret_sans_retour_au_menu();
  const auto coefficients = b.er.Filtre().Coefficients_passe_bande();
  b.vue.focus = Controle::Image_spectre;
  b.er.Bouton_radio_relache(*Bouton_radio("Large"));
  b.er.Bouton_radio_relache(*Bouton_radio("S6"));
  EXPECT_EQ(b.reception.Bande_etroite, 0);
  EXPECT_EQ(b.reception.Seuil_filtrage, 100);
  EXPECT_EQ(b.er.Filtre().Coefficients_passe_bande(), coefficients);
  EXPECT_EQ(b.vue.focus, Controle::Image_spectre);
  Verifier_mode(b, Mode::Arret, "bande et seuil à l'arrêt");
  // In reception the band-pass is designed again for the new width.
  b.er.La_traduction();
  EXPECT_EQ(b.er.Filtre().Coefficients_passe_bande(), coefficients);
  b.er.Bouton_radio_relache(*Bouton_radio("Large"));
  EXPECT_NE(b.er.Filtre().Coefficients_passe_bande(), coefficients);
}

// ------------------------------------------------------------ capture pump

TEST(EmetteurRecepteur, PremierSpectreAuTroisiemeBloc) {
  Banc b;
  b.er.A_l_activation_de_la_fiche();
  for (int bloc = 1; bloc <= 3; ++bloc) {
    b.Bloc_recu();
    EXPECT_EQ(b.vue.canevas.Traces(CouleurSpectre::Rouge) > 0, bloc == 3) << "bloc " << bloc;
    EXPECT_EQ(b.vue.Visible(Controle::Image_spectre), bloc == 3) << "bloc " << bloc;
    EXPECT_EQ(b.er.Capture_amorcee(), bloc >= 2) << "bloc " << bloc;
  }
  EXPECT_FALSE(b.vue.Visible(Controle::Memo2));
}

TEST(EmetteurRecepteur, Saturation) {
  struct Cas {
    const char* nom;
    uint8_t crete;
    bool volume_present;
    CouleurLabel6 label7;
    int32_t gain;
  };
  const Cas cas[] = {
      {"un échantillon à 0", 0, true, CouleurLabel6::Rouge, 10},
      // Not clipping; quiet enough for the gain to go up.
      {"un échantillon à 255", 255, true, CouleurLabel6::Face_bouton, 30},
      {"à 0, sans réglage de volume", 0, false, CouleurLabel6::Rouge, 20},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.nom);
    Banc b;
    b.operateur.Gain_entree = 20;
    b.operateur.CAG_active = 1;
    b.environnement.volume_present = c.volume_present;
    const uint8_t crete = c.crete;
    b.carte.Source_capture(
        [crete, n = std::size_t{0}](uint8_t* octets, std::size_t nombre) mutable {
          for (std::size_t i = 0; i < nombre; ++i, ++n) octets[i] = n == 1000 ? crete : 128;
        });
    b.er.A_l_activation_de_la_fiche();
    b.Bloc_recu();
    EXPECT_EQ(b.vue.couleurs[Indicateur::Label7], c.label7);
    EXPECT_EQ(b.er.Gain_CAG(), c.gain);
    EXPECT_EQ(b.vue.textes[Etiquette::Gain], std::to_string(c.gain));
    if (c.gain != 20) {
      EXPECT_EQ(b.environnement.volumes.back(), (std::pair<int32_t, int32_t>{c.gain, 0}));
    } else {
      EXPECT_TRUE(b.environnement.volumes.empty());
    }
  }
}

TEST(EmetteurRecepteur, PasDuGainAutomatique) {
  struct Pas {
    int32_t gain;
    bool sature;
    int32_t niveau, precedent;
    int32_t attendu;
  };
  const Pas pas[] = {
      {20, true, 90, 90, 10},  {10, true, 90, 90, 5},   {5, true, 90, 90, 5},
      {100, true, 90, 90, 90}, {5, false, 10, 10, 10},  {10, false, 10, 10, 20},
      {90, false, 39, 0, 100}, {100, false, 0, 0, 100}, {30, false, 10, 40, 30},
      {30, false, 40, 10, 30},
  };
  for (const Pas& p : pas)
    EXPECT_EQ(Pas_gain_CAG(p.gain, p.sature, p.niveau, p.precedent), p.attendu)
        << p.gain << (p.sature ? " saturé" : " calme") << " niveaux " << p.niveau << "/"
        << p.precedent;
}

// ------------------------------------------------------------ live decoding

TEST(EmetteurRecepteur, DecodageEnDirect) {
  Banc b;
  Parametres_signal p;
  p.texte = "CQ DE F4ABC K";
  p.mots_par_minute = 20;
  p.frequence = 800;
  p.repeter = false;
  b.carte.Source_capture(SignalSimule(p));
  b.er.A_l_activation_de_la_fiche();
  int64_t recus = 0;
  for (int bloc = 0; bloc < 40; ++bloc) {
    b.Bloc_recu();
    recus += kTaille_bloc_reception;
    b.Attendre_decodeur(recus - 16);
  }
  EXPECT_NE(b.vue.memo1.find("CQ DE F4ABC K"), std::string::npos) << b.vue.memo1;
  EXPECT_NE(b.journal.Texte().find("CQ DE F4ABC K"), std::string::npos);
  EXPECT_EQ(b.vue.textes[Etiquette::Niveau].empty(), false);
  // The stop, then a restart, each with one thread.
  b.er.Arret_sans_retour_au_menu();
  EXPECT_FALSE(b.er.Traduction_active());
  b.er.La_traduction();
  EXPECT_TRUE(b.er.Fil_de_traduction());
}

TEST(EmetteurRecepteur, ArretPendantUnAppelSynchronise) {
  // Nobody serves the decoder's calls: it waits on its first "Signal"
  // refresh. The stop serves it and ends the thread.
  Banc b;
  b.er.A_l_activation_de_la_fiche();
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  b.er.Arret_sans_retour_au_menu();
  EXPECT_FALSE(b.er.Traduction_active());
  EXPECT_FALSE(b.er.Fil_de_traduction());
}

TEST(EmetteurRecepteur, IndicateurSignalEtMoniteur) {
  // A steady tone over a low manual threshold: the indicator lights, and
  // the speaker follows it only with "Présence son" on.
  Banc b;
  b.carte.Source_capture([phase = 0](uint8_t* octets, std::size_t nombre) mutable {
    for (std::size_t i = 0; i < nombre; ++i, ++phase)
      octets[i] = static_cast<uint8_t>(
          std::lround(128 + 60 * std::sin(phase * 2 * std::numbers::pi * 800 / 11025)));
  });
  b.er.A_l_activation_de_la_fiche();
  b.er.Bouton_radio_relache(*Bouton_radio("S1"));
  // In real time: the indicator is refreshed every 40 ms of the clock.
  auto Recevoir = [&](int blocs) {
    for (int i = 0; i < blocs; ++i) {
      const auto fin = std::chrono::steady_clock::now() + std::chrono::milliseconds(333);
      b.Bloc_recu();
      while (std::chrono::steady_clock::now() < fin) {
        if (!b.er.Servir_appels()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    }
  };
  Recevoir(4);
  EXPECT_GT(b.vue.label3_allume, 0);
  EXPECT_EQ(std::count(b.environnement.son.begin(), b.environnement.son.end(), 800), 0);
  b.er.Bouton_radio_relache(*Bouton_radio("Son_en"));
  Recevoir(2);
  EXPECT_GT(std::count(b.environnement.son.begin(), b.environnement.son.end(), 800), 0);
  b.er.Bouton_radio_relache(*Bouton_radio("Son_hors"));
  EXPECT_EQ(b.environnement.son.back(), 0);
}

// ------------------------------------------------------------ transmission

TEST(EmetteurRecepteur, CeQuiEstEmisSeDecode) {
  Banc b;
  b.environnement.sequences[1] = "tu 73";
  b.er.A_l_activation_de_la_fiche();
  b.er.L_edition();
  for (char c : std::string("cq de f4abc ")) {
    const uint8_t montre = b.er.Appui_touche(static_cast<uint8_t>(c));
    if (montre != 0) b.vue.Inserer_memo(Controle::Memo2, montre);
  }
  Jusqu_au_silence(b);
  b.er.Sequence_demandee(2);
  Jusqu_au_silence(b);
  EXPECT_EQ(b.vue.memo2, "CQ DE F4ABC TU 73");
  b.er.La_traduction();
  ASSERT_TRUE(b.er.Reception_en_cours());
  std::string decode;
  for (const auto& c : Decoder_echantillons(b.carte.Echantillons_joues(), {.vitesse = 20}))
    decode += static_cast<char>(c.caractere);
  EXPECT_EQ(decode, "CQ DE F4ABC TU 73 ");
}

}  // namespace
}  // namespace vestral
