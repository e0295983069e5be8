#include "control/device_session.h"
#include "base/failure.h"
#include "control/endpoints.h"
#include "control/volume.h"
#include "platform/netinfo.h"

#include <QDebug>

#include <algorithm>

Action::Action(DeviceSession &session, Deadline deadline)
    : deadline(deadline)
    , commandClient(session.m_ht)
    , fileClient(session.m_hdown)
    , search(session.m_ud)
    , m_session(session)
{
}

CommandChannel Action::channel() const
{
    return CommandChannel(commandClient, fileClient, deadline, [this](const QString &line, int ms) {
        post([session = &m_session, line, ms] { emit session->notice(line, ms); });
    });
}

void Action::post(std::function<void()> toWindow) const
{
    QMetaObject::invokeMethod(&m_session, std::move(toWindow), Qt::QueuedConnection);
}

DeviceSession::DeviceSession(QObject *parent)
    : QObject(parent)
    , m_worker(new QObject)
{
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread.setObjectName(QStringLiteral("device session"));
    m_thread.start();
    m_announcedLater.setSingleShot(true);
    m_announcedLater.setInterval(250);
    connect(&m_announcedLater, &QTimer::timeout, this, &DeviceSession::readAnnounced);
}

DeviceSession::~DeviceSession()
{
    // The action under way ends at once; the ones waiting never start. A name
    // lookup still running is left to its own thread.
    m_listener.reset();
    m_ended.clear();
    m_thread.requestInterruption();
    interruptClients();
    m_thread.quit();
    m_thread.wait();
}

void DeviceSession::run(Job job, Ended ended, bool asked)
{
    m_ended.emplace_back(std::move(ended), asked);
    if (asked && ++m_asked == 1)
        emit busyChanged(true);
    QMetaObject::invokeMethod(
        m_worker, [this, job = std::move(job)] { execute(job); }, Qt::QueuedConnection);
}

void DeviceSession::cancel()
{
    if (busy())
        interruptClients();
}

void DeviceSession::interruptClients()
{
    m_ht.interrupt();
    m_hdown.interrupt();
    m_ud.interrupt();
}

// On the worker thread.
void DeviceSession::execute(const Job &job)
{
    if (m_thread.isInterruptionRequested())
        return;
    m_ht.clearInterrupt();
    m_hdown.clearInterrupt();
    m_ud.clearInterrupt();
    QString failure;
    bool cancelled = false;
    try {
        job(Action(*this, deadlineIn(ActionBudget)));
    } catch (const Failure &f) {
        failure = f.message();
        cancelled = f.kind() == Failure::Kind::Cancelled;
    } catch (...) {
        failure = failureMessage(std::current_exception());
    }
    QMetaObject::invokeMethod(
        this, [this, failure, cancelled] { end(failure, cancelled); }, Qt::QueuedConnection);
}

// On the window's thread.
void DeviceSession::end(const QString &failure, bool cancelled)
{
    if (m_ended.empty())
        return;
    const auto [ended, asked] = std::move(m_ended.front());
    m_ended.pop_front();
    if (ended)
        ended(failure, cancelled);
    if (asked && --m_asked == 0)
        emit busyChanged(false);
    readAnnounced();
}

// ---------------------------------------------------------------- the actions

void DeviceSession::search(Ended ended)
{
    m_devices.clear();
    ++m_searches;
    run(
        [this](const Action &action) {
            const SearchReport report = searchDevicesOn(
                action.search,
                [&](const QString &reply, const QString &address, Deadline readDeadline) {
                    // The row goes into the table only once name, address and
                    // port are all known.
                    const auto fetch = std::bind_front(&HttpClient::getNamed, &action.fileClient);
                    if (const auto row = deviceFromReply(reply, address, readDeadline, fetch))
                        action.post([this, row = *row] {
                            if (m_devices.size() >= MaxDevices)
                                return;
                            m_devices.append(row);
                            emit deviceFound(row);
                        });
                },
                action.deadline);
            action.post([this, report] { emit searched(report); });
        },
        std::move(ended));
}

// ---------------------------------------------------------------- boxes that announce themselves

void DeviceSession::listenForAnnouncements(std::function<bool()> mayStart)
{
    if (m_listener)
        return;
    m_mayReadAnnounced = std::move(mayStart);
    m_listener = std::make_unique<AnnouncementListener>([this](const Announcement &announcement) {
        QMetaObject::invokeMethod(
            this, [this, announcement] { announced(announcement); }, Qt::QueuedConnection);
    });
    QString error;
    if (!m_listener->start(&error)) {
        m_listener.reset();
        qWarning().noquote() << tr("Boxes that are switched on later are listed at the next search only: "
                                   "UDP port 1900 cannot be used (%1).")
                                    .arg(error);
    }
}

bool DeviceSession::listed(const QString &location) const
{
    return std::any_of(
        m_devices.cbegin(), m_devices.cend(), [&location](const DeviceRow &row) { return row.location == location; });
}

void DeviceSession::announced(const Announcement &announcement)
{
    const bool waiting = std::any_of(m_announced.cbegin(), m_announced.cend(),
        [&announcement](const Announcement &other) { return other.location == announcement.location; });
    if (waiting || listed(announcement.location) || m_devices.size() + qsizetype(m_announced.size()) >= MaxDevices)
        return;
    m_announced.push_back(announcement);
    readAnnounced();
}

// One announced box at a time, while nothing else runs or waits: an action
// asked for meanwhile waits for one description read at most.
void DeviceSession::readAnnounced()
{
    if (m_announced.empty())
        return;
    if (!m_ended.empty() || (m_mayReadAnnounced && !m_mayReadAnnounced())) {
        m_announcedLater.start();
        return;
    }
    const auto announced = std::move(m_announced.front());
    m_announced.pop_front();
    run(
        [this, announced, searches = m_searches](const Action &action) {
            const auto fetch = std::bind_front(&HttpClient::getNamed, &action.fileClient);
            const auto row = deviceFromReply(
                announced.datagram, announced.source, within(action.deadline, SearchLimits {}.descriptionRead), fetch);
            if (!row)
                return;
            action.post([this, row = *row, searches] {
                // A search asked meanwhile starts the table anew and finds the box itself.
                if (searches != m_searches || listed(row.location) || m_devices.size() >= MaxDevices)
                    return;
                m_devices.append(row);
                emit deviceFound(row);
                emit deviceAnnounced(row);
            });
        },
        {}, false);
}

// ---------------------------------------------------------------- the box's state

void DeviceSession::refresh(const Box &box, double dlnaVolumeNow, double systemVolumeNow, Ended ended)
{
    run(
        [this, box, dlnaVolumeNow, systemVolumeNow](const Action &action) {
            const CommandChannel c = action.channel();
            auto stations
                = std::make_shared<StationList>(commands::sortedStations(commands::readStationFiles(c, box.address)));
            action.post([this, stations] { emit stationsRead(stations); });
            // A slider holds 0 to 100.
            const auto volume = [&](const QString &file) {
                return std::clamp(double(commands::readInteger(c, box.address, file)), 0.0, 100.0);
            };
            const double dlnaVolume = volume(endpoints::dlnaVolumeFile());
            if (dlnaVolume != dlnaVolumeNow)
                sendVolume(action, Volume::Dlna, box, dlnaVolume);
            const double systemVolume = volume(endpoints::systemVolumeFile());
            if (systemVolume != systemVolumeNow)
                sendVolume(action, Volume::System, box, systemVolume);
            sendVolume(action, Volume::Dlna, box, dlnaVolume);
            sendVolume(action, Volume::System, box, systemVolume);
            const int orvexRow = commands::readInteger(c, box.address, endpoints::orvexIndexFile());
            action.post([this, orvexRow] { emit orvexRowRead(orvexRow); });
            const int dlnaRow = commands::readInteger(c, box.address, endpoints::dlnaIndexFile());
            action.post([this, dlnaRow] { emit dlnaRowRead(dlnaRow); });
        },
        std::move(ended));
}

void DeviceSession::readWifiName()
{
    run([this](const Action &action) {
        const auto wifi = platform::wifiName();
        const QString ssid = wifi.state == platform::WifiName::State::Named ? QString::fromStdString(wifi.ssid)
            : wifi.state == platform::WifiName::State::NotWireless          ? tr("none")
                                                                            : tr("unknown");
        action.post([this, ssid] { emit wifiNameRead(ssid); });
    });
}

void DeviceSession::startOrvex(const Box &box, Ended ended)
{
    run(
        [this, box](const Action &action) {
            commands::startOrvex(action.channel(), box);
            action.post([this] { emit orvexStarted(); });
        },
        std::move(ended));
}

void DeviceSession::stopOrvex(const Box &box, Ended ended)
{
    run(
        [this, box](const Action &action) {
            commands::stopOrvex(action.channel(), box);
            action.post([this] { emit orvexStopped(); });
        },
        std::move(ended));
}

void DeviceSession::sendVolume(const Action &action, Volume which, const Box &box, double value)
{
    if (which == Volume::System)
        commands::setSystemVolume(action.channel(), box, volumeText(value));
    else
        commands::setDlnaVolume(action.channel(), box, volumeText(value));
    action.post([this, which, value] { emit volumeSent(which, value); });
}

void DeviceSession::setVolume(Volume which, const Box &box, double value, Ended ended)
{
    run([this, which, box, value](const Action &action) { sendVolume(action, which, box, value); }, std::move(ended));
}

void DeviceSession::chooseRadioStation(const Box &box, int row, StationAddress address, Ended ended)
{
    run(
        [this, box, row, address = std::move(address)](const Action &action) {
            commands::chooseRadioStation(action.channel(), box, row, address());
            action.post([this, row] { emit radioStationChosen(row); });
        },
        std::move(ended));
}

void DeviceSession::sendDlnaStream(const Action &action, const Box &box, int row, const StationAddress &address)
{
    commands::chooseDlnaStream(action.channel(), box, row, address());
    action.post([this, row] { emit dlnaStreamChosen(row); });
}

void DeviceSession::startDlna(const Box &box, int row, StationAddress address, Ended ended)
{
    run(
        [this, box, row, address = std::move(address)](const Action &action) {
            commands::stopOrvex(action.channel(), box, 1000);
            sendDlnaStream(action, box, row, address);
            commands::playDlna(action.channel(), box);
            action.post([this] { emit dlnaStarted(); });
        },
        std::move(ended));
}

void DeviceSession::chooseDlnaStream(const Box &box, int row, StationAddress address, Ended ended)
{
    run([this, box, row, address = std::move(address)](
            const Action &action) { sendDlnaStream(action, box, row, address); },
        std::move(ended));
}

void DeviceSession::stopDlna(const Box &box, Ended ended)
{
    run(
        [this, box](const Action &action) {
            commands::stopDlna(action.channel(), box);
            action.post([this] { emit dlnaStopped(); });
        },
        std::move(ended));
}

void DeviceSession::restart(const Box &box, Ended ended)
{
    run([box](const Action &action) { commands::restart(action.channel(), box); }, std::move(ended));
}

void DeviceSession::shutdown(const Box &box, Ended ended)
{
    run([box](const Action &action) { commands::shutdown(action.channel(), box); }, std::move(ended));
}
