// The key filters: Convertir_touche and the sequence editor's filter on every
// byte, and any sequence of typed keys, stored sequences, pump passes and
// stops through the transmitter: the queue only ever holds accepted
// characters, within its limit, and the editor within its own.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "morse/TableMorse.h"
#include "morse/FiltreSequence.h"
#include "tests/FenetreEmissionFactice.h"

using namespace vestral;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* donnees, std::size_t taille) {
  FenetreEmissionFactice fenetre;
  auto& emetteur = fenetre.emetteur;
  std::array<uint8_t, kTaille_bloc_emission> bloc{};
  int sortie = 1;
  for (std::size_t i = 0; i < taille; ++i) {
    const uint8_t octet = donnees[i];
    const auto convertie = Convertir_touche(octet);
    if (convertie.acceptee != (convertie.caractere != 0)) std::abort();
    const auto sequence = Filtre_touche_sequence(octet);
    if (sequence.acceptee && sequence.caractere == 0) std::abort();

    if (octet == 0 && i + 2 < taille) {  // a command
      const uint8_t a = donnees[++i], b = donnees[++i];
      switch (a % 6) {
        case 0:
          emetteur.Demarrage_transmission(1250 / (10 + b % 45), 200 + 10 * b);
          break;
        case 1: {
          const std::size_t n = std::min<std::size_t>(b, taille - i - 1);
          emetteur.Demande_sequence(
              std::string_view(reinterpret_cast<const char*>(donnees + i + 1), n), 1 + a % 4);
          i += n;
          break;
        }
        case 2:
          emetteur.Arret_sequence();
          break;
        case 3:
          for (int k = 0; k < b % 8; ++k) emetteur.Completer_echantillons();
          emetteur.Remplir_bloc(sortie, bloc);
          sortie = 3 - sortie;
          break;
        case 4:
          emetteur.Emission_continue(b & 1);
          break;
        default:
          for (int k = 0; k < b; ++k)
            fenetre.Taper(std::string_view(reinterpret_cast<const char*>(&a), 1));
      }
      continue;
    }
    fenetre.Taper(std::string_view(reinterpret_cast<const char*>(&octet), 1));
    const auto& file = emetteur.File().Texte_a_emettre();
    if (file.size() > kLimite_texte_a_emettre) std::abort();
    for (char c : file) {
      const auto u = static_cast<uint8_t>(c);
      if (u != kRetour_chariot && u != kSaut_de_ligne && !Convertir_touche(u).acceptee)
        std::abort();
    }
    if (fenetre.editeur.size() > kLongueur_editeur_pleine) std::abort();
  }
  return 0;
}
