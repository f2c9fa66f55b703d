#include "sound/FONCTIONS_WAVE.h"

#include <algorithm>

#include "shell/Cp1252.h"

namespace vestral {

namespace {

// The dialog texts of one block's operations.
struct Textes_bloc {
  std::string entete;       // header allocation
  std::string donnees;      // data allocation
  std::string preparation;  // prepare
  std::string file;         // queue (capture) or write (playback)
  std::string suppression;  // unprepare
};

const Textes_bloc& Textes(const Tampon_son& tampon) {
  static const Textes_bloc textes[4] = {
      {"Erreur allocation header d'entrée"_cp, "Erreur allocation buffer d'entrée"_cp,
       "Erreur préparation header éch. n°:"_cp, "Erreur préparation buffer éch. n°:"_cp,
       "Erreur de suppression de header d'entrée n°"_cp},
      {"Erreur allocation header d'entrée 2"_cp, "Erreur allocation buffer d'entrée 2"_cp,
       "Erreur préparation header bis éch. n°:"_cp, "Erreur préparation buffer bis éch. n°:"_cp,
       "Erreur de suppression de header d'entrée bis n°"_cp},
      {"Erreur allocation header de sortie"_cp, "Erreur allocation buffer de sortie"_cp,
       "Erreur préparation header n°:"_cp, "Erreur de restitution des données n°"_cp,
       "Erreur de suppression de header de sortie n°"_cp},
      {"Erreur allocation header de sortie 2"_cp, "Erreur allocation buffer de sortie 2"_cp,
       "Erreur préparation header bis n°:"_cp, "Erreur de restitution des données bis n°"_cp,
       "Erreur de suppression de header de sortie bis n°"_cp},
  };
  return textes[(tampon.sens == Sens::Sortie ? 2 : 0) + (tampon.numero == 2 ? 1 : 0)];
}

int Indice(Sens sens) {
  return sens == Sens::Entree ? 0 : 1;
}

}  // namespace

FonctionsWave::FonctionsWave(PeripheriqueSon& peripherique, Rapport& rapport)
    : peripherique_(peripherique), rapport_(rapport) {}

// A device must not outlive its blocks: stop whatever is still running.
FonctionsWave::~FonctionsWave() {
  for (Sens sens : {Sens::Entree, Sens::Sortie}) {
    if (!ouvert_[Indice(sens)]) continue;
    peripherique_.Reinitialiser(sens);
    peripherique_.Fermer(sens);
  }
}

void FonctionsWave::Echec(Sens sens, const std::string& texte, uint16_t code) {
  if (Peripherique_en_panne(sens)) return;
  rapport_.Erreur(texte + std::to_string(code));
}

bool FonctionsWave::Peripherique_en_panne(Sens sens) {
  const uint16_t code = peripherique_.Panne(sens);
  if (code == code_son::kSucces) return false;
  bool& signalee = panne_signalee_[Indice(sens)];
  if (!signalee) {
    signalee = true;
    rapport_.Erreur((sens == Sens::Entree ? "Erreur lors de l'échantillonnage n°"_cp
                                          : "Erreur de restitution des données n°"_cp) +
                    std::to_string(code));
  }
  return true;
}

void FonctionsWave::Capacites_son(uint16_t& nombre_entrees, uint32_t& formats_entree,
                                  uint16_t& nombre_sorties, uint32_t& formats_sortie) {
  nombre_entrees = peripherique_.Nombre_peripheriques(Sens::Entree);
  if (nombre_entrees != 0 && peripherique_.Capacites(Sens::Entree, formats_entree) != 0)
    rapport_.Erreur("Erreur sur détermination des capacités d'entrée."_cp);
  nombre_sorties = peripherique_.Nombre_peripheriques(Sens::Sortie);
  if (nombre_sorties != 0 && peripherique_.Capacites(Sens::Sortie, formats_sortie) != 0)
    rapport_.Erreur("Erreur sur détermination des capacités de sortie."_cp);
}

void FonctionsWave::Remplir_format(Format_son& format, uint16_t canaux, uint8_t huit_bits,
                                   int32_t frequence) {
  const uint16_t bits = huit_bits == 1 ? 8 : 16;
  format.format = 1;
  format.canaux = canaux;
  format.echantillons_par_seconde = static_cast<uint32_t>(frequence);
  format.octets_par_seconde = canaux * (static_cast<uint32_t>(frequence) * bits / 8);
  format.alignement = static_cast<uint16_t>(canaux * (bits / 8));
  format.bits = bits;
}

uint16_t FonctionsWave::Ouvrir(Sens sens, std::unique_ptr<Format_son>& format, uint16_t canaux,
                               uint8_t huit_bits, int32_t frequence, const std::string& texte) {
  if (!format) format = std::make_unique<Format_son>();
  Remplir_format(*format, canaux, huit_bits, frequence);
  const uint16_t code = peripherique_.Ouvrir(sens, *format);
  if (code == code_son::kSucces) {
    ouvert_[Indice(sens)] = true;
    panne_signalee_[Indice(sens)] = false;
    return 0;
  }
  if (Messages_ouverture == 1) rapport_.Erreur(texte + std::to_string(code));
  return 1;
}

uint16_t FonctionsWave::Ouverture_entree_son(uint8_t huit_bits, int32_t frequence, uint8_t stereo) {
  return Ouvrir(Sens::Entree, Format_entree, stereo == 1 ? 2 : 1, huit_bits, frequence,
                "Erreur ouverture entree son n°:"_cp);
}

uint16_t FonctionsWave::Ouverture_sortie_son(uint8_t huit_bits, int32_t frequence) {
  return Ouvrir(Sens::Sortie, Format_sortie, 1, huit_bits, frequence,
                "Erreur ouverture sortie son n°:"_cp);
}

void FonctionsWave::Allocation_tampon(Tampon_son& tampon) {
  const Textes_bloc& textes = Textes(tampon);
  Liberation_tampon(tampon);
  tampon.memoire_entete = peripherique_.Allocation_entete();
  if (!tampon.memoire_entete) {
    rapport_.Erreur(textes.entete);
    return;
  }
  const uint32_t taille = Taille_tampon > 0 ? static_cast<uint32_t>(Taille_tampon) : 0;
  tampon.memoire_donnees = peripherique_.Allocation_donnees(taille);
  if (!tampon.memoire_donnees) {
    rapport_.Erreur(textes.donnees);
    return;
  }
  Entete_son& entete = *tampon.memoire_entete;
  entete.donnees = tampon.memoire_donnees.get();
  entete.longueur = taille;
  entete.octets_enregistres = 0;
  entete.utilisateur = 0;
  entete.drapeaux = 0;
  entete.boucles = 1;
  entete.suivant = nullptr;
  entete.reserve = 0;
}

void FonctionsWave::Liberation_tampon(Tampon_son& tampon) {
  // Never free a block the device still holds.
  if (tampon.Entete() &&
      (tampon.Entete()->drapeaux.load(std::memory_order_acquire) & kEntete_en_file))
    peripherique_.Reinitialiser(tampon.sens);
  tampon.memoire_donnees.reset();
  tampon.memoire_entete.reset();
}

uint16_t FonctionsWave::Appel_bloc(Tampon_son& tampon, Sens sens, Appel_entete appel,
                                   const std::string& texte) {
  const uint16_t code = tampon.Utilisable() ? (peripherique_.*appel)(sens, *tampon.Entete())
                                            : code_son::kParametre_invalide;
  if (code == code_son::kSucces) return 0;
  Echec(sens, texte, code);
  return 1;
}

uint16_t FonctionsWave::Appel_peripherique(Sens sens, Appel_sens appel, const std::string& texte) {
  const uint16_t code = (peripherique_.*appel)(sens);
  if (code != code_son::kSucces) Echec(sens, texte, code);
  return code;
}

uint16_t FonctionsWave::Preparation_entete(Tampon_son& tampon) {
  return Appel_bloc(tampon, tampon.sens, &PeripheriqueSon::Preparer, Textes(tampon).preparation);
}

uint16_t FonctionsWave::Ajout_tampon_entree(Tampon_son& tampon) {
  return Appel_bloc(tampon, Sens::Entree, &PeripheriqueSon::Mettre_en_file, Textes(tampon).file);
}

uint16_t FonctionsWave::Ecriture_tampon_sortie(Tampon_son& tampon) {
  return Appel_bloc(tampon, Sens::Sortie, &PeripheriqueSon::Mettre_en_file, Textes(tampon).file);
}

void FonctionsWave::Suppression_entete(Tampon_son& tampon) {
  Appel_bloc(tampon, tampon.sens, &PeripheriqueSon::Depreparer, Textes(tampon).suppression);
}

void FonctionsWave::Demarrage_entree() {
  Appel_peripherique(Sens::Entree, &PeripheriqueSon::Demarrer,
                     "Erreur lors de l'échantillonnage n°"_cp);
}

void FonctionsWave::Arret_entree() {
  Appel_peripherique(Sens::Entree, &PeripheriqueSon::Reinitialiser,
                     "Erreur lors de l'arrêt de l'échantillonnage n°"_cp);
}

void FonctionsWave::Fermeture_entree() {
  if (Appel_peripherique(Sens::Entree, &PeripheriqueSon::Fermer,
                         "Erreur lors de fermeture du device d'entrée n°"_cp) == 0)
    ouvert_[0] = false;
}

void FonctionsWave::Arret_sortie() {
  Appel_peripherique(Sens::Sortie, &PeripheriqueSon::Reinitialiser,
                     "Erreur d'arrêt de restitution des données n°"_cp);
}

void FonctionsWave::Fermeture_sortie() {
  if (Appel_peripherique(Sens::Sortie, &PeripheriqueSon::Fermer,
                         "Erreur lors de fermeture du device de sortie n°"_cp) == 0)
    ouvert_[1] = false;
}

bool FonctionsWave::Echec_verification(const std::string& texte) {
  rapport_.Bip();
  rapport_.Erreur(texte);
  return false;
}

bool FonctionsWave::Verification_carte_son_demarrage() {
  Messages_ouverture = 0;
  uint16_t nombre_entrees = 0, nombre_sorties = 0;
  uint32_t formats_entree = 0, formats_sortie = 0;
  Capacites_son(nombre_entrees, formats_entree, nombre_sorties, formats_sortie);
  bool utilisable = true;
  if (nombre_entrees == 0 || nombre_sorties == 0)
    utilisable = Echec_verification("Fonctionnement impossible car il n'y a pas de carte son."_cp);
  else if (!((formats_entree | formats_sortie) & kFormat_1M08))
    utilisable = Echec_verification(
        "Fonctionnement impossible car le format minimum requis pour la carte son n'est pas disponible."_cp);
  Messages_ouverture = 1;
  return utilisable;
}

bool FonctionsWave::Verification_carte_son() {
  Messages_ouverture = 0;
  Format_entree = std::make_unique<Format_son>();
  Format_sortie = std::make_unique<Format_son>();
  uint16_t nombre_entrees = 0, nombre_sorties = 0;
  uint32_t formats_entree = 0, formats_sortie = 0;
  Capacites_son(nombre_entrees, formats_entree, nombre_sorties, formats_sortie);
  bool utilisable = true;
  if (nombre_entrees == 0 || nombre_sorties == 0) {
    utilisable = Echec_verification("Fonctionnement impossible car il n'y a pas de carte son"_cp);
  } else if (!((formats_entree | formats_sortie) & kFormat_1M08)) {
    utilisable =
        Echec_verification("Fonctionnement impossible car format minimum non disponible."_cp);
  } else if (Ouverture_entree_son(1, kFrequence_echantillonnage_entree, 0) != 0) {
    utilisable = Echec_verification(
        "Fonctionnement impossible car entrée carte son utilisée par une autre application."_cp);
  } else {
    Fermeture_entree();
    if (Ouverture_sortie_son(1, kFrequence_echantillonnage_entree) != 0)
      utilisable = Echec_verification(
          "Fonctionnement impossible car sortie carte son utilisée par une autre application."_cp);
    else
      Fermeture_sortie();
  }
  Format_entree.reset();
  Format_sortie.reset();
  Messages_ouverture = 1;
  return utilisable;
}

bool FonctionsWave::Ouverture_flux_entree() {
  Format_entree = std::make_unique<Format_son>();
  Allocation_tampon(Entree_1);
  Allocation_tampon(Entree_2);
  // Without both blocks the device is not opened at all: its own
  // failures would only repeat the allocation's message.
  if (!Entree_1.Utilisable() || !Entree_2.Utilisable()) return false;
  if (Ouverture_entree_son(Entree_8_bits, Frequence_echantillonnage, Entree_stereo) != 0)
    return false;
  const bool en_file = Preparation_entete(Entree_1) == 0 && Preparation_entete(Entree_2) == 0 &&
                       Ajout_tampon_entree(Entree_1) == 0 && Ajout_tampon_entree(Entree_2) == 0;
  Demarrage_entree();
  return en_file;
}

void FonctionsWave::Fermeture_flux_entree() {
  if (ouvert_[0]) {
    Arret_entree();
    Suppression_entete(Entree_2);
    Suppression_entete(Entree_1);
    Fermeture_entree();
  }
  Liberation_tampon(Entree_1);
  Liberation_tampon(Entree_2);
  Format_entree.reset();
}

bool FonctionsWave::Ouverture_flux_sortie() {
  Format_sortie = std::make_unique<Format_son>();
  Allocation_tampon(Sortie_1);
  Allocation_tampon(Sortie_2);
  if (!Sortie_1.Utilisable() || !Sortie_2.Utilisable()) return false;
  if (Ouverture_sortie_son(Sortie_8_bits, Frequence_echantillonnage) != 0) return false;
  for (Tampon_son* tampon : {&Sortie_1, &Sortie_2})
    std::fill_n(tampon->Donnees(), tampon->Entete()->longueur, uint8_t{128});
  if (Preparation_entete(Sortie_1) != 0 || Preparation_entete(Sortie_2) != 0) {
    Fermeture_sortie();
    return false;
  }
  return Ecriture_tampon_sortie(Sortie_1) == 0 && Ecriture_tampon_sortie(Sortie_2) == 0;
}

void FonctionsWave::Fermeture_flux_sortie() {
  if (ouvert_[1]) {
    Arret_sortie();
    Suppression_entete(Sortie_1);
    Suppression_entete(Sortie_2);
    Fermeture_sortie();
  }
  Liberation_tampon(Sortie_1);
  Liberation_tampon(Sortie_2);
  Format_sortie.reset();
}

bool FonctionsWave::Acquisition_bloc_unique(std::chrono::milliseconds delai) {
  const auto limite = std::chrono::steady_clock::now() + delai;
  Format_entree = std::make_unique<Format_son>();
  Allocation_tampon(Entree_1);
  if (!Entree_1.Utilisable()) return false;
  if (Ouverture_entree_son(Entree_8_bits, kFrequence_echantillonnage_entree, Entree_stereo) != 0)
    return false;
  const bool en_file = Preparation_entete(Entree_1) == 0 && Ajout_tampon_entree(Entree_1) == 0;
  uint64_t vu = Blocs_entree_rendus();
  Demarrage_entree();
  while (en_file && !Bloc_plein(Entree_1) && !Peripherique_en_panne(Sens::Entree)) {
    const auto reste = std::chrono::duration_cast<std::chrono::milliseconds>(
        limite - std::chrono::steady_clock::now());
    if (reste.count() <= 0) break;
    vu = Attendre_bloc_entree(vu, reste);
  }
  const bool plein = Bloc_plein(Entree_1);
  Arret_entree();
  Suppression_entete(Entree_1);
  Fermeture_entree();
  return plein;
}

void FonctionsWave::Liberation_bloc_unique() {
  Liberation_tampon(Entree_1);
  Format_entree.reset();
}

bool FonctionsWave::Bloc_plein(const Tampon_son& tampon) const {
  return tampon.Entete() && tampon.Entete()->octets_enregistres.load(std::memory_order_acquire) ==
                                static_cast<uint32_t>(Taille_tampon);
}

bool FonctionsWave::Bloc_termine(const Tampon_son& tampon) const {
  constexpr uint32_t kTermine = kEntete_termine | kEntete_prepare;
  return tampon.Entete() &&
         (tampon.Entete()->drapeaux.load(std::memory_order_acquire) & kTermine) == kTermine;
}

Tampon_son* FonctionsWave::Bloc_entree_a_servir() {
  if (ouvert_[0]) Peripherique_en_panne(Sens::Entree);
  if (Bloc_plein(Entree_1)) return &Entree_1;
  if (Bloc_plein(Entree_2)) return &Entree_2;
  return nullptr;
}

Tampon_son* FonctionsWave::Bloc_sortie_a_servir() {
  if (ouvert_[1]) Peripherique_en_panne(Sens::Sortie);
  if (Bloc_termine(Sortie_1)) return &Sortie_1;
  if (Bloc_termine(Sortie_2)) return &Sortie_2;
  return nullptr;
}

void FonctionsWave::Remise_en_file_entree(Tampon_son& tampon) {
  if (tampon.Entete()) tampon.Entete()->octets_enregistres.store(0, std::memory_order_relaxed);
  Suppression_entete(tampon);
  Preparation_entete(tampon);
  Ajout_tampon_entree(tampon);
}

bool FonctionsWave::Bloc_sortie_attendu() const {
  if (!ouvert_[1]) return false;
  for (const Tampon_son* tampon : {&Sortie_1, &Sortie_2})
    if (tampon->Entete() &&
        (Bloc_termine(*tampon) ||
         (tampon->Entete()->drapeaux.load(std::memory_order_acquire) & kEntete_en_file)))
      return true;
  return false;
}

uint64_t FonctionsWave::Blocs_entree_rendus() {
  return peripherique_.Blocs_rendus(Sens::Entree).Valeur();
}

uint64_t FonctionsWave::Attendre_bloc_entree(uint64_t vu, std::chrono::milliseconds delai) {
  return peripherique_.Blocs_rendus(Sens::Entree).Attendre_au_dela(vu, delai);
}

}  // namespace vestral
