// The contact log, in the exchange format every logbook and QSL service
// reads (ADIF 3.1, ".adi" text): a header, then one record per contact,
// each field written <NAME:length>value, each record ended by <EOR>.
//
// The .adi form only carries ASCII: names, places and comments typed with
// French accents are transliterated (é -> e, œ -> oe); the international
// fields are for the XML form only.
//
// Each contact is appended at once to VESTRAL.ADI in the working directory,
// by rewriting the whole file through the atomic text writer: a failed write
// leaves the previous log as it was.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shell/FONCTIONS_FICHIERS.h"
#include "shell/Rapport.h"

namespace vestral {

inline constexpr const char* kFichier_contacts = "VESTRAL.ADI";
inline constexpr const char* kVersion_adif = "3.1.4";

struct Contact {
  std::string indicatif;     // CALL
  std::string date;          // QSO_DATE, YYYYMMDD (UTC)
  std::string heure;         // TIME_ON, HHMM or HHMMSS (UTC)
  int64_t frequence_hz = 0;  // FREQ (and BAND); 0 when unknown
  std::string mode = "CW";   // MODE
  std::string rst_envoye;    // RST_SENT
  std::string rst_recu;      // RST_RCVD
  std::string nom;           // NAME (CP1252 as typed)
  std::string qth;           // QTH
  std::string locator;       // GRIDSQUARE
  std::string commentaire;   // COMMENT
  bool operator==(const Contact&) const = default;
};

// The band of a frequency ("40m", "2m", "70cm"); empty outside the bands.
std::string Bande_adif(int64_t frequence_hz);
// CP1252 text as printable ASCII: accented letters lose their accents,
// ligatures are spelt out, typographic quotes and dashes become plain ones,
// line ends become spaces, anything else is left out.
std::string Translitteration_ascii(std::string_view texte);
// A call sign as the log keeps it: upper case, letters, digits and '/'
// only; empty when nothing is left.
std::string Indicatif_normalise(std::string_view texte);

// `horodatage`: YYYYMMDD HHMMSS (UTC).
std::string Entete_adif(const std::string& horodatage);
std::string Enregistrement_adif(const Contact& contact);
// The contacts of an .adi text, in order; fields this log does not know are
// skipped, and so is anything malformed.
std::vector<Contact> Lecture_adif(std::string_view texte);

// "YYYYMMDD HHMMSS" (UTC) of a moment.
std::string Horodatage_adif(std::chrono::system_clock::time_point moment);
// A new contact as the dialog first shows it: the last call sign heard in
// `texte_recu`, the date and time (UTC) of `moment`, the dial frequency
// when known, 599 both ways.
Contact Contact_prerempli(std::string_view texte_recu, std::optional<int64_t> frequence_hz,
                          std::chrono::system_clock::time_point moment);

// Same call, same band, less than an hour apart (either way).
bool Est_doublon(const Contact& a, const Contact& b);

class JournalContacts {
 public:
  JournalContacts(Rapport& rapport, std::filesystem::path dossier = ".");

  struct Resultat {
    bool enregistre = false;
    bool doublon = false;
  };
  // Appends the contact (a new log gets its header first). `horodatage`
  // dates the header of a new file. A failure is told once, the previous
  // log kept.
  [[nodiscard]] Resultat Ajouter(const Contact& contact, const std::string& horodatage);
  // The contacts logged so far; empty when there is no log yet.
  std::vector<Contact> Contacts() const;

  static std::string Texte_doublon(const Contact& contact);
  static std::string Texte_sans_indicatif();
  static std::string Texte_disque_plein(const Contact& contact);
  static std::string Texte_ecriture_impossible(const Contact& contact);
  static std::string Texte_lecture_impossible();

 private:
  // The whole current log (no size limit); empty when there is none;
  // nullopt when it exists but cannot be read.
  std::optional<std::string> Lire_tout() const;

  Rapport& rapport_;
  std::filesystem::path dossier_;
};

}  // namespace vestral
