#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "shell/Cp1252.h"
#include "shell/EcritureAtomique.h"
#include "shell/FONCTIONS_FICHIERS.h"
#include "shell/JournalQSO.h"
#include "shell/ReglagesProgramme.h"

namespace vestral {
namespace {

namespace fs = std::filesystem;

class Fichiers : public ::testing::Test {
 protected:
  void SetUp() override {
    dossier_ = fs::temp_directory_path() /
               ("vestral-fichiers-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dossier_);
  }
  void TearDown() override {
    fs::permissions(dossier_, fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(dossier_);
  }
  void Creer(const std::string& nom, const std::string& contenu) {
    std::ofstream(dossier_ / nom, std::ios::binary) << contenu;
  }
  std::string Contenu(const std::string& nom) {
    std::ifstream f(dossier_ / nom, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
  }
  int Nombre_de_fichiers() {
    return static_cast<int>(std::distance(fs::directory_iterator(dossier_), {}));
  }

  fs::path dossier_;
  RapportMemoire rapport_;
};

TEST_F(Fichiers, Lecture) {
  FichiersTexte f(rapport_, dossier_);
  Creer("SEPT", "1234567");
  Creer("GRAND", std::string(200000, 'x'));
  Creer("ZERO", std::string("abc\0def", 7));
  struct Cas {
    const char* nom;
    std::size_t longueur;
    int lus;
  } cas[] = {{"SEPT", 7, 7}, {"GRAND", 100010, 100010}, {"ZERO", 3, 7}};
  for (const auto& c : cas) {
    std::string texte = "avant";
    int lus = 0;
    EXPECT_FALSE(f.Lecture_fichier_texte(c.nom, texte, lus)) << c.nom;
    EXPECT_EQ(texte.size(), c.longueur) << c.nom;
    EXPECT_EQ(lus, c.lus) << c.nom;
  }
  EXPECT_TRUE(rapport_.Evenements().empty());

  std::string texte = "avant";
  int lus = 0;
  EXPECT_TRUE(f.Lecture_fichier_texte("ABSENT.SER", texte, lus));
  EXPECT_EQ(texte, "avant");
  fs::create_directory(dossier_ / "DOSSIER");
  EXPECT_TRUE(f.Lecture_fichier_texte("DOSSIER", texte, lus));
  EXPECT_EQ(texte, "");
  EXPECT_EQ(rapport_.Erreurs(),
            (std::vector<std::string>{"Impossible d'ouvrir le fichier ABSENT.SER en lecture.",
                                      "Erreur lors de la lecture du fichier DOSSIER."}));
  EXPECT_TRUE(f.Fichier_existe("SEPT"));
  EXPECT_FALSE(f.Fichier_existe("ABSENT.SER"));
  EXPECT_FALSE(f.Fichier_existe("DOSSIER"));
}

TEST_F(Fichiers, EcritureRemplaceLeFichierEntier) {
  FichiersTexte f(rapport_, dossier_);
  Creer("F1.SER", "ancien texte bien plus long");
  EXPECT_FALSE(f.Ecriture_fichier_texte("F1.SER", std::string("CQ\0reste", 8)));
  EXPECT_EQ(Contenu("F1.SER"), "CQ");
  EXPECT_FALSE(f.Ecriture_fichier_texte("F2.SER", ""));
  EXPECT_TRUE(fs::exists(dossier_ / "F2.SER"));
  EXPECT_EQ(fs::file_size(dossier_ / "F2.SER"), 0u);
  EXPECT_EQ(Nombre_de_fichiers(), 2);  // no temporary file left behind
  EXPECT_TRUE(rapport_.Evenements().empty());
}

TEST_F(Fichiers, EcritureImpossibleLaisseLeFichierIntact) {
  FichiersTexte f(rapport_, dossier_);
  // A name that is taken by a folder cannot be opened for writing, even by root.
  fs::create_directory(dossier_ / "CONFCWER.SER");
  EXPECT_TRUE(f.Ecriture_fichier_texte("CONFCWER.SER", "abc"));
  EXPECT_TRUE(fs::is_directory(dossier_ / "CONFCWER.SER"));
  // A read-only working directory: the previous file stays as it was.
  Creer("F3.SER", "garde");
  fs::permissions(dossier_, fs::perms::owner_read | fs::perms::owner_exec);
  const bool root = ::geteuid() == 0;
  const bool erreur = f.Ecriture_fichier_texte("F3.SER", "perdu?");
  fs::permissions(dossier_, fs::perms::owner_all);
  if (!root) {
    EXPECT_TRUE(erreur);
    EXPECT_EQ(Contenu("F3.SER"), "garde");
  }
  const auto erreurs = rapport_.Erreurs();
  ASSERT_FALSE(erreurs.empty());
  EXPECT_EQ(erreurs[0],
            "Impossible d'ouvrir le fichier CONFCWER.SER en \xE9"
            "criture.");
  if (!root) {
    EXPECT_EQ(erreurs.at(1),
              "Impossible d'ouvrir le fichier F3.SER en \xE9"
              "criture.");
  }
}

// The one permission rule of every file written, and a write given up half
// way: the previous file stays, no temporary file is left.
TEST_F(Fichiers, EcritureAtomiquePermissionsEtAbandon) {
  const mode_t masque = ::umask(027);
  EXPECT_EQ(Ecrire_fichier_atomique(dossier_ / "NOUVEAU", "abc"), 0);
  Creer("ANCIEN", "avant");
  fs::permissions(dossier_ / "ANCIEN",
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
  EXPECT_EQ(Ecrire_fichier_atomique(dossier_ / "ANCIEN", "apres"), 0);
  ::umask(masque);
  EXPECT_EQ(fs::status(dossier_ / "NOUVEAU").permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(fs::status(dossier_ / "ANCIEN").permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
  EXPECT_EQ(Contenu("ANCIEN"), "apres");
  {
    EcritureAtomique ecriture(dossier_ / "ANCIEN");
    ASSERT_EQ(ecriture.Erreur_ouverture(), 0);
    EXPECT_EQ(ecriture.Ecrire("moitié"), 0);
  }
  EXPECT_EQ(Contenu("ANCIEN"), "apres");
  EXPECT_EQ(Nombre_de_fichiers(), 2);
  EXPECT_EQ(EcritureAtomique(dossier_).Erreur_ouverture(), EISDIR);
  EXPECT_EQ(Ecrire_fichier_atomique(dossier_ / "absent" / "X", "x"), ENOENT);
}

TEST(JournalQSO, MarqueursEtCaracteres) {
  JournalQSO journal;
  journal.Ajout_marqueur(kMarque_reception);
  EXPECT_EQ(journal.Longueur_QSO(), 8);
  for (char c : std::string("CQ")) journal.Ajout_QSO(static_cast<uint8_t>(c));
  journal.Ajout_marqueur(kMarque_emission);
  for (char c : std::string("OK")) journal.Ajout_QSO(static_cast<uint8_t>(c));
  EXPECT_EQ(journal.Texte(), "\r\n\r\n\xC5 \r\nCQ\r\n\r\n\xC9 \r\nOK");
}

TEST(JournalQSO, PleinLeDernierOctetChange) {
  JournalQSO journal;
  for (int i = 0; i < kTaille_texte_QSO; ++i) journal.Ajout_QSO('A');
  journal.Ajout_QSO('B');
  journal.Ajout_QSO('C');
  EXPECT_EQ(journal.Longueur_QSO(), kTaille_texte_QSO);
  const auto texte = journal.Texte();
  EXPECT_EQ(texte.back(), 'C');
  EXPECT_EQ(texte[texte.size() - 2], 'A');
}

TEST(JournalQSO, AjoutsDeDeuxFils) {
  JournalQSO journal;
  std::thread autre([&] {
    for (int i = 0; i < 20000; ++i) journal.Ajout_QSO('a');
  });
  for (int i = 0; i < 20000; ++i) journal.Ajout_QSO('b');
  autre.join();
  EXPECT_EQ(journal.Longueur_QSO(), 40000);
  const auto texte = journal.Texte();
  EXPECT_EQ(std::count(texte.begin(), texte.end(), 'a'), 20000);
}

TEST_F(Fichiers, EcritureDuQSO) {
  FichiersTexte f(rapport_, dossier_);
  JournalQSO journal;
  journal.Ajout_marqueur(kMarque_reception);
  journal.Ajout_QSO('K');
  journal.Ecriture_QSO(f, rapport_);
  EXPECT_EQ(Contenu(kFichier_QSO), "\r\n\r\n\xC5 \r\nK");
  EXPECT_TRUE(rapport_.Evenements().empty());

  // A log that cannot be created: the file layer's message, nothing else.
  fs::create_directory(dossier_ / "sous");
  fs::create_directory(dossier_ / "sous" / kFichier_QSO);
  FichiersTexte bloque(rapport_, dossier_ / "sous");
  journal.Ecriture_QSO(bloque, rapport_);
  EXPECT_EQ(rapport_.Erreurs(), std::vector<std::string>{"Impossible d'ouvrir le fichier "
                                                         "QSO_MORSE.TXT en \xE9"
                                                         "criture."});
}

// The program's own settings file: missing is empty (and silent), keys
// read back, unknown keys kept, an emptied key removed, CONFCWER.SER never
// touched.
TEST_F(Fichiers, ReglagesProgramme) {
  FichiersTexte f(rapport_, dossier_);
  ReglagesProgramme r(f);
  r.Lire();
  EXPECT_EQ(r.Valeur(kCle_capture), "");
  EXPECT_TRUE(rapport_.Evenements().empty());

  Creer(kFichier_reglages_programme, "futur=x=1\r\nsans egal\ncapture=USB Audio\ncapture=hw:1\n");
  r.Lire();
  EXPECT_EQ(r.Valeur(kCle_capture), "hw:1");
  EXPECT_EQ(r.Valeur("futur"), "x=1");
  ASSERT_TRUE(r.Changer(kCle_restitution, "alsa_output.usb-Radio\nAudio"));
  ASSERT_TRUE(r.Changer(kCle_capture, ""));
  EXPECT_EQ(Contenu(kFichier_reglages_programme),
            "futur=x=1\nrestitution=alsa_output.usb-Radio Audio\n");
  ReglagesProgramme relu(f);
  relu.Lire();
  EXPECT_EQ(relu.Valeur(kCle_restitution), "alsa_output.usb-Radio Audio");
  EXPECT_FALSE(fs::exists(dossier_ / "CONFCWER.SER"));
  EXPECT_TRUE(rapport_.Evenements().empty());

  // A write that fails says so (the text file layer reported it).
  FichiersTexte bloque(rapport_, dossier_ / "absent");
  ReglagesProgramme b(bloque);
  EXPECT_FALSE(b.Changer(kCle_ecoute, "hw:2"));
  EXPECT_FALSE(rapport_.Erreurs().empty());
}

TEST(Cp1252, AllerRetour) {
  std::string tous;
  for (int b = 1; b < 256; ++b) tous += static_cast<char>(b);
  EXPECT_EQ(Utf8_vers_cp1252(Cp1252_vers_utf8(tous)), tous);
  EXPECT_EQ(Cp1252_vers_utf8("\xC9\xE9\x80"), "Éé€");
  EXPECT_EQ("Arrêt séq."_cp, "Arr\xEAt s\xE9q.");
  int pertes = 0;
  EXPECT_EQ(Utf8_vers_cp1252("a\xE2\x88\x9E"
                             "b\xFF",
                             &pertes),
            "a?b?");  // infinity, bad byte
  EXPECT_EQ(pertes, 2);
}

}  // namespace
}  // namespace vestral
