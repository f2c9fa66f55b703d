// The transceiver as a logger's keyer: each tick of the transceiver window
// takes the keying server's requests and acts as the operator would. Text
// is typed into the editor through the same character filter as the keys;
// from reception the window switches to transmission, and back to
// reception once the text is sent (then the echo replies go out). Abort
// stops as "Arrêt" does; tune is the continuous tone for N seconds; the
// speed is the nearest transmit speed, for this run only (the settings file
// is not written). The tone pitch is the tuned frequency, which also tunes
// the receiver: a logger's tone request leaves it alone, as it does the
// requests for devices and sound systems.
#pragma once

#include <cstdint>
#include <functional>

#include "station/Cwdaemon.h"
#include "transceiver/EmetteurRecepteur.h"

namespace vestral {

inline constexpr int kTicks_par_seconde = 100;  // the transceiver window's 10 ms timer

// The transmit speed closest to `mots_par_minute` (the lower on a tie).
int Vitesse_emission_proche(int mots_par_minute);

class ManipulateurCwdaemon {
 public:
  // `taper`: one byte typed into the editor, as a key (it goes through the
  // keys' filter there). `vitesse`: the working transmit speed, restored by
  // reset.
  ManipulateurCwdaemon(EmetteurRecepteur& emetteur_recepteur,
                       EnvironnementEmetteurRecepteur& environnement, int32_t& vitesse,
                       std::function<void(uint8_t)> taper);

  // One tick: the waiting requests, then whether the text is all sent.
  void Servir(ServeurCwdaemon& serveur);
  // The window closes: a keying asked by the logger is released.
  void Fin();

  bool Texte_en_cours() const { return texte_en_cours_; }
  int Delai_ptt_ms() const { return delai_ptt_ms_; }

 private:
  void Vers_transmission();
  void Taper(const std::string& texte);
  void Abandonner(ServeurCwdaemon& serveur);
  void Accord(int secondes);
  void Fin_accord();

  EmetteurRecepteur& er_;
  EnvironnementEmetteurRecepteur& environnement_;
  int32_t& vitesse_;
  const int32_t vitesse_initiale_;
  std::function<void(uint8_t)> taper_;

  bool texte_en_cours_ = false;
  bool retour_reception_ = false;  // the window received before the logger's text
  bool ptt_force_ = false;         // keyed by a PTT request, outside transmission
  int ticks_accord_ = 0;           // ticks of tune left; 0: none
  int delai_ptt_ms_ = 0;
};

}  // namespace vestral
