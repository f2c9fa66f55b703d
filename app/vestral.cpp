// VESTRAL: the Morse transceiver's program. Works in the current directory
// (CONFCWER.SER, F1.SER..F4.SER, QSO_MORSE.TXT, AIDE_CW.HLP).
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QIcon>
#include <QSocketNotifier>
#include <cstdio>
#include <cstring>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/fenetres/FICHE_PRINCIPALE.h"
#include "app/fenetres/MenuPeripheriquesSon.h"
#include "dsp/ReglagesReception.h"
#include "morse/SignalSimule.h"
#include "shell/CheminsPortsSerie.h"
#include "shell/Configuration.h"
#include "shell/Cp1252.h"
#include "shell/EspacePorts.h"
#include "shell/EtatGeneral.h"
#include "shell/FONCTIONS_FICHIERS.h"
#include "shell/HautParleur.h"
#include "shell/JournalQSO.h"
#include "shell/Peripheriques.h"
#include "shell/PortSerie.h"
#include "shell/ReglagesProgramme.h"
#include "shell/fenetres/EconomiseurEcran.h"
#include "shell/fenetres/OutilsQt.h"
#include "shell/fenetres/RapportQt.h"
#include "shell/linux/PortSerieLinux.h"
#include "shell/linux/TonaliteLinux.h"
#include "sound/AcquisitionBloc.h"
#include "sound/CarteSimulee.h"
#include "sound/ChoixPeripheriques.h"
#include "sound/FONCTIONS_MIXER.h"
#include "sound/FONCTIONS_MIXER_SIMULE.h"
#include "sound/FONCTIONS_WAVE.h"
#include "sound/FichierAudio.h"
#include "sound/linux/MixerAlsa.h"
#include "sound/linux/PeripheriqueSonPortAudio.h"
#include "sound/linux/PeripheriquesSysteme.h"
#include "sound/linux/TonalitePortAudio.h"
#include "station/JournalAdif.h"
#include "station/ReglagesStation.h"
#include "station/Station.h"
#include "station/fenetres/MenuStation.h"
#include "transceiver/EnvironnementProgramme.h"
#include "tools/LigneCommande.h"
#include "transceiver/EnvironnementStation.h"
#include "transceiver/fenetres/StationEmetteurRecepteur.h"
#include "transceiver/fenetres/TRADUCTEUR_EDITEUR.h"

namespace {

using namespace vestral;

constexpr char kAide[] =
    "Usage : vestral [options]\n"
    "Émetteur-récepteur morse (CW) par carte son. Travaille dans le dossier courant\n"
    "(CONFCWER.SER, F1.SER à F4.SER, QSO_MORSE.TXT, AIDE_CW.HLP).\n"
    "\n"
    "  --simulation                   carte son, table de mixage et port série simulés ;\n"
    "                                 le signal reçu est un QSO en morse généré\n"
    "  --signal FICHIER               signal reçu pris dans un enregistrement (WAV, FLAC...,\n"
    "                                 rejoué en boucle ; avec --simulation)\n"
    "  --emission FICHIER.wav         écrit à la sortie ce qui a été émis (avec --simulation)\n"
    "  --com1=CHEMIN .. --com4=CHEMIN périphérique tenant lieu de COM1 à COM4 (aussi\n"
    "                                 VESTRAL_COM1..4 ; sinon /dev/ttyS0 à /dev/ttyS3)\n"
    "  --rig MODELE                   poste commandé par hamlib (numéro de modèle ;\n"
    "                                 2 : rigctld sur le réseau ; 0 : aucun)\n"
    "  --rig-device CHEMIN|HÔTE:PORT  liaison avec le poste (/dev/ttyUSB0, localhost:4532)\n"
    "  --rig-speed BAUDS              vitesse de la liaison série avec le poste\n"
    "  --ptt cat|serial|none          passage en émission par le poste, par la ligne\n"
    "                                 DTR/RTS du port série (par défaut) ou sans commande\n"
    "  --cwdaemon[=PORT]              reçoit les textes et commandes d'un logiciel de\n"
    "                                 trafic (protocole cwdaemon, UDP, port 6789 par défaut)\n"
    "  --cwdaemon-address ADRESSE     adresse d'écoute du manipulateur (127.0.0.1 par défaut)\n"
    "  (ces réglages sont aussi dans le menu Station, gardés dans VESTRAL.INI ; ceux de\n"
    "   la ligne de commande valent pour cette fois seulement)\n"
    "  --help                         cette aide\n"
    "  --version                      la version\n";

struct Options {
  bool simulation = false;
  // Station settings given on the command line (for this run).
  std::string rig, rig_device, rig_speed, ptt, cwdaemon_port, cwdaemon_adresse;
  bool cwdaemon = false;
  std::string signal;
  std::string emission;
  std::vector<uint8_t> enregistrement;  // the samples of --signal
  bool aide = false;
  bool version = false;
  std::string erreur;
};

Options Lire_options(int argc, char** argv) {
  Options o;
  AnalyseurOptions app;
  Ajouter_drapeau(app, "-h,--help", o.aide);
  Ajouter_drapeau(app, "--version", o.version);
  Ajouter_drapeau(app, "--simulation", o.simulation);
  app.add_option("--signal", o.signal);
  app.add_option("--emission", o.emission);
  app.add_option("--rig", o.rig);
  app.add_option("--rig-device", o.rig_device);
  app.add_option("--rig-speed", o.rig_speed);
  app.add_option("--ptt", o.ptt);
  app.add_option("--cwdaemon-address", o.cwdaemon_adresse);
  // --cwdaemon alone, or with its port (--cwdaemon 6790, --cwdaemon=6790).
  CLI::Option* cwdaemon = app.add_option("--cwdaemon", o.cwdaemon_port)->expected(0, 1);
  std::vector<std::string> operandes;
  const Echec_options echec = Analyser_options(app, argc, argv, operandes);
  if (echec.genre == Echec_options::Genre::Valeur_manquante)
    o.erreur = "l'option " + echec.argument + " attend une valeur";
  else if (echec)
    o.erreur = "option inconnue : " + echec.argument;
  else if (!operandes.empty())
    o.erreur = "option inconnue : " + operandes.front();
  o.cwdaemon = cwdaemon->count() > 0;
  return o;
}

// The station settings of this run: VESTRAL.INI, then the command line
// (which is not written back). With --simulation, a rig only when --rig is
// given. Empty error on success.
std::string Reglages_de_la_station(const Options& o, ReglagesStation& r) {
  auto Nombre = [](const std::string& texte, long min, long max, long& valeur) {
    if (texte.empty() || texte.size() > 9 ||
        texte.find_first_not_of("0123456789") != std::string::npos)
      return false;
    valeur = std::stol(texte);
    return valeur >= min && valeur <= max;
  };
  if (o.simulation && o.rig.empty()) r.poste = {};
  long n = 0;
  if (!o.rig.empty()) {
    if (!Nombre(o.rig, 0, 999999, n)) return "--rig attend un numéro de modèle hamlib";
    r.poste.modele = static_cast<int>(n);
  }
  if (!o.rig_device.empty()) r.poste.peripherique = o.rig_device;
  if (!o.rig_speed.empty()) {
    if (!Nombre(o.rig_speed, 1, 4000000, n)) return "--rig-speed attend une vitesse en bauds";
    r.poste.vitesse = static_cast<int>(n);
  }
  if (!o.ptt.empty()) {
    const auto mode = Mode_ptt_depuis(o.ptt);
    if (!mode) return "--ptt attend cat, serial ou none";
    r.ptt = *mode;
  }
  if (o.cwdaemon) {
    r.cwdaemon = true;
    if (!o.cwdaemon_port.empty()) {
      if (!Nombre(o.cwdaemon_port, 1, 65535, n)) return "--cwdaemon attend un port UDP";
      r.port_cwdaemon = static_cast<uint16_t>(n);
    }
  }
  if (!o.cwdaemon_adresse.empty()) r.adresse_cwdaemon = o.cwdaemon_adresse;
  const ReglagesStation relu = Reglages_station_depuis(Texte_reglages_station(r));
  if (relu != r) return "réglage de la station invalide";
  return {};
}

// The end of the session or a termination signal closes the main window,
// which runs the quit sequence.
int tube_signaux[2] = {-1, -1};

void Signal_recu(int) {
  const char octet = 1;
  [[maybe_unused]] const auto n = ::write(tube_signaux[1], &octet, 1);
}

void Installer_signaux(QWidget* fenetre) {
  if (::pipe2(tube_signaux, O_CLOEXEC | O_NONBLOCK) != 0) return;
  auto* notification = new QSocketNotifier(tube_signaux[0], QSocketNotifier::Read, fenetre);
  QObject::connect(notification, &QSocketNotifier::activated, fenetre, [fenetre] {
    char octet;
    while (::read(tube_signaux[0], &octet, 1) > 0) {
    }
    fenetre->close();
  });
  struct sigaction action {};
  action.sa_handler = Signal_recu;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int s : {SIGTERM, SIGHUP, SIGINT}) sigaction(s, &action, nullptr);
}

// What the simulated receiver hears: a QSO between two stations, at about
// 18 words per minute, on a tone near 700 Hz, in band noise.
constexpr char kTexte_QSO[] =
    "CQ CQ CQ DE QX1AB QX1AB QX1AB PSE K   "
    "QX1AB DE QZ2CD QZ2CD K   "
    "QZ2CD DE QX1AB GM OM ES TNX FER CALL = UR RST 579 579 = QTH RENNES RENNES = "
    "NAME PAUL PAUL = HW? QZ2CD DE QX1AB K   "
    "QX1AB DE QZ2CD R GM PAUL TNX FER RPRT = UR RST 599 599 = QTH NANTES NANTES = "
    "NAME ANNE ANNE = WX SUNNY ES WARM = QX1AB DE QZ2CD K   "
    "QZ2CD DE QX1AB R TNX ANNE FER FB QSO = 73 ES GL $ QZ2CD DE QX1AB TU   ";

Parametres_signal Signal_du_QSO() {
  Parametres_signal p;
  p.texte = Utf8_vers_cp1252(kTexte_QSO);
  p.mots_par_minute = 18;
  p.frequence = 700;
  p.rapport_signal_bruit_db = 12;
  p.amplitude = 0.4;
  p.pause_secondes = 3;
  return p;
}

// The devices of the program, seen by the windows and the settings: the PC
// speaker and the serial keying line in the I/O port space, the mixer, the
// sound card. Real ones, or all simulated with --simulation.
class Appareils : public Peripheriques, public ReglageMixer {
 public:
  Appareils(const Options& options, const ChoixResolu& choix_son, const CheminsPortsSerie& chemins,
            std::unique_ptr<Tonalite> tonalite, Rapport& rapport)
      : options_(options),
        rapport_(rapport),
        carte_(Carte_son(options, choix_son.choix)),
        wave_(*carte_, rapport),
        tonalite_(std::move(tonalite)),
        minuterie_(ports_, *tonalite_),
        haut_parleur_(ports_),
        acces_serie_(options.simulation
                         ? std::unique_ptr<AccesSerie>(std::make_unique<AccesSerieSimule>())
                         : std::make_unique<AccesSerieLinux>(chemins)),
        port_serie_(ports_, *acces_serie_, rapport),
        mixer_(options.simulation ? std::make_unique<MixerSimule>(Carte_typique())
                                  : Ouvrir_mixer_systeme(choix_son.source_serveur)),
        fonctions_mixer_(*mixer_),
        source_mixer_(choix_son.source_serveur) {}

  // The devices named by the options or the environment (`impose`) and in
  // VESTRAL.INI (`reglages`), looked for again before each window that
  // opens the sound devices.
  void Suivre_choix(const ChoixPeripheriques& impose, const ReglagesProgramme& reglages) {
    impose_ = impose;
    reglages_ = &reglages;
  }
  ChoixPeripheriques Memorise() const {
    ChoixPeripheriques m;
    if (reglages_) {
      m.capture = reglages_->Valeur(kCle_capture);
      m.restitution = reglages_->Valeur(kCle_restitution);
      m.ecoute = reglages_->Valeur(kCle_ecoute);
    }
    return m;
  }
  const ChoixPeripheriques& Impose() const { return impose_; }

  // A device unplugged and plugged back, or chosen in the menu, is found by
  // its name; a new capture device on the sound server brings its own mixer
  // (the old one gets its values back first).
  void Actualiser_peripheriques() {
    auto* portaudio = dynamic_cast<PeripheriqueSonPortAudio*>(carte_.get());
    if (options_.simulation || portaudio == nullptr) return;
    const ChoixResolu r = Resoudre_choix(impose_, Memorise());
    Diriger_flux_serveur(r.source_serveur, r.sortie_serveur);
    portaudio->Choisir(r.choix);
    if (r.source_serveur == source_mixer_ || !configuration_) return;
    fonctions_mixer_.Reglage_par_logiciel = configuration_->valeurs.Reglage_par_logiciel;
    fonctions_mixer_.Restauration_mixer();
    auto nouveau = Ouvrir_mixer_systeme(r.source_serveur);
    fonctions_mixer_.Changer_de_mixer(*nouveau);
    mixer_ = std::move(nouveau);
    source_mixer_ = r.source_serveur;
    if (configuration_mixer_) configuration_mixer_();
  }
  // Programs the new mixer from the settings.
  void Apres_changement_de_mixer(std::function<void()> f) { configuration_mixer_ = std::move(f); }

  // The settings whose serial port choice the keying line follows.
  void Suivre(const Configuration& configuration) { configuration_ = &configuration; }

  HautParleur& Haut_parleur() { return haut_parleur_; }
  PortSerie& Port_serie() { return port_serie_; }
  FonctionsMixer& Mixer() { return fonctions_mixer_; }
  FonctionsWave& Wave() { return wave_; }
  PeripheriqueSon& Carte() { return *carte_; }

  void Calibrage_attente() override { haut_parleur_.Calibrage_attente(); }
  void Silence() override { haut_parleur_.Silence(); }
  bool Verification_carte_son_demarrage() override {
    return wave_.Verification_carte_son_demarrage();
  }
  bool Verification_carte_son() override {
    Actualiser_peripheriques();
    return wave_.Verification_carte_son();
  }
  void Test_port_serie() override {
    Port_choisi();
    port_serie_.Test_port_serie();
  }
  bool Ouverture_port_serie(int numero) override {
    Port_choisi();
    return port_serie_.Ouverture_port_serie(numero);
  }
  void Restauration_mixer() override {
    if (configuration_)
      fonctions_mixer_.Reglage_par_logiciel = configuration_->valeurs.Reglage_par_logiciel;
    fonctions_mixer_.Restauration_mixer();
  }
  void Preparation_emetteur_recepteur() override {
    Port_choisi();
    wave_.Entree_stereo = 0;
    wave_.Entree_8_bits = 1;
    wave_.Sortie_8_bits = 1;
  }

  // The level window's block, started here and looked at on each tick.
  bool Debut_acquisition(int taille) override { return acquisition_.Debut(taille); }
  bool Acquisition_terminee() override { return acquisition_.Terminee(); }
  std::vector<uint8_t> Fin_acquisition() override { return acquisition_.Fin(); }

  void Reglage_mixer(const CommandeMixer& c, ResultatMixer& r) override {
    fonctions_mixer_.Reglage_par_logiciel = c.Reglage_par_logiciel;
    fonctions_mixer_.Volume_wave = c.Volume_wave;
    fonctions_mixer_.Reglage_mixer(
        c.Entree_micro, c.Volume_sortie_gauche, c.Volume_sortie_droite,
        c.Volume_enregistrement_gauche, c.Volume_enregistrement_droite,
        c.Niveau_controle_haut_parleurs, c.Niveau_controle_enregistrement, r.Mixer_present,
        r.Enregistrement_trouve, r.Haut_parleurs_trouves, r.Entree_wave_trouvee,
        r.Entree_enregistrement_trouvee, r.Entree_restitution_trouvee);
  }

 private:
  void Port_choisi() {
    if (configuration_) port_serie_.Choix_port(configuration_->Valeur(Champ::Port_serie));
  }
  static std::unique_ptr<PeripheriqueSon> Carte_son(const Options& options,
                                                    const ChoixPeripheriques& choix) {
    if (!options.simulation)
      return std::make_unique<PeripheriqueSonPortAudio>(Options_portaudio{.choix = choix});
    auto carte = std::make_unique<CarteSimulee>(Configuration_carte{}, Horloge_carte::Murale);
    if (!options.enregistrement.empty())
      carte->Source_capture(Source_enregistrement(options.enregistrement, true));
    else
      carte->Source_capture(SignalSimule(Signal_du_QSO()));
    return carte;
  }

  const Options& options_;
  Rapport& rapport_;
  std::unique_ptr<PeripheriqueSon> carte_;
  FonctionsWave wave_;
  AcquisitionBloc acquisition_{wave_};
  const Configuration* configuration_ = nullptr;
  EspacePorts ports_;
  std::unique_ptr<Tonalite> tonalite_;
  MinuterieHautParleur minuterie_;
  HautParleur haut_parleur_;
  std::unique_ptr<AccesSerie> acces_serie_;
  PortSerie port_serie_;
  std::unique_ptr<vestral::Mixer> mixer_;
  FonctionsMixer fonctions_mixer_;
  std::string source_mixer_;
  ChoixPeripheriques impose_;
  const ReglagesProgramme* reglages_ = nullptr;
  std::function<void()> configuration_mixer_;
};

}  // namespace

int main(int argc, char** argv) {
  const ChoixPeripheriques choix_son = Lire_choix_peripheriques(argc, argv);
  if (!choix_son.erreur.empty()) {
    std::fprintf(stderr, "vestral: %s\n", choix_son.erreur.c_str());
    return 2;
  }
  if (choix_son.lister) {
    Afficher_peripheriques_son(std::cout, choix_son);
    return 0;
  }
  CheminsPortsSerie chemins = CheminsPortsSerie::Depuis_environnement();
  argc = chemins.Retirer_options(argc, argv);
  Options options = Lire_options(argc, argv);
  if (options.aide) {
    std::fputs(kAide, stdout);
    std::fputs(kAide_choix_peripheriques, stdout);
    return 0;
  }
  if (options.version) {
    std::puts("vestral " VESTRAL_VERSION);
    return 0;
  }
  if (!options.erreur.empty()) {
    std::fprintf(stderr, "vestral: %s\n", options.erreur.c_str());
    std::fputs(kAide, stderr);
    return 2;
  }
  if (!options.signal.empty()) {
    if (!options.simulation) {
      std::fputs("vestral: --signal ne sert qu'avec --simulation\n", stderr);
      return 2;
    }
    LectureAudio lecture = Lire_fichier_audio(options.signal);
    if (!lecture.erreur.empty() || lecture.echantillons.empty()) {
      std::fprintf(stderr, "vestral: %s: %s\n", options.signal.c_str(),
                   lecture.erreur.empty() ? "enregistrement vide" : lecture.erreur.c_str());
      return 2;
    }
    options.enregistrement = std::move(lecture.echantillons);
  }
  if (ReglagesStation essai; !Reglages_de_la_station(options, essai).empty()) {
    std::fprintf(stderr, "vestral: %s\n", Reglages_de_la_station(options, essai).c_str());
    return 2;
  }
  if (!options.emission.empty() && !options.simulation) {
    std::fputs("vestral: --emission ne sert qu'avec --simulation\n", stderr);
    return 2;
  }

  // The devices: the options and environment win over VESTRAL.INI; on a
  // desktop sound server the names are the server's.
  ChoixResolu choix_resolu;
  choix_resolu.choix = choix_son;
  if (!options.simulation) {
    RapportConsole rapport_console;
    FichiersTexte fichiers_debut(rapport_console, ".");
    ReglagesProgramme memorise(fichiers_debut);
    memorise.Lire();
    ChoixPeripheriques m;
    m.capture = memorise.Valeur(kCle_capture);
    m.restitution = memorise.Valeur(kCle_restitution);
    m.ecoute = memorise.Valeur(kCle_ecoute);
    choix_resolu = Resoudre_choix(choix_son, m);
    Diriger_flux_serveur("", choix_resolu.ecoute_serveur);  // the monitor tone opens now
  }

  // The PC speaker's tones, on the PC speaker or on the --monitor device.
  ChoixTonalite choix_tonalite = Choisir_tonalite(choix_resolu.choix, options.simulation,
                                                  [] { return Ouvrir_tonalite_systeme(); });
  if (!options.simulation)
    Diriger_flux_serveur(choix_resolu.source_serveur, choix_resolu.sortie_serveur);
  for (const auto& message : choix_tonalite.messages)
    std::fprintf(stderr, "vestral: %s\n", message.c_str());
  if (!choix_tonalite.tonalite) return 2;
  std::unique_ptr<Tonalite> tonalite = std::move(choix_tonalite.tonalite);

  QApplication application(argc, argv);
  application.setApplicationName(QStringLiteral("vestral"));
  // The installed desktop entry and icon (packaging/).
  QGuiApplication::setDesktopFileName(QStringLiteral("vestral"));
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("vestral")));
  application.setFont(Police_ms_sans_serif(11));
  application.setQuitOnLastWindowClosed(true);

  RapportQt rapport;
  FichiersTexte fichiers(rapport, ".");
  JournalQSO journal;
  EtatGeneral etat;
  for (const auto& absent : choix_resolu.absents)
    rapport.Erreur(Message_peripherique_absent(absent));
  Appareils appareils(options, choix_resolu, chemins, std::move(tonalite), rapport);
  ReglagesProgramme reglages(fichiers);
  reglages.Lire();
  appareils.Suivre_choix(choix_son, reglages);
  rapport.Definir_bip([&appareils] { appareils.Haut_parleur().Bip_erreur(); });
  Configuration configuration(fichiers, rapport, appareils);
  appareils.Suivre(configuration);
  EconomiseurEcranDBus economiseur;

  // The station: the rig through hamlib, the keying server, the contact
  // log.
  Station station(Creer_poste_hamlib, Ouvrir_canal_udp, rapport);
  {
    ReglagesStation reglages = Lire_reglages_station(fichiers);
    if (const std::string erreur = Reglages_de_la_station(options, reglages); !erreur.empty()) {
      std::fprintf(stderr, "vestral: %s\n", erreur.c_str());
      return 2;
    }
    station.Appliquer(reglages);
  }
  journal.Note_des_marqueurs([&station] { return station.Texte_frequence(); });
  JournalContacts contacts(rapport, ".");

  ReglagesReception reception;
  Contexte contexte{rapport,     fichiers, configuration, journal, appareils,
                    economiseur, etat,     reception,     {},      {},
                    {},          {}};
  appareils.Apres_changement_de_mixer([&configuration] { configuration.Appliquer_mode_mixer(); });
  if (!options.simulation)
    contexte.Ajouter_menus = [&](QMenuBar* barre) {
      Ajouter_menu_peripheriques_son(
          barre, {[] {
                    return Lister_peripheriques_menus(Lister_peripheriques_serveur(),
                                                      Lister_peripheriques_son());
                  },
                  [&](const std::string& cle) {
                    const ChoixPeripheriques& i = appareils.Impose();
                    const std::string impose = cle == kCle_capture       ? i.capture
                                               : cle == kCle_restitution ? i.restitution
                                                                         : i.ecoute;
                    return impose.empty() ? reglages.Valeur(cle) : impose;
                  },
                  [&](const std::string& cle, const std::string& nom) {
                    if (!reglages.Changer(cle, nom)) return;
                    if (cle == kCle_ecoute)
                      rapport.Panneau(Utf8_vers_cp1252(
                          "Le périphérique d'écoute choisi sera utilisé au prochain démarrage."));
                    else
                      appareils.Actualiser_peripheriques();
                  }});
    };
  // The transceiver window, on the same devices and settings; keyed as the
  // station settings say.
  EnvironnementProgramme environnement_programme(appareils.Haut_parleur(), appareils.Port_serie(),
                                                 appareils.Mixer(), configuration);
  EnvironnementStation environnement(environnement_programme, station);
  contexte.Creer_emetteur_recepteur = [&](QWidget* parent) -> QDialog* {
    TForm8* fenetre =
        Creation_emetteur_recepteur({appareils.Wave(), environnement, journal, reception,
                                     configuration.valeurs, etat.Horloge_active},
                                    parent);
    Attacher_station(fenetre, station, environnement, configuration.valeurs,
                     [&](QWidget* dessus, const std::string& recu) {
                       Ouvrir_contact(dessus, contacts, station, recu);
                     });
    return fenetre;
  };
  contexte.Menu_station = [&](QMenu* menu) {
    Remplir_menu_station(menu, {station, contacts, fichiers, [&journal] { return journal.Texte(); },
                                [&etat] { return etat.Horloge_active.load() == 1; }});
  };
  std::unique_ptr<TForm1> fenetre = Creation_des_fenetres(contexte);
  if (!fenetre) return 1;  // no usable sound card: reported, nothing written
  rapport.Attacher_panneau(fenetre->Panel1);
  Installer_signaux(fenetre.get());
  fenetre->show();
  const int resultat = application.exec();
  if (!options.emission.empty()) {
    auto& carte = static_cast<CarteSimulee&>(appareils.Carte());
    if (!carte.Ecrire_wav(options.emission))
      std::fprintf(stderr, "vestral: %s ne peut être écrit\n", options.emission.c_str());
  }
  return resultat;
}
