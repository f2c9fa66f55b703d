// The mixer and the sound devices of a desktop sound server, through
// libpulse (a PulseAudio server, or PipeWire's PulseAudio service).
//
// On a desktop the card's own mixer is the server's business; what the
// program may set is the server's view of it. The server's objects appear
// as a simple mixer (FONCTIONS_MIXER_ELEMENTS.h), so the program's mixer
// rules apply to them unchanged:
//  - "Master" and "PCM" (the output level and the wave level): the volume
//    and mute of the program's own playback streams, never a whole device;
//    the stream gets the product of the two, also when it starts later;
//  - "Line" and "Mic" in the playback mix: the server never plays a source
//    into the output, so both are always muted there;
//  - "Capture": the volume of the source the program records from, and
//    its capture-source list: the source's ports when it has two or more
//    (line-in, microphone...), else "Line" and "Mic" both standing for the
//    source itself.
//
// Every request waits at most a bounded time for the server; a server that
// has gone away makes every request fail at once.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "sound/FONCTIONS_MIXER_ELEMENTS.h"

namespace vestral {

inline constexpr std::chrono::milliseconds kDelai_serveur_son{1500};

enum class GenrePeripherique { Capture, Restitution };

struct PeripheriqueServeur {
  std::string nom;          // the server's name of the device (stable)
  std::string description;  // what the desktop shows
  GenrePeripherique genre = GenrePeripherique::Capture;
  bool ecoute_sortie = false;  // a capture device that hears a playback device
  bool defaut = false;
};

// The source the program records from: a server name, or empty for the
// server's default source.
std::unique_ptr<ElementsMixer> Ouvrir_elements_pulse(
    const std::string& source, std::chrono::milliseconds delai = kDelai_serveur_son);

// True when a sound server answers within the delay.
bool Serveur_son_present(std::chrono::milliseconds delai = kDelai_serveur_son);

// The server's capture and playback devices; empty when no server answers.
std::vector<PeripheriqueServeur> Lister_peripheriques_serveur(
    std::chrono::milliseconds delai = kDelai_serveur_son);

// The server device a name chooses: exact server name first, then the first
// whose name or description contains it (case ignored); null when none.
const PeripheriqueServeur* Choisir_peripherique_serveur(
    const std::vector<PeripheriqueServeur>& liste, GenrePeripherique genre,
    const std::string& motif);

}  // namespace vestral
