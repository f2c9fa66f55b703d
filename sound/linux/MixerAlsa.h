// The sound card's mixer through ALSA's simple mixer interface.
#pragma once

#include <memory>
#include <string>

#include "sound/FONCTIONS_MIXER_ELEMENTS.h"

namespace vestral {

// The simple-mixer elements of one ALSA control device ("default",
// "hw:0"...); null when it cannot be opened (no card).
std::unique_ptr<ElementsMixer> Ouvrir_elements_alsa(const std::string& peripherique);

// The system's mixer: the device named by VESTRAL_MIXER, else "default". A
// system without a card gives a mixer model with no mixer in it.
std::unique_ptr<Mixer> Ouvrir_mixer_systeme();

}  // namespace vestral
