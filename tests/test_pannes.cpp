// Faults: every sound device call failing at every rank of a start, a
// service and a stop; a full disk and a read-only working directory when
// the settings, a sequence or the QSO log are written; settings and
// sequence files of every length. Nothing may hang, crash or be lost, and
// the layer must work again once the fault is gone.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "morse/ChaineReception.h"
#include "morse/Synthese.h"
#include "shell/Configuration.h"
#include "shell/Cp1252.h"
#include "shell/FONCTIONS_FICHIERS.h"
#include "shell/JournalQSO.h"
#include "sound/CarteSimulee.h"
#include "sound/FONCTIONS_WAVE.h"
#include "tests/DisqueLimite.h"

namespace vestral {
namespace {

// ------------------------------------------------------------ sound card

struct BancSon {
  RapportMemoire rapport;
  CarteSimulee carte;
  FonctionsWave wave{carte, rapport, carte};

  // A start, six pump cycles and a stop, as the transceiver runs them.
  bool Cycle(Sens sens) {
    const bool entree = sens == Sens::Entree;
    wave.Frequence_echantillonnage = 11025;
    wave.Taille_tampon = entree ? kTaille_bloc_reception : kTaille_bloc_emission;
    const bool ouvert = entree ? wave.Ouverture_flux_entree() : wave.Ouverture_flux_sortie();
    for (int cycle = 0; cycle < 6; ++cycle) {
      carte.Avancer_echantillons(static_cast<std::size_t>(wave.Taille_tampon));
      if (entree) {
        if (Tampon_son* b = wave.Bloc_entree_a_servir()) wave.Remise_en_file_entree(*b);
      } else if (Tampon_son* b = wave.Bloc_sortie_a_servir()) {
        wave.Suppression_entete(*b);
        wave.Preparation_entete(*b);
        wave.Ecriture_tampon_sortie(*b);
      }
    }
    entree ? wave.Fermeture_flux_entree() : wave.Fermeture_flux_sortie();
    return ouvert;
  }

  bool Tout_libere() const {
    for (const Tampon_son* b : {&wave.Entree_1, &wave.Entree_2, &wave.Sortie_1, &wave.Sortie_2})
      if (b->memoire_entete || b->memoire_donnees) return false;
    return !wave.Format_entree && !wave.Format_sortie;
  }
};

TEST(PannesSon, ChaqueAppelEchoueAChaqueRang) {
  // Etat: the state query of every header step (prepare, queue a capture
  // block, unprepare) and of every pump cycle.
  const Operation_son operations[] = {Operation_son::Ouverture, Operation_son::Etat,
                                      Operation_son::Ecriture,  Operation_son::Demarrage,
                                      Operation_son::Arret,     Operation_son::Fermeture,
                                      Operation_son::Allocation};
  int essais = 0;
  for (Sens sens : {Sens::Entree, Sens::Sortie}) {
    for (Operation_son operation : operations) {
      for (int rang = 1; rang <= 8; ++rang) {
        const std::string cas = std::string(sens == Sens::Entree ? "entrée" : "sortie") +
                                ", opération " + std::to_string(static_cast<int>(operation)) +
                                ", rang " + std::to_string(rang);
        BancSon banc;
        if (operation == Operation_son::Allocation)
          banc.carte.Refuser_allocation(rang);
        else
          banc.carte.Faire_echouer(sens, operation, 77, rang);
        banc.Cycle(sens);
        // Was the failure reached in this cycle?
        const int appels = banc.carte.Nombre_appels(
            operation == Operation_son::Allocation ? Sens::Entree : sens, operation);
        if (appels < rang) continue;
        ++essais;
        // Each failure is told once, with its code; memory is given back.
        const auto erreurs = banc.rapport.Erreurs();
        EXPECT_GE(erreurs.size(), 1u) << cas;
        EXPECT_LE(erreurs.size(), 4u) << cas;
        EXPECT_TRUE(banc.Tout_libere()) << cas;
        // A failed close, or a failed reset (the device keeps its blocks and
        // then refuses the close), leaves the device open.
        if (operation == Operation_son::Fermeture || operation == Operation_son::Arret) continue;
        EXPECT_FALSE(banc.carte.Ouvert(sens)) << cas;
        // The fault gone, the next start, service and stop are clean.
        banc.rapport.Vider();
        EXPECT_TRUE(banc.Cycle(sens)) << cas;
        EXPECT_TRUE(banc.rapport.Erreurs().empty())
            << cas << " : " << banc.rapport.Erreurs().front();
        EXPECT_TRUE(banc.Tout_libere()) << cas;
      }
    }
  }
  EXPECT_GE(essais, 2 * 8 + 8);  // every operation, and several ranks
}

TEST(PannesSon, CarteRetireeAChaqueCycleDuService) {
  for (Sens sens : {Sens::Entree, Sens::Sortie}) {
    for (int cycle_retrait = 0; cycle_retrait < 6; ++cycle_retrait) {
      BancSon banc;
      const bool entree = sens == Sens::Entree;
      banc.wave.Frequence_echantillonnage = 11025;
      banc.wave.Taille_tampon = entree ? kTaille_bloc_reception : kTaille_bloc_emission;
      ASSERT_TRUE(entree ? banc.wave.Ouverture_flux_entree() : banc.wave.Ouverture_flux_sortie());
      for (int cycle = 0; cycle < 8; ++cycle) {
        if (cycle == cycle_retrait) banc.carte.Retirer();
        banc.carte.Avancer_echantillons(static_cast<std::size_t>(banc.wave.Taille_tampon));
        if (entree) {
          if (Tampon_son* b = banc.wave.Bloc_entree_a_servir()) banc.wave.Remise_en_file_entree(*b);
        } else if (Tampon_son* b = banc.wave.Bloc_sortie_a_servir()) {
          banc.wave.Suppression_entete(*b);
          banc.wave.Preparation_entete(*b);
          banc.wave.Ecriture_tampon_sortie(*b);
        }
      }
      entree ? banc.wave.Fermeture_flux_entree() : banc.wave.Fermeture_flux_sortie();
      EXPECT_EQ(banc.rapport.Erreurs().size(), 1u) << entree << " " << cycle_retrait;
      EXPECT_FALSE(banc.carte.Ouvert(sens));
      EXPECT_TRUE(banc.Tout_libere());
    }
  }
}

// ------------------------------------------------------- disk faults

class MixerMuet : public ReglageMixer {
 public:
  void Reglage_mixer(const CommandeMixer&, ResultatMixer&) override {}
};

std::string Lire(const std::filesystem::path& chemin) {
  std::ifstream f(chemin, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

// What a write leaves on the disk: the names in the folder.
std::vector<std::string> Noms(const std::filesystem::path& dossier) {
  std::vector<std::string> noms;
  for (const auto& e : std::filesystem::directory_iterator(dossier))
    if (!e.path().filename().string().starts_with(".remplissage"))
      noms.push_back(e.path().filename().string());
  std::sort(noms.begin(), noms.end());
  return noms;
}

TEST(PannesDisque, DisquePleinEtDossierEnLectureSeule) {
  const std::string ancienne_configuration = std::string("\x14\x78\x01 \x05\x01\x01", 7);
  for (bool plein : {true, false}) {
    const std::string cas = plein ? "disque plein" : "lecture seule";
    test::DisqueLimite disque;
    if (const auto raison = disque.Monter(64 * 1024); !raison.empty())
      GTEST_SKIP() << "pas de disque de test : " << raison;
    RapportMemoire rapport;
    FichiersTexte fichiers(rapport, disque.dossier);
    ASSERT_FALSE(fichiers.Ecriture_fichier_texte(kFichier_configuration, ancienne_configuration));
    ASSERT_FALSE(fichiers.Ecriture_fichier_texte("F1.SER", "ANCIENNE SEQUENCE"));
    ASSERT_FALSE(fichiers.Ecriture_fichier_texte(kFichier_QSO, "ANCIEN JOURNAL"));
    MixerMuet mixer;
    Configuration configuration(fichiers, rapport, mixer);
    configuration.Lire_configuration();
    configuration.Verifier_fichier_sequence("F1.SER");
    ASSERT_TRUE(rapport.Erreurs().empty()) << rapport.Erreurs().front();
    const auto noms_avant = Noms(disque.dossier);

    if (plein)
      disque.Remplir();
    else if (const auto raison = disque.Lecture_seule(); !raison.empty())
      GTEST_SKIP() << raison;

    auto Message = [&](const std::string& nom) {
      return plein ? std::string("Ecriture du texte impossible. Disque dur plein? ")
                   : "Impossible d'ouvrir le fichier " + nom + " en \xE9" + "criture.";
    };

    // A settings menu choice: told, the old file kept, the choice held.
    configuration.Choisir(Champ::Vitesse, 26);
    EXPECT_EQ(rapport.Erreurs(), std::vector<std::string>{Message(kFichier_configuration)}) << cas;
    EXPECT_EQ(Lire(disque.dossier / kFichier_configuration), ancienne_configuration) << cas;
    EXPECT_EQ(configuration.Valeur(Champ::Vitesse), 26) << cas;
    rapport.Vider();

    // The sequence editor's save: the same.
    const std::string sequence(5000, 'E');
    EXPECT_TRUE(fichiers.Ecriture_fichier_texte("F1.SER", sequence)) << cas;
    EXPECT_EQ(rapport.Erreurs(), std::vector<std::string>{Message("F1.SER")}) << cas;
    EXPECT_EQ(Lire(disque.dossier / "F1.SER"), "ANCIENNE SEQUENCE") << cas;
    rapport.Vider();

    // The QSO log at exit: told, the old log kept, the new one still in memory.
    JournalQSO journal;
    journal.Ajout_marqueur(kMarque_reception);
    for (int i = 0; i < 20000; ++i) journal.Ajout_QSO(static_cast<uint8_t>('A' + i % 26));
    const std::string texte = journal.Texte();
    journal.Ecriture_QSO(fichiers, rapport);
    EXPECT_EQ(rapport.Erreurs(), std::vector<std::string>{plein ? "Plus de place pour \xE9"
                                                                  "crire le fichier de QSO."
                                                                : Message(kFichier_QSO)})
        << cas;
    EXPECT_EQ(Lire(disque.dossier / kFichier_QSO), "ANCIEN JOURNAL") << cas;
    EXPECT_EQ(journal.Texte(), texte) << cas;

    // No half-written or temporary file is left behind.
    EXPECT_EQ(Noms(disque.dossier), noms_avant) << cas;

    if (plein) {  // room again: everything is written
      std::filesystem::remove(disque.dossier / ".remplissage");
      std::filesystem::remove(disque.dossier / ".remplissage2");
      rapport.Vider();
      configuration.Ecrire_configuration();
      EXPECT_FALSE(fichiers.Ecriture_fichier_texte("F1.SER", sequence));
      journal.Ecriture_QSO(fichiers, rapport);
      EXPECT_TRUE(rapport.Erreurs().empty());
      EXPECT_EQ(Lire(disque.dossier / kFichier_configuration)[0], 26);
      EXPECT_EQ(Lire(disque.dossier / "F1.SER"), sequence);
      EXPECT_EQ(Lire(disque.dossier / kFichier_QSO), texte);
    }
  }
}

// ------------------------------------------- files of every length

class DossierTemporaire {
 public:
  DossierTemporaire() {
    std::string modele =
        (std::filesystem::temp_directory_path() / "vestral-longueurs-XXXXXX").string();
    chemin = ::mkdtemp(modele.data());
  }
  ~DossierTemporaire() { std::filesystem::remove_all(chemin); }
  void Ecrire(const std::string& nom, const std::string& contenu) const {
    std::ofstream(chemin / nom, std::ios::binary) << contenu;
  }
  std::filesystem::path chemin;
};

TEST(FichiersDeToutesLongueurs, Configuration) {
  // A valid record, then as many bytes more as the length asks.
  const std::string valide = std::string("\x14\x78\x01 \x05\x01\x01", 7) + "abcdefghij";
  for (std::size_t longueur = 0; longueur <= valide.size(); ++longueur) {
    DossierTemporaire dossier;
    dossier.Ecrire(kFichier_configuration, valide.substr(0, longueur));
    RapportMemoire rapport;
    FichiersTexte fichiers(rapport, dossier.chemin);
    MixerMuet mixer;
    Configuration configuration(fichiers, rapport, mixer);
    configuration.Lire_configuration();
    const bool garde = longueur >= 7 && longueur <= 10;
    if (garde) {
      EXPECT_TRUE(rapport.Erreurs().empty()) << longueur;
      EXPECT_EQ(configuration.Enregistrement(), valide.substr(0, longueur)) << longueur;
    } else {
      EXPECT_EQ(
          rapport.Erreurs(),
          std::vector<std::string>{"Le fichier de configuration CONFCWER.SER est altéré, donc "
                                   "paramètres par défaut."_cp})
          << longueur;
      EXPECT_EQ(Lire(dossier.chemin / kFichier_configuration), configuration.Enregistrement())
          << longueur;
    }
    EXPECT_TRUE(Configuration_valide(configuration.Enregistrement())) << longueur;
  }
}

TEST(FichiersDeToutesLongueurs, Sequences) {
  for (std::size_t longueur : {0, 1, 2, 4999, 5000, 5001, 5002, 100009, 100010, 100011, 400000}) {
    DossierTemporaire dossier;
    std::string contenu(longueur, 'E');
    for (std::size_t i = 0; i < longueur; i += 7) contenu[i] = '\n';
    dossier.Ecrire("F3.SER", contenu);
    RapportMemoire rapport;
    FichiersTexte fichiers(rapport, dossier.chemin);
    MixerMuet mixer;
    Configuration configuration(fichiers, rapport, mixer);
    configuration.Verifier_fichier_sequence("F3.SER");
    if (longueur <= 5000) {
      EXPECT_TRUE(rapport.Erreurs().empty()) << longueur;
      EXPECT_EQ(configuration.Sequence(3), contenu) << longueur;
    } else {
      EXPECT_EQ(rapport.Erreurs(),
                std::vector<std::string>{
                    "Le fichier F3.SER est altéré, donc réinitialisation de celui-ci."_cp})
          << longueur;
      EXPECT_TRUE(configuration.Sequence(3).empty()) << longueur;
      EXPECT_EQ(std::filesystem::file_size(dossier.chemin / "F3.SER"), 0u) << longueur;
    }
  }
}

}  // namespace
}  // namespace vestral
