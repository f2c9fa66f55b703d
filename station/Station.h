// The station as the program runs it: the settings of VESTRAL.INI put to
// work. Holds the rig's control (when a rig is chosen) and the keying
// server (when it is switched on), and opens them again when the settings
// change. Main thread only; the rig's own thread is ControlePoste's.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "shell/Rapport.h"
#include "station/ControlePoste.h"
#include "station/Cwdaemon.h"
#include "station/ReglagesStation.h"

namespace vestral {

class Station {
 public:
  using FabriquePoste = std::function<std::unique_ptr<vestral::Poste>()>;
  using FabriqueCanal =
      std::function<std::unique_ptr<CanalUdp>(const std::string& adresse, uint16_t port, Rapport&)>;

  Station(FabriquePoste fabrique_poste, FabriqueCanal fabrique_canal, Rapport& rapport);
  ~Station();
  Station(const Station&) = delete;
  Station& operator=(const Station&) = delete;

  // Puts the settings to work: the rig is opened again when its settings
  // changed (the previous one released and closed first), the keying
  // server bound again when its own did.
  void Appliquer(const ReglagesStation& reglages);
  const ReglagesStation& Reglages() const { return reglages_; }

  ControlePoste* Controle_poste() { return poste_.get(); }
  ServeurCwdaemon* Serveur() { return serveur_.get(); }

  // The keying through the rig (when the settings say so).
  bool Ptt_par_poste() const { return reglages_.ptt == ModePTT::Cat && poste_ != nullptr; }
  void Demander_PTT(bool emission);

  // The dial frequency, when a rig answers.
  std::optional<int64_t> Frequence_hz() const;
  // "7 023,5 kHz"; empty without a frequency.
  std::string Texte_frequence() const;

  // Tells what the rig's thread found (from a main-thread timer).
  void Signaler();

  // With no transceiver window to send them: the requests waiting are read
  // and refused; text, tune and keying requests are told once per call.
  void Refuser_requetes();
  static std::string Texte_refus();

 private:
  FabriquePoste fabrique_poste_;
  FabriqueCanal fabrique_canal_;
  Rapport& rapport_;
  ReglagesStation reglages_;
  bool applique_ = false;
  std::unique_ptr<ControlePoste> poste_;
  std::unique_ptr<CanalUdp> canal_;
  std::unique_ptr<ServeurCwdaemon> serveur_;
};

// "7 023,5 kHz" for 7023500 Hz: kilohertz with one decimal, French style.
std::string Texte_kilohertz(int64_t hz);

}  // namespace vestral
