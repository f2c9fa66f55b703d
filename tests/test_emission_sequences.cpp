#include <gtest/gtest.h>

#include <string>

#include "FenetreEmissionFactice.h"
#include "shell/Cp1252.h"

namespace vestral {
namespace {

class Sequence : public ::testing::Test {
 protected:
  void SetUp() override { e.Demarrage_transmission(62, 800); }
  FenetreEmissionFactice f;
  Emetteur& e = f.emetteur;
};

TEST_F(Sequence, EnvoiEchoEtFin) {
  struct Cas {
    std::string texte;
    std::string file;     // queued
    std::string editeur;  // echoed, character by character
    std::string journal;  // sent
  } cas[] = {
      {"cq de", "CQ DE", "CQ DE", "CQ DE"},
      // Lines ending CR LF: the text's LF is refused, each CR becomes CR LF;
      // the editor gets the CR only.
      {"cq\r\nde\r\n", "CQ\r\nDE\r\n", "CQ\rDE\r", "CQ\r\nDE\r\n"},
      {"k#", "K", "K", "K"},
  };
  for (const auto& c : cas) {
    FenetreEmissionFactice f;
    Emetteur& e = f.emetteur;
    e.Demarrage_transmission(62, 800);
    const int marqueur = f.journal.Longueur_QSO();
    e.Demande_sequence(c.texte, 2);
    EXPECT_EQ(e.File().Texte_a_emettre(), c.file) << c.texte;
    EXPECT_TRUE(e.Etat_sequence().Sequence_en_cours);
    EXPECT_TRUE(f.arret_sequence_visible);
    EXPECT_EQ(f.libelle_arret, "Arrêt séq.2"_cp);
    EXPECT_EQ(f.editeur, "") << "nothing shown before it is encoded";

    f.Taper("xyz\b");  // keys typed meanwhile are dropped
    f.Tout_emettre();
    EXPECT_EQ(f.editeur, c.editeur) << c.texte;
    EXPECT_EQ(f.journal.Texte().substr(marqueur), c.journal) << c.texte;
    EXPECT_FALSE(e.Etat_sequence().Sequence_en_cours) << c.texte;
    EXPECT_EQ(e.Etat_sequence().Caractere_sequence, 0);
    EXPECT_FALSE(f.arret_sequence_visible);

    f.Taper("ok");  // typing works again
    EXPECT_EQ(e.File().Texte_a_emettre(), "OK");
  }
}

TEST_F(Sequence, EchoUnSeulCaractereParDemande) {
  e.Demande_sequence("ab", 1);
  e.Completer_echantillons();
  EXPECT_EQ(f.editeur, "A");
  f.Taper("\x1F");  // a second request for the same character is dropped
  EXPECT_EQ(f.editeur, "A");
}

TEST_F(Sequence, TexteTapeAvantNonRepete) {
  f.Taper("ab");
  e.Demande_sequence("cq", 1);
  EXPECT_EQ(e.File().Texte_a_emettre(), "ABCQ");
  f.Tout_emettre();
  EXPECT_EQ(f.editeur, "ABCQ");
  EXPECT_EQ(f.journal.Texte().substr(8), "ABCQ");
}

TEST_F(Sequence, SequenceVideOuHorsTransmission) {
  e.Demande_sequence("", 2);
  EXPECT_EQ(f.focus_editeur, 1);
  EXPECT_TRUE(e.File().Est_vide());
  EXPECT_FALSE(f.arret_sequence_visible);
  EXPECT_FALSE(e.Etat_sequence().Sequence_en_cours);

  // Only refused bytes: nothing to send, the keyboard is not blocked.
  e.Demande_sequence("#<>", 3);
  EXPECT_FALSE(e.Etat_sequence().Sequence_en_cours);
  EXPECT_FALSE(f.arret_sequence_visible);

  e.Fin_transmission();
  e.Demande_sequence("cq", 1);
  EXPECT_TRUE(e.File().Est_vide());
  EXPECT_FALSE(e.Etat_sequence().Sequence_en_cours);
}

TEST_F(Sequence, F1RemplaceF3) {
  f.Taper("ab");
  e.Demande_sequence("test", 3);
  e.Completer_echantillons();  // A goes out
  e.Demande_sequence("cq", 1);
  EXPECT_EQ(e.File().Texte_a_emettre(), "CQ");
  EXPECT_EQ(f.libelle_arret, "Arrêt séq.1"_cp);
  EXPECT_TRUE(f.arret_sequence_visible);
  f.Tout_emettre();
  EXPECT_EQ(f.editeur, "ABCQ");
  EXPECT_EQ(f.journal.Texte().substr(8), "ACQ");
}

TEST_F(Sequence, Arret) {
  e.Demande_sequence("cq cq de f4xyz", 4);
  for (int i = 0; i < 3; ++i) e.Completer_echantillons();
  EXPECT_EQ(f.editeur, "CQ");  // about 20 dots ahead: C and Q are encoded
  const auto encodes = e.Synthese().Echantillons_a_emettre().size();
  const int focus = f.focus_editeur;
  e.Arret_sequence();
  EXPECT_TRUE(e.File().Est_vide());
  EXPECT_FALSE(e.Etat_sequence().Sequence_en_cours);
  EXPECT_FALSE(f.arret_sequence_visible);
  EXPECT_EQ(f.focus_editeur, focus + 1);
  // What was already encoded still plays.
  EXPECT_EQ(e.Synthese().Echantillons_a_emettre().size(), encodes);
  f.Taper("k");
  EXPECT_EQ(e.File().Texte_a_emettre(), "K");
  f.Tout_emettre();
  EXPECT_EQ(f.editeur, "CQK");
}

TEST_F(Sequence, DemarrageAnnuleLaSequence) {
  e.Demande_sequence("cq", 1);
  e.Demarrage_transmission(62, 800);
  EXPECT_FALSE(e.Etat_sequence().Sequence_en_cours);
  EXPECT_FALSE(f.arret_sequence_visible);
  EXPECT_TRUE(e.File().Est_vide());
}

}  // namespace
}  // namespace vestral
