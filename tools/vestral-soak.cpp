// vestral-soak: hours of simulated band audio through one reception chain,
// in accelerated time. The band changes every few seconds to minutes: noise
// of any level, fading, a drifting tone, bursts of Morse at any speed,
// silence, clipping, and now and then a clean stretch carrying a known text
// that must come out decoded. Prints, every simulated hour, the resident
// size and what was decoded; exits 1 when a clean text was missed too often
// or the memory grew.
//   vestral-soak [--hours H] [--seed N]
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <numbers>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "morse/ChaineReception.h"
#include "morse/TableMorse.h"
#include "shell/FormatSon.h"
#include "tools/LigneCommande.h"
#include "shell/JournalQSO.h"

namespace {

using namespace vestral;

constexpr double kFrequence_accord = 800;

long Resident_ko() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

long Pic_resident_ko() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// The band, one stretch after the other.
class Bande {
 public:
  explicit Bande(unsigned graine) : aleas_(graine) { Nouvelle_periode(); }

  uint8_t Echantillon() {
    if (reste_ == 0) Nouvelle_periode();
    --reste_;
    ++position_;
    const double t = static_cast<double>(position_ - debut_) / kFrequence_echantillonnage_entree;
    const double frequence = frequence_ + derive_ * t;
    phase_ += 2 * std::numbers::pi * frequence / kFrequence_echantillonnage_entree;
    if (phase_ > 2 * std::numbers::pi) phase_ -= 2 * std::numbers::pi;
    double fondu = 1;
    if (fading_ > 0) fondu = 0.55 + 0.45 * std::sin(2 * std::numbers::pi * fading_ * t);
    const double x =
        128 + (Cle() ? amplitude_ * fondu * std::sin(phase_) : 0) + bruit_ * gauss_(aleas_);
    return static_cast<uint8_t>(std::clamp(std::lround(x), 0L, 255L));
  }

  // A clean stretch that ended: its text, and the samples it covered.
  struct Propre {
    std::string texte;
    int64_t debut, fin;
  };
  std::deque<Propre> propres;

 private:
  bool Cle() {
    if (genre_ == Genre::Ton) return true;
    if (genre_ != Genre::Morse && genre_ != Genre::Propre) return false;
    while (element_ < elements_.size() && dans_element_ >= elements_[element_].first) {
      dans_element_ = 0;
      ++element_;
    }
    if (element_ >= elements_.size()) return false;
    ++dans_element_;
    return elements_[element_].second;
  }

  void Ajouter_texte(std::string_view texte, double point) {
    auto Ajouter = [&](double unites, bool ton) {
      elements_.emplace_back(std::lround(unites * point * kFrequence_echantillonnage_entree), ton);
    };
    for (char c : texte) {
      if (c == ' ') {
        Ajouter(4, false);
        continue;
      }
      const auto motif = Motif_morse(static_cast<uint8_t>(c));
      for (std::size_t i = 0; i < motif.size(); ++i) {
        if (i > 0) Ajouter(1, false);
        Ajouter(motif[i] == '.' ? 1 : 3, true);
      }
      Ajouter(3, false);
    }
  }

  void Nouvelle_periode() {
    if (genre_ == Genre::Propre) propres.push_back({texte_propre_, debut_, position_});
    debut_ = position_;
    elements_.clear();
    element_ = dans_element_ = 0;
    phase_ = 0;
    derive_ = fading_ = 0;
    frequence_ = kFrequence_accord + std::uniform_real_distribution<double>(-20, 20)(aleas_);
    amplitude_ = std::uniform_real_distribution<double>(5, 200)(aleas_);
    bruit_ = std::uniform_real_distribution<double>(0, 30)(aleas_);
    const int tirage = std::uniform_int_distribution<int>(0, 9)(aleas_);
    const double secondes = std::uniform_real_distribution<double>(2, 120)(aleas_);
    reste_ = static_cast<int64_t>(secondes * kFrequence_echantillonnage_entree);
    switch (tirage) {
      case 0:
        genre_ = Genre::Silence;
        bruit_ = 0;
        break;
      case 1:
        genre_ = Genre::Bruit;
        break;
      case 2:  // a drifting carrier
        genre_ = Genre::Ton;
        derive_ = std::uniform_real_distribution<double>(-1, 1)(aleas_);
        break;
      case 3:
      case 4:
      case 5:
      case 6: {  // Morse at any speed, fading, drifting, clipped or noisy
        genre_ = Genre::Morse;
        const int vitesse = std::uniform_int_distribution<int>(10, 54)(aleas_);
        if (tirage == 4) fading_ = std::uniform_real_distribution<double>(0.05, 2)(aleas_);
        if (tirage == 5) derive_ = std::uniform_real_distribution<double>(-0.5, 0.5)(aleas_);
        if (tirage == 6) amplitude_ = std::uniform_real_distribution<double>(130, 400)(aleas_);
        std::string texte;
        for (int i = 0; i < 40; ++i) {
          const auto& c = Table_morse[std::uniform_int_distribution<std::size_t>(0, 62)(aleas_)];
          texte += static_cast<char>(c.caractere);
          if (i % 5 == 4) texte += ' ';
        }
        Ajouter_texte(texte, 1.2 / vitesse);
        reste_ = 0;
        for (const auto& e : elements_) reste_ += e.first;
        break;
      }
      default: {  // a clean call: the text must come out
        genre_ = Genre::Propre;
        constexpr int kVitesses[] = {12, 16, 20, 25, 30};
        const int vitesse = kVitesses[std::uniform_int_distribution<int>(0, 4)(aleas_)];
        amplitude_ = 100;
        bruit_ = 2;
        frequence_ = kFrequence_accord;
        texte_propre_ = "CQ DE F" +
                        std::to_string(std::uniform_int_distribution<int>(1, 9)(aleas_)) + "ABC " +
                        std::to_string(++appels_) + " K";
        // A preamble lets the automatic speed and threshold settle.
        Ajouter_texte("VVV VVV VVV " + texte_propre_ + "  ", 1.2 / vitesse);
        reste_ = 0;
        for (const auto& e : elements_) reste_ += e.first;
      }
    }
  }

  enum class Genre { Silence, Bruit, Ton, Morse, Propre };
  std::mt19937 aleas_;
  std::normal_distribution<double> gauss_{0, 1};
  Genre genre_ = Genre::Silence;
  int64_t position_ = 0, debut_ = 0, reste_ = 0;
  double frequence_ = kFrequence_accord, derive_ = 0, fading_ = 0, amplitude_ = 0, bruit_ = 0;
  double phase_ = 0;
  std::vector<std::pair<int64_t, bool>> elements_;
  std::size_t element_ = 0;
  int64_t dans_element_ = 0;
  std::string texte_propre_;
  int appels_ = 0;
};

struct Recu {
  std::deque<CaractereDecode> caracteres;
  int64_t total = 0;
};

}  // namespace

int main(int argc, char** argv) {
  double heures = 24;
  unsigned graine = 1;
  {
    AnalyseurOptions app;
    std::string texte_heures, texte_graine;
    app.add_option("--hours", texte_heures);
    app.add_option("--seed", texte_graine);
    std::vector<std::string> operandes;
    if (Analyser_options(app, argc, argv, operandes) || !operandes.empty()) {
      std::fprintf(stderr, "Usage : vestral-soak [--hours H] [--seed N]\n");
      return 2;
    }
    if (app.count("--hours")) heures = std::atof(texte_heures.c_str());
    if (app.count("--seed")) graine = static_cast<unsigned>(std::atoi(texte_graine.c_str()));
  }

  JournalQSO journal;
  Recu recu;
  ReglagesReception reglages;
  ChaineReception chaine(reglages);
  ParametresDecodeur parametres;
  parametres.frequence = static_cast<int32_t>(kFrequence_accord);
  parametres.bande_etroite = true;
  chaine.Regler(parametres);
  chaine.Preparer_filtres();
  DecodeurMorse& decodeur = chaine;
  decodeur.Reinitialiser();
  std::vector<EvenementDecodeur> evenements;
  const auto Recueillir = [&] {
    evenements.clear();
    decodeur.Prendre_evenements(evenements);
    for (const EvenementDecodeur& e : evenements) {
      if (e.type != TypeEvenement::Caractere) continue;
      const auto c = static_cast<uint8_t>(e.valeur);
      recu.caracteres.push_back({c, e.position});
      ++recu.total;
      journal.Ajout_QSO(c);
    }
  };

  Bande bande(graine);
  const auto total = static_cast<int64_t>(heures * 3600 * kFrequence_echantillonnage_entree);
  int64_t fournis = 0;
  int propres = 0, propres_lus = 0, espaces_differents = 0;
  long pic_1h = 0;
  const auto depart = std::chrono::steady_clock::now();
  std::vector<uint8_t> bloc(kTaille_bloc_reception);

  // Checks the clean texts whose decoding is over, and forgets what was
  // decoded before them (the tool itself must not grow).
  auto Verifier = [&](int64_t position) {
    while (!bande.propres.empty() &&
           bande.propres.front().fin + 3 * kFrequence_echantillonnage_entree < position) {
      const auto p = bande.propres.front();
      bande.propres.pop_front();
      std::string texte;
      for (const auto& c : recu.caracteres)
        if (c.position >= p.debut && c.position <= p.fin + 3 * kFrequence_echantillonnage_entree)
          texte += static_cast<char>(c.caractere);
      ++propres;
      // The characters must all come out, in order; a word space merged or
      // split by the decoder is counted apart.
      auto Sans_espaces = [](std::string t) {
        std::erase(t, ' ');
        return t;
      };
      if (texte.find(p.texte) != std::string::npos) {
        ++propres_lus;
      } else if (Sans_espaces(texte).find(Sans_espaces(p.texte)) != std::string::npos) {
        ++propres_lus;
        ++espaces_differents;
      } else {
        std::printf("  manqué : « %s » -> « %s »\n", p.texte.c_str(), texte.c_str());
      }
    }
    const int64_t oubli = bande.propres.empty() ? position - 60 * kFrequence_echantillonnage_entree
                                                : bande.propres.front().debut;
    while (!recu.caracteres.empty() && recu.caracteres.front().position < oubli)
      recu.caracteres.pop_front();
  };

  while (fournis < total) {
    for (auto& e : bloc) e = bande.Echantillon();
    decodeur.Pousser(bloc);
    Recueillir();
    fournis += kTaille_bloc_reception;
    Verifier(fournis);
    const int64_t heure = 3600 * kFrequence_echantillonnage_entree;
    if (fournis % heure < kTaille_bloc_reception) {
      const double secondes =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - depart).count();
      const long resident = Resident_ko(), pic = Pic_resident_ko();
      if (fournis / heure == 1) pic_1h = pic;
      std::printf(
          "%3lld h : %8.1f s, résident %ld ko (pic %ld ko), %lld caractères décodés, textes "
          "propres "
          "%d/%d\n",
          static_cast<long long>(fournis / heure), secondes, resident, pic,
          static_cast<long long>(recu.total), propres_lus, propres);
      std::fflush(stdout);
    }
  }
  decodeur.Terminer();
  Recueillir();

  const double secondes =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - depart).count();
  const long pic = Pic_resident_ko();
  std::printf(
      "Fin : %.1f h simulées en %.1f s (%.0f fois le temps réel), pic résident %ld ko (%ld ko à 1 "
      "h), "
      "%lld caractères, textes propres décodés %d/%d (dont %d aux espaces près), journal %u "
      "octets\n",
      static_cast<double>(fournis) / kFrequence_echantillonnage_entree / 3600, secondes,
      static_cast<double>(fournis) / kFrequence_echantillonnage_entree / secondes, pic, pic_1h,
      static_cast<long long>(recu.total), propres_lus, propres, espaces_differents,
      static_cast<unsigned>(journal.Longueur_QSO()));
  bool echec = false;
  if (propres > 0 && propres_lus < propres * 9 / 10) {
    std::printf("ÉCHEC : trop de textes propres manqués\n");
    echec = true;
  }
  if (pic_1h > 0 && pic > pic_1h + 4096) {
    std::printf("ÉCHEC : la mémoire a grandi après la première heure\n");
    echec = true;
  }
  return echec ? 1 : 0;
}
