// The reception chain on arbitrary samples at any settings: the first bytes
// choose the tone frequency, the speed, the threshold and the band; the rest
// is the received sound. Every character that comes out is one of the
// table's (or a word space), at a position inside the input.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "morse/ChaineReception.h"
#include "morse/TableMorse.h"

using namespace vestral;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* donnees, std::size_t taille) {
  if (taille < 6) return 0;
  ParametresReception p;
  p.frequence = (donnees[0] | donnees[1] << 8) % 5513;
  p.vitesse = donnees[2] % 56;  // 0 automatic, 55 beyond the fastest
  p.seuil = donnees[3] % 2 ? 0 : (donnees[3] | donnees[4] << 8);
  p.bande_etroite = donnees[5] & 1;
  const std::span<const uint8_t> son(donnees + 6, taille - 6);
  for (const auto& c : Decoder_echantillons(son, p)) {
    if (c.caractere != ' ' && c.caractere != '*' && Motif_morse(c.caractere).empty()) std::abort();
    if (c.position < 0 || c.position > static_cast<int64_t>(son.size() + kTaille_bloc_reception))
      std::abort();
  }
  return 0;
}
