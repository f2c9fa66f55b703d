#include "shell/HautParleur.h"

#include <chrono>

namespace vestral {

MinuterieHautParleur::MinuterieHautParleur(EspacePorts& ports, Tonalite& tonalite,
                                           uint8_t controle_systeme)
    : ports_(ports), tonalite_(tonalite), controle_systeme_(controle_systeme) {
  for (uint16_t adresse : {kPort_compteur_2, kPort_mode_minuterie, kPort_controle_systeme})
    ports_.Brancher(adresse, *this);
}

MinuterieHautParleur::~MinuterieHautParleur() {
  ports_.Debrancher(*this);
  if (frequence_jouee_ != 0) tonalite_.Arreter();
}

uint8_t MinuterieHautParleur::Lecture(uint16_t adresse) {
  return adresse == kPort_controle_systeme ? controle_systeme_ : 0xFF;
}

void MinuterieHautParleur::Ecriture(uint16_t adresse, uint8_t valeur) {
  switch (adresse) {
    case kPort_mode_minuterie:
      // Only channel 2 is wired; a latch command (access 0) changes nothing.
      if ((valeur >> 6) == 2 && ((valeur >> 4) & 3) != 0) {
        acces_ = (valeur >> 4) & 3;
        octet_fort_attendu_ = false;
      }
      return;
    case kPort_compteur_2:
      if (acces_ == 1) {
        compte_ = valeur;
      } else if (acces_ == 2) {
        compte_ = static_cast<uint16_t>(valeur << 8);
      } else if (!octet_fort_attendu_) {
        octet_faible_ = valeur;
        octet_fort_attendu_ = true;
        return;
      } else {
        compte_ = static_cast<uint16_t>(octet_faible_ | (valeur << 8));
        octet_fort_attendu_ = false;
      }
      compte_charge_ = true;
      break;
    case kPort_controle_systeme:
      controle_systeme_ = valeur;
      break;
    default:
      return;
  }
  Actualiser();
}

void MinuterieHautParleur::Actualiser() {
  const bool active = compte_charge_ && (controle_systeme_ & 3) == 3;
  const int frequence =
      active ? static_cast<int>((kHorloge_minuterie + Diviseur() / 2) / Diviseur()) : 0;
  if (frequence == frequence_jouee_) return;
  frequence_jouee_ = frequence;
  if (frequence == 0)
    tonalite_.Arreter();
  else
    tonalite_.Demarrer(frequence);
}

uint32_t HautParleur::Horloge_systeme() {
  using namespace std::chrono;
  return static_cast<uint32_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

HautParleur::HautParleur(EspacePorts& ports, Horloge horloge)
    : ports_(ports), horloge_(std::move(horloge)) {}

void HautParleur::Son(int frequence) {
  if (frequence <= 0) return;
  ports_.Ecriture_port(kPort_mode_minuterie, 0xB6);  // channel 2, low then high byte, square wave
  const uint32_t diviseur = kHorloge_minuterie / static_cast<uint32_t>(frequence);
  ports_.Ecriture_port(kPort_compteur_2, static_cast<uint8_t>(diviseur % 256));
  ports_.Ecriture_port(kPort_compteur_2, static_cast<uint8_t>((diviseur / 256) % 256));
  etat_haut_parleur_ = ports_.Lecture_port(kPort_controle_systeme);
  ports_.Ecriture_port(kPort_controle_systeme, etat_haut_parleur_ | 3);
}

void HautParleur::Silence() {
  etat_haut_parleur_ &= static_cast<uint8_t>(~2);
  ports_.Ecriture_port(kPort_controle_systeme, etat_haut_parleur_);
}

void HautParleur::Bip_erreur() {
  Son(1000);
  Attente(300);
  Silence();
}

void HautParleur::Calibrage_attente() {
  compteur_ = 0;
  const uint32_t t0 = horloge_();
  while (horloge_() - t0 < 280)
    for (int i = 0; i < 200; ++i) compteur_ = compteur_ + 1;
  const uint64_t n = compteur_;
  compteur_ = 0;
  const uint32_t t1 = horloge_();
  while (compteur_ <= n) compteur_ = compteur_ + 1;
  const uint32_t t2 = horloge_();
  // A clock too coarse to see the loop pass counts it as one millisecond.
  const uint64_t duree = t2 - t1 == 0 ? 1 : t2 - t1;
  uint64_t boucles = compteur_ / duree;
  boucles += boucles / 30;
  boucles_par_milliseconde_ = boucles > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(boucles);
}

void HautParleur::Attente(uint16_t duree_ms) {
  compteur_ = 0;
  const uint64_t limite = uint64_t{duree_ms} * boucles_par_milliseconde_;
  while (compteur_ <= limite) compteur_ = compteur_ + 1;
}

}  // namespace vestral
