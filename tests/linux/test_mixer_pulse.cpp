// The mixer on a private sound server that each test starts itself: a
// PulseAudio daemon with one null sink (and its monitor source) in a
// temporary runtime folder, reached through PULSE_SERVER.
#include <gtest/gtest.h>
#include <portaudio.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

#include "shell/Cp1252.h"
#include "sound/FONCTIONS_WAVE.h"
#include "sound/FichierAudio.h"
#include "sound/linux/MixerAlsa.h"
#include "sound/linux/MixerPulse.h"
#include "sound/linux/PeripheriquesSysteme.h"

extern char** environ;

namespace vestral {
namespace {

namespace fs = std::filesystem;
constexpr char kPulseaudio[] = "/usr/bin/pulseaudio";
constexpr char kSortie[] = "essai";
constexpr char kSource[] = "essai.monitor";

class ServeurSon : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(kPulseaudio)) GTEST_SKIP() << "pulseaudio absent (Debian: pulseaudio)";
    char modele[] = "/tmp/vestral-pulse-XXXXXX";
    ASSERT_NE(mkdtemp(modele), nullptr);
    dossier_ = modele;
    const std::string prise = dossier_ + "/native";
    std::ofstream(dossier_ + "/serveur.pa")
        << "load-module module-native-protocol-unix auth-anonymous=1 socket=" << prise << "\n"
        << "load-module module-null-sink sink_name=" << kSortie << "\n"
        << "set-default-sink " << kSortie << "\n"
        << "set-default-source " << kSource << "\n";
    for (const char* v : kVariables) {
      const char* avant = std::getenv(v);
      avant_[v] = avant ? std::optional<std::string>(avant) : std::nullopt;
    }
    for (const char* v : {"XDG_RUNTIME_DIR", "PULSE_RUNTIME_PATH", "HOME"})
      setenv(v, dossier_.c_str(), 1);
    setenv("PULSE_SERVER", ("unix:" + prise).c_str(), 1);
    unsetenv("VESTRAL_MIXER");
    unsetenv("PULSE_SOURCE");
    unsetenv("PULSE_SINK");
    Demarrer();
  }

  void TearDown() override {
    Arreter_serveur();
    if (!dossier_.empty()) fs::remove_all(dossier_);
    for (const auto& [v, valeur] : avant_) {
      if (valeur)
        setenv(v.c_str(), valeur->c_str(), 1);
      else
        unsetenv(v.c_str());
    }
  }

  // The variables a test changes, put back after it.
  static constexpr const char* kVariables[] = {"XDG_RUNTIME_DIR", "PULSE_RUNTIME_PATH", "HOME",
                                               "PULSE_SERVER"};
  std::map<std::string, std::optional<std::string>> avant_;

  // Running as root (CI) needs no special flag with a script of our own
  // (-n) and no system-wide instance; the daemon only warns.
  void Demarrer() {
    const std::string script = dossier_ + "/serveur.pa";
    const std::string journal = dossier_ + "/journal";
    std::vector<std::string> arguments = {kPulseaudio,
                                          "--daemonize=no",
                                          "--exit-idle-time=-1",
                                          "--disallow-exit",
                                          "--use-pid-file=no",
                                          "-n",
                                          "-F",
                                          script,
                                          "--log-target=file:" + journal};
    std::vector<char*> argv;
    for (auto& a : arguments) argv.push_back(a.data());
    argv.push_back(nullptr);
    ASSERT_EQ(posix_spawn(&serveur_, kPulseaudio, nullptr, nullptr, argv.data(), environ), 0);
    for (int i = 0; i < 100 && !Serveur_son_present(std::chrono::milliseconds(200)); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_TRUE(Serveur_son_present()) << "the private sound server did not start";
  }

  void Arreter_serveur(int signal = SIGTERM) {
    if (serveur_ <= 0) return;
    kill(serveur_, signal);
    int etat = 0;
    waitpid(serveur_, &etat, 0);
    serveur_ = 0;
  }

  // pactl's text, for what the test checks from outside the program.
  static std::string Pactl(const std::string& arguments) {
    std::string texte;
    FILE* f = popen(("pactl " + arguments + " 2>&1").c_str(), "r");
    if (!f) return texte;
    char tampon[4096];
    std::size_t n = 0;
    while ((n = fread(tampon, 1, sizeof tampon, f)) > 0) texte.append(tampon, n);
    pclose(f);
    return texte;
  }

  // The raw left and right values of a "Volume: front-left: N / ..." line
  // (a mono stream's one value on both sides).
  static std::pair<long, long> Volume(const std::string& texte) {
    auto valeur = [&](const char* canal) {
      const auto p = texte.find(canal);
      return p == std::string::npos ? -1L
                                    : std::strtol(texte.c_str() + p + strlen(canal), nullptr, 10);
    };
    if (valeur("mono:") >= 0) return {valeur("mono:"), valeur("mono:")};
    return {valeur("front-left:"), valeur("front-right:")};
  }
  static std::pair<long, long> Volume_source() {
    return Volume(Pactl(std::string("get-source-volume ") + kSource));
  }

  // The volume of each playback stream, by the process that owns it.
  static std::map<std::string, std::pair<long, long>> Volumes_flux() {
    std::map<std::string, std::pair<long, long>> volumes;
    std::istringstream texte(Pactl("list sink-inputs"));
    std::string ligne, bloc;
    auto terminer = [&] {
      const auto p = bloc.find("application.process.id = \"");
      if (p != std::string::npos)
        volumes[bloc.substr(p + 26, bloc.find('"', p + 26) - p - 26)] =
            Volume(bloc.substr(bloc.find("Volume:")));
      bloc.clear();
    };
    while (std::getline(texte, ligne)) {
      if (ligne.rfind("Sink Input #", 0) == 0) terminer();
      bloc += ligne + "\n";
    }
    terminer();
    return volumes;
  }

  std::string dossier_;
  pid_t serveur_ = 0;
};

struct Drapeaux {
  uint8_t d[6] = {9, 9, 9, 9, 9, 9};
};

void Regler(FonctionsMixer& f, uint8_t micro, int32_t sortie, int32_t gauche, int32_t droite,
            Drapeaux& r) {
  f.Reglage_mixer(micro, sortie, sortie, gauche, droite, 0, 0, r.d[0], r.d[1], r.d[2], r.d[3],
                  r.d[4], r.d[5]);
}

TEST_F(ServeurSon, NiveauxEntreeEtCagSurLaSourcePuisRestauration) {
  ASSERT_NE(Pactl(std::string("set-source-volume ") + kSource + " 19661 19661"), "x");
  const auto avant = Volume_source();
  ASSERT_EQ(avant, std::make_pair(19661L, 19661L));

  auto mixer = Ouvrir_mixer_systeme(kSource);
  FonctionsMixer fonctions(*mixer);
  fonctions.Reglage_par_logiciel = 1;
  fonctions.Volume_wave = 100;
  Drapeaux r;
  // Line-in left at x 0,6, then the microphone at x 1: every flag found.
  Regler(fonctions, 0, 20, 60, 0, r);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(r.d[i], 1) << "flag " << i;
  EXPECT_EQ(Volume_source(), std::make_pair(655L * 60, 0L));
  Regler(fonctions, 1, 20, 100, 0, r);
  EXPECT_EQ(Volume_source(), std::make_pair(65500L, 0L));
  EXPECT_EQ(fonctions.Volume_entree_present(), 1);

  // The automatic gain control's steps move the source's volume.
  for (int gain : {80, 40, 100}) {
    fonctions.Reglage_volume_enregistrement(gain, 0);
    EXPECT_EQ(Volume_source(), std::make_pair(655L * gain, 0L)) << gain;
  }

  fonctions.Restauration_mixer();
  EXPECT_EQ(Volume_source(), avant);
}

TEST_F(ServeurSon, ReglageParUtilisateurNeToucheARien) {
  ASSERT_NE(Pactl(std::string("set-source-volume ") + kSource + " 30000 30000"), "x");
  auto mixer = Ouvrir_mixer_systeme(kSource);
  FonctionsMixer fonctions(*mixer);
  fonctions.Reglage_par_logiciel = 0;
  Drapeaux r;
  Regler(fonctions, 0, 20, 60, 0, r);
  fonctions.Reglage_volume_enregistrement(10, 0);
  fonctions.Restauration_mixer();
  EXPECT_EQ(r.d[0], 9);
  EXPECT_EQ(Volume_source(), std::make_pair(30000L, 30000L));
}

// A playback stream of this process, through PortAudio and the ALSA plugin
// of the sound server, as the transmitter's stream goes.
class FluxLecture {
 public:
  FluxLecture() {
    if (Pa_Initialize() != paNoError) return;
    initialise_ = true;
    for (PaDeviceIndex i = 0; i < Pa_GetDeviceCount(); ++i) {
      const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
      if (!info || info->maxOutputChannels < 1 || std::string(info->name) != "pulse") continue;
      PaStreamParameters p{i, 1, paFloat32, info->defaultHighOutputLatency, nullptr};
      if (Pa_OpenStream(&flux_, nullptr, &p, 44100, 1024, paNoFlag, nullptr, nullptr) != paNoError)
        flux_ = nullptr;
      else
        Pa_StartStream(flux_);
      break;
    }
  }
  ~FluxLecture() {
    if (flux_) Pa_CloseStream(flux_);
    if (initialise_) Pa_Terminate();
  }
  bool Ouvert() const { return flux_ != nullptr; }

 private:
  bool initialise_ = false;
  PaStream* flux_ = nullptr;
};

// Another program playing on the server for as long as it lives.
class AutreProgramme {
 public:
  explicit AutreProgramme(std::vector<std::string> arguments = {"/usr/bin/pacat", "--playback",
                                                                "/dev/zero"}) {
    std::vector<char*> argv;
    for (auto& a : arguments) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, argv[0], nullptr, nullptr, argv.data(), environ) != 0) pid_ = 0;
  }
  ~AutreProgramme() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  AutreProgramme(const AutreProgramme&) = delete;
  AutreProgramme& operator=(const AutreProgramme&) = delete;

 private:
  pid_t pid_ = 0;
};

TEST_F(ServeurSon, NiveauxDeSortieSurLeSeulFluxDuProgramme) {
  // Another program's stream, and the device's own volume, stay as they are.
  AutreProgramme autre;
  auto mixer = Ouvrir_mixer_systeme(kSource);
  FonctionsMixer fonctions(*mixer);
  fonctions.Reglage_par_logiciel = 1;
  fonctions.Volume_wave = 50;
  Drapeaux r;
  Regler(fonctions, 0, 40, 100, 0, r);
  EXPECT_EQ(r.d[2], 1);
  EXPECT_EQ(r.d[3], 1);

  // The program's stream starts after the settings, as a transmission does.
  FluxLecture flux;
  if (!flux.Ouvert()) {
    GTEST_SKIP() << "no \"pulse\" device in PortAudio (Debian: libasound2-plugins)";
  }
  const std::string moi = std::to_string(getpid());
  const long attendu = 655L * 40 * (655L * 50) / 65536;
  std::map<std::string, std::pair<long, long>> volumes;
  for (int i = 0; i < 50; ++i) {
    volumes = Volumes_flux();
    if (volumes.size() >= 2 && volumes[moi].first == attendu) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  ASSERT_EQ(volumes.size(), 2U) << Pactl("list sink-inputs");
  EXPECT_EQ(volumes[moi].first, attendu);
  for (const auto& [pid, volume] : volumes)
    if (pid != moi) {
      EXPECT_EQ(volume.first, 65536) << "another program's stream changed";
    }
  EXPECT_NE(Pactl(std::string("get-sink-volume ") + kSortie).find("65536"), std::string::npos);

  // A change while it plays, then the restoration.
  fonctions.Volume_wave = 100;
  Regler(fonctions, 0, 20, 100, 0, r);
  EXPECT_EQ(Volumes_flux()[moi].first, 655L * 20 * 65500 / 65536);
  fonctions.Restauration_mixer();
  EXPECT_EQ(Volumes_flux()[moi].first, 65536);
}

TEST_F(ServeurSon, PeripheriquesListesEtChoisisParNom) {
  const auto liste = Lister_peripheriques_serveur();
  const auto* sortie = Choisir_peripherique_serveur(liste, GenrePeripherique::Restitution, kSortie);
  ASSERT_NE(sortie, nullptr);
  EXPECT_TRUE(sortie->defaut);
  const auto* source = Choisir_peripherique_serveur(liste, GenrePeripherique::Capture, "ESSAI.MON");
  ASSERT_NE(source, nullptr);
  EXPECT_EQ(source->nom, kSource);
  EXPECT_TRUE(source->ecoute_sortie);
  EXPECT_TRUE(source->defaut);
  // By the description the desktop shows, too; an unknown name chooses nothing.
  EXPECT_EQ(Choisir_peripherique_serveur(liste, GenrePeripherique::Capture, source->description),
            source);
  EXPECT_EQ(Choisir_peripherique_serveur(liste, GenrePeripherique::Capture, "USB Audio"), nullptr);
  EXPECT_EQ(Choisir_peripherique_serveur(liste, GenrePeripherique::Restitution, ""), nullptr);
}

// The names remembered in VESTRAL.INI or given by the options become the
// server's devices; a remembered name found nowhere falls back to the
// default with a message, an option's name goes on to PortAudio as given.
TEST_F(ServeurSon, ChoixResoluParNom) {
  const auto serveur = Lister_peripheriques_serveur();
  const std::vector<Description_peripherique> alsa = {
      {"pulse", "ALSA", 32, 32, 44100, false, false}, {"USB Audio: hw:1,0", "ALSA", 2, 2, 48000}};
  ChoixPeripheriques impose, memorise;
  memorise.capture = "essai.monitor";
  memorise.restitution = kSortie;
  memorise.ecoute = "USB Audio";
  ChoixResolu r = Resoudre_choix(impose, memorise, serveur, alsa);
  EXPECT_EQ(r.source_serveur, kSource);
  EXPECT_EQ(r.sortie_serveur, kSortie);
  EXPECT_EQ(r.choix.capture, "pulse");
  EXPECT_EQ(r.choix.restitution, "pulse");
  EXPECT_EQ(r.choix.ecoute, "USB Audio");  // an ALSA device by its name
  EXPECT_TRUE(r.absents.empty());

  memorise.capture = "Radio USB";
  impose.restitution = "hw:7";
  r = Resoudre_choix(impose, memorise, serveur, alsa);
  EXPECT_EQ(r.choix.capture, "");
  EXPECT_EQ(r.source_serveur, "");
  EXPECT_EQ(r.choix.restitution, "hw:7");
  EXPECT_EQ(r.sortie_serveur, "");
  ASSERT_EQ(r.absents, std::vector<std::string>{"Radio USB"});
  EXPECT_EQ(Message_peripherique_absent("Radio USB"),
            "Le périphérique son « Radio USB » est absent : le périphérique par défaut est "
            "utilisé."_cp);

  // The menus list the server's devices by the names it gives them.
  const PeripheriquesMenus menus = Lister_peripheriques_menus(serveur, alsa);
  EXPECT_TRUE(menus.serveur);
  ASSERT_EQ(menus.capture.size(), 1U);
  EXPECT_EQ(menus.capture[0].nom, kSource);
  ASSERT_EQ(menus.restitution.size(), 1U);
  EXPECT_EQ(menus.restitution[0].nom, kSortie);
  const PeripheriquesMenus sans_serveur = Lister_peripheriques_menus({}, alsa);
  EXPECT_FALSE(sans_serveur.serveur);
  EXPECT_EQ(sans_serveur.capture.size(), 2U);
}

// A capture stream through PortAudio's "pulse" device, told to record the
// null sink's monitor, as the transceiver's reception opens it.
class CaptureServeur {
 public:
  CaptureServeur() : carte_(Options()), wave_(carte_, rapport) {
    Diriger_flux_serveur(kSource, "");
    wave_.Entree_8_bits = 1;
    wave_.Entree_stereo = 0;
    wave_.Frequence_echantillonnage = 11025;
    wave_.Taille_tampon = 3675;
  }
  ~CaptureServeur() { Diriger_flux_serveur("", ""); }
  bool Disponible() const { return carte_.Nom_peripherique(Sens::Entree) == "pulse"; }
  bool Ouvrir() { return wave_.Ouverture_flux_entree(); }
  // Up to `blocs` blocks, or fewer when the device fails or nothing comes
  // for ten seconds.
  std::vector<uint8_t> Capturer(int blocs, const std::function<void()>& apres_premier = {}) {
    std::vector<uint8_t> echantillons;
    uint64_t vu = wave_.Blocs_entree_rendus();
    for (int n = 0, attentes = 0; n < blocs && attentes < 20;) {
      Tampon_son* b = wave_.Bloc_entree_a_servir();
      if (wave_.Peripherique_en_panne(Sens::Entree)) break;
      if (!b) {
        const uint64_t avant = vu;
        vu = wave_.Attendre_bloc_entree(vu, std::chrono::milliseconds(500));
        attentes += vu == avant;
        continue;
      }
      echantillons.insert(echantillons.end(), b->Donnees(), b->Donnees() + wave_.Taille_tampon);
      wave_.Remise_en_file_entree(*b);
      if (++n == 1 && apres_premier) apres_premier();
    }
    return echantillons;
  }
  void Fermer() { wave_.Fermeture_flux_entree(); }
  RapportMemoire rapport;

 private:
  static Options_portaudio Options() {
    Options_portaudio o;
    o.choix.capture = "pulse";
    return o;
  }

 private:
  PeripheriqueSonPortAudio carte_;
  FonctionsWave wave_;
};

// A recording played into the server's output is heard on its monitor
// through the capture path and decoded.
TEST_F(ServeurSon, EnregistrementJoueDansLaSortieEntendEtDecode) {
  const std::string morse = dossier_ + "/morse.wav", recu = dossier_ + "/recu.wav";
  ASSERT_EQ(std::system((std::string(VESTRAL_BIN_DIR) + "/vestral-encode --speed 20 --output " +
                         morse + " CQ CQ DE QX1AB K")
                            .c_str()),
            0);
  CaptureServeur capture;
  if (!capture.Disponible()) GTEST_SKIP() << "no \"pulse\" device in PortAudio";
  ASSERT_TRUE(capture.Ouvrir());
  std::vector<uint8_t> echantillons = capture.Capturer(1);
  {
    AutreProgramme lecture({"/usr/bin/paplay", "--device=" + std::string(kSortie), morse});
    const auto suite = capture.Capturer(3 * 12);  // the message lasts about 9 s
    echantillons.insert(echantillons.end(), suite.begin(), suite.end());
  }
  capture.Fermer();
  EXPECT_TRUE(capture.rapport.Erreurs().empty());
  ASSERT_EQ(Ecrire_wav(recu, echantillons), "");
  std::string texte;
  FILE* f = popen((std::string(VESTRAL_BIN_DIR) + "/vestral-decode " + recu).c_str(), "r");
  ASSERT_NE(f, nullptr);
  char tampon[512];
  std::size_t n = 0;
  while ((n = fread(tampon, 1, sizeof tampon, f)) > 0) texte.append(tampon, n);
  pclose(f);
  // (The decoder may take the first letter to learn the signal.)
  EXPECT_NE(texte.find("CQ DE QX1AB K"), std::string::npos) << texte;
}

// The server gone in the middle of a reception: the capture's failure
// message, once, and the stream closes (no hang).
TEST_F(ServeurSon, ServeurDisparuEnReception) {
  CaptureServeur capture;
  if (!capture.Disponible()) GTEST_SKIP() << "no \"pulse\" device in PortAudio";
  ASSERT_TRUE(capture.Ouvrir());
  capture.Capturer(30, [&] { Arreter_serveur(SIGKILL); });
  capture.Fermer();
  const auto erreurs = capture.rapport.Erreurs();
  ASSERT_EQ(erreurs.size(), 1U);
  EXPECT_EQ(erreurs[0].rfind("Erreur lors de l'échantillonnage n°"_cp, 0), 0U) << erreurs[0];
}

// A server that goes away: the later requests fail (a hang would stop the
// test here), and the restoration at quit returns.
TEST_F(ServeurSon, ServeurDisparuSansBlocage) {
  auto mixer = Ouvrir_mixer_systeme(kSource);
  FonctionsMixer fonctions(*mixer);
  fonctions.Reglage_par_logiciel = 1;
  fonctions.Volume_wave = 100;
  Drapeaux r;
  Regler(fonctions, 0, 20, 60, 0, r);
  Arreter_serveur(SIGKILL);
  Regler(fonctions, 0, 20, 80, 0, r);
  fonctions.Reglage_volume_enregistrement(50, 0);
  fonctions.Restauration_mixer();
  EXPECT_TRUE(Lister_peripheriques_serveur(std::chrono::milliseconds(200)).empty());
  // With no server, the ALSA mixer takes over (here: whatever the machine has).
  EXPECT_NE(Ouvrir_mixer_systeme(), nullptr);
}

}  // namespace
}  // namespace vestral
