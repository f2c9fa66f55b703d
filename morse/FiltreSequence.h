// The keys the stored sequence editor accepts: what the Morse table can
// send, lower-case letters turned into capitals, plus the line ends and
// Backspace.
#pragma once

#include <cstdint>

#include "morse/TableMorse.h"

namespace vestral {

[[nodiscard]] ToucheConvertie Filtre_touche_sequence(uint8_t touche);

}  // namespace vestral
