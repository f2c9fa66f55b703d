#include "sound/CarteSimulee.h"

#include <sndfile.h>

#include <algorithm>

namespace vestral {

namespace {
// Like a real card's period: the blocks last 250 and 333 ms, so a step of
// 20 ms delivers them in time while waking the process seldom.
constexpr auto kPas_horloge_murale = std::chrono::milliseconds(20);
}  // namespace

CarteSimulee::CarteSimulee(Configuration_carte configuration, Horloge_carte horloge)
    : configuration_(configuration) {
  format_joue_ = {1, 1, 11025, 11025, 1, 8, 0};
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
  echecs_.push_back(
      {Sens::Entree, Operation_son::Allocation, static_cast<uint16_t>(Code_son::Memoire), rang});
}

Code_son CarteSimulee::Echec_programme(Sens sens, Operation_son operation) {
  Code_son code = Code_son::Succes;
  for (auto it = echecs_.begin(); it != echecs_.end();) {
    const bool concerne =
        it->operation == operation && (operation == Operation_son::Allocation || it->sens == sens);
    if (concerne && --it->reste == 0) {
      if (code == Code_son::Succes) code = static_cast<Code_son>(it->code);
      it = echecs_.erase(it);
    } else {
      ++it;
    }
  }
  return code;
}

Code_son CarteSimulee::Noter(Sens sens, Operation_son operation, Code_son resultat) {
  ++appels_[sens == Sens::Entree ? 0 : 1][static_cast<int>(operation)];
  if (operation != Operation_son::Etat)
    journal_.push_back({sens, operation, static_cast<uint16_t>(resultat)});
  return resultat;
}

int CarteSimulee::Nombre_appels(Sens sens, Operation_son operation) const {
  std::lock_guard verrou(verrou_);
  return appels_[sens == Sens::Entree ? 0 : 1][static_cast<int>(operation)];
}

void CarteSimulee::Retirer() {
  std::lock_guard verrou(verrou_);
  configuration_.nombre_entrees = 0;
  configuration_.nombre_sorties = 0;
  for (Sens sens : {Sens::Entree, Sens::Sortie}) {
    Flux& f = flux(sens);
    if (!f.ouvert) continue;
    f.panne = Code_son::Peripherique_absent;
    f.en_marche = false;
    f.file.Compteur().Signaler();  // a thread waiting for a block looks again
  }
}

void CarteSimulee::Faire_passer(Sens sens, std::size_t trames) {
  Flux& f = flux(sens);
  if (!f.en_marche || trames == 0) return;
  const std::size_t taille_trame = std::max<uint16_t>(f.format.alignement, 1);
  const std::size_t octets = trames * taille_trame;
  if (sens == Sens::Entree) {
    brouillon_.assign(octets, 128);
    if (source_) source_(brouillon_.data(), octets);
    const std::size_t pris = f.file.Deposer(brouillon_.data(), octets);
    f.trames_manquees += (octets - pris) / taille_trame;
  } else {
    brouillon_.resize(octets);
    const std::size_t joue = f.file.Prendre(brouillon_.data(), octets);
    joues_.insert(joues_.end(), brouillon_.begin(), brouillon_.begin() + static_cast<long>(joue));
    f.trames_manquees += (octets - joue) / taille_trame;
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
  SF_INFO info{};
  info.samplerate = static_cast<int>(format_joue_.echantillons_par_seconde);
  info.channels = std::max<int>(format_joue_.canaux, 1);
  info.format = SF_FORMAT_WAV | (format_joue_.bits == 16 ? SF_FORMAT_PCM_16 : SF_FORMAT_PCM_U8);
  SNDFILE* fichier = sf_open(chemin.c_str(), SFM_WRITE, &info);
  if (!fichier) return false;
  const auto ecrits = sf_write_raw(fichier, joues_.data(), static_cast<sf_count_t>(joues_.size()));
  return sf_close(fichier) == 0 && ecrits == static_cast<sf_count_t>(joues_.size());
}

uint16_t CarteSimulee::Nombre_peripheriques(Sens sens) {
  std::lock_guard verrou(verrou_);
  const uint16_t nombre =
      sens == Sens::Entree ? configuration_.nombre_entrees : configuration_.nombre_sorties;
  ++appels_[sens == Sens::Entree ? 0 : 1][static_cast<int>(Operation_son::Nombre)];
  journal_.push_back({sens, Operation_son::Nombre, nombre});
  return nombre;
}

Code_son CarteSimulee::Capacites(Sens sens, uint32_t& formats) {
  std::lock_guard verrou(verrou_);
  if (Code_son code = Echec_programme(sens, Operation_son::Capacites); code != Code_son::Succes)
    return Noter(sens, Operation_son::Capacites, code);
  const bool present =
      (sens == Sens::Entree ? configuration_.nombre_entrees : configuration_.nombre_sorties) != 0;
  if (!present) return Noter(sens, Operation_son::Capacites, Code_son::Peripherique_inconnu);
  formats = sens == Sens::Entree ? configuration_.formats_entree : configuration_.formats_sortie;
  return Noter(sens, Operation_son::Capacites, Code_son::Succes);
}

Code_son CarteSimulee::Ouvrir(Sens sens, const Format_son& format, std::size_t octets_par_bloc) {
  std::lock_guard verrou(verrou_);
  auto noter = [&](Code_son code) { return Noter(sens, Operation_son::Ouverture, code); };
  if (Code_son code = Echec_programme(sens, Operation_son::Ouverture); code != Code_son::Succes)
    return noter(code);
  const bool entree = sens == Sens::Entree;
  if ((entree ? configuration_.nombre_entrees : configuration_.nombre_sorties) == 0)
    return noter(Code_son::Peripherique_inconnu);
  Flux& f = flux(sens);
  if (f.ouvert || (entree ? configuration_.entree_occupee : configuration_.sortie_occupee))
    return noter(Code_son::Deja_utilise);
  const uint32_t masque = entree ? configuration_.formats_entree : configuration_.formats_sortie;
  if (format.format != 1 ||
      !(masque & Bit_de_format(format.echantillons_par_seconde, format.canaux, format.bits)))
    return noter(Code_son::Format_refuse);
  if (!f.file.Dimensionner(octets_par_bloc, 2, entree)) return noter(Code_son::Memoire);
  f.ouvert = true;
  f.en_marche = false;
  f.format = format;
  f.panne = Code_son::Succes;
  f.reste_us_fois_frequence = 0;
  if (!entree) format_joue_ = format;
  return noter(Code_son::Succes);
}

Code_son CarteSimulee::Fermer(Sens sens) {
  std::lock_guard verrou(verrou_);
  auto noter = [&](Code_son code) { return Noter(sens, Operation_son::Fermeture, code); };
  if (Code_son code = Echec_programme(sens, Operation_son::Fermeture); code != Code_son::Succes)
    return noter(code);
  Flux& f = flux(sens);
  if (!f.ouvert) return noter(Code_son::Non_ouvert);
  f.ouvert = false;
  f.en_marche = false;
  f.panne = Code_son::Succes;
  f.file.Liberer();
  return noter(Code_son::Succes);
}

Code_son CarteSimulee::Demarrer(Sens sens) {
  std::lock_guard verrou(verrou_);
  auto noter = [&](Code_son code) { return Noter(sens, Operation_son::Demarrage, code); };
  if (Code_son code = Echec_programme(sens, Operation_son::Demarrage); code != Code_son::Succes)
    return noter(code);
  Flux& f = flux(sens);
  if (!f.ouvert) return noter(Code_son::Non_ouvert);
  if (f.panne != Code_son::Succes) return noter(f.panne);
  f.en_marche = true;
  return noter(Code_son::Succes);
}

Code_son CarteSimulee::Arreter(Sens sens) {
  std::lock_guard verrou(verrou_);
  auto noter = [&](Code_son code) { return Noter(sens, Operation_son::Arret, code); };
  if (Code_son code = Echec_programme(sens, Operation_son::Arret); code != Code_son::Succes)
    return noter(code);
  Flux& f = flux(sens);
  if (!f.ouvert) return noter(Code_son::Non_ouvert);
  f.en_marche = false;
  if (sens == Sens::Sortie) f.file.Vider();  // what was not played is dropped
  return noter(f.panne);
}

bool CarteSimulee::Lire_bloc(std::span<uint8_t> bloc) {
  std::lock_guard verrou(verrou_);
  return flux(Sens::Entree).ouvert && flux(Sens::Entree).file.Prendre_bloc(bloc);
}

std::size_t CarteSimulee::Lire_reste(std::span<uint8_t> bloc) {
  std::lock_guard verrou(verrou_);
  if (!flux(Sens::Entree).ouvert) return 0;
  return flux(Sens::Entree).file.Prendre(bloc.data(), bloc.size());
}

Code_son CarteSimulee::Ecrire_bloc(std::span<const uint8_t> bloc) {
  std::lock_guard verrou(verrou_);
  auto noter = [&](Code_son code) { return Noter(Sens::Sortie, Operation_son::Ecriture, code); };
  if (Code_son code = Echec_programme(Sens::Sortie, Operation_son::Ecriture);
      code != Code_son::Succes)
    return noter(code);
  Flux& f = flux(Sens::Sortie);
  if (!f.ouvert) return noter(Code_son::Non_ouvert);
  if (f.panne != Code_son::Succes) return noter(f.panne);
  if (f.file.Place() < bloc.size()) return noter(Code_son::Encore_en_file);
  (void)f.file.Deposer(bloc.data(), bloc.size());
  return noter(Code_son::Succes);
}

std::size_t CarteSimulee::Blocs_a_jouer() {
  std::lock_guard verrou(verrou_);
  return flux(Sens::Sortie).file.Blocs_en_attente();
}

Code_son CarteSimulee::Etat(Sens sens) {
  std::lock_guard verrou(verrou_);
  if (Code_son code = Echec_programme(sens, Operation_son::Etat); code != Code_son::Succes)
    return Noter(sens, Operation_son::Etat, code);
  const Flux& f = flux(sens);
  return Noter(sens, Operation_son::Etat, f.ouvert ? f.panne : Code_son::Non_ouvert);
}

Compteur_blocs& CarteSimulee::Blocs_rendus(Sens sens) {
  return flux(sens).file.Compteur();
}

std::unique_ptr<Entete_son> CarteSimulee::Allocation_entete() {
  {
    std::lock_guard verrou(verrou_);
    if (Noter(Sens::Entree, Operation_son::Allocation,
              Echec_programme(Sens::Entree, Operation_son::Allocation)) != Code_son::Succes)
      return nullptr;
  }
  return MemoireSon::Allocation_entete();
}

std::unique_ptr<uint8_t[]> CarteSimulee::Allocation_donnees(std::size_t octets) {
  {
    std::lock_guard verrou(verrou_);
    if (Noter(Sens::Entree, Operation_son::Allocation,
              Echec_programme(Sens::Entree, Operation_son::Allocation)) != Code_son::Succes)
      return nullptr;
  }
  return MemoireSon::Allocation_donnees(octets);
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
