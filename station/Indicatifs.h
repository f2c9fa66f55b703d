// Call signs in received text, for the contact dialog's first guess.
#pragma once

#include <string>
#include <string_view>

namespace vestral {

// True for a word shaped like an amateur call sign: an optional prefix and
// '/', one to three letters or digits holding a letter, one digit (more for
// some prefixes), one to four letters, an optional '/' and suffix; 3 to 12
// characters. Upper or lower case.
bool Ressemble_indicatif(std::string_view mot);
// The last word of `texte` (CP1252, words split at anything not a letter,
// digit or '/') that looks like a call sign, upper case; empty when none.
std::string Dernier_indicatif(std::string_view texte);

}  // namespace vestral
