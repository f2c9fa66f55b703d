// vestral-banc: the test bench of the decoders. `generate` writes a
// recording of a known text under known conditions (noise, fading, static
// crashes, drift, chirp, a hand key, a second station, band noise alone)
// and the text beside it; `decode` decodes a recording with the sensitive
// decoder, through the decoder interface only.
#include <CLI/CLI.hpp>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "morse/BancEssai.h"
#include "morse/DecodeurSensible.h"
#include "shell/FONCTIONS_FICHIERS.h"
#include "shell/Rapport.h"
#include "sound/FichierAudio.h"

namespace {

using namespace vestral;

struct OptionsGeneration {
  std::string groupe = "awgn";
  std::string genre = "phrases";
  double snr = 0;
  bool snr_donne = false;
  double wpm = 20;
  double frequence = 0;  // 0: drawn from the seed
  int caracteres = 100;
  double duree = 60;  // noise alone
  uint32_t graine = 1;
  std::string sortie;
};

GenreTexte Genre(const std::string& nom) {
  if (nom == "calls") return GenreTexte::Indicatifs;
  if (nom == "contest") return GenreTexte::Concours;
  if (nom == "groups") return GenreTexte::Groupes;
  return GenreTexte::Phrases;
}

// The conditions of each group; the seed draws what is left free.
ParametresBanc Parametres_groupe(const OptionsGeneration& o, double& frequence_voulue) {
  std::mt19937 g(o.graine * 7919u + 17u);
  auto Tirer = [&](double a, double b) { return std::uniform_real_distribution<double>(a, b)(g); };
  ParametresBanc p;
  p.graine = o.graine;
  StationBanc s;
  s.mots_par_minute = o.wpm;
  s.frequence = o.frequence > 0 ? o.frequence : std::round(Tirer(400, 1000));
  s.texte = Texte_banc(Genre(o.genre), o.caracteres, g);
  auto Snr = [&](double defaut) { return o.snr_donne ? o.snr : defaut; };
  s.rapport_signal_bruit_db = Snr(20);
  const std::string& x = o.groupe;
  if (x == "clean") {
    p.bruit = false;
  } else if (x == "awgn") {
    s.rapport_signal_bruit_db = Snr(0);
  } else if (x == "fading") {
    s.rapport_signal_bruit_db = Snr(3);
    s.fading_db = Tirer(10, 20);
  } else if (x == "crashes") {
    s.rapport_signal_bruit_db = Snr(6);
    p.crepitements_par_seconde = Tirer(2, 5);
  } else if (x == "drift") {
    s.rapport_signal_bruit_db = Snr(6);
    s.derive_hz_par_minute = Tirer(20, 40) * (Tirer(0, 1) < 0.5 ? -1 : 1);
  } else if (x == "chirp") {
    s.rapport_signal_bruit_db = Snr(6);
    s.chirp_hz = Tirer(10, 30);
    s.montee_ms = 1;  // key clicks
  } else if (x == "hand") {
    s.rapport_signal_bruit_db = Snr(10);
    s.gigue = Tirer(0.15, 0.25);
    s.rapport_trait_point = Tirer(2.5, 4);
    s.variation_vitesse = 0.15;
  } else if (x == "second") {
    s.rapport_signal_bruit_db = Snr(6);
    StationBanc autre;
    autre.texte = Texte_banc(Genre(o.genre), o.caracteres + 40, g);
    autre.mots_par_minute = std::round(Tirer(15, 30));
    autre.frequence = s.frequence + Tirer(80, 250) * (Tirer(0, 1) < 0.5 ? -1 : 1);
    autre.rapport_signal_bruit_db = s.rapport_signal_bruit_db + Tirer(0, 6);
    autre.debut = Tirer(0, 1);
    p.stations.push_back(s);
    p.stations.push_back(autre);
    frequence_voulue = s.frequence;
    return p;
  } else if (x == "noise") {
    p.duree = o.duree;
    p.crepitements_par_seconde = Tirer(1, 4);
    frequence_voulue = 0;
    s.texte.clear();
    return p;
  } else {
    throw CLI::ValidationError("--group", "groupe inconnu : " + x);
  }
  p.stations.push_back(s);
  frequence_voulue = s.frequence;
  return p;
}

int Generer(const OptionsGeneration& o) {
  double frequence = 0;
  const ParametresBanc p = Parametres_groupe(o, frequence);
  const std::vector<uint8_t> echantillons = Generer_banc(p);
  const std::string erreur = Ecrire_wav(o.sortie, echantillons);
  if (!erreur.empty()) {
    std::fprintf(stderr, "vestral-banc : %s\n", erreur.c_str());
    return 1;
  }
  // The truth beside the recording: the text of the wanted station.
  RapportConsole rapport;
  std::filesystem::path chemin(o.sortie);
  FichiersTexte fichiers(rapport, chemin.has_parent_path() ? chemin.parent_path() : ".");
  const std::string texte = p.stations.empty() ? std::string() : p.stations[0].texte;
  const std::string nom = chemin.stem().string() + ".txt";
  if (fichiers.Ecriture_fichier_texte(nom, texte + "\n")) return 1;
  std::printf("%s\t%.0f\t%.1f\n", o.sortie.c_str(), frequence,
              p.stations.empty() ? 0.0 : p.stations[0].rapport_signal_bruit_db);
  return 0;
}

struct OptionsDecodage {
  std::string fichier;
  int frequence = 0;
  int vitesse = 0;
  std::string bande = "narrow";
  bool mesure = false;
  int repetitions = 1;
};

int Decoder(const OptionsDecodage& o) {
  const LectureAudio lecture = Lire_fichier_audio(o.fichier);
  if (!lecture.erreur.empty()) {
    std::fprintf(stderr, "vestral-banc : %s\n", lecture.erreur.c_str());
    return 1;
  }
  ParametresDecodeur p;
  p.frequence = o.frequence;
  p.vitesse = o.vitesse;
  p.bande_etroite = o.bande != "wide";
  DecodeurSensible sensible(p);
  DecodeurMorse& decodeur = sensible;
  std::string texte;
  std::vector<EvenementDecodeur> evenements;
  const auto debut = std::chrono::steady_clock::now();
  for (int r = 0; r < o.repetitions; ++r) {
    decodeur.Reinitialiser();
    texte.clear();
    // Pushed a capture block at a time, as the transceiver does.
    const std::span<const uint8_t> tout(lecture.echantillons);
    for (std::size_t i = 0; i < tout.size(); i += 3675) {
      decodeur.Pousser(tout.subspan(i, std::min<std::size_t>(3675, tout.size() - i)));
      evenements.clear();
      decodeur.Prendre_evenements(evenements);
      for (const auto& e : evenements)
        if (e.type == TypeEvenement::Caractere) texte += static_cast<char>(e.valeur);
    }
    decodeur.Terminer();
    evenements.clear();
    decodeur.Prendre_evenements(evenements);
    for (const auto& e : evenements)
      if (e.type == TypeEvenement::Caractere) texte += static_cast<char>(e.valeur);
  }
  const double secondes =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - debut).count();
  std::printf("%s\n", texte.c_str());
  if (o.mesure) {
    const double audio = o.repetitions * lecture.echantillons.size() / 11025.0;
    std::fprintf(stderr, "%.1f s d'enregistrement en %.3f s : %.0f fois le temps réel\n", audio,
                 secondes, audio / secondes);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Banc d'essai des décodeurs : enregistrements de test et décodage sensible."};
  app.require_subcommand(1);

  OptionsGeneration g;
  CLI::App* generer =
      app.add_subcommand("generate", "écrit un enregistrement de test et son texte (.txt)");
  generer
      ->add_option("--group", g.groupe,
                   "clean, awgn, fading, crashes, drift, chirp, hand, second, noise")
      ->capture_default_str();
  generer->add_option("--text", g.genre, "calls, contest, phrases, groups")->capture_default_str();
  generer->add_option("--snr", g.snr, "rapport signal/bruit en dB (ton sur bruit dans 2500 Hz)")
      ->each([&](const std::string&) { g.snr_donne = true; });
  generer->add_option("--wpm", g.wpm, "vitesse en mots par minute")
      ->check(CLI::Range(5, 60))
      ->capture_default_str();
  generer->add_option("--frequency", g.frequence, "hauteur en Hz (par défaut tirée de la graine)");
  generer->add_option("--chars", g.caracteres, "longueur du texte")
      ->check(CLI::Range(1, 100000))
      ->capture_default_str();
  generer->add_option("--duration", g.duree, "durée du bruit seul, en secondes")
      ->check(CLI::Range(1, 3600))
      ->capture_default_str();
  generer->add_option("--seed", g.graine, "graine")->capture_default_str();
  generer->add_option("-o,--output", g.sortie, "fichier WAV écrit")->required();

  OptionsDecodage d;
  CLI::App* decoder =
      app.add_subcommand("decode", "décode un enregistrement avec le décodeur sensible");
  decoder->add_option("file", d.fichier, "enregistrement")->required();
  decoder->add_option("--frequency", d.frequence, "fréquence accordée en Hz (0 : cherchée)")
      ->check(CLI::Range(0, 2700));
  decoder->add_option("--speed", d.vitesse, "vitesse de départ en mots par minute (0 : apprise)")
      ->check(CLI::Range(0, 60));
  decoder->add_option("--band", d.bande, "narrow (±30 Hz) ou wide (±300 Hz)")
      ->check(CLI::IsMember({"narrow", "wide"}));
  decoder->add_flag("--bench", d.mesure, "mesure le temps de calcul (sur la sortie d'erreur)");
  decoder->add_option("--repeat", d.repetitions, "décode autant de fois (pour la mesure)")
      ->check(CLI::Range(1, 1000));

  CLI11_PARSE(app, argc, argv);
  try {
    if (generer->parsed()) return Generer(g);
    return Decoder(d);
  } catch (const CLI::Error& e) {
    return app.exit(e);
  }
}
