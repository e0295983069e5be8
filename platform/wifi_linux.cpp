#include "platform/netinfo.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusVariant>

// The Wi-Fi name comes from NetworkManager over the system bus: the primary
// connection, when it is a wireless one, and the SSID of its access point.
namespace platform {
namespace {

const auto NmService = QStringLiteral("org.freedesktop.NetworkManager");
constexpr int BusTimeoutMs = 1000;

QVariant nmProperty(const QString &path, const QString &interface, const QString &name)
{
    QDBusInterface properties(
        NmService, path, QStringLiteral("org.freedesktop.DBus.Properties"), QDBusConnection::systemBus());
    if (!properties.isValid())
        return {};
    properties.setTimeout(BusTimeoutMs);
    QDBusReply<QDBusVariant> reply = properties.call(QStringLiteral("Get"), interface, name);
    return reply.isValid() ? reply.value().variant() : QVariant();
}

} // namespace

WifiName wifiName()
{
    if (!QDBusConnection::systemBus().isConnected())
        return {};
    const auto primary
        = nmProperty(QStringLiteral("/org/freedesktop/NetworkManager"), NmService, QStringLiteral("PrimaryConnection"))
              .value<QDBusObjectPath>()
              .path();
    if (primary.isEmpty())
        return {};
    if (primary == QLatin1String("/"))
        return { WifiName::State::NotWireless, {} };
    const auto active = NmService + QStringLiteral(".Connection.Active");
    const auto type = nmProperty(primary, active, QStringLiteral("Type")).toString();
    if (type.isEmpty())
        return {};
    if (type != QLatin1String("802-11-wireless"))
        return { WifiName::State::NotWireless, {} };
    const auto accessPoint
        = nmProperty(primary, active, QStringLiteral("SpecificObject")).value<QDBusObjectPath>().path();
    const auto ssid
        = nmProperty(accessPoint, NmService + QStringLiteral(".AccessPoint"), QStringLiteral("Ssid")).toByteArray();
    if (ssid.isEmpty())
        return {};
    return { WifiName::State::Named, ssid.toStdString() };
}

} // namespace platform
