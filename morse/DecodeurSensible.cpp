#include "morse/DecodeurSensible.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "dsp/ReglagesReception.h"
#include "morse/TableMorse.h"

namespace vestral {

namespace {

constexpr double kFrequence = kFrequence_echantillonnage_entree;
constexpr double kSecondes_par_trame = ConversionBande::kEchantillons_par_trame / kFrequence;
constexpr double kTrames_par_seconde = 1.0 / kSecondes_par_trame;
constexpr double kMillisecondes_par_trame = 1000.0 * kSecondes_par_trame;

// Speeds believed: a dot of 1200/wpm ms, from 5 to 60 words per minute.
constexpr double kUnite_min = 1200.0 / 60 / kMillisecondes_par_trame;
constexpr double kUnite_max = 1200.0 / 5 / kMillisecondes_par_trame;
// Where the timing starts without a hint: a dot of 50 ms (24 words per
// minute), short enough that faster dots still pass the detector.
constexpr double kUnite_depart = 50.0 / kMillisecondes_par_trame;

// The detection filter spans this share of a dot; the shortest mark or
// space the key decision accepts is this share; its look-ahead is this
// many dots (plus half the filter).
constexpr double kFiltre_par_unite = 0.8;
constexpr double kDuree_min_par_unite = 0.5;
constexpr double kRetard_par_unite = 1.5;
// Weight of one frame's evidence: the window of L frames holds about 1.5/L
// independent noise samples per frame; trusting each frame more than that
// (chosen on the bench: -9 dB copies best there) lets the durations and the
// price of a change do the smoothing.
constexpr double kPoids_preuve = 4.0;
// Marks and spaces to learn from before the first character; how many key
// states wait meanwhile; marks longer than the slowest dash teach nothing.
constexpr int kMarques_apprentissage = 10;
constexpr std::size_t kCourses_max = 96;
constexpr double kMarque_apprise_max = 3.5 * kUnite_max;
// Frames after tuning before the key decisions count.
constexpr int kTrames_chauffe = 150;
// Price of a change of key state (natural log).
constexpr float kCout_changement = 2.0f;

// Quantiles: the noise floor is the low one of the powers (for noise alone,
// whose power is exponential, the quantile q lies at -ln(1-q) of the mean);
// the signal's level a high one.
constexpr float kQuantile_bruit = 0.25f;
const float kEchelle_bruit = static_cast<float>(-std::log(1.0 - kQuantile_bruit));
const float kEchelle_mediane = static_cast<float>(std::log(2.0));
// Key-up frames needed before the floor comes from them alone.
constexpr int kTrames_bruit_minimum = 100;
constexpr float kQuantile_niveau = 0.8f;
// Static crashes: power outside the tone this many times its median.
constexpr float kFacteur_crash = 8.0f;

// The largest signal-to-noise ratio believed at the filter's output.
constexpr float kRapport_max = 1e4f;
// Squelch: signal over noise at the filter's output, to open and to close.
constexpr float kOuverture = 4.0f;
constexpr float kFermeture = 2.5f;

// Frames between two updates of the levels, of the reports.
constexpr int kTrames_niveaux = 50;
constexpr int kTrames_rapport = 250;
// Pitch following: frames between two corrections, largest step (Hz).
constexpr int kTrames_correction = 100;
constexpr double kCorrection_max = 2.0;
// Pitch search: blocks between two looks at the spectrum; how far another
// keyed signal must lie to retune, how much stronger when ours is present,
// and how far it must stand out of the band when searching it all.
constexpr int kBlocs_evaluation = 8;
constexpr double kEcart_reaccord = 12.0;
constexpr double kAvantage_reaccord = 2.0;
constexpr double kContraste_bande = 4.0;
constexpr double kDemi_largeur_etroite = 30.0;
constexpr double kDemi_largeur_large = 300.0;
// How far inside the band searched a pitch must lie (its edges see the
// skirts of the signals beyond).
constexpr double kMarge_bord = 10.0;
// The pitch is followed only on a signal this far over the noise (at the
// filter's output), not on the skirt of a neighbour.
constexpr float kRapport_suivi = 8.0f;
// Frames whose window is more than this much blanked bring no evidence.
constexpr float kValidite_min = 0.6f;
constexpr double kBande_basse = 200.0, kBande_haute = 2700.0;

double Log_i0(double z) {
  if (z < 3.75) {
    const double t = 0.25 * z * z;
    return std::log1p(t + t * t / 4 + t * t * t / 36 + t * t * t * t / 576);
  }
  return z - 0.5 * std::log(2 * std::numbers::pi * z) + std::log1p(1.0 / (8 * z));
}

}  // namespace

DecodeurSensible::DecodeurSensible() : DecodeurSensible(ParametresDecodeur{}) {}

DecodeurSensible::DecodeurSensible(const ParametresDecodeur& parametres)
    : conversion_(kFrequence),
      recherche_(kFrequence),
      temps_(kUnite_depart, kUnite_min, kUnite_max),
      bruit_(500),
      amorce_bruit_(375),
      niveau_(375),
      hors_tonalite_(250) {
  evenements_.reserve(256);
  courses_.reserve(kCourses_max);
  demandes_ = parametres;
  parametres_ = parametres;
  Demarrer();
}

void DecodeurSensible::Regler(const ParametresDecodeur& parametres) {
  std::lock_guard verrou(mutex_reglage_);
  demandes_ = parametres;
  reglage_en_attente_ = true;
}

void DecodeurSensible::Relancer() {
  relance_en_attente_ = true;
}

void DecodeurSensible::Reinitialiser() {
  {
    std::lock_guard verrou(mutex_reglage_);
    parametres_ = demandes_;
    reglage_en_attente_ = false;
  }
  relance_en_attente_ = false;
  position_ = 0;
  evenements_.clear();
  memoire_nombre_ = 0;
  memoire_ecriture_ = 0;
  Demarrer();
}

void DecodeurSensible::Demarrer() {
  trames_ = 0;
  conversion_.Vider();
  filtre_.Vider();
  filtre_validite_.Vider();
  bruit_.Vider();
  amorce_bruit_.Vider();
  niveau_.Vider();
  hors_tonalite_.Vider();
  trame_precedente_ = {};
  crash_precedent_ = crash_avant_ = false;
  reference_hors_tonalite_ = 0;
  trames_depuis_crash_ = 1000;
  bruit_normalise_ = 0;
  rapport_filtre_ = 0;
  present_ = false;
  sortie_precedente_ = {};
  erreur_frequence_ = {};
  crete_entree_ = 0;
  vitesse_rapportee_ = hauteur_rapportee_ = 0;
  blocs_depuis_evaluation_ = 0;
  temps_.Reinitialiser(Unite_depart());
  temps_appris_ = false;
  courses_.clear();
  unite_en_usage_ = 0;
  Adapter_vitesse();
  decision_.Vider();
  Appliquer(parametres_);
  Oublier_caractere();
  etat_ = 0;
  duree_etat_ = 0;
  dernier_emis_ = ' ';
}

double DecodeurSensible::Unite_depart() const {
  return parametres_.vitesse > 0 ? 1200.0 / parametres_.vitesse / kMillisecondes_par_trame
                                 : kUnite_depart;
}

void DecodeurSensible::Appliquer(const ParametresDecodeur& parametres) {
  parametres_ = parametres;
  signal_entendu_ = false;
  if (parametres.frequence > 0) {
    centre_recherche_ = parametres.frequence;
    demi_largeur_ = parametres.bande_etroite ? kDemi_largeur_etroite : kDemi_largeur_large;
    // A tuned pitch is only watched: one block in four is enough.
    recherche_.Regler_bande(centre_recherche_ - demi_largeur_, centre_recherche_ + demi_largeur_,
                            parametres.bande_etroite ? 4 : 1);
    Accorder(parametres.frequence);
  } else {
    centre_recherche_ = 0.5 * (kBande_basse + kBande_haute);
    demi_largeur_ = 0.5 * (kBande_haute - kBande_basse);
    recherche_.Regler_bande(kBande_basse, kBande_haute, 1);
    accorde_ = false;
  }
}

void DecodeurSensible::Accorder(double frequence, bool garder_niveaux) {
  conversion_.Regler_frequence(frequence);
  conversion_.Vider();
  filtre_.Vider();
  filtre_validite_.Vider();
  if (!garder_niveaux) niveau_.Vider();
  decision_.Vider();
  sortie_precedente_ = {};
  erreur_frequence_ = {};
  etat_ = 0;
  duree_etat_ = 0;
  Oublier_caractere();
  // Another signal: its fist is learned afresh.
  temps_.Reinitialiser(Unite_depart());
  temps_appris_ = false;
  courses_.clear();
  unite_en_usage_ = 0;
  Adapter_vitesse();
  accorde_ = true;
  trames_depuis_accord_ = 0;
}

void DecodeurSensible::Oublier_caractere() {
  elements_ = 0;
  ecart_courant_ = 0;
  abandon_ = false;
  caractere_fini_ = true;
  mot_fini_ = true;
}

void DecodeurSensible::Pousser(std::span<const uint8_t> echantillons) {
  if (reglage_en_attente_.exchange(false)) {
    ParametresDecodeur p;
    {
      std::lock_guard verrou(mutex_reglage_);
      p = demandes_;
    }
    const bool autre_ecoute =
        p.frequence != parametres_.frequence || p.bande_etroite != parametres_.bande_etroite;
    const bool autre_vitesse = p.vitesse != parametres_.vitesse;
    parametres_ = p;
    if (autre_ecoute) Appliquer(p);
    if (autre_vitesse && p.vitesse > 0) {
      temps_.Reinitialiser(1200.0 / p.vitesse / kMillisecondes_par_trame);
      Adapter_vitesse();
    }
  }
  if (relance_en_attente_.exchange(false)) Oublier_caractere();

  for (const uint8_t s : echantillons) {
    const int ecart = std::abs(2 * static_cast<int>(s) - 255);
    crete_entree_ = std::max(crete_entree_, ecart);
    const float x = (static_cast<int>(s) - 128) * (1.0f / 128.0f);
    if (recherche_.Pousser(x) && ++blocs_depuis_evaluation_ >= kBlocs_evaluation) {
      blocs_depuis_evaluation_ = 0;
      Evaluer_hauteur();
    }
    TrameBande trame;
    if (conversion_.Pousser(x, trame) && accorde_) Traiter_trame(trame);
    memoire_[memoire_ecriture_] = s;
    memoire_ecriture_ = (memoire_ecriture_ + 1) % memoire_.size();
    memoire_nombre_ = std::min(memoire_nombre_ + 1, memoire_.size());
    ++position_;
  }
}

void DecodeurSensible::Terminer() {
  // The frames still under the look-ahead are decided as if a silence
  // followed; the key state under way ends; a short recording is read with
  // whatever was learned.
  if (accorde_) {
    for (int k = 0; k < decision_.Retard(); ++k) {
      const int etat = decision_.Pousser(-1.0f);
      if (etat >= 0 && !mise_en_route_) Recevoir_etat(etat);
    }
  }
  if (etat_ == 1) Recevoir_etat(0);
  if (!temps_appris_) Rejouer();
  if (!caractere_fini_) Finir_caractere();
}

void DecodeurSensible::Prendre_evenements(std::vector<EvenementDecodeur>& evenements) {
  evenements.insert(evenements.end(), evenements_.begin(), evenements_.end());
  evenements_.clear();
}

double DecodeurSensible::Mots_par_minute() const {
  return 1200.0 / (temps_.Unite() * kMillisecondes_par_trame);
}

double DecodeurSensible::Rapport_signal_bruit_db() const {
  // Noise at the filter's output spans kFrequence * gain / 22 Hz.
  const double rapport = rapport_filtre_ * kFrequence * filtre_.Gain_bruit() /
                         (ConversionBande::kEchantillons_par_trame * 2500.0);
  return 10.0 * std::log10(std::max(rapport, 1e-6));
}

void DecodeurSensible::Evaluer_hauteur() {
  const HauteurTrouvee meilleure = recherche_.Meilleure();
  if (!meilleure.trouvee) return;
  if (parametres_.frequence == 0 && meilleure.Contraste() < kContraste_bande) return;
  // A tuned pitch is refined until the signal is heard, then only followed:
  // when that station stops, a neighbour's skirt must not take its place.
  if (parametres_.frequence > 0 && signal_entendu_) return;
  if (std::abs(meilleure.frequence - centre_recherche_) > demi_largeur_ - kMarge_bord) return;
  if (accorde_ && std::abs(meilleure.frequence - conversion_.Frequence()) < kEcart_reaccord) return;
  if (accorde_ && present_ &&
      meilleure.score < kAvantage_reaccord * recherche_.Score_a(conversion_.Frequence())) {
    return;
  }
  Accorder(meilleure.frequence);
  // The search needed a second or so of the signal: that second is read
  // again at the pitch found, twice: once for the levels, then for the
  // text, so that its first characters are not lost.
  const std::size_t debut =
      (memoire_ecriture_ + memoire_.size() - memoire_nombre_) % memoire_.size();
  for (const bool texte : {false, true}) {
    if (texte) {
      Accorder(conversion_.Frequence(), true);
      trames_depuis_accord_ = kTrames_chauffe;
    }
    mise_en_route_ = !texte;
    for (std::size_t i = 0; i < memoire_nombre_; ++i) {
      const uint8_t s = memoire_[(debut + i) % memoire_.size()];
      TrameBande trame;
      if (conversion_.Pousser((static_cast<int>(s) - 128) * (1.0f / 128.0f), trame)) {
        Traiter_trame(trame);
      }
    }
  }
  mise_en_route_ = false;
}

void DecodeurSensible::Adapter_vitesse() {
  // While the fist is being learned the detector stays as it is: each
  // change of its length bends the marks it measures.
  if (!temps_appris_ && unite_en_usage_ > 0) return;
  const double unite = temps_.Unite();
  if (unite_en_usage_ > 0 && std::abs(unite / unite_en_usage_ - 1) < 0.15) return;
  unite_en_usage_ = unite;
  filtre_.Regler_longueur(static_cast<int>(std::lround(kFiltre_par_unite * unite)));
  filtre_validite_.Regler_longueur(filtre_.Longueur());
  decision_.Regler(static_cast<int>(std::lround(kDuree_min_par_unite * unite)),
                   static_cast<int>(std::lround(kRetard_par_unite * unite)) + filtre_.Retard(),
                   kCout_changement);
}

void DecodeurSensible::Mettre_a_jour_niveaux() {
  if (hors_tonalite_.Nombre() > 0) reference_hors_tonalite_ = hors_tonalite_.Quantile(0.5f);
  // Two estimates of the floor: the low quantile of every frame, which
  // marks lift when they fill much of the time, and the median of the
  // frames decided key up, which a decoder deciding nothing would take from
  // the marks too. The lower one is right in either case.
  if (amorce_bruit_.Nombre() < 25) return;
  bruit_normalise_ = amorce_bruit_.Quantile(kQuantile_bruit) / kEchelle_bruit;
  if (bruit_.Nombre() >= kTrames_bruit_minimum) {
    bruit_normalise_ = std::min(bruit_normalise_, bruit_.Quantile(0.5f) / kEchelle_mediane);
  }
  // A clean recording has no noise at all: the evidence is capped as if the
  // signal stood kRapport_max over it.
  const float haut = niveau_.Quantile(kQuantile_niveau);
  bruit_normalise_ = std::max({bruit_normalise_, haut / kRapport_max, 1e-12f});
  rapport_filtre_ = std::max(0.0f, haut - bruit_normalise_) / bruit_normalise_;
  const bool present = present_ ? rapport_filtre_ > kFermeture : rapport_filtre_ > kOuverture;
  if (present != present_) {
    present_ = present;
    signal_entendu_ = signal_entendu_ || present;
    Evenement(TypeEvenement::Presence, present ? 1 : 0);
  }
}

void DecodeurSensible::Traiter_trame(const TrameBande& trame) {
  ++trames_;
  // Static crashes: a frame is blanked when it or a neighbour holds far more
  // power outside the tone than usual. The frame treated is the previous one.
  const float hors = trame.Puissance_hors_tonalite();
  // (and more than the tone itself: a clean tone's own edges leave a little
  // power outside it, far above the silence of a clean recording).
  const bool crash = reference_hors_tonalite_ > 0 &&
                     hors > kFacteur_crash * reference_hors_tonalite_ &&
                     hors > 2.0f * trame.Puissance_tonalite();
  if (!crash && (trames_ & 3) == 0) hors_tonalite_.Pousser(hors);
  const bool masquer = crash || crash_precedent_ || crash_avant_;
  const std::complex<float> entree = masquer ? std::complex<float>{} : trame_precedente_.amplitude;
  crash_avant_ = crash_precedent_;
  crash_precedent_ = crash;
  trame_precedente_ = trame;
  trames_depuis_crash_ = masquer ? 0 : trames_depuis_crash_ + 1;

  // The share of the window's weight on frames not blanked: the tone comes
  // through the filter that much weaker.
  const float validite = filtre_validite_.Filtrer({masquer ? 0.0f : 1.0f, 0.0f}).real();
  const std::complex<float> sortie = filtre_.Filtrer(entree);
  const float gain = filtre_.Gain_bruit();
  const float puissance = std::norm(sortie) / gain;
  if (trames_ & 1) niveau_.Pousser(puissance);
  if (trames_depuis_crash_ > filtre_.Longueur()) {
    // Before any key decision, every frame speaks for the noise.
    if ((trames_ & 3) == 0) amorce_bruit_.Pousser(puissance);
    puissances_[trames_ % puissances_.size()] = puissance;
  } else {
    puissances_[trames_ % puissances_.size()] = -1;  // next to a blanked crash
  }
  if (trames_ % kTrames_niveaux == 0) Mettre_a_jour_niveaux();

  // Evidence of key down in this frame.
  float llr = 0;
  if (bruit_normalise_ > 0 && rapport_filtre_ > 0 && validite > kValidite_min) {
    const double x = puissance / (validite * validite) / bruit_normalise_;
    const double s = rapport_filtre_;
    llr =
        static_cast<float>((Log_i0(2 * std::sqrt(x * s)) - s) * kPoids_preuve / filtre_.Longueur());
  }

  // Pitch following on the frames that hold the tone.
  if (rapport_filtre_ > kRapport_suivi && validite > 0.99f &&
      puissance > bruit_normalise_ * (1 + 0.5f * rapport_filtre_)) {
    erreur_frequence_ += sortie * std::conj(sortie_precedente_);
  }
  sortie_precedente_ = sortie;
  if (trames_ % kTrames_correction == 0) {
    if (std::abs(erreur_frequence_) > 0) {
      const double erreur =
          std::arg(erreur_frequence_) / (2 * std::numbers::pi * kSecondes_par_trame);
      double f =
          conversion_.Frequence() + std::clamp(0.3 * erreur, -kCorrection_max, kCorrection_max);
      f = std::clamp(f, centre_recherche_ - demi_largeur_ + kMarge_bord,
                     centre_recherche_ + demi_largeur_ - kMarge_bord);
      conversion_.Regler_frequence(f);
    }
    erreur_frequence_ = {};
  }

  const int etat = decision_.Pousser(llr);
  ++trames_depuis_accord_;
  // The first decisions after tuning come before the levels are known.
  if (etat >= 0 && trames_depuis_accord_ > kTrames_chauffe && !mise_en_route_) {
    // The noise floor from the frames decided key up, away from the marks'
    // edges (which the filter spreads over half its length).
    if (etat == 0 && etat_ == 0 && duree_etat_ > filtre_.Retard() + 2 && (trames_ & 1)) {
      const float p = puissances_[(trames_ - decision_.Retard()) % puissances_.size()];
      if (p >= 0) bruit_.Pousser(p);
    }
    Recevoir_etat(etat);
  }

  if (trames_ % kTrames_rapport == 0) Rendre_compte();
}

void DecodeurSensible::Recevoir_etat(int etat) {
  if (etat == etat_) {
    ++duree_etat_;
    if (etat_ == 0 && temps_appris_) {
      // A silence growing: the character, then the word, end as soon as it
      // is long enough.
      if (!caractere_fini_ && duree_etat_ > temps_.Seuil_caractere()) Finir_caractere();
      if (!mot_fini_ && duree_etat_ > temps_.Seuil_mot()) Finir_mot();
    }
    return;
  }
  const int duree = duree_etat_;
  const bool marque = etat_ == 1;
  etat_ = etat;
  duree_etat_ = 1;
  // Learned first: a model that believes the dashes too short must still
  // see them.
  // Only a signal heard teaches the fist: noise would drag it to the
  // fastest speed, and the detector's band with it.
  if (present_ && marque && duree < kMarque_apprise_max) {
    temps_.Apprendre_marque(duree);
    Adapter_vitesse();
  }
  if (present_ && !marque) temps_.Apprendre_espace(duree);
  if (temps_appris_) {
    if (marque)
      Ajouter_element(duree);
    else
      ecart_courant_ = duree;
    return;
  }
  // Until the fist is known, the key states wait; then they are read again
  // with what was learned.
  if (courses_.size() == courses_.capacity()) courses_.erase(courses_.begin());
  courses_.push_back({marque, duree});
  if (temps_.Marques_apprises() < kMarques_apprentissage ||
      temps_.Espaces_appris() < kMarques_apprentissage) {
    return;
  }
  Rejouer();
}

void DecodeurSensible::Rejouer() {
  temps_appris_ = true;
  Adapter_vitesse();
  for (const Course& c : courses_) {
    if (c.marque) {
      Ajouter_element(c.duree);
    } else {
      ecart_courant_ = c.duree;
      if (!caractere_fini_ && c.duree > temps_.Seuil_caractere()) Finir_caractere();
      if (!mot_fini_ && c.duree > temps_.Seuil_mot()) Finir_mot();
    }
  }
  courses_.clear();
}

void DecodeurSensible::Finir_mot() {
  mot_fini_ = true;
  if (dernier_emis_ != ' ') Emettre(' ');
}

void DecodeurSensible::Ajouter_element(int duree) {
  caractere_fini_ = false;
  mot_fini_ = false;
  if (duree > temps_.Marque_max()) {
    // A steady carrier or a long blip: no Morse element.
    abandon_ = true;
    return;
  }
  if (elements_ >= static_cast<int>(sizeof motif_) - 1) {
    abandon_ = true;
    return;
  }
  motif_[elements_] = temps_.Est_trait(duree) ? '_' : '.';
  ecarts_[elements_] = elements_ == 0 ? 0 : ecart_courant_;
  ++elements_;
}

void DecodeurSensible::Finir_caractere() {
  caractere_fini_ = true;
  const int n = elements_;
  const bool abandon = abandon_;
  elements_ = 0;
  abandon_ = false;
  if (abandon || n == 0 || !present_) return;
  const std::string_view motif(motif_, static_cast<std::size_t>(n));
  const int c = Caractere_du_noeud(motif);
  if (c != kAucunCaractere) {
    Emettre(static_cast<uint8_t>(c));
    return;
  }
  // Not a character: two run together, split at the longest gap.
  int coupure = 1;
  for (int i = 2; i < n; ++i) {
    if (ecarts_[i] > ecarts_[coupure]) coupure = i;
  }
  if (n < 2) return;
  const int a = Caractere_du_noeud(motif.substr(0, static_cast<std::size_t>(coupure)));
  const int b = Caractere_du_noeud(motif.substr(static_cast<std::size_t>(coupure)));
  if (a != kAucunCaractere && b != kAucunCaractere) {
    Emettre(static_cast<uint8_t>(a));
    Emettre(static_cast<uint8_t>(b));
  }
}

void DecodeurSensible::Emettre(uint8_t caractere) {
  dernier_emis_ = caractere;
  Evenement(TypeEvenement::Caractere, caractere);
}

void DecodeurSensible::Evenement(TypeEvenement type, int32_t valeur) {
  evenements_.push_back({type, position_, valeur});
}

void DecodeurSensible::Rendre_compte() {
  const auto hauteur = static_cast<int32_t>(std::lround(10 * conversion_.Frequence()));
  if (hauteur != hauteur_rapportee_) {
    hauteur_rapportee_ = hauteur;
    Evenement(TypeEvenement::Hauteur, hauteur);
  }
  const auto vitesse = static_cast<int32_t>(std::lround(Mots_par_minute()));
  if (vitesse != vitesse_rapportee_) {
    vitesse_rapportee_ = vitesse;
    Evenement(TypeEvenement::Vitesse, vitesse);
  }
  Evenement(TypeEvenement::Rapport_signal_bruit,
            static_cast<int32_t>(std::lround(10 * Rapport_signal_bruit_db())));
  Evenement(TypeEvenement::Niveau_entree, crete_entree_ * 100 / 255);
  crete_entree_ = 0;
}

}  // namespace vestral
