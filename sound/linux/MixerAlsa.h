// The sound card's mixer through ALSA's simple mixer interface.
#pragma once

#include <memory>
#include <string>

#include "sound/FONCTIONS_MIXER_ELEMENTS.h"

namespace vestral {

// The simple-mixer elements of one ALSA control device ("default",
// "hw:0"...); null when it cannot be opened (no card).
std::unique_ptr<ElementsMixer> Ouvrir_elements_alsa(const std::string& peripherique);

// The system's mixer: the ALSA device named by VESTRAL_MIXER if set; else
// the desktop sound server's when one answers (`source`: the server's name
// of the capture device, empty for its default), else ALSA's "default". A
// system without a card gives a mixer model with no mixer in it.
std::unique_ptr<Mixer> Ouvrir_mixer_systeme(const std::string& source = "");

}  // namespace vestral
