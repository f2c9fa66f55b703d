#include "shell/linux/TonaliteLinux.h"

#include <fcntl.h>
#include <glob.h>
#include <linux/input.h>
#include <linux/kd.h>
#include <sys/ioctl.h>

#include <cerrno>

namespace vestral {
namespace {

std::vector<std::string> Developper(const std::string& motif) {
  std::vector<std::string> chemins;
  glob_t resultat{};
  if (::glob(motif.c_str(), 0, nullptr, &resultat) == 0)
    for (std::size_t i = 0; i < resultat.gl_pathc; ++i) chemins.emplace_back(resultat.gl_pathv[i]);
  ::globfree(&resultat);
  return chemins;
}

Descripteur Ouvrir_ecriture(const std::string& chemin) {
  return Descripteur(::open(chemin.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
}

}  // namespace

std::unique_ptr<TonaliteEvenement> TonaliteEvenement::Ouvrir(const std::string& chemin) {
  Descripteur fd = Ouvrir_ecriture(chemin);
  if (!fd.Valide()) return nullptr;
  unsigned long sons[1] = {};
  if (::ioctl(fd.fd(), EVIOCGBIT(EV_SND, sizeof sons), sons) < 0) return nullptr;
  if (!(sons[0] & (1UL << SND_TONE))) return nullptr;
  return std::make_unique<TonaliteEvenement>(std::move(fd));
}

void TonaliteEvenement::Envoyer(int valeur) {
  input_event evenement{};
  evenement.type = EV_SND;
  evenement.code = SND_TONE;
  evenement.value = valeur;
  ssize_t n;
  do n = ::write(fd_.fd(), &evenement, sizeof evenement);
  while (n < 0 && errno == EINTR);
}

std::unique_ptr<TonaliteConsole> TonaliteConsole::Ouvrir(const std::string& chemin) {
  Descripteur fd = Ouvrir_ecriture(chemin);
  if (!fd.Valide() || ::ioctl(fd.fd(), KIOCSOUND, 0) < 0) return nullptr;
  return std::make_unique<TonaliteConsole>(std::move(fd));
}

void TonaliteConsole::Demarrer(int frequence_hz) {
  if (frequence_hz <= 0) return Arreter();
  unsigned long compte = kHorloge_minuterie / static_cast<unsigned>(frequence_hz);
  if (compte == 0) compte = 1;
  ::ioctl(fd_.fd(), KIOCSOUND, compte);
}

void TonaliteConsole::Arreter() {
  ::ioctl(fd_.fd(), KIOCSOUND, 0);
}

std::unique_ptr<Tonalite> Ouvrir_tonalite(const std::vector<std::string>& evenements,
                                          const std::vector<std::string>& consoles) {
  for (const auto& motif : evenements)
    for (const auto& chemin : Developper(motif))
      if (auto tonalite = TonaliteEvenement::Ouvrir(chemin)) return tonalite;
  for (const auto& chemin : consoles)
    if (auto tonalite = TonaliteConsole::Ouvrir(chemin)) return tonalite;
  return std::make_unique<TonaliteMuette>();
}

std::unique_ptr<Tonalite> Ouvrir_tonalite_systeme() {
  return Ouvrir_tonalite({"/dev/input/by-path/*-event-spkr", "/dev/input/event*"},
                         {"/dev/console", "/dev/tty0"});
}

}  // namespace vestral
