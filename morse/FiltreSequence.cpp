#include "morse/FiltreSequence.h"

#include <cstring>

namespace vestral {

ToucheConvertie Filtre_touche_sequence(uint8_t touche) {
  if (touche >= 'a' && touche <= 'z') return {true, static_cast<uint8_t>(touche - 32)};
  if ((touche >= 'A' && touche <= 'Z') || (touche >= '0' && touche <= '9')) return {true, touche};
  // é Ä à Ñ ç Ö Ü £, the punctuation the table sends, space, CR, LF, Backspace.
  static constexpr char kAcceptes[] = "\xE9\xC4\xE0\xD1\xE7\xD6\xDC\xA3.,:?'-=/()_&*+\";%! $\r\n\b";
  if (touche != 0 && std::memchr(kAcceptes, touche, sizeof kAcceptes - 1)) return {true, touche};
  return {false, 0};
}

}  // namespace vestral
