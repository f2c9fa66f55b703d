// Everything sent and decoded during one run, in order, with a marker at
// each switch between transmission and reception. Written to QSO_MORSE.TXT
// when the program quits. Appended to by the decoder thread and by the main
// thread; each append is one indivisible step.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "shell/FONCTIONS_FICHIERS.h"
#include "shell/Rapport.h"

namespace vestral {

constexpr int kTaille_texte_QSO = 100000;
inline constexpr char kFichier_QSO[] = "QSO_MORSE.TXT";
constexpr uint8_t kMarque_emission = 0xC9;   // É
constexpr uint8_t kMarque_reception = 0xC5;  // Å

class JournalQSO {
 public:
  // Appends one byte; once the log is full every further byte overwrites
  // the last one.
  void Ajout_QSO(uint8_t octet);
  // CR LF CR LF, the marker, space, CR LF. With a note source that gives
  // a text (the rig's dial frequency), the text goes between the space and
  // the last CR LF.
  void Ajout_marqueur(uint8_t marque);
  // Set before the log is shared between threads; the source is called by
  // the thread that appends a marker.
  void Note_des_marqueurs(std::function<std::string()> note) { note_ = std::move(note); }

  int Longueur_QSO() const;
  std::string Texte() const;  // the first Longueur_QSO bytes

  // Writes the log to QSO_MORSE.TXT (the quit sequence calls it only when
  // more than 8 bytes are logged).
  void Ecriture_QSO(FichiersTexte& fichiers, Rapport& rapport) const;

 private:
  void Ajouter(uint8_t octet);  // with the lock held

  mutable std::mutex verrou_;
  std::array<char, kTaille_texte_QSO> texte_{};
  int longueur_ = 0;
  std::function<std::string()> note_;
};

}  // namespace vestral
