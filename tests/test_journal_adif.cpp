// The contact log: what is written, read back by a parser of the tests' own;
// duplicates; a disk that refuses the write.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>

#include "shell/Rapport.h"
#include "station/JournalAdif.h"
#include "tests/DisqueLimite.h"

namespace vestral {
namespace {

namespace fs = std::filesystem;

std::string Lire(const fs::path& chemin) {
  std::ifstream f(chemin, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

// A strict reading of an .adi text: the header ends with <EOH>, every field
// is <NAME:N> followed by exactly N bytes, every record ends with <EOR>, and
// only spaces and line ends sit between fields.
struct Adi {
  std::string entete;
  std::map<std::string, std::string> champs_entete;
  std::vector<std::map<std::string, std::string>> enregistrements;
};

Adi Analyser(const std::string& texte) {
  Adi adi;
  const auto eoh = texte.find("<EOH>");
  EXPECT_NE(eoh, std::string::npos);
  EXPECT_NE(texte[0], '<');
  adi.entete = texte.substr(0, eoh);
  const std::regex champ(R"(<([A-Z_]+):(\d+)>)");
  auto Champs = [&](const std::string& partie, std::map<std::string, std::string>& sortie) {
    std::size_t i = 0;
    std::smatch m;
    while (std::regex_search(partie.begin() + static_cast<long>(i), partie.end(), m, champ)) {
      const std::size_t debut = i + static_cast<std::size_t>(m.position(0)) + m.length(0);
      const std::size_t n = std::stoul(m[2]);
      EXPECT_LE(debut + n, partie.size());
      sortie[m[1]] = partie.substr(debut, n);
      i = debut + n;
      // Between fields: blanks only.
      const auto suivant = partie.find('<', i);
      for (std::size_t k = i; k < std::min(suivant, partie.size()); ++k)
        EXPECT_TRUE(partie[k] == ' ' || partie[k] == '\r' || partie[k] == '\n') << partie;
    }
  };
  Champs(adi.entete, adi.champs_entete);
  std::string reste = texte.substr(eoh + 5);
  EXPECT_TRUE(reste.starts_with("\r\n"));
  std::size_t debut = 0;
  for (std::size_t fin; (fin = reste.find("<EOR>", debut)) != std::string::npos; debut = fin + 5) {
    adi.enregistrements.emplace_back();
    Champs(reste.substr(debut, fin - debut), adi.enregistrements.back());
  }
  EXPECT_EQ(reste.substr(debut), "\r\n");  // nothing after the last record
  return adi;
}

Contact Exemple() {
  Contact c;
  c.indicatif = "f6abc";
  c.date = "20261211";
  c.heure = "1715";
  c.frequence_hz = 7'023'500;
  c.rst_envoye = "599";
  c.rst_recu = "579";
  c.nom = "J\xE9r\xF4me";                    // Jérôme
  c.qth = "Saint-\xC9tienne-l\xE8s-Orgues";  // Saint-Étienne-lès-Orgues
  c.locator = "JN24";
  c.commentaire =
      "Tr\xE8s bon signal, \x9C"
      "uvre \xAB ant \xBB\r\nsuite";
  return c;
}

TEST(JournalAdif, WrittenLogReadsBackWithExactFieldsHeaderAndRecords) {
  const fs::path dossier = fs::temp_directory_path() / "vestral-adif-ecrit";
  fs::remove_all(dossier);
  fs::create_directories(dossier);
  RapportMemoire rapport;
  JournalContacts journal(rapport, dossier);
  Contact deuxieme = Exemple();
  deuxieme.indicatif = "DL1XYZ";
  deuxieme.frequence_hz = 14'025'000;
  deuxieme.nom.clear();
  ASSERT_TRUE(journal.Ajouter(Exemple(), "20261211 171500").enregistre);
  ASSERT_TRUE(journal.Ajouter(deuxieme, "20991231 000000").enregistre);
  EXPECT_TRUE(rapport.Evenements().empty());

  const Adi adi = Analyser(Lire(dossier / kFichier_contacts));
  EXPECT_EQ(adi.champs_entete.at("ADIF_VER"), "3.1.4");
  EXPECT_EQ(adi.champs_entete.at("PROGRAMID"), "VESTRAL");
  EXPECT_EQ(adi.champs_entete.at("CREATED_TIMESTAMP"), "20261211 171500");  // the first write's
  ASSERT_EQ(adi.enregistrements.size(), 2u);
  const std::map<std::string, std::string> attendu = {
      {"CALL", "F6ABC"},      {"QSO_DATE", "20261211"},
      {"TIME_ON", "1715"},    {"FREQ", "7.023500"},
      {"BAND", "40m"},        {"MODE", "CW"},
      {"RST_SENT", "599"},    {"RST_RCVD", "579"},
      {"NAME", "Jerome"},     {"QTH", "Saint-Etienne-les-Orgues"},
      {"GRIDSQUARE", "JN24"}, {"COMMENT", "Tres bon signal, oeuvre \" ant \"  suite"},
  };
  EXPECT_EQ(adi.enregistrements[0], attendu);
  EXPECT_EQ(adi.enregistrements[1].at("CALL"), "DL1XYZ");
  EXPECT_EQ(adi.enregistrements[1].at("BAND"), "20m");
  EXPECT_FALSE(adi.enregistrements[1].contains("NAME"));  // empty fields are left out

  // The program's own reader gives the contacts back (as written).
  const auto contacts = journal.Contacts();
  ASSERT_EQ(contacts.size(), 2u);
  EXPECT_EQ(contacts[0].indicatif, "F6ABC");
  EXPECT_EQ(contacts[0].frequence_hz, 7'023'500);
  EXPECT_EQ(contacts[0].nom, "Jerome");
  EXPECT_EQ(contacts[1].indicatif, "DL1XYZ");
  fs::remove_all(dossier);
}

TEST(JournalAdif, BandsTransliterationAndCallSigns) {
  const std::pair<int64_t, std::string> bandes[] = {
      {1'830'000, "160m"},   {3'560'000, "80m"},  {7'000'000, "40m"},
      {7'300'000, "40m"},    {10'116'000, "30m"}, {14'060'000, "20m"},
      {18'086'000, "17m"},   {21'060'000, "15m"}, {24'906'000, "12m"},
      {28'060'000, "10m"},   {50'090'000, "6m"},  {144'050'000, "2m"},
      {432'050'000, "70cm"}, {7'300'001, ""},     {0, ""},
      {11'000'000, ""}};
  for (const auto& [hz, bande] : bandes) EXPECT_EQ(Bande_adif(hz), bande) << hz;
  EXPECT_EQ(Translitteration_ascii("\xC0\xC7\xC9\xC8\xCA\xCB\xCE\xCF\xD4\xD9\xDB\xDC\x8C\xC6"),
            "ACEEEEIIOUUUOEAE");
  EXPECT_EQ(
      Translitteration_ascii("\xE0\xE2\xE7\xE9\xE8\xEA\xEB\xEE\xEF\xF4\xF9\xFB\xFC\xFF\x9C\xE6"),
      "aaceeeeiiouuuyoeae");
  EXPECT_EQ(Translitteration_ascii("l\x92"
                                   "abb\xE9 \x96 \x93ok\x94\t<x>"),
            "l'abbe - \"ok\" <x>");
  EXPECT_EQ(Indicatif_normalise(" f/dl1abc/p\x01<"), "F/DL1ABC/P");
}

TEST(JournalAdif, ADuplicateIsSameCallSameBandWithinTheHour) {
  const fs::path dossier = fs::temp_directory_path() / "vestral-adif-doublon";
  fs::remove_all(dossier);
  fs::create_directories(dossier);
  RapportMemoire rapport;
  JournalContacts journal(rapport, dossier);
  ASSERT_TRUE(journal.Ajouter(Exemple(), "20261211 171500").enregistre);

  struct Cas {
    std::string indicatif, date, heure;
    int64_t hz;
    bool doublon;
  };
  const Cas cas[] = {
      {"F6ABC", "20261211", "1814", 7'030'000, true},    // 59 min later, same band
      {"f6abc", "20261211", "1616", 7'001'000, true},    // 59 min before
      {"F6ABC", "20261211", "1815", 7'030'000, false},   // an hour later
      {"F6ABC", "20261211", "1720", 14'030'000, false},  // another band
      {"F6ABD", "20261211", "1720", 7'030'000, false},   // another call
      {"F6ABC", "20261212", "0005", 7'030'000, false},   // next day
  };
  for (const auto& c : cas) {
    Contact contact = Exemple();
    contact.indicatif = c.indicatif;
    contact.date = c.date;
    contact.heure = c.heure;
    contact.frequence_hz = c.hz;
    EXPECT_EQ(Est_doublon(Exemple(), contact), c.doublon) << c.indicatif << " " << c.heure;
  }
  // Across midnight.
  Contact a = Exemple(), b = Exemple();
  a.date = "20261231";
  a.heure = "2340";
  b.date = "20270101";
  b.heure = "0010";
  EXPECT_TRUE(Est_doublon(a, b));

  // Flagged and told, and still logged.
  Contact encore = Exemple();
  encore.heure = "1750";
  const auto resultat = journal.Ajouter(encore, "");
  EXPECT_TRUE(resultat.enregistre);
  EXPECT_TRUE(resultat.doublon);
  EXPECT_EQ(rapport.Dernier_panneau(),
            "Doublon : F6ABC d\xE9j\xE0 contact\xE9 sur 40m il y a moins d'une heure.");
  EXPECT_EQ(journal.Contacts().size(), 2u);

  // No call sign: nothing written.
  Contact vide = Exemple();
  vide.indicatif = " ?";
  EXPECT_FALSE(journal.Ajouter(vide, "").enregistre);
  EXPECT_EQ(rapport.Erreurs().back(), JournalContacts::Texte_sans_indicatif());
  EXPECT_EQ(journal.Contacts().size(), 2u);
  fs::remove_all(dossier);
}

TEST(JournalAdif, PrefilledFromWhatWasHeardTheClockAndTheDial) {
  // 2026-12-11 17:15:42 UTC.
  const auto moment = std::chrono::system_clock::time_point(std::chrono::seconds(1797009342));
  EXPECT_EQ(Horodatage_adif(moment), "20261211 171542");
  const Contact c = Contact_prerempli("CQ DE F6ABC K\r\nF6ABC DE DL1XYZ", 7'023'500, moment);
  EXPECT_EQ(c.indicatif, "DL1XYZ");
  EXPECT_EQ(c.date, "20261211");
  EXPECT_EQ(c.heure, "1715");
  EXPECT_EQ(c.frequence_hz, 7'023'500);
  EXPECT_EQ(c.mode, "CW");
  EXPECT_EQ(c.rst_envoye, "599");
  EXPECT_EQ(Contact_prerempli("rien", std::nullopt, moment).frequence_hz, 0);
}

TEST(JournalAdif, HostileLogTextIsReadWithoutHarm) {
  const std::string textes[] = {"",
                                "<",
                                "<EOH>",
                                "x<EOH><CALL:99>F6",
                                "<CALL:5>F6ABC<EOR>",
                                "h<EOH><CALL:-1>x<EOR>",
                                "h<EOH><CALL:99999999999>x<EOR>",
                                "h<EOH><CALL:3:S>ABC<FREQ:5>1e300<EOR>",
                                "h<EOH><EOR><EOR>"};
  for (const auto& t : textes) (void)Lecture_adif(t);
  EXPECT_EQ(Lecture_adif("<CALL:5>F6ABC<EOR>").at(0).indicatif, "F6ABC");
  const auto c = Lecture_adif("h<EOH><call:3:S>ABC <FREQ:5>1e300<EOR>");
  ASSERT_EQ(c.size(), 1u);
  EXPECT_EQ(c[0].indicatif, "ABC");
  EXPECT_EQ(c[0].frequence_hz, 0);
}

TEST(JournalAdif, FullDiskOrReadOnlyFolderKeepsThePreviousLogAndSaysSo) {
  for (bool plein : {true, false}) {
    test::DisqueLimite disque;
    if (const auto raison = disque.Monter(64 * 1024); !raison.empty())
      GTEST_SKIP() << "pas de disque de test : " << raison;
    RapportMemoire rapport;
    JournalContacts journal(rapport, disque.dossier);
    ASSERT_TRUE(journal.Ajouter(Exemple(), "20261211 171500").enregistre);
    const std::string avant = Lire(disque.dossier / kFichier_contacts);

    if (plein)
      disque.Remplir();
    else if (const auto raison = disque.Lecture_seule(); !raison.empty())
      GTEST_SKIP() << raison;

    Contact suivant = Exemple();
    suivant.indicatif = "G4XYZ";
    suivant.commentaire = std::string(8000, 'x');  // more than any slack left
    EXPECT_FALSE(journal.Ajouter(suivant, "").enregistre);
    EXPECT_EQ(rapport.Erreurs(), std::vector<std::string>{
                                     plein ? JournalContacts::Texte_disque_plein(suivant)
                                           : JournalContacts::Texte_ecriture_impossible(suivant)});
    EXPECT_EQ(Lire(disque.dossier / kFichier_contacts), avant);
    EXPECT_EQ(journal.Contacts().size(), 1u);
  }
  EXPECT_EQ(JournalContacts::Texte_disque_plein(Exemple()),
            "Plus de place pour \xE9"
            "crire le journal des contacts : le contact avec F6ABC "
            "n'est pas enregistr\xE9, VESTRAL.ADI reste tel qu'il \xE9tait.");
}

}  // namespace
}  // namespace vestral
