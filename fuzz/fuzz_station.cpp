// What comes from outside the station code: keying-server datagrams of any
// bytes, and contact logs of any text. A datagram gives at most one request,
// whose values stay within their ranges and whose text carries no control
// byte; any log text is read without harm, and a contact read back from a
// log written here is the one written (ASCII fields).
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "station/Cwdaemon.h"
#include "station/JournalAdif.h"

using namespace vestral;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* donnees, std::size_t taille) {
  const std::string_view octets(reinterpret_cast<const char*>(donnees), taille);
  if (const auto c = Analyser_datagramme(octets)) {
    if (taille > kTaille_max_datagramme) std::abort();
    for (const char o : c->texte)
      if (static_cast<unsigned char>(o) < 32) std::abort();
    if (c->requete == Requete::Vitesse && (c->valeur < 4 || c->valeur > 60)) std::abort();
    if (c->requete == Requete::Accord && (c->valeur < 0 || c->valeur > 10)) std::abort();
  }
  (void)Lecture_adif(octets);

  Contact contact;
  contact.indicatif = std::string(octets.substr(0, 12));
  contact.date = "20261211";
  contact.heure = "1200";
  contact.nom = std::string(octets.substr(std::min<std::size_t>(taille, 12)));
  const std::string texte = Entete_adif("20261211 120000") + Enregistrement_adif(contact);
  const auto relus = Lecture_adif(texte);
  const std::string indicatif = Indicatif_normalise(contact.indicatif);
  if (relus.size() != 1 || relus[0].indicatif != indicatif ||
      relus[0].nom != Translitteration_ascii(contact.nom))
    std::abort();
  return 0;
}
