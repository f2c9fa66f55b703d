#include "shell/EspacePorts.h"

#include <iterator>

namespace vestral {

uint8_t EspacePorts::Lecture_port(uint16_t adresse) {
  const auto it = peripheriques_.find(adresse);
  return it == peripheriques_.end() ? 0xFF : it->second->Lecture(adresse);
}

void EspacePorts::Ecriture_port(uint16_t adresse, uint8_t valeur) {
  if (temoin) temoin(adresse, valeur);
  const auto it = peripheriques_.find(adresse);
  if (it != peripheriques_.end()) it->second->Ecriture(adresse, valeur);
}

void EspacePorts::Brancher(uint16_t adresse, PeripheriquePort& peripherique) {
  peripheriques_[adresse] = &peripherique;
}

void EspacePorts::Debrancher(PeripheriquePort& peripherique) {
  for (auto it = peripheriques_.begin(); it != peripheriques_.end();)
    it = it->second == &peripherique ? peripheriques_.erase(it) : std::next(it);
}

}  // namespace vestral
