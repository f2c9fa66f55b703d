// The wave layer on the simulated sound card: the two sound card checks,
// the stream sequences with their call order, every failing step with its
// dialog, the block flags and counts the pumps test, and a card that
// disappears while a stream runs.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include "morse/ChaineReception.h"
#include "morse/Synthese.h"
#include "shell/Cp1252.h"
#include "sound/CarteSimulee.h"
#include "sound/FONCTIONS_WAVE.h"
#include "sound/NiveauEntree.h"

namespace vestral {
namespace {

using Genre = RapportMemoire::Genre;

struct Banc {
  explicit Banc(Configuration_carte configuration = {}, Horloge_carte horloge = Horloge_carte::Test)
      : carte(configuration, horloge) {}
  RapportMemoire rapport;
  CarteSimulee carte;
  FonctionsWave wave{carte, rapport, carte};

  // The calls the card received, as "Operation Sens"; allocations and
  // device counts left out.
  std::vector<std::string> Appels() const {
    static const char* noms[] = {"Nombre", "Capacites", "Ouverture", "Fermeture", "Demarrage",
                                 "Arret",  "Ecriture",  "Etat",      "Allocation"};
    std::vector<std::string> appels;
    for (const Appel_son& a : carte.Journal()) {
      if (a.operation == Operation_son::Allocation || a.operation == Operation_son::Nombre)
        continue;
      appels.push_back(std::string(noms[static_cast<int>(a.operation)]) +
                       (a.sens == Sens::Entree ? " E" : " S"));
    }
    return appels;
  }
  std::map<const Entete_son*, std::string> Blocs() const {
    return {{wave.Entree_1.Entete(), "E1"},
            {wave.Entree_2.Entete(), "E2"},
            {wave.Sortie_1.Entete(), "S1"},
            {wave.Sortie_2.Entete(), "S2"}};
  }
  void Debut_reception() {
    wave.Frequence_echantillonnage = 11025;
    wave.Taille_tampon = kTaille_bloc_reception;
  }
  void Debut_emission() {
    wave.Frequence_echantillonnage = 11025;
    wave.Taille_tampon = kTaille_bloc_emission;
  }
};

std::vector<uint8_t> Rampe(std::size_t n) {
  std::vector<uint8_t> v(n);
  for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>((i * 7 + i / 256) % 256);
  return v;
}

// ---------------------------------------------------------------- checks

TEST(VerificationsCarteSon, MessagesEtResultats) {
  const std::string pas_de_carte = "Fonctionnement impossible car il n'y a pas de carte son";
  const std::string entree_utilisee =
      "Fonctionnement impossible car entrée carte son utilisée par une autre application.";
  struct Cas {
    const char* nom;
    Configuration_carte carte;
    std::vector<std::string> demarrage;      // dialogs of the presence check
    std::vector<std::string> disponibilite;  // dialogs of the availability check
  } cas[] = {
      {"carte complète", {}, {}, {}},
      {"aucune entrée", {.nombre_entrees = 0}, {pas_de_carte + "."}, {pas_de_carte}},
      {"entrée sans sortie", {.nombre_sorties = 0}, {pas_de_carte + "."}, {pas_de_carte}},
      // The capture device cannot open at 11.025 kHz: the availability
      // check can only tell that it failed to open.
      {"format minimum en sortie seulement",
       {.formats_entree = kFormats_standard & ~kFormat_1M08},
       {},
       {entree_utilisee}},
      {"format minimum en entrée seulement",
       {.formats_sortie = kFormat_1M16},
       {},
       {"Fonctionnement impossible car sortie carte son utilisée par une autre application."}},
      {"format minimum absent",
       {.formats_entree = kFormat_2M08, .formats_sortie = kFormat_4S16},
       {"Fonctionnement impossible car le format minimum requis pour la carte son n'est pas "
        "disponible."},
       {"Fonctionnement impossible car format minimum non disponible."}},
      {"entrée occupée", {.entree_occupee = true}, {}, {entree_utilisee}},
      {"sortie occupée",
       {.sortie_occupee = true},
       {},
       {"Fonctionnement impossible car sortie carte son utilisée par une autre application."}},
  };
  for (const Cas& c : cas) {
    Banc banc(c.carte);
    std::vector<RapportMemoire::Evenement> attendus;
    for (const auto& texte : c.demarrage) {
      attendus.push_back({Genre::Bip, {}});
      attendus.push_back({Genre::Erreur, Utf8_vers_cp1252(texte)});
    }
    EXPECT_EQ(banc.wave.Verification_carte_son_demarrage(), c.demarrage.empty()) << c.nom;
    EXPECT_EQ(banc.rapport.Evenements(), attendus) << c.nom;
    EXPECT_EQ(banc.wave.Messages_ouverture, 1) << c.nom;

    banc.rapport.Vider();
    attendus.clear();
    for (const auto& texte : c.disponibilite) {
      attendus.push_back({Genre::Bip, {}});
      attendus.push_back({Genre::Erreur, Utf8_vers_cp1252(texte)});
    }
    // No "Erreur ouverture ... n°:" dialog: opens are silent here.
    EXPECT_EQ(banc.wave.Verification_carte_son(), c.disponibilite.empty()) << c.nom;
    EXPECT_EQ(banc.rapport.Evenements(), attendus) << c.nom;
    EXPECT_EQ(banc.wave.Messages_ouverture, 1) << c.nom;
    EXPECT_FALSE(banc.wave.Format_entree || banc.wave.Format_sortie) << c.nom;
    EXPECT_FALSE(banc.carte.Ouvert(Sens::Entree) || banc.carte.Ouvert(Sens::Sortie)) << c.nom;
  }
}

TEST(VerificationsCarteSon, OrdreDesAppelsEtFormatOuvert) {
  Banc banc;
  EXPECT_TRUE(banc.wave.Verification_carte_son());
  EXPECT_EQ(banc.Appels(), (std::vector<std::string>{"Capacites E", "Capacites S", "Ouverture E",
                                                     "Fermeture E", "Ouverture S", "Fermeture S"}));
  const Format_son f = banc.carte.Format(Sens::Entree);
  EXPECT_EQ(f.echantillons_par_seconde, 11025u);
  EXPECT_EQ(f.canaux, 1);
  EXPECT_EQ(f.bits, 8);
}

TEST(VerificationsCarteSon, CapacitesIllisibles) {
  // The capture mask cannot be read; the playback one has the minimum
  // format, which is enough.
  Banc banc;
  banc.carte.Faire_echouer(Sens::Entree, Operation_son::Capacites, 2);
  EXPECT_TRUE(banc.wave.Verification_carte_son_demarrage());
  EXPECT_EQ(banc.rapport.Erreurs(),
            (std::vector<std::string>{"Erreur sur détermination des capacités d'entrée."_cp}));
  EXPECT_EQ(banc.rapport.Nombre_bips(), 0);
}

// ------------------------------------------------------------ formats

TEST(Ouverture, RecordDeFormat) {
  struct Cas {
    uint8_t huit_bits, stereo;
    int32_t frequence;
    Format_son attendu;
  } cas[] = {
      {1, 0, 11025, {1, 1, 11025, 11025, 1, 8, 0}},
      {0, 1, 22050, {1, 2, 22050, 88200, 4, 16, 0}},
      {7, 0, 44100, {1, 1, 44100, 88200, 2, 16, 0}},  // any value but 1 is 16 bits
  };
  for (const Cas& c : cas) {
    Banc banc;
    ASSERT_EQ(banc.wave.Ouverture_entree_son(c.huit_bits, c.frequence, c.stereo), 0);
    const Format_son& f = *banc.wave.Format_entree;
    const Format_son& a = c.attendu;
    EXPECT_EQ(std::vector<uint32_t>({f.format, f.canaux, f.echantillons_par_seconde,
                                     f.octets_par_seconde, f.alignement, f.bits}),
              std::vector<uint32_t>({a.format, a.canaux, a.echantillons_par_seconde,
                                     a.octets_par_seconde, a.alignement, a.bits}))
        << c.frequence;
    EXPECT_EQ(banc.carte.Format(Sens::Entree).octets_par_seconde, a.octets_par_seconde);
  }
}

// ----------------------------------------------------------- sequences

TEST(FluxEntree, OrdreDesAppelsServiceEtArret) {
  Banc banc;
  banc.Debut_reception();
  banc.carte.Source_capture(Source_enregistrement(Rampe(4 * kTaille_bloc_reception)));
  ASSERT_TRUE(banc.wave.Ouverture_flux_entree());
  const auto blocs = banc.Blocs();
  EXPECT_EQ(banc.Appels(), (std::vector<std::string>{"Ouverture E", "Demarrage E"}));
  for (Tampon_son* b : {&banc.wave.Entree_1, &banc.wave.Entree_2}) {
    EXPECT_EQ(b->Entete()->longueur, 3675u);
    EXPECT_EQ(b->Entete()->boucles, 1u);
    EXPECT_EQ(b->Entete()->octets_enregistres, 0u);
    EXPECT_EQ(b->Entete()->drapeaux, kEntete_prepare | kEntete_en_file);
  }

  // Not yet full one sample short of a block.
  banc.carte.Avancer_echantillons(kTaille_bloc_reception - 1);
  EXPECT_EQ(banc.wave.Bloc_entree_a_servir(), nullptr);
  // Both full: Entree_1 is serviced first, Entree_2 at the next cycle.
  banc.carte.Avancer_echantillons(kTaille_bloc_reception + 1);
  const std::vector<uint8_t> rampe = Rampe(4 * kTaille_bloc_reception);
  std::size_t debut = 0;
  for (const char* attendu : {"E1", "E2", "E1"}) {
    Tampon_son* b = banc.wave.Bloc_entree_a_servir();
    ASSERT_NE(b, nullptr) << attendu;
    EXPECT_EQ(blocs.at(b->Entete()), attendu);
    EXPECT_EQ(b->Entete()->drapeaux & 3u, 3u) << attendu;
    EXPECT_TRUE(
        std::equal(b->Donnees(), b->Donnees() + kTaille_bloc_reception, rampe.begin() + debut))
        << attendu;
    debut += kTaille_bloc_reception;
    banc.wave.Remise_en_file_entree(*b);
    EXPECT_EQ(b->Entete()->octets_enregistres, 0u);
    if (std::string(attendu) == "E2") banc.carte.Avancer_echantillons(kTaille_bloc_reception);
  }
  EXPECT_EQ(banc.wave.Bloc_entree_a_servir(), nullptr);

  banc.carte.Vider_journal();
  banc.wave.Fermeture_flux_entree();
  EXPECT_EQ(banc.Appels(), (std::vector<std::string>{"Arret E", "Fermeture E"}));
  EXPECT_FALSE(banc.wave.Entree_1.memoire_entete || banc.wave.Entree_1.memoire_donnees ||
               banc.wave.Entree_2.memoire_entete || banc.wave.Entree_2.memoire_donnees ||
               banc.wave.Format_entree);
  EXPECT_TRUE(banc.rapport.Evenements().empty());
  // A second stop finds nothing to do.
  banc.carte.Vider_journal();
  banc.wave.Fermeture_flux_entree();
  EXPECT_TRUE(banc.Appels().empty());
  EXPECT_TRUE(banc.rapport.Evenements().empty());
}

TEST(FluxSortie, SilenceAuDebutServiceEtArret) {
  Banc banc;
  banc.Debut_emission();
  ASSERT_TRUE(banc.wave.Ouverture_flux_sortie());
  const auto blocs = banc.Blocs();
  EXPECT_EQ(banc.Appels(),
            (std::vector<std::string>{"Ouverture S", "Ecriture S", "Demarrage S", "Ecriture S"}));
  EXPECT_FALSE(banc.wave.Bloc_termine(banc.wave.Sortie_1));
  EXPECT_TRUE(banc.wave.Bloc_sortie_attendu());

  // The transmit pump's service, with a tone pattern, until both blocks
  // have been refilled once.
  std::vector<uint8_t> motif(kTaille_bloc_emission);
  std::iota(motif.begin(), motif.end(), uint8_t{0});
  for (const char* attendu : {"S1", "S2"}) {
    EXPECT_EQ(banc.wave.Bloc_sortie_a_servir(), nullptr);
    banc.carte.Avancer_echantillons(kTaille_bloc_emission);
    Tampon_son* b = banc.wave.Bloc_sortie_a_servir();
    ASSERT_NE(b, nullptr) << attendu;
    EXPECT_EQ(blocs.at(b->Entete()), attendu);
    banc.wave.Suppression_entete(*b);
    std::copy(motif.begin(), motif.end(), b->Donnees());
    banc.wave.Preparation_entete(*b);
    banc.wave.Ecriture_tampon_sortie(*b);
  }
  banc.carte.Avancer_echantillons(2 * kTaille_bloc_emission);
  std::vector<uint8_t> attendu(2 * kTaille_bloc_emission, 128);
  attendu.insert(attendu.end(), motif.begin(), motif.end());
  attendu.insert(attendu.end(), motif.begin(), motif.end());
  EXPECT_EQ(banc.carte.Echantillons_joues(), attendu);

  banc.carte.Vider_journal();
  banc.wave.Fermeture_flux_sortie();
  EXPECT_EQ(banc.Appels(), (std::vector<std::string>{"Arret S", "Fermeture S"}));
  EXPECT_FALSE(banc.wave.Sortie_1.memoire_entete || banc.wave.Sortie_2.memoire_donnees ||
               banc.wave.Format_sortie);
  EXPECT_FALSE(banc.wave.Bloc_sortie_attendu());
  EXPECT_TRUE(banc.rapport.Evenements().empty());
}

// ------------------------------------------------------ failing steps

TEST(EchecsDesAppels, UnMessageParEtapeAvecSonCode) {
  // A header step (prepare, queue a capture block, unprepare) fails with the
  // state of its stream: the card's state queries are counted, one per
  // step. A capture start prepares Entree_1 and Entree_2 and queues them
  // (queries 1 to 4), its stop unprepares Entree_2 then Entree_1 (5, 6). A
  // playback start prepares Sortie_1 and Sortie_2 (1, 2) and writes them to
  // the stream; its stop unprepares Sortie_1 then Sortie_2 (3, 4).
  struct Cas {
    Sens sens;
    Operation_son operation;
    int rang;
    uint16_t code;
    std::vector<std::string> messages;  // UTF-8
    bool debut_reussi;
    std::vector<std::string> appels_debut;  // empty = not checked
  } cas[] = {
      {Sens::Entree,
       Operation_son::Ouverture,
       1,
       4,
       {"Erreur ouverture entree son n°:4"},
       false,
       {"Ouverture E"}},
      // The start stops queueing at the first failure but still starts.
      {Sens::Entree,
       Operation_son::Etat,  // prepare Entree_1
       1,
       5,
       {"Erreur préparation header éch. n°:5"},
       false,
       {"Ouverture E", "Demarrage E"}},
      {Sens::Entree,
       Operation_son::Etat,  // prepare Entree_2
       2,
       11,
       {"Erreur préparation header bis éch. n°:11"},
       false,
       {"Ouverture E", "Demarrage E"}},
      {Sens::Entree,
       Operation_son::Etat,  // queue Entree_1
       3,
       34,
       {"Erreur préparation buffer éch. n°:34"},
       false,
       {}},
      {Sens::Entree,
       Operation_son::Etat,  // queue Entree_2
       4,
       33,
       {"Erreur préparation buffer bis éch. n°:33"},
       false,
       {}},
      {Sens::Entree,
       Operation_son::Demarrage,
       1,
       1,
       {"Erreur lors de l'échantillonnage n°1"},
       true,
       {}},
      {Sens::Entree,
       Operation_son::Arret,
       1,
       5,
       {"Erreur lors de l'arrêt de l'échantillonnage n°5",
        // The blocks stay on the device, which then refuses the rest.
        "Erreur de suppression de header d'entrée bis n°33",
        "Erreur de suppression de header d'entrée n°33",
        "Erreur lors de fermeture du device d'entrée n°33"},
       true,
       {}},
      // The stop unprepares Entree_2 first.
      {Sens::Entree,
       Operation_son::Etat,
       5,
       33,
       {"Erreur de suppression de header d'entrée bis n°33"},
       true,
       {}},
      {Sens::Entree,
       Operation_son::Etat,
       6,
       33,
       {"Erreur de suppression de header d'entrée n°33"},
       true,
       {}},
      {Sens::Entree,
       Operation_son::Fermeture,
       1,
       33,
       {"Erreur lors de fermeture du device d'entrée n°33"},
       true,
       {}},
      {Sens::Sortie,
       Operation_son::Ouverture,
       1,
       32,
       {"Erreur ouverture sortie son n°:32"},
       false,
       {"Ouverture S"}},
      // A failed prepare closes the playback device at once.
      {Sens::Sortie,
       Operation_son::Etat,  // prepare Sortie_1
       1,
       7,
       {"Erreur préparation header n°:7"},
       false,
       {"Ouverture S", "Fermeture S"}},
      {Sens::Sortie,
       Operation_son::Etat,  // prepare Sortie_2
       2,
       7,
       {"Erreur préparation header bis n°:7"},
       false,
       {"Ouverture S", "Fermeture S"}},
      {Sens::Sortie,
       Operation_son::Ecriture,
       1,
       33,
       {"Erreur de restitution des données n°33"},
       false,
       {"Ouverture S", "Ecriture S"}},
      {Sens::Sortie,
       Operation_son::Ecriture,
       2,
       33,
       {"Erreur de restitution des données bis n°33"},
       false,
       {"Ouverture S", "Ecriture S", "Demarrage S", "Ecriture S"}},
      // The first block written starts the playback.
      {Sens::Sortie,
       Operation_son::Demarrage,
       1,
       1,
       {"Erreur de restitution des données n°1"},
       false,
       {"Ouverture S", "Ecriture S", "Demarrage S", "Arret S"}},
      {Sens::Sortie,
       Operation_son::Arret,
       1,
       1,
       {"Erreur d'arrêt de restitution des données n°1",
        "Erreur de suppression de header de sortie n°33",
        "Erreur de suppression de header de sortie bis n°33",
        "Erreur lors de fermeture du device de sortie n°33"},
       true,
       {}},
      {Sens::Sortie,
       Operation_son::Etat,  // unprepare Sortie_1
       3,
       33,
       {"Erreur de suppression de header de sortie n°33"},
       true,
       {}},
      {Sens::Sortie,
       Operation_son::Etat,  // unprepare Sortie_2
       4,
       33,
       {"Erreur de suppression de header de sortie bis n°33"},
       true,
       {}},
      {Sens::Sortie,
       Operation_son::Fermeture,
       1,
       6,
       {"Erreur lors de fermeture du device de sortie n°6"},
       true,
       {}},
  };
  for (const Cas& c : cas) {
    Banc banc;
    const std::string nom = c.messages.front();
    banc.carte.Faire_echouer(c.sens, c.operation, c.code, c.rang);
    const bool entree = c.sens == Sens::Entree;
    entree ? banc.Debut_reception() : banc.Debut_emission();
    EXPECT_EQ(entree ? banc.wave.Ouverture_flux_entree() : banc.wave.Ouverture_flux_sortie(),
              c.debut_reussi)
        << nom;
    if (!c.appels_debut.empty()) {
      EXPECT_EQ(banc.Appels(), c.appels_debut) << nom;
    }
    entree ? banc.wave.Fermeture_flux_entree() : banc.wave.Fermeture_flux_sortie();
    std::vector<std::string> attendus;
    for (const auto& m : c.messages) attendus.push_back(Utf8_vers_cp1252(m));
    EXPECT_EQ(banc.rapport.Erreurs(), attendus) << nom;
    EXPECT_EQ(banc.rapport.Nombre_bips(), 0) << nom;
  }
}

TEST(EchecsDesAppels, OuvertureSilencieusePendantLaVerification) {
  Banc banc;
  banc.wave.Messages_ouverture = 0;
  EXPECT_EQ(banc.wave.Ouverture_entree_son(1, 11025, 0), 0);
  EXPECT_EQ(banc.wave.Ouverture_entree_son(1, 11025, 0), 1);  // already open: 4
  EXPECT_EQ(banc.wave.Ouverture_sortie_son(1, 8000), 1);      // not a standard format: 32
  EXPECT_TRUE(banc.rapport.Evenements().empty());
  banc.wave.Messages_ouverture = 1;
  EXPECT_EQ(banc.wave.Ouverture_sortie_son(1, 8000), 1);
  EXPECT_EQ(banc.rapport.Erreurs(),
            std::vector<std::string>{"Erreur ouverture sortie son n°:32"_cp});
}

TEST(EchecsDesAppels, AllocationRefusee) {
  struct Cas {
    Sens sens;
    int rang;  // header 1, data 1, header 2, data 2
    const char* message;
  } cas[] = {
      {Sens::Entree, 1, "Erreur allocation header d'entrée"},
      {Sens::Entree, 2, "Erreur allocation buffer d'entrée"},
      {Sens::Entree, 3, "Erreur allocation header d'entrée 2"},
      {Sens::Entree, 4, "Erreur allocation buffer d'entrée 2"},
      {Sens::Sortie, 1, "Erreur allocation header de sortie"},
      {Sens::Sortie, 2, "Erreur allocation buffer de sortie"},
      {Sens::Sortie, 3, "Erreur allocation header de sortie 2"},
      {Sens::Sortie, 4, "Erreur allocation buffer de sortie 2"},
  };
  for (const Cas& c : cas) {
    Banc banc;
    banc.carte.Refuser_allocation(c.rang);
    const bool entree = c.sens == Sens::Entree;
    entree ? banc.Debut_reception() : banc.Debut_emission();
    // Without both blocks nothing goes to the device.
    EXPECT_FALSE(entree ? banc.wave.Ouverture_flux_entree() : banc.wave.Ouverture_flux_sortie())
        << c.message;
    EXPECT_TRUE(banc.Appels().empty()) << c.message;
    EXPECT_EQ(banc.rapport.Erreurs(), std::vector<std::string>{Utf8_vers_cp1252(c.message)})
        << c.message;
    entree ? banc.wave.Fermeture_flux_entree() : banc.wave.Fermeture_flux_sortie();
    EXPECT_EQ(banc.rapport.Erreurs().size(), 1u) << c.message;
  }
}

TEST(EchecsDesAppels, BlocSansMemoireJamaisConfieAuPeripherique) {
  Banc banc;
  banc.Debut_reception();
  ASSERT_EQ(banc.wave.Ouverture_entree_son(1, 11025, 0), 0);
  banc.carte.Refuser_allocation(2);
  banc.wave.Allocation_tampon(banc.wave.Entree_1);
  banc.carte.Vider_journal();
  banc.rapport.Vider();
  EXPECT_EQ(banc.wave.Preparation_entete(banc.wave.Entree_1), 1);
  EXPECT_EQ(banc.wave.Ajout_tampon_entree(banc.wave.Entree_1), 1);
  banc.wave.Suppression_entete(banc.wave.Entree_1);
  EXPECT_TRUE(banc.Appels().empty());
  EXPECT_EQ(banc.rapport.Erreurs(),
            (std::vector<std::string>{"Erreur préparation header éch. n°:11"_cp,
                                      "Erreur préparation buffer éch. n°:11"_cp,
                                      "Erreur de suppression de header d'entrée n°11"_cp}));
}

TEST(EchecsDesAppels, LiberationDUnBlocEnFile) {
  // Freeing a block still queued first takes it back from the device.
  Banc banc;
  banc.Debut_reception();
  ASSERT_TRUE(banc.wave.Ouverture_flux_entree());
  banc.wave.Liberation_tampon(banc.wave.Entree_1);
  banc.wave.Liberation_tampon(banc.wave.Entree_2);
  banc.carte.Avancer_echantillons(10 * kTaille_bloc_reception);
  banc.wave.Fermeture_entree();
  EXPECT_FALSE(banc.carte.Ouvert(Sens::Entree));
  EXPECT_TRUE(banc.rapport.Evenements().empty());
}

// ------------------------------------------------- card that disappears

TEST(CarteRetiree, CaptureUnSeulMessageEtArretComplet) {
  Banc banc;
  banc.Debut_reception();
  ASSERT_TRUE(banc.wave.Ouverture_flux_entree());
  banc.carte.Avancer_echantillons(1000);
  banc.carte.Retirer();
  // The pump's cycles: no block is full, the failure is shown once.
  for (int cycle = 0; cycle < 5; ++cycle) {
    EXPECT_EQ(banc.wave.Bloc_entree_a_servir(), nullptr);
    banc.carte.Avancer_echantillons(kTaille_bloc_reception);
  }
  EXPECT_EQ(banc.wave.Entree_1.Entete()->octets_enregistres, 1000u);
  EXPECT_EQ(banc.wave.Entree_1.Entete()->drapeaux & kEntete_termine, kEntete_termine);
  banc.wave.Remise_en_file_entree(banc.wave.Entree_1);
  banc.wave.Fermeture_flux_entree();
  EXPECT_EQ(banc.rapport.Erreurs(),
            std::vector<std::string>{"Erreur lors de l'échantillonnage n°6"_cp});
  EXPECT_FALSE(banc.carte.Ouvert(Sens::Entree));
  EXPECT_FALSE(banc.wave.Entree_1.memoire_entete || banc.wave.Format_entree);
  // Nothing is left to open.
  banc.rapport.Vider();
  EXPECT_FALSE(banc.wave.Verification_carte_son());
  EXPECT_EQ(banc.rapport.Erreurs(),
            std::vector<std::string>{"Fonctionnement impossible car il n'y a pas de carte son"});
}

TEST(CarteRetiree, RestitutionLaPompeNAttendJamais) {
  Banc banc;
  banc.Debut_emission();
  ASSERT_TRUE(banc.wave.Ouverture_flux_sortie());
  banc.carte.Avancer_echantillons(100);
  banc.carte.Retirer();
  // Each cycle still finds a block to service: the blocks that cannot be
  // played come back at once, so a pump waiting for one never hangs.
  for (int cycle = 0; cycle < 6; ++cycle) {
    Tampon_son* b = banc.wave.Bloc_sortie_a_servir();
    ASSERT_NE(b, nullptr) << cycle;
    banc.wave.Suppression_entete(*b);
    banc.wave.Preparation_entete(*b);
    EXPECT_EQ(banc.wave.Ecriture_tampon_sortie(*b), 1);
  }
  banc.wave.Fermeture_flux_sortie();
  EXPECT_EQ(banc.rapport.Erreurs(),
            std::vector<std::string>{"Erreur de restitution des données n°6"_cp});
  EXPECT_FALSE(banc.carte.Ouvert(Sens::Sortie));
  EXPECT_EQ(banc.carte.Echantillons_joues(), std::vector<uint8_t>(100, 128));
}

// ------------------------------------------------------- stream queue

TEST(FileSon, UnProducteurUnConsommateurSansPerteNiDesordre) {
  // An audio thread deposits a counting sequence in chunks of every size
  // (the queue full, part of it lost); the caller takes whole blocks. What
  // is taken is the sequence in order, with the lost stretches left out
  // only where the queue was full.
  constexpr std::size_t kBloc = 97;
  FileSon file;
  ASSERT_TRUE(file.Dimensionner(kBloc, 2, true));
  constexpr uint64_t kTotal = 200000;
  std::atomic<bool> fini{false};
  std::vector<uint64_t> pertes;  // positions where a deposit fell short
  std::thread audio([&] {
    uint64_t n = 0;
    std::size_t morceau = 1;
    std::vector<uint8_t> octets;
    while (n < kTotal) {
      octets.resize(morceau);
      for (std::size_t i = 0; i < morceau; ++i) octets[i] = static_cast<uint8_t>((n + i) % 251);
      const std::size_t pris = file.Deposer(octets.data(), morceau);
      n += morceau;
      if (pris < morceau) pertes.push_back(n);
      morceau = morceau % 300 + 1;
    }
    fini = true;
  });
  std::vector<uint8_t> bloc(kBloc);
  uint64_t blocs = 0;
  int sauts = 0;
  uint8_t attendu = 0;
  bool premier = true;
  uint64_t vu = 0;
  while (!fini || file.Remplissage() >= kBloc) {
    if (!file.Prendre_bloc(bloc)) {
      vu = file.Compteur().Attendre_au_dela(vu, std::chrono::milliseconds(10));
      continue;
    }
    ++blocs;
    for (uint8_t v : bloc) {
      if (!premier && v != attendu) ++sauts;  // a lost stretch ends here
      attendu = static_cast<uint8_t>((v + 1) % 251);
      premier = false;
    }
  }
  audio.join();
  EXPECT_GT(blocs, 0u);
  EXPECT_LE(sauts, static_cast<int>(pertes.size()));
  EXPECT_LT(file.Remplissage(), kBloc);
  EXPECT_GE(file.Compteur().Valeur(), blocs);
}

TEST(FileSon, BlocsAJouerEtTourDeLaFile) {
  // Playback: the caller writes whole blocks, the audio side takes any
  // amount; a block counts as waiting until its last byte is taken.
  FileSon file;
  ASSERT_TRUE(file.Dimensionner(10, 2, false));
  std::vector<uint8_t> a(10, 1), b(10, 2), sortie(30);
  EXPECT_EQ(file.Deposer(a.data(), 10), 10u);
  EXPECT_EQ(file.Deposer(b.data(), 10), 10u);
  EXPECT_EQ(file.Place(), 0u);
  EXPECT_EQ(file.Blocs_en_attente(), 2u);
  EXPECT_EQ(file.Prendre(sortie.data(), 9), 9u);
  EXPECT_EQ(file.Blocs_en_attente(), 2u);
  EXPECT_EQ(file.Prendre(sortie.data() + 9, 1), 1u);
  EXPECT_EQ(file.Blocs_en_attente(), 1u);
  EXPECT_EQ(file.Compteur().Valeur(), 1u);
  EXPECT_EQ(file.Deposer(a.data(), 10), 10u);  // across the end of the ring
  EXPECT_EQ(file.Prendre(sortie.data() + 10, 25), 20u);
  std::vector<uint8_t> attendu(a);
  attendu.insert(attendu.end(), b.begin(), b.end());
  attendu.insert(attendu.end(), a.begin(), a.end());
  EXPECT_EQ(sortie, attendu);
  EXPECT_EQ(file.Blocs_en_attente(), 0u);
  EXPECT_EQ(file.Compteur().Valeur(), 3u);
}

// ------------------------------------------------ waits and single block

TEST(AttenteDesBlocs, UnConsommateurAttendLeBlocSuivant) {
  Banc banc;
  banc.Debut_reception();
  ASSERT_TRUE(banc.wave.Ouverture_flux_entree());
  const uint64_t avant = banc.wave.Blocs_entree_rendus();
  uint64_t vu = avant;
  std::thread consommateur(
      [&] { vu = banc.wave.Attendre_bloc_entree(avant, std::chrono::seconds(20)); });
  banc.carte.Avancer_echantillons(kTaille_bloc_reception);
  consommateur.join();
  EXPECT_EQ(vu, avant + 1);
  // Nothing more comes: the wait ends with the time allowed.
  EXPECT_EQ(banc.wave.Attendre_bloc_entree(vu, std::chrono::milliseconds(1)), vu);
  banc.wave.Fermeture_flux_entree();
}

TEST(BlocUnique, HorlogeMurale) {
  Banc banc({}, Horloge_carte::Murale);
  std::vector<uint8_t> enregistrement = Rampe(kTaille_bloc_niveau);
  banc.carte.Source_capture(Source_enregistrement(enregistrement));
  banc.wave.Taille_tampon = kTaille_bloc_niveau;
  ASSERT_TRUE(banc.wave.Acquisition_bloc_unique(std::chrono::seconds(20)));
  EXPECT_TRUE(
      std::equal(enregistrement.begin(), enregistrement.end(), banc.wave.Entree_1.Donnees()));
  EXPECT_FALSE(banc.carte.Ouvert(Sens::Entree));
  banc.wave.Liberation_bloc_unique();
  EXPECT_FALSE(banc.wave.Entree_1.memoire_entete || banc.wave.Format_entree);

  // A capture that never starts ends with the time allowed.
  banc.carte.Faire_echouer(Sens::Entree, Operation_son::Demarrage, 1);
  EXPECT_FALSE(banc.wave.Acquisition_bloc_unique(std::chrono::milliseconds(30)));
  banc.wave.Liberation_bloc_unique();
  EXPECT_EQ(banc.rapport.Erreurs(),
            std::vector<std::string>{"Erreur lors de l'échantillonnage n°1"_cp});
}

}  // namespace
}  // namespace vestral
