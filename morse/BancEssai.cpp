#include "morse/BancEssai.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "dsp/ReglagesReception.h"
#include "morse/TableMorse.h"

namespace vestral {

namespace {

constexpr double kFrequence = kFrequence_echantillonnage_entree;
constexpr double kBande_reference = 2500.0;  // Hz: the band of the ratio's noise
constexpr double kChirp_constante = 0.008;   // s: how fast a chirp settles
constexpr double kPeriode_vitesse = 30.0;    // s: the speed's wander
// The louder of the noise's 3 sigma and the stations' summed peaks lands at
// this share of full scale; crashes beyond it clip, as in a receiver.
constexpr double kPleine_echelle = 0.6;

double Tirer(std::mt19937& g, double a, double b) {
  return std::uniform_real_distribution<double>(a, b)(g);
}

// A smooth random curve between -1 and 1: three slow sines.
struct Courbe {
  std::array<double, 3> frequence{}, phase{};
  void Tirer_parametres(std::mt19937& g, double f_min, double f_max) {
    for (int i = 0; i < 3; ++i) {
      frequence[i] = Tirer(g, f_min, f_max);
      phase[i] = Tirer(g, 0, 2 * std::numbers::pi);
    }
  }
  double operator()(double t) const {
    double s = 0;
    for (int i = 0; i < 3; ++i) s += std::sin(2 * std::numbers::pi * frequence[i] * t + phase[i]);
    return s / 3;
  }
};

}  // namespace

std::vector<IntervalleManipulation> Manipulation_station(const StationBanc& station,
                                                         std::mt19937& generateur) {
  std::normal_distribution<double> normale(0.0, 1.0);
  Courbe vitesse;
  vitesse.Tirer_parametres(generateur, 0.5 / kPeriode_vitesse, 1.5 / kPeriode_vitesse);
  const double unite0 = 1.2 / station.mots_par_minute;
  double t = station.debut;
  auto Duree = [&](double unites) {
    const double u = unite0 / (1 + station.variation_vitesse * vitesse(t));
    const double ecart = std::clamp(normale(generateur), -2.5, 2.5) * station.gigue;
    return u * unites * std::max(0.3, 1 + ecart);
  };
  std::vector<IntervalleManipulation> intervalles;
  bool apres_caractere = false;
  for (const char c : station.texte) {
    const auto octet = static_cast<uint8_t>(c);
    if (octet == ' ' || octet == '\r' || octet == '\n') {
      // A word gap: 7 units from the end of the last element (3 already there).
      if (apres_caractere) t += Duree(4);
      apres_caractere = false;
      continue;
    }
    const std::string_view motif = Motif_morse(octet);
    if (motif.empty()) continue;
    for (std::size_t i = 0; i < motif.size(); ++i) {
      if (i > 0) t += Duree(1);
      const double longueur = Duree(motif[i] == '_' ? station.rapport_trait_point : 1);
      intervalles.push_back({t, t + longueur});
      t += longueur;
    }
    t += Duree(3);
    apres_caractere = true;
  }
  return intervalles;
}

std::vector<uint8_t> Generer_banc(const ParametresBanc& parametres) {
  std::mt19937 graines(parametres.graine);
  struct Preparee {
    std::vector<IntervalleManipulation> intervalles;
    Courbe fading;
    double normalisation = 1;  // mean power of the fading back to 1
    double amplitude = 0;
  };
  std::vector<Preparee> stations(parametres.stations.size());
  double fin = 0;
  for (std::size_t i = 0; i < stations.size(); ++i) {
    std::mt19937 g(graines());
    stations[i].intervalles = Manipulation_station(parametres.stations[i], g);
    stations[i].fading.Tirer_parametres(g, 0.05, 0.5);
    if (!stations[i].intervalles.empty()) fin = std::max(fin, stations[i].intervalles.back().fin);
    // Tone power A^2/2 over a noise of 1 in the reference band.
    stations[i].amplitude =
        std::sqrt(2 * std::pow(10.0, parametres.stations[i].rapport_signal_bruit_db / 10));
  }
  const double duree = parametres.duree > 0 ? parametres.duree : fin + 1.0;
  const auto n = static_cast<std::size_t>(duree * kFrequence);
  std::vector<double> signal(n, 0.0);

  for (std::size_t i = 0; i < stations.size(); ++i) {
    const StationBanc& s = parametres.stations[i];
    Preparee& p = stations[i];
    auto Gain = [&](double t) {
      if (s.fading_db <= 0) return 1.0;
      const double db = -s.fading_db * (0.5 + 0.5 * p.fading(t));
      return std::pow(10.0, db / 20);
    };
    if (s.fading_db > 0) {
      double somme = 0;
      const int points = 2000;
      for (int k = 0; k < points; ++k) somme += std::pow(Gain(duree * k / points), 2);
      p.normalisation = std::sqrt(points / somme);
    }
    const double montee = std::max(s.montee_ms, 0.1) / 1000;
    double phase = 0;
    std::size_t suivant = 0;  // first interval not yet over
    for (std::size_t k = 0; k < n; ++k) {
      const double t = k / kFrequence;
      while (suivant < p.intervalles.size() && p.intervalles[suivant].fin + montee < t) ++suivant;
      double frequence = s.frequence + s.derive_hz_par_minute * t / 60;
      double enveloppe = 0;
      if (suivant < p.intervalles.size()) {
        const IntervalleManipulation& iv = p.intervalles[suivant];
        if (t >= iv.debut) {
          // Raised-cosine edges: the rise starts at the key-down, the fall at
          // the key-up.
          const double montant = std::min(1.0, (t - iv.debut) / montee);
          const double descendant = t < iv.fin ? 1.0 : std::max(0.0, 1 - (t - iv.fin) / montee);
          const double e = std::min(montant, descendant);
          enveloppe = 0.5 - 0.5 * std::cos(std::numbers::pi * e);
          frequence += s.chirp_hz * std::exp(-(t - iv.debut) / kChirp_constante);
        }
      }
      phase += 2 * std::numbers::pi * frequence / kFrequence;
      if (phase > 2 * std::numbers::pi) phase -= 2 * std::numbers::pi;
      if (enveloppe > 0) {
        signal[k] += p.amplitude * p.normalisation * Gain(t) * enveloppe * std::sin(phase);
      }
    }
  }

  std::mt19937 g_bruit(graines());
  std::normal_distribution<double> normale(0.0, 1.0);
  // White noise over the whole band: 1 in the reference band.
  const double ecart_type = parametres.bruit ? std::sqrt(kFrequence / 2 / kBande_reference) : 0;
  if (parametres.bruit) {
    for (double& x : signal) x += ecart_type * normale(g_bruit);
  }
  if (parametres.crepitements_par_seconde > 0 && !stations.empty()) {
    std::exponential_distribution<double> attente(parametres.crepitements_par_seconde);
    const double puissance_ton = stations[0].amplitude * stations[0].amplitude / 2;
    for (double t = attente(g_bruit); t < duree; t += attente(g_bruit)) {
      const double longueur = Tirer(g_bruit, 0.005, 0.05);
      const double db =
          Tirer(g_bruit, parametres.crepitements_db_min, parametres.crepitements_db_max);
      const double crete = std::sqrt(puissance_ton * std::pow(10.0, db / 10));
      const auto debut = static_cast<std::size_t>(t * kFrequence);
      const auto fin_crash = std::min(n, debut + static_cast<std::size_t>(longueur * kFrequence));
      for (std::size_t k = debut; k < fin_crash; ++k) {
        const double u = (k - debut) / kFrequence;
        const double forme = std::min(1.0, u / 0.0005) * std::exp(-3 * u / longueur);
        signal[k] += crete * forme * normale(g_bruit);
      }
    }
  }

  double cretes = 0;
  for (const Preparee& p : stations) cretes += p.amplitude * p.normalisation;
  const double reference = std::max(3 * ecart_type, cretes);
  const double echelle = reference > 0 ? kPleine_echelle * 127 / reference : 0;
  std::vector<uint8_t> echantillons(n);
  for (std::size_t k = 0; k < n; ++k) {
    echantillons[k] =
        static_cast<uint8_t>(std::clamp(std::lround(128 + echelle * signal[k]), 0L, 255L));
  }
  return echantillons;
}

std::string Texte_banc(GenreTexte genre, int caracteres, std::mt19937& g) {
  auto Entier = [&](int a, int b) { return std::uniform_int_distribution<int>(a, b)(g); };
  auto Lettre = [&] { return static_cast<char>('A' + Entier(0, 25)); };
  auto Chiffre = [&] { return static_cast<char>('0' + Entier(0, 9)); };
  auto Indicatif = [&] {
    std::string s;
    switch (Entier(0, 3)) {
      case 0:
        s += Lettre();
        break;
      case 1:
        s += Lettre();
        s += Lettre();
        break;
      case 2:
        s += Lettre();
        s += Chiffre();
        break;
      default:
        s += Chiffre();
        s += Lettre();
        break;
    }
    s += Chiffre();
    for (int i = Entier(1, 3); i > 0; --i) s += Lettre();
    const int ajout = Entier(0, 9);
    if (ajout == 0) s += "/P";
    if (ajout == 1) s = "EA8/" + s;
    return s;
  };
  static constexpr std::array<const char*, 24> kPhrases = {"CQ CQ CQ DE",
                                                           "TNX FER CALL",
                                                           "UR RST 579 579",
                                                           "NAME IS JEAN",
                                                           "QTH NR LYON",
                                                           "HW CPY?",
                                                           "RIG IS 100W ES DIPOLE",
                                                           "WX IS SUNNY TEMP 18C",
                                                           "TNX FER QSO",
                                                           "HPE CUAGN 73",
                                                           "GM OM",
                                                           "FB ES TNX FER RPRT",
                                                           "PSE QSL VIA BURO",
                                                           "QSB HR",
                                                           "BK TO U",
                                                           "73 ES GL",
                                                           "AGE HR 62",
                                                           "QRM HR SRI",
                                                           "R R UR 599 5NN",
                                                           "OP IS MARIE",
                                                           "ANT IS 3 EL YAGI",
                                                           "NW QRT",
                                                           "SK",
                                                           "GE DR OM"};
  std::string texte;
  while (static_cast<int>(texte.size()) < caracteres) {
    if (!texte.empty()) texte += ' ';
    switch (genre) {
      case GenreTexte::Indicatifs:
        texte += Indicatif();
        break;
      case GenreTexte::Concours:
        texte += Indicatif();
        texte += Entier(0, 1) ? " 5NN " : " TU 599 ";
        texte += std::to_string(Entier(1, 40)) +
                 (Entier(0, 1) ? "" : " " + std::to_string(Entier(1, 999)));
        break;
      case GenreTexte::Phrases:
        texte += kPhrases[static_cast<std::size_t>(Entier(0, kPhrases.size() - 1))];
        if (Entier(0, 2) == 0) texte += " " + Indicatif();
        break;
      case GenreTexte::Groupes:
        for (int i = 0; i < 5; ++i) texte += Entier(0, 3) ? Lettre() : Chiffre();
        break;
    }
  }
  return texte;
}

}  // namespace vestral
