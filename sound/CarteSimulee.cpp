#include "sound/CarteSimulee.h"

#include <algorithm>

#include "shell/FormatSon.h"
#include "sound/FichierAudio.h"

namespace vestral {

namespace {
// Like a real card's period: the blocks last 250 and 333 ms, so a step of
// 20 ms delivers them in time while waking the process seldom.
constexpr auto kPas_horloge_murale = std::chrono::milliseconds(20);
}  // namespace

CarteSimulee::CarteSimulee(Configuration_carte configuration, Horloge_carte horloge)
    : configuration_(configuration) {
  format_joue_ = {1, 1, kFrequence_echantillonnage_entree, kFrequence_echantillonnage_entree, 1,
                  8, 0};
  if (horloge == Horloge_carte::Murale) {
    horloge_ = std::jthread([this](std::stop_token arret) {
      auto avant = std::chrono::steady_clock::now();
      while (!arret.stop_requested()) {
        std::this_thread::sleep_for(kPas_horloge_murale);
        const auto maintenant = std::chrono::steady_clock::now();
        Avancer(std::chrono::duration_cast<std::chrono::microseconds>(maintenant - avant));
        avant = maintenant;
      }
    });
  }
}

CarteSimulee::~CarteSimulee() {
  if (horloge_.joinable()) {
    horloge_.request_stop();
    horloge_.join();
  }
}

void CarteSimulee::Source_capture(Source source) {
  std::lock_guard verrou(verrou_);
  source_ = std::move(source);
}

void CarteSimulee::Faire_echouer(Sens sens, Operation_son operation, uint16_t code, int rang) {
  std::lock_guard verrou(verrou_);
  echecs_.push_back({sens, operation, code, rang});
}

void CarteSimulee::Refuser_allocation(int rang) {
  std::lock_guard verrou(verrou_);
  echecs_.push_back({Sens::Entree, Operation_son::Allocation, code_son::kMemoire, rang});
}

uint16_t CarteSimulee::Echec_programme(Sens sens, Operation_son operation) {
  uint16_t code = code_son::kSucces;
  for (auto it = echecs_.begin(); it != echecs_.end();) {
    const bool concerne =
        it->operation == operation && (operation == Operation_son::Allocation || it->sens == sens);
    if (concerne && --it->reste == 0) {
      if (code == code_son::kSucces) code = it->code;
      it = echecs_.erase(it);
    } else {
      ++it;
    }
  }
  return code;
}

uint16_t CarteSimulee::Noter(Sens sens, Operation_son operation, const Entete_son* entete,
                             uint16_t resultat) {
  journal_.push_back({sens, operation, entete, resultat});
  return resultat;
}

// Every queued block comes back done; a capture block keeps what was
// recorded into it.
void CarteSimulee::Rendre_tout(Sens sens) {
  Flux& f = flux(sens);
  bool premier = true;
  for (Entete_son* entete : f.file) {
    Rendre_entete(*entete, premier && sens == Sens::Entree ? f.position : 0);
    premier = false;
    f.compteur.Signaler();
  }
  f.file.clear();
  f.position = 0;
  f.en_marche = false;
}

void CarteSimulee::Retirer() {
  std::lock_guard verrou(verrou_);
  configuration_.nombre_entrees = 0;
  configuration_.nombre_sorties = 0;
  for (Sens sens : {Sens::Entree, Sens::Sortie}) {
    if (!flux(sens).ouvert) continue;
    flux(sens).panne = code_son::kPeripherique_absent;
    Rendre_tout(sens);
  }
}

void CarteSimulee::Faire_passer(Sens sens, std::size_t trames) {
  Flux& f = flux(sens);
  if (!f.en_marche || trames == 0) return;
  const std::size_t taille_trame = std::max<uint16_t>(f.format.alignement, 1);
  std::size_t octets = trames * taille_trame;
  if (sens == Sens::Entree) {
    brouillon_.assign(octets, 128);
    if (source_) source_(brouillon_.data(), octets);
  }
  std::size_t fait = 0;
  while (fait < octets) {
    if (f.file.empty()) {
      f.trames_manquees += (octets - fait) / taille_trame;
      break;
    }
    Entete_son& entete = *f.file.front();
    const std::size_t n = std::min<std::size_t>(entete.longueur - f.position, octets - fait);
    if (sens == Sens::Entree)
      std::copy_n(brouillon_.data() + fait, n, entete.donnees + f.position);
    else
      joues_.insert(joues_.end(), entete.donnees + f.position, entete.donnees + f.position + n);
    f.position += static_cast<uint32_t>(n);
    fait += n;
    if (f.position == entete.longueur) {
      f.file.pop_front();
      f.position = 0;
      Rendre_entete(entete, sens == Sens::Entree ? entete.longueur : 0);
      f.compteur.Signaler();
    }
  }
}

void CarteSimulee::Avancer(std::chrono::microseconds duree) {
  std::lock_guard verrou(verrou_);
  for (Sens sens : {Sens::Entree, Sens::Sortie}) {
    Flux& f = flux(sens);
    if (!f.en_marche) continue;
    f.reste_us_fois_frequence +=
        static_cast<uint64_t>(duree.count()) * f.format.echantillons_par_seconde;
    const uint64_t trames = f.reste_us_fois_frequence / 1000000;
    f.reste_us_fois_frequence %= 1000000;
    Faire_passer(sens, trames);
  }
}

void CarteSimulee::Avancer_echantillons(std::size_t trames) {
  std::lock_guard verrou(verrou_);
  for (Sens sens : {Sens::Entree, Sens::Sortie}) Faire_passer(sens, trames);
}

std::vector<Appel_son> CarteSimulee::Journal() const {
  std::lock_guard verrou(verrou_);
  return journal_;
}

void CarteSimulee::Vider_journal() {
  std::lock_guard verrou(verrou_);
  journal_.clear();
}

std::vector<uint8_t> CarteSimulee::Echantillons_joues() const {
  std::lock_guard verrou(verrou_);
  return joues_;
}

uint64_t CarteSimulee::Trames_manquees(Sens sens) const {
  std::lock_guard verrou(verrou_);
  return flux(sens).trames_manquees;
}

bool CarteSimulee::Ouvert(Sens sens) const {
  std::lock_guard verrou(verrou_);
  return flux(sens).ouvert;
}

Format_son CarteSimulee::Format(Sens sens) const {
  std::lock_guard verrou(verrou_);
  return flux(sens).format;
}

bool CarteSimulee::Ecrire_wav(const std::filesystem::path& chemin) const {
  std::lock_guard verrou(verrou_);
  const FormatWav format{static_cast<int>(format_joue_.echantillons_par_seconde),
                         std::max<int>(format_joue_.canaux, 1), format_joue_.bits == 16 ? 16 : 8};
  return vestral::Ecrire_wav(chemin.string(), joues_, format).empty();
}

uint16_t CarteSimulee::Nombre_peripheriques(Sens sens) {
  std::lock_guard verrou(verrou_);
  const uint16_t nombre =
      sens == Sens::Entree ? configuration_.nombre_entrees : configuration_.nombre_sorties;
  journal_.push_back({sens, Operation_son::Nombre, nullptr, nombre});
  return nombre;
}

uint16_t CarteSimulee::Capacites(Sens sens, uint32_t& formats) {
  std::lock_guard verrou(verrou_);
  if (uint16_t code = Echec_programme(sens, Operation_son::Capacites))
    return Noter(sens, Operation_son::Capacites, nullptr, code);
  const bool present =
      (sens == Sens::Entree ? configuration_.nombre_entrees : configuration_.nombre_sorties) != 0;
  if (!present)
    return Noter(sens, Operation_son::Capacites, nullptr, code_son::kPeripherique_inconnu);
  formats = sens == Sens::Entree ? configuration_.formats_entree : configuration_.formats_sortie;
  return Noter(sens, Operation_son::Capacites, nullptr, code_son::kSucces);
}

uint16_t CarteSimulee::Ouvrir(Sens sens, const Format_son& format) {
  std::lock_guard verrou(verrou_);
  auto noter = [&](uint16_t code) { return Noter(sens, Operation_son::Ouverture, nullptr, code); };
  if (uint16_t code = Echec_programme(sens, Operation_son::Ouverture)) return noter(code);
  const bool entree = sens == Sens::Entree;
  if ((entree ? configuration_.nombre_entrees : configuration_.nombre_sorties) == 0)
    return noter(code_son::kPeripherique_inconnu);
  Flux& f = flux(sens);
  if (f.ouvert || (entree ? configuration_.entree_occupee : configuration_.sortie_occupee))
    return noter(code_son::kDeja_utilise);
  const uint32_t masque = entree ? configuration_.formats_entree : configuration_.formats_sortie;
  if (format.format != 1 ||
      !(masque & Bit_de_format(format.echantillons_par_seconde, format.canaux, format.bits)))
    return noter(code_son::kFormat_refuse);
  f.ouvert = true;
  f.en_marche = false;
  f.format = format;
  f.file.clear();
  f.position = 0;
  f.panne = 0;
  f.reste_us_fois_frequence = 0;
  if (!entree) format_joue_ = format;
  return noter(code_son::kSucces);
}

uint16_t CarteSimulee::Fermer(Sens sens) {
  std::lock_guard verrou(verrou_);
  auto noter = [&](uint16_t code) { return Noter(sens, Operation_son::Fermeture, nullptr, code); };
  if (uint16_t code = Echec_programme(sens, Operation_son::Fermeture)) return noter(code);
  Flux& f = flux(sens);
  if (!f.ouvert) return noter(code_son::kNon_ouvert);
  if (!f.file.empty()) return noter(code_son::kEncore_en_file);
  f.ouvert = false;
  f.en_marche = false;
  f.panne = 0;
  return noter(code_son::kSucces);
}

uint16_t CarteSimulee::Preparer(Sens sens, Entete_son& entete) {
  std::lock_guard verrou(verrou_);
  if (uint16_t code = Echec_programme(sens, Operation_son::Preparation))
    return Noter(sens, Operation_son::Preparation, &entete, code);
  if (!flux(sens).ouvert)
    return Noter(sens, Operation_son::Preparation, &entete, code_son::kNon_ouvert);
  return Noter(sens, Operation_son::Preparation, &entete, Preparer_entete(entete));
}

uint16_t CarteSimulee::Depreparer(Sens sens, Entete_son& entete) {
  std::lock_guard verrou(verrou_);
  if (uint16_t code = Echec_programme(sens, Operation_son::Suppression))
    return Noter(sens, Operation_son::Suppression, &entete, code);
  if (!flux(sens).ouvert)
    return Noter(sens, Operation_son::Suppression, &entete, code_son::kNon_ouvert);
  return Noter(sens, Operation_son::Suppression, &entete, Depreparer_entete(entete));
}

uint16_t CarteSimulee::Mettre_en_file(Sens sens, Entete_son& entete) {
  std::lock_guard verrou(verrou_);
  auto noter = [&](uint16_t code) {
    return Noter(sens, Operation_son::Mise_en_file, &entete, code);
  };
  if (uint16_t code = Echec_programme(sens, Operation_son::Mise_en_file)) return noter(code);
  Flux& f = flux(sens);
  if (!f.ouvert) return noter(code_son::kNon_ouvert);
  if (uint16_t code = Controler_mise_en_file(entete)) return noter(code);
  if (f.panne) {
    Rendre_entete(entete, 0);
    f.compteur.Signaler();
    return noter(f.panne);
  }
  Marquer_en_file(entete);
  f.file.push_back(&entete);
  if (sens == Sens::Sortie) f.en_marche = true;
  return noter(code_son::kSucces);
}

uint16_t CarteSimulee::Demarrer(Sens sens) {
  std::lock_guard verrou(verrou_);
  auto noter = [&](uint16_t code) { return Noter(sens, Operation_son::Demarrage, nullptr, code); };
  if (uint16_t code = Echec_programme(sens, Operation_son::Demarrage)) return noter(code);
  Flux& f = flux(sens);
  if (!f.ouvert) return noter(code_son::kNon_ouvert);
  if (f.panne) return noter(f.panne);
  f.en_marche = true;
  return noter(code_son::kSucces);
}

uint16_t CarteSimulee::Reinitialiser(Sens sens) {
  std::lock_guard verrou(verrou_);
  auto noter = [&](uint16_t code) {
    return Noter(sens, Operation_son::Reinitialisation, nullptr, code);
  };
  if (uint16_t code = Echec_programme(sens, Operation_son::Reinitialisation)) return noter(code);
  Flux& f = flux(sens);
  if (!f.ouvert) return noter(code_son::kNon_ouvert);
  Rendre_tout(sens);
  return noter(f.panne);
}

uint16_t CarteSimulee::Panne(Sens sens) {
  std::lock_guard verrou(verrou_);
  const Flux& f = flux(sens);
  return f.ouvert ? f.panne : code_son::kSucces;
}

Compteur_blocs& CarteSimulee::Blocs_rendus(Sens sens) {
  return flux(sens).compteur;
}

std::unique_ptr<Entete_son> CarteSimulee::Allocation_entete() {
  {
    std::lock_guard verrou(verrou_);
    if (Noter(Sens::Entree, Operation_son::Allocation, nullptr,
              Echec_programme(Sens::Entree, Operation_son::Allocation)))
      return nullptr;
  }
  return PeripheriqueSon::Allocation_entete();
}

std::unique_ptr<uint8_t[]> CarteSimulee::Allocation_donnees(std::size_t octets) {
  {
    std::lock_guard verrou(verrou_);
    if (Noter(Sens::Entree, Operation_son::Allocation, nullptr,
              Echec_programme(Sens::Entree, Operation_son::Allocation)))
      return nullptr;
  }
  return PeripheriqueSon::Allocation_donnees(octets);
}

CarteSimulee::Source Source_enregistrement(std::vector<uint8_t> echantillons, bool en_boucle) {
  return [echantillons = std::move(echantillons), en_boucle, position = std::size_t{0}](
             uint8_t* octets, std::size_t nombre) mutable {
    for (std::size_t i = 0; i < nombre; ++i) {
      if (position == echantillons.size()) {
        if (!en_boucle || echantillons.empty()) {
          std::fill_n(octets + i, nombre - i, uint8_t{128});
          return;
        }
        position = 0;
      }
      octets[i] = echantillons[position++];
    }
  };
}

}  // namespace vestral
