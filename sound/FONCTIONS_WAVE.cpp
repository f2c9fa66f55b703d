#include "sound/FONCTIONS_WAVE.h"

#include <algorithm>
#include <new>

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

std::unique_ptr<Entete_son> MemoireSon::Allocation_entete() {
  try {
    return std::make_unique<Entete_son>();
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

std::unique_ptr<uint8_t[]> MemoireSon::Allocation_donnees(std::size_t octets) {
  try {
    return std::make_unique<uint8_t[]>(octets);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

MemoireSon& MemoireSon::Systeme() {
  static MemoireSon memoire;
  return memoire;
}

FonctionsWave::FonctionsWave(PeripheriqueSon& peripherique, Rapport& rapport, MemoireSon& memoire)
    : peripherique_(peripherique), rapport_(rapport), memoire_(memoire) {}

// A device must not outlive its blocks: stop whatever is still running.
FonctionsWave::~FonctionsWave() {
  for (Sens sens : {Sens::Entree, Sens::Sortie}) {
    if (!ouvert_[Indice(sens)]) continue;
    (void)peripherique_.Arreter(sens);
    en_file_[Indice(sens)].clear();
    (void)peripherique_.Fermer(sens);
  }
}

void FonctionsWave::Echec(Sens sens, const std::string& texte, Code_son code) {
  if (Peripherique_en_panne(sens)) return;
  rapport_.Erreur(texte + Numero(code));
}

bool FonctionsWave::Peripherique_en_panne(Sens sens) {
  if (!ouvert_[Indice(sens)]) return false;
  const Code_son code = peripherique_.Etat(sens);
  if (code == Code_son::Succes) return false;
  bool& signalee = panne_signalee_[Indice(sens)];
  if (!signalee) {
    signalee = true;
    rapport_.Erreur((sens == Sens::Entree ? "Erreur lors de l'échantillonnage n°"_cp
                                          : "Erreur de restitution des données n°"_cp) +
                    Numero(code));
  }
  // Nothing queued on it can ever finish: every block comes back.
  Rendre_tout(sens);
  en_marche_[Indice(sens)] = false;
  return true;
}

void FonctionsWave::Capacites_son(uint16_t& nombre_entrees, uint32_t& formats_entree,
                                  uint16_t& nombre_sorties, uint32_t& formats_sortie) {
  nombre_entrees = peripherique_.Nombre_peripheriques(Sens::Entree);
  if (nombre_entrees != 0 &&
      peripherique_.Capacites(Sens::Entree, formats_entree) != Code_son::Succes)
    rapport_.Erreur("Erreur sur détermination des capacités d'entrée."_cp);
  nombre_sorties = peripherique_.Nombre_peripheriques(Sens::Sortie);
  if (nombre_sorties != 0 &&
      peripherique_.Capacites(Sens::Sortie, formats_sortie) != Code_son::Succes)
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
  const std::size_t octets_par_bloc =
      Taille_tampon > 0 ? static_cast<std::size_t>(Taille_tampon) : 0;
  const Code_son code = peripherique_.Ouvrir(sens, *format, octets_par_bloc);
  if (code == Code_son::Succes) {
    ouvert_[Indice(sens)] = true;
    en_marche_[Indice(sens)] = false;
    panne_signalee_[Indice(sens)] = false;
    en_file_[Indice(sens)].clear();
    return 0;
  }
  if (Messages_ouverture == 1) rapport_.Erreur(texte + Numero(code));
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
  tampon.memoire_entete = memoire_.Allocation_entete();
  if (!tampon.memoire_entete) {
    rapport_.Erreur(textes.entete);
    return;
  }
  const uint32_t taille = Taille_tampon > 0 ? static_cast<uint32_t>(Taille_tampon) : 0;
  tampon.memoire_donnees = memoire_.Allocation_donnees(taille);
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
  if (tampon.Entete() && (tampon.Entete()->drapeaux & kEntete_en_file)) {
    (void)peripherique_.Arreter(tampon.sens);
    Rendre_tout(tampon.sens);
    en_marche_[Indice(tampon.sens)] = false;
  }
  tampon.memoire_donnees.reset();
  tampon.memoire_entete.reset();
}

void FonctionsWave::Rendre(Tampon_son& tampon, uint32_t octets) {
  Entete_son& entete = *tampon.Entete();
  entete.octets_enregistres = octets;
  entete.drapeaux = (entete.drapeaux & ~kEntete_en_file) | kEntete_termine;
}

void FonctionsWave::Rendre_tout(Sens sens) {
  for (Tampon_son* tampon : en_file_[Indice(sens)]) {
    const std::size_t recu =
        sens == Sens::Entree
            ? peripherique_.Lire_reste({tampon->Donnees(), tampon->Entete()->longueur})
            : 0;
    Rendre(*tampon, static_cast<uint32_t>(recu));
  }
  en_file_[Indice(sens)].clear();
}

void FonctionsWave::Recevoir(Sens sens) {
  if (!ouvert_[Indice(sens)]) return;
  auto& file = en_file_[Indice(sens)];
  if (sens == Sens::Entree) {
    while (!file.empty() &&
           peripherique_.Lire_bloc({file.front()->Donnees(), file.front()->Entete()->longueur})) {
      Rendre(*file.front(), file.front()->Entete()->longueur);
      file.pop_front();
    }
  } else {
    const std::size_t a_jouer = peripherique_.Blocs_a_jouer();
    while (file.size() > a_jouer) {
      Rendre(*file.front(), 0);
      file.pop_front();
    }
  }
}

Code_son FonctionsWave::Controle_bloc(const Tampon_son& tampon) {
  if (!tampon.Utilisable()) return Code_son::Parametre_invalide;
  return peripherique_.Etat(tampon.sens);
}

uint16_t FonctionsWave::Resultat_bloc(Sens sens, Code_son code, const std::string& texte) {
  if (code == Code_son::Succes) return 0;
  Echec(sens, texte, code);
  return 1;
}

Code_son FonctionsWave::Appel_peripherique(Sens sens, Code_son code, const std::string& texte) {
  if (code != Code_son::Succes) Echec(sens, texte, code);
  return code;
}

uint16_t FonctionsWave::Preparation_entete(Tampon_son& tampon) {
  const Code_son code = Controle_bloc(tampon);
  if (code == Code_son::Succes) tampon.Entete()->drapeaux |= kEntete_prepare;
  return Resultat_bloc(tampon.sens, code, Textes(tampon).preparation);
}

void FonctionsWave::Suppression_entete(Tampon_son& tampon) {
  Code_son code = Controle_bloc(tampon);
  if (code == Code_son::Succes) {
    if (tampon.Entete()->drapeaux & kEntete_en_file)
      code = Code_son::Encore_en_file;
    else
      tampon.Entete()->drapeaux &= ~kEntete_prepare;
  }
  (void)Resultat_bloc(tampon.sens, code, Textes(tampon).suppression);
}

namespace {
Code_son Controle_mise_en_file(const Entete_son& entete) {
  if (!(entete.drapeaux & kEntete_prepare)) return Code_son::Non_prepare;
  if (entete.drapeaux & kEntete_en_file) return Code_son::Encore_en_file;
  return Code_son::Succes;
}
}  // namespace

uint16_t FonctionsWave::Mise_en_file(Tampon_son& tampon, Code_son code) {
  if (code == Code_son::Succes) {
    Entete_son& entete = *tampon.Entete();
    entete.drapeaux = (entete.drapeaux & ~kEntete_termine) | kEntete_en_file;
    en_file_[Indice(tampon.sens)].push_back(&tampon);
    return 0;
  }
  const std::string& texte = Textes(tampon).file;
  if (Peripherique_en_panne(tampon.sens)) {
    // The device cannot take it: back at once.
    if (tampon.Utilisable() && Controle_mise_en_file(*tampon.Entete()) == Code_son::Succes)
      Rendre(tampon, 0);
    return 1;
  }
  rapport_.Erreur(texte + Numero(code));
  return 1;
}

uint16_t FonctionsWave::Ajout_tampon_entree(Tampon_son& tampon) {
  Code_son code = Controle_bloc(tampon);
  if (code == Code_son::Succes) code = Controle_mise_en_file(*tampon.Entete());
  return Mise_en_file(tampon, code);
}

uint16_t FonctionsWave::Ecriture_tampon_sortie(Tampon_son& tampon) {
  if (!tampon.Utilisable()) return Mise_en_file(tampon, Code_son::Parametre_invalide);
  Code_son code = Controle_mise_en_file(*tampon.Entete());
  if (code == Code_son::Succes)
    code = peripherique_.Ecrire_bloc({tampon.Donnees(), tampon.Entete()->longueur});
  // The first block written starts the playback.
  if (code == Code_son::Succes && !en_marche_[1]) {
    code = peripherique_.Demarrer(Sens::Sortie);
    if (code == Code_son::Succes)
      en_marche_[1] = true;
    else
      (void)peripherique_.Arreter(Sens::Sortie);  // the block written is dropped
  }
  return Mise_en_file(tampon, code);
}

void FonctionsWave::Demarrage_entree() {
  if (Appel_peripherique(Sens::Entree, peripherique_.Demarrer(Sens::Entree),
                         "Erreur lors de l'échantillonnage n°"_cp) == Code_son::Succes)
    en_marche_[0] = true;
}

void FonctionsWave::Arret_entree() {
  const Code_son code = peripherique_.Arreter(Sens::Entree);
  if (code == Code_son::Succes) {
    en_marche_[0] = false;
    Rendre_tout(Sens::Entree);
  }
  Appel_peripherique(Sens::Entree, code, "Erreur lors de l'arrêt de l'échantillonnage n°"_cp);
}

void FonctionsWave::Fermeture_entree() {
  // The device refuses to close while blocks are queued on it.
  const Code_son code =
      en_file_[0].empty() ? peripherique_.Fermer(Sens::Entree) : Code_son::Encore_en_file;
  if (Appel_peripherique(Sens::Entree, code, "Erreur lors de fermeture du device d'entrée n°"_cp) ==
      Code_son::Succes)
    ouvert_[0] = false;
}

void FonctionsWave::Arret_sortie() {
  const Code_son code = peripherique_.Arreter(Sens::Sortie);
  if (code == Code_son::Succes) {
    en_marche_[1] = false;
    Rendre_tout(Sens::Sortie);
  }
  Appel_peripherique(Sens::Sortie, code, "Erreur d'arrêt de restitution des données n°"_cp);
}

void FonctionsWave::Fermeture_sortie() {
  const Code_son code =
      en_file_[1].empty() ? peripherique_.Fermer(Sens::Sortie) : Code_son::Encore_en_file;
  if (Appel_peripherique(Sens::Sortie, code,
                         "Erreur lors de fermeture du device de sortie n°"_cp) == Code_son::Succes)
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
  } else if (Ouverture_entree_son(1, kFrequence_son, 0) != 0) {
    utilisable = Echec_verification(
        "Fonctionnement impossible car entrée carte son utilisée par une autre application."_cp);
  } else {
    Fermeture_entree();
    if (Ouverture_sortie_son(1, kFrequence_son) != 0)
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
  if (Ouverture_entree_son(Entree_8_bits, kFrequence_son, Entree_stereo) != 0) return false;
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

namespace {
bool Plein(const Tampon_son& tampon, int32_t taille) {
  return tampon.Entete() && tampon.Entete()->octets_enregistres == static_cast<uint32_t>(taille);
}
bool Termine(const Tampon_son& tampon) {
  constexpr uint32_t kTermine = kEntete_termine | kEntete_prepare;
  return tampon.Entete() && (tampon.Entete()->drapeaux & kTermine) == kTermine;
}
}  // namespace

bool FonctionsWave::Bloc_plein(const Tampon_son& tampon) {
  if (tampon.sens == Sens::Entree) Recevoir(Sens::Entree);
  return Plein(tampon, Taille_tampon);
}

bool FonctionsWave::Bloc_termine(const Tampon_son& tampon) {
  if (tampon.sens == Sens::Sortie) Recevoir(Sens::Sortie);
  return Termine(tampon);
}

Tampon_son* FonctionsWave::Bloc_entree_a_servir() {
  Peripherique_en_panne(Sens::Entree);
  Recevoir(Sens::Entree);
  if (Plein(Entree_1, Taille_tampon)) return &Entree_1;
  if (Plein(Entree_2, Taille_tampon)) return &Entree_2;
  return nullptr;
}

Tampon_son* FonctionsWave::Bloc_sortie_a_servir() {
  Peripherique_en_panne(Sens::Sortie);
  Recevoir(Sens::Sortie);
  if (Termine(Sortie_1)) return &Sortie_1;
  if (Termine(Sortie_2)) return &Sortie_2;
  return nullptr;
}

void FonctionsWave::Remise_en_file_entree(Tampon_son& tampon) {
  if (tampon.Entete()) tampon.Entete()->octets_enregistres = 0;
  Suppression_entete(tampon);
  (void)Preparation_entete(tampon);
  (void)Ajout_tampon_entree(tampon);
}

bool FonctionsWave::Bloc_sortie_attendu() {
  if (!ouvert_[1]) return false;
  Recevoir(Sens::Sortie);
  for (const Tampon_son* tampon : {&Sortie_1, &Sortie_2})
    if (tampon->Entete() && (Termine(*tampon) || (tampon->Entete()->drapeaux & kEntete_en_file)))
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
