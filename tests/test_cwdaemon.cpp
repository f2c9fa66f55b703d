// The keying server's requests, from datagram bytes, and the echo replies.
#include <gtest/gtest.h>

#include "station/Cwdaemon.h"

namespace vestral {
namespace {

std::string Esc(const std::string& reste) {
  return "\x1B" + reste;
}

TEST(Cwdaemon, EachRequestAsALoggerSendsIt) {
  struct Cas {
    std::string octets;
    CommandeCwdaemon attendu;
  };
  const Cas cas[] = {
      {"CQ TEST F6ABC", {Requete::Texte, 0, "CQ TEST F6ABC"}},
      {"TU 5NN\r\n", {Requete::Texte, 0, "TU 5NN"}},
      {"R\xC9SEAU", {Requete::Texte, 0, "R\xC9SEAU"}},
      {Esc("0"), {Requete::Reinitialiser, 0, {}}},
      {Esc("228"), {Requete::Vitesse, 28, {}}},
      {Esc("24"), {Requete::Vitesse, 4, {}}},
      {Esc("260\n"), {Requete::Vitesse, 60, {}}},
      {Esc("3700"), {Requete::Tonalite, 700, {}}},
      {Esc("30"), {Requete::Tonalite, 0, {}}},
      {Esc("4"), {Requete::Abandon, 0, {}}},
      {Esc("5"), {Requete::Sortie, 0, {}}},
      {Esc("6"), {Requete::Mode_mots, 0, {}}},
      {Esc("7-50"), {Requete::Poids, -50, {}}},
      {Esc("8ttyS0"), {Requete::Peripherique, 0, "ttyS0"}},
      {Esc("96789"), {Requete::Port, 6789, {}}},
      {Esc("a1"), {Requete::PTT, 1, {}}},
      {Esc("a0"), {Requete::PTT, 0, {}}},
      {Esc("b1"), {Requete::SSB, 1, {}}},
      {Esc("c10"), {Requete::Accord, 10, {}}},
      {Esc("d50"), {Requete::Delai_PTT, 50, {}}},
      {Esc("e3"), {Requete::Bande, 3, {}}},
      {Esc("fa"), {Requete::Systeme_son, 0, "a"}},
      {Esc("g70"), {Requete::Volume, 70, {}}},
      {Esc("h123"), {Requete::Echo, 0, "123"}},
      {Esc("h"), {Requete::Echo, 0, ""}},
  };
  for (const auto& c : cas) {
    const auto commande = Analyser_datagramme(c.octets);
    ASSERT_TRUE(commande.has_value()) << c.octets;
    EXPECT_EQ(*commande, c.attendu) << c.octets;
  }
}

TEST(Cwdaemon, MalformedOutOfRangeOversizedOrHostileDatagramsAreDropped) {
  const std::string rejetes[] = {
      "",                        // empty
      "\r\n",                    // a line end alone
      Esc(""),                   // escape alone
      Esc("2"),                  // speed without value
      Esc("23"),                 // speed too low
      Esc("261"),                // speed too high
      Esc("2 20"),               // space inside
      Esc("220x"),               // trailing garbage
      Esc("2+20"),               // sign
      Esc("299999999999"),       // overflow
      Esc("349"),                // tone below 50 (and not 0)
      Esc("34001"),              // tone too high
      Esc("7-51"),               // weight
      Esc("a2"),                 // PTT neither 0 nor 1
      Esc("c11"),                // tune longer than 10 s
      Esc("d51"),                // PTT delay
      Esc("0x"),                 // reset with a value
      Esc("4now"),               // abort with a value
      Esc("z"),                  // unknown request
      Esc("h\x01"),              // control byte in an echo
      std::string("CQ\0CQ", 5),  // zero byte in text
      "CQ\x1B"
      "CQ",                                          // escape inside text
      "CQ\x07",                                      // bell
      std::string(kTaille_max_datagramme + 1, 'E'),  // too long
  };
  for (const auto& r : rejetes) EXPECT_FALSE(Analyser_datagramme(r).has_value()) << r;
  EXPECT_TRUE(Analyser_datagramme(std::string(kTaille_max_datagramme, 'E')).has_value());
}

TEST(Cwdaemon, EchoRepliesOnceTheFollowingTextIsSent) {
  CanalUdpSimule canal;
  ServeurCwdaemon serveur(canal);
  canal.entrants = {{Esc("h42"), "logger"}, {"F6ABC 5NN", "logger"}, {"garbage\x01", "x"}};
  const auto commandes = serveur.Relever();
  ASSERT_EQ(commandes.size(), 1u);
  EXPECT_EQ(commandes[0].texte, "F6ABC 5NN");
  EXPECT_TRUE(canal.sortants.empty());  // not before the text is sent
  serveur.Texte_envoye();
  ASSERT_EQ(canal.sortants.size(), 1u);
  EXPECT_EQ(canal.sortants[0].octets, "h42\r\n");
  EXPECT_EQ(canal.sortants[0].expediteur, "logger");
  serveur.Texte_envoye();
  EXPECT_EQ(canal.sortants.size(), 1u);  // once

  // An echo asked before text that is then aborted is not sent; one asked
  // with no text yet waits for the next text.
  canal.sortants.clear();
  canal.entrants = {{Esc("h1"), "a"}, {"TEST", "a"}, {Esc("4"), "a"}, {Esc("h2"), "a"}};
  EXPECT_EQ(serveur.Relever().size(), 2u);
  serveur.Texte_envoye();
  EXPECT_TRUE(canal.sortants.empty());
  EXPECT_TRUE(serveur.Echo_en_attente());
  canal.entrants = {{"TU", "a"}};
  EXPECT_EQ(serveur.Relever().size(), 1u);
  serveur.Texte_envoye();
  ASSERT_EQ(canal.sortants.size(), 1u);
  EXPECT_EQ(canal.sortants[0].octets, "h2\r\n");
}

TEST(Cwdaemon, AFloodIsTakenABoundedNumberAtATime) {
  CanalUdpSimule canal;
  ServeurCwdaemon serveur(canal);
  for (int i = 0; i < 100; ++i) canal.entrants.push_back({"E", "a"});
  EXPECT_EQ(serveur.Relever().size(), static_cast<std::size_t>(kDatagrammes_par_releve));
  EXPECT_EQ(canal.entrants.size(), 100u - kDatagrammes_par_releve);
}

}  // namespace
}  // namespace vestral
