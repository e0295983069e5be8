#include "platform/wifi_name.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QPointer>
#include <QTimer>

#include <memory>

// The Wi-Fi name comes from NetworkManager over the system bus: the primary
// connection, when it is a wireless one, and the SSID of its access point.
// Each step is one property call that does not wait (never an introspection,
// which QDBusInterface makes synchronously), chained by its reply, all of them
// within the budget.
namespace platform {
namespace {

const auto NmService = QStringLiteral("org.freedesktop.NetworkManager");
const auto Properties = QStringLiteral("org.freedesktop.DBus.Properties");

struct Reading
{
    QPointer<QObject> context;
    QDeadlineTimer deadline;
    std::function<void(const WifiName &)> done;
    bool finished = false;

    void finish(const WifiName &name)
    {
        if (finished || !context)
            return;
        finished = true;
        done(name);
    }

    // One method call of the Properties interface; `replied` gets its reply
    // when it came in time, and the reading ends as Unknown otherwise.
    void call(const QString &path, const QString &method, const QVariantList &arguments,
        std::function<void(const QDBusMessage &)> replied, const std::shared_ptr<Reading> &self)
    {
        if (!context)
            return;
        QDBusMessage message = QDBusMessage::createMethodCall(NmService, path, Properties, method);
        message.setArguments(arguments);
        const int left = int(std::max<qint64>(1, deadline.remainingTime()));
        auto *watcher
            = new QDBusPendingCallWatcher(QDBusConnection::systemBus().asyncCall(message, left), context.data());
        QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context.data(),
            [self, replied = std::move(replied)](QDBusPendingCallWatcher *w) {
                w->deleteLater();
                const QDBusMessage reply = w->reply();
                if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
                    self->finish({});
                    return;
                }
                replied(reply);
            });
    }
};

QVariant firstValue(const QDBusMessage &reply)
{
    return qvariant_cast<QDBusVariant>(reply.arguments().constFirst()).variant();
}

} // namespace

void readWifiName(QObject *context, std::chrono::milliseconds budget, std::function<void(const WifiName &)> done)
{
    auto reading = std::make_shared<Reading>();
    reading->context = context;
    reading->deadline = QDeadlineTimer(budget.count());
    reading->done = std::move(done);
    if (!QDBusConnection::systemBus().isConnected()) {
        QMetaObject::invokeMethod(
            context, [reading] { reading->finish({}); }, Qt::QueuedConnection);
        return;
    }
    // The budget holds whatever the bus does.
    QTimer::singleShot(budget, context, [reading] { reading->finish({}); });
    reading->call(
        QStringLiteral("/org/freedesktop/NetworkManager"), QStringLiteral("Get"),
        { NmService, QStringLiteral("PrimaryConnection") },
        [reading](const QDBusMessage &reply) {
            const QString primary = qvariant_cast<QDBusObjectPath>(firstValue(reply)).path();
            if (primary.isEmpty()) {
                reading->finish({});
                return;
            }
            if (primary == QLatin1String("/")) {
                reading->finish({ WifiName::State::NotWireless, {} });
                return;
            }
            reading->call(
                primary, QStringLiteral("GetAll"), { NmService + QStringLiteral(".Connection.Active") },
                [reading](const QDBusMessage &reply) {
                    const QVariantMap active = qdbus_cast<QVariantMap>(reply.arguments().constFirst());
                    const QString type = active.value(QStringLiteral("Type")).toString();
                    if (type.isEmpty()) {
                        reading->finish({});
                        return;
                    }
                    if (type != QLatin1String("802-11-wireless")) {
                        reading->finish({ WifiName::State::NotWireless, {} });
                        return;
                    }
                    const QString accessPoint
                        = qvariant_cast<QDBusObjectPath>(active.value(QStringLiteral("SpecificObject"))).path();
                    reading->call(
                        accessPoint, QStringLiteral("Get"),
                        { NmService + QStringLiteral(".AccessPoint"), QStringLiteral("Ssid") },
                        [reading](const QDBusMessage &reply) {
                            const QByteArray ssid = firstValue(reply).toByteArray();
                            if (ssid.isEmpty())
                                reading->finish({});
                            else
                                reading->finish({ WifiName::State::Named, ssid.toStdString() });
                        },
                        reading);
                },
                reading);
        },
        reading);
}

} // namespace platform
