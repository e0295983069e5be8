#include "session/device_session.h"
#include "base/failure.h"
#include "control/endpoints.h"
#include "control/volume.h"
#include "session/selected_box.h"

#include <QDebug>

#include <algorithm>

namespace {

// Announced boxes read at once.
constexpr int AnnouncedReads = 4;

} // namespace

JobContext::JobContext(DeviceSession &session, Deadline deadline, std::stop_token stop)
    : deadline(deadline)
    , stop(std::move(stop))
    , commandClient(session.m_ht)
    , fileClient(session.m_hdown)
    , search(session.m_ud)
    , m_session(session)
{
}

CommandChannel JobContext::channel() const
{
    return CommandChannel(commandClient, fileClient, deadline, stop, [this](const QString &line, int ms) {
        post([session = &m_session, line, ms] { emit session->notice(line, ms); });
    });
}

void JobContext::post(std::function<void()> toWindow) const
{
    QMetaObject::invokeMethod(&m_session, std::move(toWindow), Qt::QueuedConnection);
}

DeviceJob::DeviceJob(Box box, Work work, Ended ended)
    : m_box(std::move(box))
    , m_work(std::move(work))
    , m_ended(std::move(ended))
{
}

JobResult DeviceJob::run(DeviceSession &session) const
{
    JobResult result;
    result.box = m_box;
    try {
        m_work(JobContext(session, deadlineIn(ActionBudget), m_stop.get_token()));
    } catch (const Failure &f) {
        result.failure = f.message();
        result.cancelled = f.kind() == Failure::Kind::Cancelled;
    } catch (...) {
        result.failure = failureMessage(std::current_exception());
    }
    return result;
}

void DeviceJob::end(const JobResult &result) const
{
    if (m_ended)
        m_ended(result);
}

DeviceSession::DeviceSession(QObject *parent)
    : QObject(parent)
    , m_worker(new QObject)
{
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread.setObjectName(QStringLiteral("device session"));
    m_thread.start();
    m_pool.setMaxThreadCount(AnnouncedReads);
}

DeviceSession::~DeviceSession()
{
    // Every wait ends at its stop within a moment: the action under way, the
    // late replies of the last search (once the worker has ended, nothing
    // starts them again), the announced boxes. The actions waiting never
    // start. A name lookup still running is left to its own thread.
    m_listener.reset();
    m_waiting.clear();
    if (m_running)
        m_running->kill();
    m_background.request_stop();
    m_pool.clear();
    m_thread.quit();
    m_thread.wait();
    m_lateReplies = {};
    m_pool.waitForDone();
}

// ---------------------------------------------------------------- the queue

std::function<std::optional<DeviceSession::Work>()> DeviceSession::fixed(Work work)
{
    return [work = std::move(work)] { return std::optional<Work>(work); };
}

void DeviceSession::ask(Request request)
{
    const auto same = std::find_if(m_waiting.begin(), m_waiting.end(),
        [&request](const Request &r) { return !request.merge.isEmpty() && r.merge == request.merge; });
    if (same != m_waiting.end())
        *same = std::move(request);
    else
        m_waiting.push_back(std::move(request));
    updateBusy();
    startNext();
}

void DeviceSession::ask(const Box &box, Work work, Ended ended, const QString &merge)
{
    ask(Request { box, fixed(std::move(work)), std::move(ended), merge });
}

void DeviceSession::startNext()
{
    while (!m_held && !m_running && !m_waiting.empty()) {
        Request request = std::move(m_waiting.front());
        m_waiting.pop_front();
        std::optional<Work> work = request.prepare();
        if (!work)
            continue;
        auto job = std::make_shared<DeviceJob>(request.box, std::move(*work), std::move(request.ended));
        m_running = job;
        QMetaObject::invokeMethod(
            m_worker,
            [this, job] {
                const JobResult result = job->run(*this);
                QMetaObject::invokeMethod(
                    this, [this, job, result] { finished(job, result); }, Qt::QueuedConnection);
            },
            Qt::QueuedConnection);
    }
    updateBusy();
}

void DeviceSession::finished(const std::shared_ptr<DeviceJob> &job, const JobResult &result)
{
    m_running.reset();
    job->end(result);
    startNext();
}

void DeviceSession::updateBusy()
{
    if (busy() == m_busy)
        return;
    m_busy = busy();
    emit busyChanged(m_busy);
}

void DeviceSession::cancel()
{
    if (!m_waiting.empty()) {
        const Request newest = std::move(m_waiting.back());
        m_waiting.pop_back();
        updateBusy();
        if (newest.ended)
            newest.ended(JobResult { Failure::cancelled().message(), true, newest.box });
        return;
    }
    if (m_running)
        m_running->kill();
}

void DeviceSession::hold(bool held)
{
    m_held = held;
    startNext();
}

// ---------------------------------------------------------------- the search

bool DeviceSession::listed(const QString &location) const
{
    return std::any_of(
        m_devices.cbegin(), m_devices.cend(), [&location](const DeviceRow &row) { return row.location == location; });
}

void DeviceSession::search(Ended ended)
{
    m_devices.clear();
    m_announced.restart();
    const int search = ++m_searches;
    ask(
        {},
        [this, search](const JobContext &job) {
            // The late replies of the search before end before this one
            // takes the endpoint.
            m_lateReplies = {};
            auto found = std::make_shared<DeviceSearch>(
                searchTransport(job.search), [this, search](const DeviceRow &row, DeviceSearch::Phase phase) {
                    QMetaObject::invokeMethod(
                        this, [this, row, search, phase] { rowRead(row, search, phase == DeviceSearch::Phase::Late); },
                        Qt::QueuedConnection);
                });
            const SearchReport report = found->run(job.deadline, job.stop);
            job.post([this, report] { emit searched(report); });
            // What answers later, within the time the request gave the boxes,
            // is read beside the window.
            m_lateReplies = std::jthread([found](std::stop_token stop) { found->readLateReplies(stop); });
        },
        std::move(ended));
}

// A row for the table, as its description has been read.
void DeviceSession::rowRead(const DeviceRow &row, int search, bool late)
{
    // A search asked meanwhile starts the table anew and finds the box itself.
    if (search != m_searches || listed(row.location) || m_devices.size() >= MaxDevices)
        return;
    m_devices.append(row);
    emit deviceFound(row);
    if (late)
        emit deviceAnnounced(row);
}

void DeviceSession::removeDevice(const QString &location)
{
    m_devices.removeIf([&location](const DeviceRow &row) { return row.location == location; });
}

// ---------------------------------------------------------------- boxes that announce themselves

void DeviceSession::listenForAnnouncements()
{
    if (m_listener)
        return;
    m_listener = std::make_unique<AnnouncementListener>([this](const Announcement &announcement) {
        QMetaObject::invokeMethod(
            this, [this, announcement] { heard(announcement); }, Qt::QueuedConnection);
    });
    QString error;
    if (!m_listener->start(&error)) {
        m_listener.reset();
        qWarning().noquote() << tr("Boxes that are switched on later are listed at the next search only: "
                                   "UDP port 1900 cannot be used (%1).")
                                    .arg(error);
    }
}

void DeviceSession::heard(const Announcement &announcement)
{
    if (announcement.kind == AnnouncementKind::RendererByebye) {
        if (listed(announcement.location))
            emit deviceLeaving(announcement.location);
        return;
    }
    if (listed(announcement.location) || m_devices.size() >= MaxDevices)
        return;
    m_announced.offer(announcement);
    readAnnounced();
}

// A few announced boxes at a time, one per source, beside everything else.
void DeviceSession::readAnnounced()
{
    while (m_reading.size() < AnnouncedReads) {
        const std::optional<Announcement> next = m_announced.take(m_reading);
        if (!next)
            return;
        m_reading.insert(next->source);
        m_pool.start([this, announced = *next, search = m_searches, stop = m_background.get_token()] {
            std::optional<DeviceRow> row;
            bool failed = false;
            try {
                const auto fetch = [&](const QString &url, Deadline deadline, std::size_t maxBytes) {
                    return fetchFromSender(url, deadline, maxBytes, announced.source, stop);
                };
                row = deviceFromReply(
                    announced.datagram, announced.source, deadlineIn(SearchLimits {}.descriptionRead), fetch);
            } catch (...) {
                failed = true; // an announced box that fails is dropped without a word
            }
            QMetaObject::invokeMethod(
                this,
                [this, source = announced.source, row, failed, search] {
                    m_reading.remove(source);
                    if (failed)
                        m_announced.failed(source);
                    else if (row && m_announced.mayAddRow(source) && search == m_searches && !listed(row->location)) {
                        m_announced.rowAdded(source);
                        rowRead(*row, search, true);
                    }
                    readAnnounced();
                },
                Qt::QueuedConnection);
        });
    }
}

// ---------------------------------------------------------------- the box's state

void DeviceSession::refresh(const DeviceRow &row, double dlnaVolumeNow, double systemVolumeNow, Ended ended)
{
    const Box box = boxOf(row);
    ask(
        box,
        [this, row, box, dlnaVolumeNow, systemVolumeNow](const JobContext &job) {
            // A slider holds 0 to 100.
            const auto volume = [](int value) { return std::clamp(double(value), 0.0, 100.0); };
            StateSteps steps;
            steps.stationsRead = [&](StationList &read) {
                auto stations = std::make_shared<StationList>(std::move(read));
                job.post([this, row, stations] { emit stationsRead(row, stations); });
            };
            double dlnaVolume = 0;
            steps.dlnaVolumeRead = [&](int read) {
                dlnaVolume = volume(read);
                if (dlnaVolume != dlnaVolumeNow)
                    sendVolume(job, Volume::Dlna, box, dlnaVolume);
            };
            steps.systemVolumeRead = [&](int read) {
                const double systemVolume = volume(read);
                if (systemVolume != systemVolumeNow)
                    sendVolume(job, Volume::System, box, systemVolume);
                sendVolume(job, Volume::Dlna, box, dlnaVolume);
                sendVolume(job, Volume::System, box, systemVolume);
            };
            const BoxState state = commands::readState(job.channel(), box.address, steps);
            job.post([this, row = state.orvexRow] { emit orvexRowRead(row); });
            job.post([this, row = state.dlnaRow] { emit dlnaRowRead(row); });
        },
        std::move(ended));
}

// ---------------------------------------------------------------- commands

DeviceSession::Work DeviceSession::startOrvexWork(const Box &box)
{
    return [this, box](const JobContext &job) {
        commands::startOrvex(job.channel(), box);
        job.post([this] { emit orvexStarted(); });
    };
}

DeviceSession::Work DeviceSession::stopOrvexWork(const Box &box)
{
    return [this, box](const JobContext &job) {
        commands::stopOrvex(job.channel(), box);
        job.post([this] { emit orvexStopped(); });
    };
}

DeviceSession::Work DeviceSession::stopDlnaWork(const Box &box)
{
    return [this, box](const JobContext &job) {
        commands::stopDlna(job.channel(), box);
        job.post([this] { emit dlnaStopped(); });
    };
}

void DeviceSession::sendVolume(const JobContext &job, Volume which, const Box &box, double value)
{
    if (which == Volume::System)
        commands::setSystemVolume(job.channel(), box, volumeText(value));
    else
        commands::setDlnaVolume(job.channel(), box, volumeText(value));
    job.post([this, which, value] { emit volumeSent(which, value); });
}

DeviceSession::Work DeviceSession::volumeWork(Volume which, const Box &box, double value)
{
    return [this, which, box, value](const JobContext &job) { sendVolume(job, which, box, value); };
}

QString DeviceSession::volumeMerge(Volume which)
{
    return which == Volume::System ? QStringLiteral("system volume") : QStringLiteral("DLNA volume");
}

DeviceSession::Work DeviceSession::radioStationWork(const Box &box, int row, const QString &streamAddress)
{
    return [this, box, row, streamAddress](const JobContext &job) {
        commands::chooseRadioStation(job.channel(), box, row, streamAddress);
        job.post([this, row] { emit radioStationChosen(row); });
    };
}

void DeviceSession::startOrvex(const Box &box, Ended ended)
{
    ask(box, startOrvexWork(box), std::move(ended));
}

void DeviceSession::stopOrvex(const Box &box, Ended ended)
{
    ask(box, stopOrvexWork(box), std::move(ended));
}

void DeviceSession::setVolume(Volume which, const Box &box, double value, Ended ended)
{
    ask(box, volumeWork(which, box, value), std::move(ended), volumeMerge(which));
}

void DeviceSession::chooseRadioStation(const Box &box, int row, const QString &streamAddress, Ended ended)
{
    ask(box, radioStationWork(box, row, streamAddress), std::move(ended));
}

void DeviceSession::startDlna(const Box &box, int row, const QString &streamAddress, Ended ended)
{
    ask(
        box,
        [this, box, row, streamAddress](const JobContext &job) {
            commands::startDlna(
                job.channel(), box, row, streamAddress, [&] { job.post([this, row] { emit dlnaStreamChosen(row); }); });
            job.post([this] { emit dlnaStarted(); });
        },
        std::move(ended));
}

void DeviceSession::chooseDlnaStream(const Box &box, int row, const QString &streamAddress, Ended ended)
{
    ask(
        box,
        [this, box, row, streamAddress](const JobContext &job) {
            commands::chooseDlnaStream(job.channel(), box, row, streamAddress);
            job.post([this, row] { emit dlnaStreamChosen(row); });
        },
        std::move(ended));
}

void DeviceSession::stopDlna(const Box &box, Ended ended)
{
    ask(box, stopDlnaWork(box), std::move(ended));
}

void DeviceSession::restart(const Box &box, Ended ended)
{
    ask(
        box, [box](const JobContext &job) { commands::restart(job.channel(), box); }, std::move(ended));
}

void DeviceSession::shutdown(const Box &box, Ended ended)
{
    ask(
        box, [box](const JobContext &job) { commands::shutdown(job.channel(), box); }, std::move(ended));
}
