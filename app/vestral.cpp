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

#include "shell/Configuration.h"
#include "shell/EtatGeneral.h"
#include "shell/FONCTIONS_FICHIERS.h"
#include "shell/JournalQSO.h"
#include "shell/Peripheriques.h"
#include "shell/fenetres/EconomiseurEcran.h"
#include "shell/fenetres/FICHE_PRINCIPALE.h"
#include "shell/fenetres/OutilsQt.h"
#include "shell/fenetres/RapportQt.h"

namespace {

using namespace vestral;

constexpr char kAide[] =
    "Usage: vestral [options]\n"
    "Emetteur-recepteur morse (CW) par carte son. Travaille dans le dossier courant\n"
    "(CONFCWER.SER, F1.SER a F4.SER, QSO_MORSE.TXT, AIDE_CW.HLP).\n"
    "\n"
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

// The devices of the program, seen by the windows and the settings.
class Appareils : public Peripheriques, public ReglageMixer {
 public:
  Appareils(const Options& options, Rapport& rapport) : options_(options), rapport_(rapport) {}

  void Calibrage_attente() override {}
  void Silence() override {}
  bool Verification_carte_son_demarrage() override { return Verification("."); }
  bool Verification_carte_son() override { return Verification(""); }
  void Test_port_serie() override {}
  bool Ouverture_port_serie(int) override { return options_.simulation; }
  void Restauration_mixer() override {}
  void Preparation_emetteur_recepteur() override {}
  bool Debut_acquisition(int taille) override {
    if (!options_.simulation) return false;
    bloc_.assign(static_cast<std::size_t>(taille), 128);
    return true;
  }
  bool Acquisition_terminee() override { return true; }
  std::vector<uint8_t> Fin_acquisition() override { return std::move(bloc_); }

  void Reglage_mixer(const CommandeMixer& commande, ResultatMixer& resultat) override {
    if (commande.Reglage_par_logiciel == 1 && options_.simulation) resultat = {1, 1, 1, 1, 1, 1};
  }

 private:
  bool Verification(const char* point) {
    if (options_.simulation) return true;
    rapport_.Bip();
    rapport_.Erreur(std::string("Fonctionnement impossible car il n'y a pas de carte son") + point);
    return false;
  }

  const Options& options_;
  Rapport& rapport_;
  std::vector<uint8_t> bloc_;
};

}  // namespace

int main(int argc, char** argv) {
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
  Appareils appareils(options, rapport);
  Configuration configuration(fichiers, rapport, appareils);
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
