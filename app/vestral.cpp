// VESTRAL: the Morse transceiver's program. Works in the current directory
// (CONFCWER.SER, F1.SER..F4.SER, QSO_MORSE.TXT, AIDE_CW.HLP).
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "shell/CheminsPortsSerie.h"
#include "shell/Configuration.h"
#include "shell/EspacePorts.h"
#include "shell/EtatGeneral.h"
#include "shell/FONCTIONS_FICHIERS.h"
#include "shell/HautParleur.h"
#include "shell/JournalQSO.h"
#include "shell/Peripheriques.h"
#include "shell/PortSerie.h"
#include "shell/fenetres/EconomiseurEcran.h"
#include "shell/fenetres/FICHE_PRINCIPALE.h"
#include "shell/fenetres/OutilsQt.h"
#include "shell/fenetres/RapportQt.h"
#include "shell/linux/PortSerieLinux.h"
#include "shell/linux/TonaliteLinux.h"
#include "sound/FONCTIONS_MIXER.h"
#include "sound/FONCTIONS_MIXER_SIMULE.h"
#include "sound/linux/MixerAlsa.h"

namespace {

using namespace vestral;

constexpr char kAide[] =
    "Usage: vestral [options]\n"
    "Emetteur-recepteur morse (CW) par carte son. Travaille dans le dossier courant\n"
    "(CONFCWER.SER, F1.SER a F4.SER, QSO_MORSE.TXT, AIDE_CW.HLP).\n"
    "\n"
    "  --com1=CHEMIN .. --com4=CHEMIN\n"
    "                         peripherique tenant lieu de COM1 a COM4 (sinon\n"
    "                         VESTRAL_COM1..4, sinon /dev/ttyS0 a /dev/ttyS3)\n"
    "  --simulation           carte son, table de mixage et port serie simules ;\n"
    "                         le signal recu est un QSO en morse genere\n"
    "  --signal FICHIER.wav   signal recu pris dans un enregistrement (avec --simulation)\n"
    "  --emission FICHIER.wav ecrit dans ce fichier ce qui est emis (avec --simulation)\n"
    "  --help                 cette aide\n";

struct Options {
  bool simulation = false;
  std::string signal;
  std::string emission;
  bool aide = false;
  std::string erreur;
};

Options Lire_options(std::vector<std::string>& arguments) {
  Options o;
  std::vector<std::string> restants;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& a = arguments[i];
    auto valeur = [&](std::string_view nom, std::string& cible) {
      if (a == nom) {
        if (i + 1 >= arguments.size()) {
          o.erreur = "l'option " + a + " attend une valeur";
          return true;
        }
        cible = arguments[++i];
        return true;
      }
      if (a.rfind(std::string(nom) + "=", 0) == 0) {
        cible = a.substr(nom.size() + 1);
        return true;
      }
      return false;
    };
    if (a == "--help" || a == "-h")
      o.aide = true;
    else if (a == "--simulation")
      o.simulation = true;
    else if (!valeur("--signal", o.signal) && !valeur("--emission", o.emission))
      restants.push_back(a);
  }
  arguments = restants;
  return o;
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

// The devices of the program, seen by the windows and the settings: the PC
// speaker and the serial keying line in the I/O port space, the mixer, the
// sound card. Real ones, or all simulated with --simulation.
class Appareils : public Peripheriques, public ReglageMixer {
 public:
  Appareils(const Options& options, const CheminsPortsSerie& chemins, Rapport& rapport)
      : options_(options),
        rapport_(rapport),
        tonalite_(options.simulation ? std::make_unique<TonaliteMuette>()
                                     : Ouvrir_tonalite_systeme()),
        minuterie_(ports_, *tonalite_),
        haut_parleur_(ports_),
        acces_serie_(options.simulation
                         ? std::unique_ptr<AccesSerie>(std::make_unique<AccesSerieSimule>())
                         : std::make_unique<AccesSerieLinux>(chemins)),
        port_serie_(ports_, *acces_serie_, rapport),
        mixer_(options.simulation ? std::make_unique<MixerSimule>(Carte_typique())
                                  : Ouvrir_mixer_systeme()),
        fonctions_mixer_(*mixer_) {}

  // The settings whose serial port choice the keying line follows.
  void Suivre(const Configuration& configuration) { configuration_ = &configuration; }

  HautParleur& Haut_parleur() { return haut_parleur_; }
  PortSerie& Port_serie() { return port_serie_; }
  FonctionsMixer& Mixer() { return fonctions_mixer_; }

  void Calibrage_attente() override { haut_parleur_.Calibrage_attente(); }
  void Silence() override { haut_parleur_.Silence(); }
  bool Verification_carte_son_demarrage() override { return Verification("."); }
  bool Verification_carte_son() override { return Verification(""); }
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
  void Preparation_emetteur_recepteur() override { Port_choisi(); }
  bool Debut_acquisition(int taille) override {
    if (!options_.simulation) return false;
    bloc_.assign(static_cast<std::size_t>(taille), 128);
    return true;
  }
  bool Acquisition_terminee() override { return true; }
  std::vector<uint8_t> Fin_acquisition() override { return std::move(bloc_); }

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
  bool Verification(const char* point) {
    if (options_.simulation) return true;
    rapport_.Bip();
    rapport_.Erreur(std::string("Fonctionnement impossible car il n'y a pas de carte son") + point);
    return false;
  }

  const Options& options_;
  Rapport& rapport_;
  const Configuration* configuration_ = nullptr;
  EspacePorts ports_;
  std::unique_ptr<Tonalite> tonalite_;
  MinuterieHautParleur minuterie_;
  HautParleur haut_parleur_;
  std::unique_ptr<AccesSerie> acces_serie_;
  PortSerie port_serie_;
  std::unique_ptr<vestral::Mixer> mixer_;
  FonctionsMixer fonctions_mixer_;
  std::vector<uint8_t> bloc_;
};

}  // namespace

int main(int argc, char** argv) {
  CheminsPortsSerie chemins = CheminsPortsSerie::Depuis_environnement();
  argc = chemins.Retirer_options(argc, argv);
  std::vector<std::string> arguments(argv + 1, argv + argc);
  const Options options = Lire_options(arguments);
  if (options.aide) {
    std::fputs(kAide, stdout);
    return 0;
  }
  if (!options.erreur.empty() || !arguments.empty()) {
    std::fprintf(stderr, "vestral: %s\n",
                 options.erreur.empty() ? ("option inconnue : " + arguments.front()).c_str()
                                        : options.erreur.c_str());
    std::fputs(kAide, stderr);
    return 2;
  }

  QApplication application(argc, argv);
  application.setApplicationName(QStringLiteral("vestral"));
  application.setFont(Police_ms_sans_serif(11));
  application.setQuitOnLastWindowClosed(true);

  RapportQt rapport;
  FichiersTexte fichiers(rapport, ".");
  JournalQSO journal;
  EtatGeneral etat;
  Appareils appareils(options, chemins, rapport);
  rapport.Definir_bip([&appareils] { appareils.Haut_parleur().Bip_erreur(); });
  Configuration configuration(fichiers, rapport, appareils);
  appareils.Suivre(configuration);
  EconomiseurEcranDBus economiseur;

  Contexte contexte{rapport, fichiers, configuration, journal, appareils, economiseur, etat,
                    {},      {}};
  std::unique_ptr<TForm1> fenetre = Creation_des_fenetres(contexte);
  if (!fenetre) return 1;  // no usable sound card: reported, nothing written
  rapport.Attacher_panneau(fenetre->Panel1);
  Installer_signaux(fenetre.get());
  fenetre->show();
  return application.exec();
}
