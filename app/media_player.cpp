#include "app/media_player.h"

#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>

#include <algorithm>
#include <cmath>

const QString MediaPlayer::ObjectPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString MediaPlayer::ServiceName = QStringLiteral("org.mpris.MediaPlayer2.orvexmanager");

namespace {

// The calls act once the D-Bus reply has gone out, on the window's next turn,
// so an error box they open never holds the caller.
void later(MediaPlayer *player, std::function<void()> call)
{
    QMetaObject::invokeMethod(player, std::move(call), Qt::QueuedConnection);
}

class MprisRoot : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ yes)
    Q_PROPERTY(bool CanRaise READ yes)
    Q_PROPERTY(bool HasTrackList READ no)
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QString DesktopEntry READ desktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ none)
    Q_PROPERTY(QStringList SupportedMimeTypes READ none)

public:
    explicit MprisRoot(MediaPlayer *player)
        : QDBusAbstractAdaptor(player)
        , m_player(player)
    {
    }

    bool yes() const { return true; }
    bool no() const { return false; }
    QString identity() const { return QStringLiteral("Orvex Manager"); }
    QString desktopEntry() const { return QStringLiteral("com.orvex.Manager"); }
    QStringList none() const { return {}; }

public slots:
    void Raise()
    {
        later(m_player, [player = m_player] { player->control().mediaRaise(); });
    }
    void Quit()
    {
        later(m_player, [player = m_player] { player->control().mediaQuit(); });
    }

private:
    MediaPlayer *m_player;
};

class MprisPlayer : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(double Rate READ rate WRITE setRate)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(double Volume READ volume WRITE setVolume)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(double MinimumRate READ rate)
    Q_PROPERTY(double MaximumRate READ rate)
    Q_PROPERTY(bool CanGoNext READ canGoNext)
    Q_PROPERTY(bool CanGoPrevious READ canGoPrevious)
    Q_PROPERTY(bool CanPlay READ canPlay)
    Q_PROPERTY(bool CanPause READ canPlay)
    Q_PROPERTY(bool CanSeek READ no)
    Q_PROPERTY(bool CanControl READ yes)

public:
    explicit MprisPlayer(MediaPlayer *player)
        : QDBusAbstractAdaptor(player)
        , m_player(player)
    {
    }

    QString playbackStatus() const { return current("PlaybackStatus").toString(); }
    QVariantMap metadata() const { return current("Metadata").toMap(); }
    double volume() const { return current("Volume").toDouble(); }
    bool canGoNext() const { return current("CanGoNext").toBool(); }
    bool canGoPrevious() const { return current("CanGoPrevious").toBool(); }
    bool canPlay() const { return current("CanPlay").toBool(); }
    double rate() const { return 1.0; }
    void setRate(double) { }
    qlonglong position() const { return 0; }
    bool yes() const { return true; }
    bool no() const { return false; }

    void setVolume(double volume)
    {
        // NaN and the infinities are no volume.
        if (std::isfinite(volume) && control().mediaState().canControl)
            later(m_player, [player = m_player, volume = std::clamp(volume, 0.0, 1.0)] {
                player->control().mediaSetVolume(volume);
            });
    }

public slots:
    void Play(const QDBusMessage &call)
    {
        act(call, [](MediaControl &c) { c.mediaPlay(); });
    }
    void Pause(const QDBusMessage &call)
    {
        act(call, [](MediaControl &c) { c.mediaStop(); });
    }
    void Stop(const QDBusMessage &call)
    {
        act(call, [](MediaControl &c) { c.mediaStop(); });
    }
    void PlayPause(const QDBusMessage &call)
    {
        act(call, [](MediaControl &c) {
            if (c.mediaState().playing)
                c.mediaStop();
            else
                c.mediaPlay();
        });
    }
    void Next(const QDBusMessage &call)
    {
        act(call, [](MediaControl &c) { c.mediaStep(1); });
    }
    void Previous(const QDBusMessage &call)
    {
        act(call, [](MediaControl &c) { c.mediaStep(-1); });
    }
    // Live radio: there is nothing to seek.
    void Seek(qlonglong Offset) { Q_UNUSED(Offset) }
    void SetPosition(const QDBusObjectPath &TrackId, qlonglong Position)
    {
        Q_UNUSED(TrackId)
        Q_UNUSED(Position)
    }
    void OpenUri(const QString &Uri, const QDBusMessage &call)
    {
        Q_UNUSED(Uri)
        refuse(call, QDBusError::errorString(QDBusError::NotSupported), tr("Orvex Manager opens no addresses."));
    }

signals:
    void Seeked(qlonglong Position);

private:
    QVariant current(const char *name) const { return m_player->playerProperties().value(QLatin1String(name)); }
    MediaControl &control() const { return m_player->control(); }

    void refuse(const QDBusMessage &call, const QString &name, const QString &text)
    {
        call.setDelayedReply(true);
        m_player->bus().send(call.createErrorReply(name, text));
    }

    void act(const QDBusMessage &call, std::function<void(MediaControl &)> action)
    {
        if (!control().mediaState().canControl) {
            refuse(call, QStringLiteral("com.orvex.Manager.Error.NoBox"),
                tr("No box is selected, or its pages have not been loaded."));
            return;
        }
        later(m_player, [player = m_player, action] { action(player->control()); });
    }

    MediaPlayer *m_player;
};

} // namespace

MediaPlayer::MediaPlayer(MediaControl &control, QObject *parent)
    : QObject(parent)
    , m_control(control)
    , m_bus(QString())
{
    new MprisRoot(this);
    new MprisPlayer(this);
    m_announceSoon.setSingleShot(true);
    m_announceSoon.setInterval(0);
    connect(&m_announceSoon, &QTimer::timeout, this, &MediaPlayer::announce);
}

MediaPlayer::~MediaPlayer()
{
    if (m_service.isEmpty())
        return;
    m_bus.unregisterObject(ObjectPath);
    m_bus.unregisterService(m_service);
}

bool MediaPlayer::publish(QDBusConnection bus)
{
    if (!bus.isConnected() || !bus.registerObject(ObjectPath, this))
        return false;
    // A second program at once takes a name of its own.
    for (const QString &name : { ServiceName,
             ServiceName + QStringLiteral(".instance") + QString::number(QCoreApplication::applicationPid()) }) {
        if (bus.registerService(name)) {
            m_bus = bus;
            m_service = name;
            m_announced = playerProperties();
            return true;
        }
    }
    bus.unregisterObject(ObjectPath);
    return false;
}

void MediaPlayer::stateChanged()
{
    if (!m_service.isEmpty())
        m_announceSoon.start();
}

QVariantMap MediaPlayer::playerProperties() const
{
    const MediaState state = m_control.mediaState();
    QVariantMap metadata;
    if (state.station >= 0 && state.station < state.stations) {
        metadata.insert(QStringLiteral("mpris:trackid"),
            QVariant::fromValue(QDBusObjectPath(QStringLiteral("/com/orvex/Manager/station/%1").arg(state.station))));
        metadata.insert(QStringLiteral("xesam:title"), state.title);
        metadata.insert(QStringLiteral("xesam:artist"), QStringList { state.box });
        metadata.insert(QStringLiteral("xesam:url"), state.url);
    } else {
        metadata.insert(QStringLiteral("mpris:trackid"),
            QVariant::fromValue(QDBusObjectPath(QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack"))));
    }
    return {
        { QStringLiteral("PlaybackStatus"), state.playing ? QStringLiteral("Playing") : QStringLiteral("Stopped") },
        { QStringLiteral("Metadata"), metadata },
        { QStringLiteral("Volume"), state.volume },
        { QStringLiteral("CanGoNext"), state.canControl && state.station + 1 < state.stations },
        { QStringLiteral("CanGoPrevious"), state.canControl && state.station > 0 },
        { QStringLiteral("CanPlay"), state.canControl },
        { QStringLiteral("CanPause"), state.canControl },
    };
}

void MediaPlayer::announce()
{
    const QVariantMap now = playerProperties();
    QVariantMap changed;
    for (auto it = now.cbegin(); it != now.cend(); ++it) {
        if (m_announced.value(it.key()) != it.value())
            changed.insert(it.key(), it.value());
    }
    m_announced = now;
    if (changed.isEmpty())
        return;
    QDBusMessage signal = QDBusMessage::createSignal(
        ObjectPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("PropertiesChanged"));
    signal << QStringLiteral("org.mpris.MediaPlayer2.Player") << changed << QStringList();
    m_bus.send(signal);
}

#include "media_player.moc"
