// The transceiver keyed by a logger: requests through the keying server
// (simulated socket) drive the transceiver on the simulated sound card, and
// what it played decodes back to the logger's text.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "EmetteurRecepteurFactice.h"
#include "morse/ChaineReception.h"
#include "station/Cwdaemon.h"
#include "station/Station.h"
#include "transceiver/EnvironnementStation.h"
#include "transceiver/ManipulateurCwdaemon.h"

namespace vestral {
namespace {

using test::Banc;

struct BancManipulateur {
  BancManipulateur() {
    b.er.A_l_activation_de_la_fiche();
    Oublier_joues();
  }
  // What is played from now on is what Decode and Joues see.
  void Oublier_joues() { debut_joues = b.carte.Echantillons_joues().size(); }
  std::vector<uint8_t> Joues() const {
    const auto tout = b.carte.Echantillons_joues();
    return {tout.begin() + static_cast<long>(std::min(debut_joues, tout.size())), tout.end()};
  }
  void Tick(int n = 1) {
    for (int i = 0; i < n; ++i) {
      b.Tick();
      manipulateur.Servir(serveur);
    }
  }
  bool Tick_jusqu_a(const std::function<bool()>& condition, int maximum = 5000) {
    for (int i = 0; i < maximum; ++i) {
      if (condition()) return true;
      Tick();
    }
    return condition();
  }
  void Datagramme(const std::string& octets) { canal.entrants.push_back({octets, "logger"}); }
  std::string Decode() {
    std::vector<uint8_t> joue = Joues();
    joue.insert(joue.begin(), 11025, kEchantillon_silence);
    joue.insert(joue.end(), 2 * 11025, kEchantillon_silence);
    ParametresReception p;
    p.vitesse = 0;
    std::string texte;
    for (const auto& c : Decoder_echantillons(joue, p)) texte += static_cast<char>(c.caractere);
    while (!texte.empty() && texte.back() == ' ') texte.pop_back();
    while (!texte.empty() && texte.front() == ' ') texte.erase(texte.begin());
    return texte;
  }

  Banc b;
  std::size_t debut_joues = 0;
  CanalUdpSimule canal;
  ServeurCwdaemon serveur{canal};
  ManipulateurCwdaemon manipulateur{b.er, b.environnement, b.operateur.Vitesse_emission,
                                    [this](uint8_t c) {
                                      if (const uint8_t montre = b.er.Appui_touche(c))
                                        b.vue.Inserer_memo(Controle::Memo2, montre);
                                    }};
};

TEST(ManipulateurCwdaemon, TextFromReceptionIsSentEchoedAndReceptionResumes) {
  BancManipulateur m;
  ASSERT_TRUE(m.b.er.Reception_en_cours());
  m.Datagramme(
      "\x1B"
      "220");
  m.Datagramme(
      "\x1B"
      "h1");
  m.Datagramme("cq de f6abc");
  m.Tick();
  EXPECT_TRUE(m.b.er.Transmission_en_cours());
  EXPECT_EQ(m.b.vue.memo2, "CQ DE F6ABC");  // through the keys' filter
  EXPECT_TRUE(m.b.environnement.ptt);
  EXPECT_TRUE(m.canal.sortants.empty());
  ASSERT_TRUE(m.Tick_jusqu_a([&] { return m.b.er.Reception_en_cours(); }));
  ASSERT_EQ(m.canal.sortants.size(), 1u);
  EXPECT_EQ(m.canal.sortants[0].octets, "h1\r\n");
  EXPECT_FALSE(m.b.environnement.ptt);
  EXPECT_EQ(m.b.environnement.lignes_ptt, "BHB");
  EXPECT_EQ(m.Decode(), "CQ DE F6ABC");
  EXPECT_TRUE(m.b.rapport.Evenements().empty());
}

TEST(ManipulateurCwdaemon, AbortDropsWhatIsNotSentAndReturnsToReception) {
  BancManipulateur m;
  m.Datagramme(
      "\x1B"
      "h9");
  m.Datagramme("TEST TEST TEST TEST TEST TEST TEST TEST");
  m.Tick(60);  // a few characters out
  m.Datagramme(
      "\x1B"
      "4");
  ASSERT_TRUE(m.Tick_jusqu_a([&] { return m.b.er.Reception_en_cours(); }));
  EXPECT_TRUE(m.canal.sortants.empty());  // the echo went with the text
  EXPECT_FALSE(m.b.environnement.ptt);
  const std::string decode = m.Decode();
  EXPECT_TRUE(decode.starts_with("TEST"));
  EXPECT_LT(decode.size(), 20u) << decode;
}

TEST(ManipulateurCwdaemon, SpeedTuneKeyingAndReset) {
  BancManipulateur m;
  const std::pair<int, int> vitesses[] = {{4, 10},  {11, 10}, {12, 13}, {22, 20},
                                          {23, 20}, {24, 26}, {28, 26}, {30, 33},
                                          {38, 33}, {39, 43}, {60, 54}};
  for (const auto& [demande, attendu] : vitesses)
    EXPECT_EQ(Vitesse_emission_proche(demande), attendu) << demande;

  m.Datagramme(
      "\x1B"
      "235");
  m.Tick();
  EXPECT_EQ(m.b.operateur.Vitesse_emission, 33);
  m.Datagramme(
      "\x1B"
      "0");
  m.Tick();
  EXPECT_EQ(m.b.operateur.Vitesse_emission, 20);

  // PTT on and off while receiving: the line follows.
  m.Datagramme(
      "\x1B"
      "a1");
  m.Tick();
  EXPECT_TRUE(m.b.environnement.ptt);
  m.Datagramme(
      "\x1B"
      "a0");
  m.Tick();
  EXPECT_FALSE(m.b.environnement.ptt);
  // Keyed by the logger when the window closes: released.
  m.Datagramme(
      "\x1B"
      "a1");
  m.Tick();
  m.manipulateur.Fin();
  EXPECT_FALSE(m.b.environnement.ptt);

  // Tune for one second: continuous tone, then reception again.
  m.Oublier_joues();
  m.Datagramme(
      "\x1B"
      "c1");
  m.Tick();
  EXPECT_TRUE(m.b.er.Transmission_en_cours());
  EXPECT_TRUE(m.b.er.Emission().Emission_continue());
  m.Tick(kTicks_par_seconde);
  EXPECT_FALSE(m.b.er.Emission().Emission_continue());
  ASSERT_TRUE(m.Tick_jusqu_a([&] { return m.b.er.Reception_en_cours(); }));
  const auto joue = m.Joues();
  const auto forts = std::count_if(joue.begin(), joue.end(), [](uint8_t e) {
    return e > kEchantillon_silence + 20 || e < kEchantillon_silence - 20;
  });
  EXPECT_GT(forts, 11025 / 4);  // a good part of the second carries tone
}

TEST(ManipulateurCwdaemon, KeyingGoesThroughTheRigWhenTheStationSaysSo) {
  auto etat = std::make_shared<EtatPosteSimule>();
  RapportMemoire rapport;
  Station station([&] { return std::make_unique<PosteSimule>(etat); },
                  [](const std::string&, uint16_t, Rapport&) { return nullptr; }, rapport);
  ReglagesStation r;
  r.poste = {1, "", 0};
  r.ptt = ModePTT::Cat;
  station.Appliquer(r);
  test::EnvironnementFactice serie;
  EnvironnementStation environnement(serie, station);
  auto Attendre = [&](bool ptt) {
    for (int i = 0; i < 5000 && station.Controle_poste()->PTT_actif() != ptt; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return station.Controle_poste()->PTT_actif() == ptt;
  };
  for (int i = 0; i < 5000 && station.Controle_poste()->Etat_poste() != ControlePoste::Etat::Pret;
       ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  environnement.Activer_PTT();
  EXPECT_TRUE(Attendre(true));
  environnement.Relacher_PTT();
  EXPECT_TRUE(Attendre(false));
  EXPECT_EQ(serie.lignes_ptt, "B");  // the serial line is never raised, only released
  // Serial keying: the rig is not keyed.
  r.ptt = ModePTT::Serie;
  station.Appliquer(r);
  environnement.Activer_PTT();
  environnement.Relacher_PTT();
  EXPECT_EQ(serie.lignes_ptt, "BHB");
  // None: nothing keyed, everything released.
  r.ptt = ModePTT::Aucun;
  station.Appliquer(r);
  environnement.Activer_PTT();
  EXPECT_FALSE(serie.ptt);
  EXPECT_EQ(station.Texte_frequence(), "7 030,0 kHz");
  EXPECT_EQ(Texte_kilohertz(145'512'349), "145 512,3 kHz");
  EXPECT_EQ(Texte_kilohertz(1'838'050), "1 838,1 kHz");
  EXPECT_EQ(etat->Historique(), "ER");
}

TEST(ManipulateurCwdaemon, QsoLogMarkersCarryTheDialFrequencyOnlyWithARig) {
  auto etat = std::make_shared<EtatPosteSimule>();
  RapportMemoire rapport;
  Station station([&] { return std::make_unique<PosteSimule>(etat); },
                  [](const std::string&, uint16_t, Rapport&) { return nullptr; }, rapport);
  station.Appliquer({});
  JournalQSO journal;
  journal.Note_des_marqueurs([&] { return station.Texte_frequence(); });
  journal.Ajout_marqueur(kMarque_reception);
  EXPECT_EQ(journal.Texte(), "\r\n\r\n\xC5 \r\n");  // no rig: the 8 bytes
  ReglagesStation r;
  r.poste = {1, "", 0};
  station.Appliquer(r);
  for (int i = 0; i < 5000 && !station.Frequence_hz(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  journal.Ajout_marqueur(kMarque_emission);
  EXPECT_EQ(journal.Texte(), "\r\n\r\n\xC5 \r\n\r\n\r\n\xC9 7 030,0 kHz\r\n");
}

}  // namespace
}  // namespace vestral
