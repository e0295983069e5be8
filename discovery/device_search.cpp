#include "discovery/device_search.h"
#include "base/failure.h"
#include "control/http_client.h"
#include "platform/netinfo.h"

#include <algorithm>

SearchTransport searchTransport(SsdpEndpoint &endpoint)
{
    // Every adapter the boxes may be behind, looked at anew for each search;
    // without one, the host's first address as ever.
    std::vector<std::string> from = platform::searchAddresses();
    if (from.empty())
        from.push_back(platform::firstIPv4Address());
    return {
        [&endpoint, from] { endpoint.send(ssdpSearchRequest(), from); },
        [&endpoint](Deadline until, std::stop_token stop) { return endpoint.receive(until, stop); },
        fetchFromSender,
    };
}

QByteArray fetchFromSender(
    const QString &url, Deadline deadline, std::size_t maxBytes, const QString &sender, std::stop_token stop)
{
    HttpClient client;
    return client.getNamed(url, deadline, maxBytes, sender, stop);
}

DeviceSearch::DeviceSearch(SearchTransport transport, Found found, const SearchLimits &limits)
    : m_transport(std::move(transport))
    , m_found(std::move(found))
    , m_limits(limits)
{
}

DeviceSearch::~DeviceSearch()
{
    m_stop.request_stop();
    std::unique_lock lock(m_mutex);
    m_waiting.clear();
    lock.unlock();
    for (std::thread &reader : m_readers)
        reader.join();
}

void DeviceSearch::finish()
{
    m_enough.request_stop();
}

void DeviceSearch::skip(const QString &source, const QString &message)
{
    m_failed.insert(source);
    if (m_report.skipped++ == 0)
        m_report.firstSkipMessage = message.contains(source) ? message : source + QStringLiteral(": ") + message;
}

// On the receiving thread: a datagram becomes a read, or is dropped.
void DeviceSearch::take(const Datagram &datagram, Phase phase, Deadline readDeadline)
{
    const std::lock_guard lock(m_mutex);
    const QString &source = datagram.address;
    if (m_failed.contains(source)) {
        ++m_report.discarded;
        return;
    }
    if (datagram.oversize) {
        skip(source, Failure::tr("%1 sent a reply larger than %2 bytes").arg(source).arg(SsdpEndpoint::BufferSize));
        return;
    }
    if (datagram.bytes.isEmpty())
        return;
    const QString reply = decodeDatagram(datagram.bytes);
    QString location;
    try {
        location = requiredLocation(reply, source);
    } catch (const Failure &failure) {
        skip(source, failure.message());
        return;
    }
    int &count = m_locationsFrom[source];
    if (m_seen.contains(location) || count >= m_limits.locationsPerSource) {
        ++m_report.discarded;
        return;
    }
    ++count;
    m_seen.insert(location);
    m_waiting.push_back({ reply, source, readDeadline, phase });
    if (m_running < m_limits.parallelReads) {
        ++m_running;
        m_readers.emplace_back([this] { readLoop(); });
    }
}

// On a reading thread: the waiting replies whose source has no read under
// way, one after the other, until none is left.
void DeviceSearch::readLoop()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        const auto next = std::find_if(m_waiting.begin(), m_waiting.end(), [this](const Pending &p) {
            return std::find(m_reading.begin(), m_reading.end(), p.source) == m_reading.end();
        });
        if (next == m_waiting.end() || m_stop.stop_requested()) {
            --m_running;
            m_changed.notify_all();
            return;
        }
        const Pending pending = *next;
        m_waiting.erase(next);
        m_reading.push_back(pending.source);
        lock.unlock();

        QString failure;
        try {
            const auto fetch = [&](const QString &url, Deadline deadline, std::size_t maxBytes) {
                return m_transport.fetch(url, deadline, maxBytes, pending.source, m_stop.get_token());
            };
            if (const auto row = deviceFromReply(pending.reply, pending.source, pending.deadline, fetch))
                m_found(*row, pending.phase);
        } catch (const Failure &f) {
            // A stop ends the search, not the responder.
            if (f.kind() != Failure::Kind::Cancelled)
                failure = f.message();
        } catch (...) {
            failure = failureMessage(std::current_exception());
        }

        lock.lock();
        std::erase(m_reading, pending.source);
        if (!failure.isEmpty())
            skip(pending.source, failure);
        m_changed.notify_all();
    }
}

// Until every reply taken has been read, or the time has come.
void DeviceSearch::waitForReads(Deadline until)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait_until(lock, m_stop.get_token(), until, [this] { return m_waiting.empty() && m_running == 0; });
    lock.unlock();
    joinFinishedReaders();
}

void DeviceSearch::joinFinishedReaders()
{
    std::unique_lock lock(m_mutex);
    if (m_running != 0)
        return;
    std::vector<std::thread> finished = std::move(m_readers);
    m_readers.clear();
    lock.unlock();
    for (std::thread &reader : finished)
        reader.join();
}

SearchReport DeviceSearch::run(Deadline action, std::stop_token stop, End end)
{
    const std::stop_callback stopped(stop, [this] { m_stop.request_stop(); });
    // The receive ends at the caller's stop and at finish().
    std::stop_source receiving;
    const std::stop_callback ended(m_stop.get_token(), [&receiving] { receiving.request_stop(); });
    const std::stop_callback enough(m_enough.get_token(), [&receiving] { receiving.request_stop(); });

    const Clock::time_point start = Clock::now();
    const Deadline last = within(action, m_limits.duration);
    std::size_t resent = 0;
    m_transport.send();
    m_lastSend = start;
    Clock::time_point lastHeard = start; // the last send or reply
    try {
        for (;;) {
            const Clock::time_point now = Clock::now();
            const bool resending = resent < m_limits.resends.size();
            if (resending && now >= start + m_limits.resends[resent]) {
                m_transport.send();
                ++resent;
                m_lastSend = lastHeard = now;
                continue;
            }
            const Deadline quiet
                = end == End::AtSilence ? lastHeard + m_limits.silence : m_lastSend + m_limits.lateWindow;
            if (now >= last || (!resending && now >= quiet))
                break;
            Deadline until = std::min(last, quiet);
            if (resending)
                until = std::min(until, start + m_limits.resends[resent]);
            const Datagram datagram = m_transport.receive(until, receiving.get_token());
            if (datagram.port == 0)
                continue;
            if (end == End::AtSilence)
                lastHeard = std::max(lastHeard, Clock::now());
            take(datagram, Phase::Search, within(last, m_limits.descriptionRead));
        }
    } catch (const Failure &failure) {
        // finish() ends the search as its silence would.
        if (failure.kind() != Failure::Kind::Cancelled || stop.stop_requested() || !m_enough.stop_requested())
            throw;
    }
    // finish() wants no more: the reads under way end with the search.
    if (!m_enough.stop_requested())
        waitForReads(last);
    if (stop.stop_requested())
        throw Failure::cancelled();
    const std::lock_guard lock(m_mutex);
    return m_report;
}

void DeviceSearch::readLateReplies(std::stop_token stop)
{
    const std::stop_callback stopped(stop, [this] { m_stop.request_stop(); });
    const Deadline lateEnd = m_lastSend + m_limits.lateWindow;
    try {
        while (Clock::now() < lateEnd) {
            const Datagram datagram = m_transport.receive(lateEnd, m_stop.get_token());
            if (datagram.port != 0)
                take(datagram, Phase::Late, deadlineIn(m_limits.descriptionRead));
        }
    } catch (const Failure &) {
        // A receive that fails ends the late replies quietly: the search has
        // ended and said what it found.
    }
    waitForReads(deadlineIn(m_limits.descriptionRead));
}
