#include "station/JournalAdif.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>

#include "shell/Cp1252.h"
#include "station/Indicatifs.h"

namespace vestral {
namespace {

struct Bande {
  int64_t min_hz, max_hz;
  const char* nom;
};

// The amateur bands as the format names them, from 2200 m to 3 cm.
constexpr std::array<Bande, 25> kBandes{{
    {135'700, 137'800, "2190m"},
    {472'000, 479'000, "630m"},
    {501'000, 504'000, "560m"},
    {1'800'000, 2'000'000, "160m"},
    {3'500'000, 4'000'000, "80m"},
    {5'060'000, 5'450'000, "60m"},
    {7'000'000, 7'300'000, "40m"},
    {10'100'000, 10'150'000, "30m"},
    {14'000'000, 14'350'000, "20m"},
    {18'068'000, 18'168'000, "17m"},
    {21'000'000, 21'450'000, "15m"},
    {24'890'000, 24'990'000, "12m"},
    {28'000'000, 29'700'000, "10m"},
    {40'000'000, 45'000'000, "8m"},
    {50'000'000, 54'000'000, "6m"},
    {54'000'001, 69'900'000, "5m"},
    {70'000'000, 71'000'000, "4m"},
    {144'000'000, 148'000'000, "2m"},
    {222'000'000, 225'000'000, "1.25m"},
    {420'000'000, 450'000'000, "70cm"},
    {902'000'000, 928'000'000, "33cm"},
    {1'240'000'000, 1'300'000'000, "23cm"},
    {2'300'000'000, 2'450'000'000, "13cm"},
    {3'300'000'000, 3'500'000'000, "9cm"},
    {10'000'000'000, 10'500'000'000, "3cm"},
}};

// CP1252 bytes 0x80 to 0xFF in ASCII; empty: left out.
const char* Equivalent_ascii(unsigned char c) {
  static const std::array<const char*, 128> kTable = {
      // 0x80
      "EUR", "", ",", "f", ",,", "...", "+", "+", "^", "o/oo", "S", "<", "OE", "", "Z", "",
      // 0x90
      "", "'", "'", "\"", "\"", "*", "-", "-", "~", "TM", "s", ">", "oe", "", "z", "Y",
      // 0xA0
      " ", "!", "c", "L", "", "Y", "|", "S", "", "(c)", "a", "\"", "-", "-", "(R)", "-",
      // 0xB0
      "o", "+/-", "2", "3", "'", "u", "P", ".", ",", "1", "o", "\"", "1/4", "1/2", "3/4", "?",
      // 0xC0
      "A", "A", "A", "A", "A", "A", "AE", "C", "E", "E", "E", "E", "I", "I", "I", "I",
      // 0xD0
      "D", "N", "O", "O", "O", "O", "O", "x", "O", "U", "U", "U", "U", "Y", "TH", "ss",
      // 0xE0
      "a", "a", "a", "a", "a", "a", "ae", "c", "e", "e", "e", "e", "i", "i", "i", "i",
      // 0xF0
      "d", "n", "o", "o", "o", "o", "o", "/", "o", "u", "u", "u", "u", "y", "th", "y"};
  return kTable[c - 0x80];
}

void Champ(std::string& sortie, const char* nom, const std::string& valeur) {
  if (valeur.empty()) return;
  sortie += '<';
  sortie += nom;
  sortie += ':' + std::to_string(valeur.size()) + '>' + valeur + ' ';
}

std::string Majuscules(std::string texte) {
  for (char& c : texte) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return texte;
}

std::string Frequence_mhz(int64_t hz) {
  char tampon[32];
  std::snprintf(tampon, sizeof tampon, "%lld.%06lld", static_cast<long long>(hz / 1'000'000),
                static_cast<long long>(hz % 1'000'000));
  return tampon;
}

std::optional<int64_t> Frequence_depuis_mhz(const std::string& texte) {
  // Digits, one optional point, digits: no exponent, no sign.
  const auto point = texte.find('.');
  const std::string entiere = texte.substr(0, point);
  std::string fraction = point == std::string::npos ? "" : texte.substr(point + 1);
  auto Chiffres = [](const std::string& s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  if (entiere.empty() || entiere.size() > 6 || !Chiffres(entiere) || !Chiffres(fraction))
    return std::nullopt;
  fraction = (fraction + "000000").substr(0, 6);
  return std::stoll(entiere) * 1'000'000 + std::stoll(fraction);
}

// Minutes since an arbitrary origin, from YYYYMMDD and HHMM[SS]; nullopt
// when malformed.
std::optional<int64_t> Minutes(const std::string& date, const std::string& heure) {
  auto Chiffres = [](const std::string& s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  if (date.size() != 8 || !Chiffres(date) || heure.size() < 4 || !Chiffres(heure))
    return std::nullopt;
  const int a = std::stoi(date.substr(0, 4)), m = std::stoi(date.substr(4, 2)),
            j = std::stoi(date.substr(6, 2));
  // Days from civil (proleptic Gregorian).
  const int y = a - (m <= 2);
  const int ere = (y >= 0 ? y : y - 399) / 400;
  const int annee_ere = y - ere * 400;
  const int jour_annee = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + j - 1;
  const int jour_ere = annee_ere * 365 + annee_ere / 4 - annee_ere / 100 + jour_annee;
  const int64_t jours = static_cast<int64_t>(ere) * 146097 + jour_ere - 719468;
  return jours * 1440 + std::stoi(heure.substr(0, 2)) * 60 + std::stoi(heure.substr(2, 2));
}

std::string Chiffres_seuls(const std::string& texte) {
  std::string sortie;
  for (const char c : texte)
    if (c >= '0' && c <= '9') sortie += c;
  return sortie;
}

}  // namespace

std::string Bande_adif(int64_t frequence_hz) {
  for (const auto& b : kBandes)
    if (frequence_hz >= b.min_hz && frequence_hz <= b.max_hz) return b.nom;
  return {};
}

std::string Translitteration_ascii(std::string_view texte) {
  std::string sortie;
  for (const char c : texte) {
    const auto octet = static_cast<unsigned char>(c);
    if (octet == '\r' || octet == '\n' || octet == '\t')
      sortie += ' ';
    else if (octet >= 32 && octet < 127)
      sortie += c;
    else if (octet >= 0x80)
      sortie += Equivalent_ascii(octet);
  }
  return sortie;
}

std::string Indicatif_normalise(std::string_view texte) {
  std::string sortie;
  for (const char c : texte) {
    const char m = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if ((m >= 'A' && m <= 'Z') || (m >= '0' && m <= '9') || m == '/') sortie += m;
  }
  return sortie;
}

std::string Entete_adif(const std::string& horodatage) {
  std::string entete = "VESTRAL journal des contacts\r\n";
  Champ(entete, "ADIF_VER", kVersion_adif);
  Champ(entete, "PROGRAMID", "VESTRAL");
  Champ(entete, "PROGRAMVERSION", VESTRAL_VERSION);
  Champ(entete, "CREATED_TIMESTAMP", horodatage);
  entete += "<EOH>\r\n";
  return entete;
}

std::string Enregistrement_adif(const Contact& contact) {
  std::string r;
  Champ(r, "CALL", Indicatif_normalise(contact.indicatif));
  Champ(r, "QSO_DATE", Chiffres_seuls(contact.date));
  Champ(r, "TIME_ON", Chiffres_seuls(contact.heure));
  if (contact.frequence_hz > 0) {
    Champ(r, "FREQ", Frequence_mhz(contact.frequence_hz));
    Champ(r, "BAND", Bande_adif(contact.frequence_hz));
  }
  Champ(r, "MODE", Translitteration_ascii(contact.mode));
  Champ(r, "RST_SENT", Translitteration_ascii(contact.rst_envoye));
  Champ(r, "RST_RCVD", Translitteration_ascii(contact.rst_recu));
  Champ(r, "NAME", Translitteration_ascii(contact.nom));
  Champ(r, "QTH", Translitteration_ascii(contact.qth));
  Champ(r, "GRIDSQUARE", Translitteration_ascii(contact.locator));
  Champ(r, "COMMENT", Translitteration_ascii(contact.commentaire));
  r += "<EOR>\r\n";
  return r;
}

std::vector<Contact> Lecture_adif(std::string_view texte) {
  std::vector<Contact> contacts;
  std::size_t i = 0;
  // A header is anything before <EOH> when the text does not open on a field.
  if (!texte.empty() && texte[0] != '<') {
    const std::string majuscules = Majuscules(std::string(texte));
    const auto eoh = majuscules.find("<EOH>");
    if (eoh == std::string::npos) return contacts;
    i = eoh + 5;
  }
  Contact courant;
  courant.mode.clear();
  bool champ_vu = false;
  while (i < texte.size()) {
    const auto ouvrant = texte.find('<', i);
    if (ouvrant == std::string_view::npos) break;
    const auto fermant = texte.find('>', ouvrant);
    if (fermant == std::string_view::npos) break;
    const std::string balise =
        Majuscules(std::string(texte.substr(ouvrant + 1, fermant - ouvrant - 1)));
    i = fermant + 1;
    if (balise == "EOR") {
      if (champ_vu) contacts.push_back(courant);
      courant = Contact{};
      courant.mode.clear();
      champ_vu = false;
      continue;
    }
    if (balise == "EOH") continue;
    // NAME:LENGTH[:TYPE]
    const auto deux_points = balise.find(':');
    if (deux_points == std::string::npos) continue;
    const std::string nom = balise.substr(0, deux_points);
    const auto fin_longueur = balise.find(':', deux_points + 1);
    const std::string longueur_texte = balise.substr(
        deux_points + 1,
        fin_longueur == std::string::npos ? std::string::npos : fin_longueur - deux_points - 1);
    if (longueur_texte.empty() || longueur_texte.size() > 7 ||
        !std::all_of(longueur_texte.begin(), longueur_texte.end(),
                     [](char c) { return c >= '0' && c <= '9'; }))
      continue;
    const std::size_t longueur = std::stoul(longueur_texte);
    if (longueur > texte.size() - i) break;
    const std::string valeur(texte.substr(i, longueur));
    i += longueur;
    champ_vu = true;
    if (nom == "CALL")
      courant.indicatif = valeur;
    else if (nom == "QSO_DATE")
      courant.date = valeur;
    else if (nom == "TIME_ON")
      courant.heure = valeur;
    else if (nom == "FREQ")
      courant.frequence_hz = Frequence_depuis_mhz(valeur).value_or(0);
    else if (nom == "MODE")
      courant.mode = valeur;
    else if (nom == "RST_SENT")
      courant.rst_envoye = valeur;
    else if (nom == "RST_RCVD")
      courant.rst_recu = valeur;
    else if (nom == "NAME")
      courant.nom = valeur;
    else if (nom == "QTH")
      courant.qth = valeur;
    else if (nom == "GRIDSQUARE")
      courant.locator = valeur;
    else if (nom == "COMMENT")
      courant.commentaire = valeur;
  }
  return contacts;
}

std::string Horodatage_adif(std::chrono::system_clock::time_point moment) {
  const std::time_t t = std::chrono::system_clock::to_time_t(moment);
  std::tm utc{};
  ::gmtime_r(&t, &utc);
  char tampon[32];
  std::strftime(tampon, sizeof tampon, "%Y%m%d %H%M%S", &utc);
  return tampon;
}

Contact Contact_prerempli(std::string_view texte_recu, std::optional<int64_t> frequence_hz,
                          std::chrono::system_clock::time_point moment) {
  Contact c;
  c.indicatif = Dernier_indicatif(texte_recu);
  const std::string h = Horodatage_adif(moment);
  c.date = h.substr(0, 8);
  c.heure = h.substr(9, 4);
  c.frequence_hz = frequence_hz.value_or(0);
  c.rst_envoye = "599";
  c.rst_recu = "599";
  return c;
}

bool Est_doublon(const Contact& a, const Contact& b) {
  if (Indicatif_normalise(a.indicatif) != Indicatif_normalise(b.indicatif)) return false;
  if (Bande_adif(a.frequence_hz) != Bande_adif(b.frequence_hz)) return false;
  const auto ma = Minutes(a.date, a.heure), mb = Minutes(b.date, b.heure);
  if (!ma || !mb) return false;
  return std::llabs(*ma - *mb) < 60;
}

JournalContacts::JournalContacts(Rapport& rapport, std::filesystem::path dossier)
    : rapport_(rapport), dossier_(std::move(dossier)) {}

std::string JournalContacts::Texte_doublon(const Contact& contact) {
  const std::string bande = Bande_adif(contact.frequence_hz);
  return "Doublon : "_cp + Indicatif_normalise(contact.indicatif) + " d\xE9j\xE0 contact\xE9" +
         (bande.empty() ? std::string() : " sur " + bande) + " il y a moins d'une heure.";
}

std::string JournalContacts::Texte_sans_indicatif() {
  return "Contact non enregistré : l'indicatif est vide."_cp;
}

std::string JournalContacts::Texte_disque_plein(const Contact& contact) {
  return "Plus de place pour écrire le journal des contacts : le contact avec "_cp +
         Indicatif_normalise(contact.indicatif) + " n'est pas enregistr\xE9, " + kFichier_contacts +
         " reste tel qu'il \xE9tait.";
}

std::string JournalContacts::Texte_ecriture_impossible(const Contact& contact) {
  return "Impossible d'écrire le journal des contacts "_cp + kFichier_contacts +
         " : le contact avec " + Indicatif_normalise(contact.indicatif) +
         " n'est pas enregistr\xE9.";
}

std::string JournalContacts::Texte_lecture_impossible() {
  return "Le journal des contacts "_cp + kFichier_contacts +
         " ne peut \xEAtre lu : rien n'y est ajout\xE9.";
}

std::optional<std::string> JournalContacts::Lire_tout() const {
  const auto chemin = dossier_ / kFichier_contacts;
  std::error_code erreur;
  if (!std::filesystem::exists(chemin, erreur)) {
    if (erreur) return std::nullopt;
    return std::string();
  }
  std::ifstream f(chemin, std::ios::binary);
  if (!f) return std::nullopt;
  std::string texte((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  if (f.bad()) return std::nullopt;
  return texte;
}

std::vector<Contact> JournalContacts::Contacts() const {
  const auto texte = Lire_tout();
  if (!texte) return {};
  return Lecture_adif(*texte);
}

JournalContacts::Resultat JournalContacts::Ajouter(const Contact& contact,
                                                   const std::string& horodatage) {
  Resultat resultat;
  if (Indicatif_normalise(contact.indicatif).empty()) {
    rapport_.Erreur(Texte_sans_indicatif());
    return resultat;
  }
  auto ancien = Lire_tout();
  // The text writer stops at a zero byte: such a log is not rewritten.
  if (!ancien || ancien->find('\0') != std::string::npos) {
    rapport_.Erreur(Texte_lecture_impossible());
    return resultat;
  }
  for (const auto& c : Lecture_adif(*ancien))
    if (Est_doublon(c, contact)) resultat.doublon = true;

  std::string nouveau = ancien->empty() ? Entete_adif(horodatage) : *ancien;
  if (!nouveau.empty() && nouveau.back() != '\n') nouveau += "\r\n";
  nouveau += Enregistrement_adif(contact);

  // The text writer tells its own failures; here they become one message
  // about the contact.
  RapportMemoire echecs;
  FichiersTexte fichiers(echecs, dossier_);
  if (fichiers.Ecriture_fichier_texte(kFichier_contacts, nouveau)) {
    const auto erreurs = echecs.Erreurs();
    const bool plein = std::any_of(erreurs.begin(), erreurs.end(), [](const std::string& e) {
      return e.find("Disque dur plein") != std::string::npos;
    });
    rapport_.Erreur(plein ? Texte_disque_plein(contact) : Texte_ecriture_impossible(contact));
    return resultat;
  }
  resultat.enregistre = true;
  if (resultat.doublon) rapport_.Panneau(Texte_doublon(contact));
  return resultat;
}

}  // namespace vestral
