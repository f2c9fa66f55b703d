#include "shell/fenetres/EconomiseurEcran.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>

namespace vestral {
namespace {

const QString kService = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kChemin = QStringLiteral("/org/freedesktop/ScreenSaver");

// The interface, when the session bus offers it.
std::optional<QDBusConnection> Bus() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected() || !bus.interface()) return std::nullopt;
  const QDBusReply<bool> present = bus.interface()->isServiceRegistered(kService);
  if (!present.isValid() || !present.value()) return std::nullopt;
  return bus;
}

}  // namespace

bool EconomiseurEcranDBus::Suspendre() {
  if (cookie_) return true;
  const auto bus = Bus();
  if (!bus) return false;
  QDBusInterface economiseur(kService, kChemin, kService, *bus);
  economiseur.setTimeout(2000);
  const QDBusReply<uint> reponse =
      economiseur.call(QStringLiteral("Inhibit"), QStringLiteral("vestral"),
                       QStringLiteral("Emission-réception en cours"));
  if (!reponse.isValid()) return false;
  cookie_ = reponse.value();
  return true;
}

void EconomiseurEcranDBus::Reprendre() {
  if (!cookie_) return;
  const uint32_t cookie = *cookie_;
  cookie_.reset();
  const auto bus = Bus();
  if (!bus) return;
  QDBusInterface economiseur(kService, kChemin, kService, *bus);
  economiseur.setTimeout(2000);
  economiseur.call(QStringLiteral("UnInhibit"), cookie);
}

}  // namespace vestral
