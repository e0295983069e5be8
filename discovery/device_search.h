#pragma once

#include "base/deadline.h"
#include "discovery/device_row.h"
#include "discovery/ssdp.h"

#include <QHash>
#include <QSet>
#include <QString>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>
#include <vector>

struct SearchLimits
{
    // UDP loses datagrams: the search goes out again this long after the
    // first send, on every adapter, with the same bytes.
    std::vector<milliseconds> resends { milliseconds(150), milliseconds(400) };
    // The search ends at the first stretch this long without a reply, counted
    // from the last send or the last reply, whichever is later ...
    milliseconds silence { 1000 };
    // ... and at the latest this long after the first send, description reads
    // included, or at the action's deadline if that comes first.
    milliseconds duration { 10000 };
    // A box may answer up to MX (3 s) after a send; what comes in this long
    // after the last send is still read.
    milliseconds lateWindow { 3500 };
    // One description read: real ones arrive within milliseconds, so a device
    // that drips its description costs this much and no more.
    milliseconds descriptionRead { 3000 };
    // Descriptions read at once, one at a time per source, so that a slow
    // responder holds back only its own rows.
    int parallelReads = 8;
    // LOCATIONs read from one source address in one search; its other
    // datagrams are dropped unread.
    int locationsPerSource = 4;
};

struct SearchReport
{
    int discarded = 0; // datagrams dropped unread (repeats of a LOCATION among them)
    int skipped = 0; // replies that failed
    QString firstSkipMessage; // names the responder
};

// What a search needs of the network. The program's own goes through an
// SsdpEndpoint and a fresh HTTP client per description; tests give theirs.
struct SearchTransport
{
    // The search datagram, once, from every adapter.
    std::function<void()> send;
    // One datagram by the given time; port 0 when none came.
    std::function<Datagram(Deadline until, std::stop_token stop)> receive;
    // A description's body, fetched only from the address that sent it.
    std::function<QByteArray(
        const QString &url, Deadline deadline, std::size_t maxBytes, const QString &sender, std::stop_token stop)>
        fetch;
};

// A description that a datagram from `sender` named, read on an HTTP client of
// its own so that no read waits for another's connection; only `sender` is
// asked (HttpClient::getNamed).
QByteArray fetchFromSender(
    const QString &url, Deadline deadline, std::size_t maxBytes, const QString &sender, std::stop_token stop);

// The transport of the program: the search datagram from each adapter the
// boxes may be behind (platform::searchAddresses, looked at once per search;
// without one, the host's first address) and what the endpoint receives on
// all of them.
SearchTransport searchTransport(SsdpEndpoint &endpoint);

// One search for media renderers and the reading of what answers it. Each
// LOCATION is read once, however often and on however many adapters it comes
// (a box is one row); its description is read beside the search, so each row
// waits only for its own description. A reply that fails, whatever the
// failure, is left out and counted, and its source is not read again in this
// search, so one broken responder does not hide the others.
class DeviceSearch
{
public:
    enum class Phase { Search, Late };
    // A box whose description has been read, on the reading thread.
    using Found = std::function<void(const DeviceRow &row, Phase phase)>;
    enum class End {
        AtSilence, // the window: the first silence ends the search
        AfterLateWindow, // orvexctl list: everything that answers within MX
    };

    DeviceSearch(SearchTransport transport, Found found, const SearchLimits &limits = {});
    // Every read still under way ends at once.
    ~DeviceSearch();
    DeviceSearch(const DeviceSearch &) = delete;
    DeviceSearch &operator=(const DeviceSearch &) = delete;

    // Sends the search, reads the replies until it ends and the descriptions
    // of what came, and returns when they have been read. A stop ends it at
    // once with Failure::cancelled(); a failure of the send or the receive
    // ends it with that failure.
    SearchReport run(Deadline action, std::stop_token stop, End end = End::AtSilence);
    // After run(): the replies that come until the late window after the last
    // send has passed, each read as it comes (Phase::Late), on the endpoint
    // that run() used. Returns when they have been read or at a stop.
    void readLateReplies(std::stop_token stop);
    // From any thread: the search ends now as at its silence, with the reads
    // under way (orvexctl has heard from the box it wants).
    void finish();

private:
    struct Pending
    {
        QString reply;
        QString source;
        Deadline deadline;
        Phase phase;
    };

    void take(const Datagram &datagram, Phase phase, Deadline readDeadline);
    void skip(const QString &source, const QString &message);
    void readLoop();
    void waitForReads(Deadline until);
    void joinFinishedReaders();

    SearchTransport m_transport;
    Found m_found;
    SearchLimits m_limits;
    Clock::time_point m_lastSend {};
    std::stop_source m_stop; // ends the reads and the receive: destruction, the caller's stop
    std::stop_source m_enough; // finish()

    std::mutex m_mutex;
    std::condition_variable_any m_changed;
    std::deque<Pending> m_waiting;
    std::vector<QString> m_reading; // sources with a read under way
    std::vector<std::thread> m_readers;
    int m_running = 0;
    QHash<QString, int> m_locationsFrom;
    QSet<QString> m_failed;
    QSet<QString> m_seen; // LOCATIONs read or being read
    SearchReport m_report;
};
