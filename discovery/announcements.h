#pragma once

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

// What an SSDP NOTIFY datagram says, as far as the program cares: a media
// renderer (MediaRenderer:1, :2 or :3) that has come (ssdp:alive) or is going
// (ssdp:byebye). Everything else, M-SEARCH included, is Other.
enum class AnnouncementKind { Other, RendererAlive, RendererByebye };
AnnouncementKind announcementKind(const QString &datagram);

// One announcement as the listener hands it on: its text, the address it
// came from and its LOCATION.
struct Announcement
{
    AnnouncementKind kind = AnnouncementKind::Other;
    QString datagram;
    QString source;
    QString location;
};

// Whether a LOCATION may name the sender of its datagram: not when its host
// is an address other than the sender's. A host name cannot be told here; it
// is looked up and compared when the description is fetched.
bool locationMayNameSender(const QString &location, const QString &sender);

// Decides which announcements the listener hands on, so that a flood of
// datagrams costs the window nothing: an announcement already handed on in
// the current minute counts once (boxes repeat theirs in bursts), and each
// source hands on at most `perSource` new LOCATIONs a minute.
class AnnouncementGate
{
public:
    using Clock = std::chrono::steady_clock;

    explicit AnnouncementGate(int perSource = 4);
    bool admit(const Announcement &announcement, Clock::time_point now = Clock::now());

private:
    int m_perSource;
    Clock::time_point m_minuteStart {};
    QHash<QString, int> m_fromSource;
    QSet<QString> m_seen; // kind and LOCATION
};

// The announced boxes waiting to be read, and which goes next, so that no few
// senders crowd out the rest: a source whose reads failed `failuresPerSource`
// times is not read again that minute; a source not read yet this minute
// goes before every other; at most `waiting` wait (the newest of a source
// already read gives way first); and rows from announcements are capped per
// source until the next search.
class AnnouncementQueue
{
public:
    using Clock = std::chrono::steady_clock;
    struct Limits
    {
        int failuresPerSource = 2;
        int rowsPerSource = 4;
        int waiting = 64;
    };

    AnnouncementQueue();
    explicit AnnouncementQueue(Limits limits);

    // Queued unless its LOCATION waits already or its source is over a cap.
    void offer(const Announcement &announcement, Clock::time_point now = Clock::now());
    // The next to read among those whose source has no read under way.
    std::optional<Announcement> take(const QSet<QString> &reading, Clock::time_point now = Clock::now());
    void failed(const QString &source, Clock::time_point now = Clock::now());
    bool mayAddRow(const QString &source) const;
    void rowAdded(const QString &source);
    // A new search lists every box anew: rows are counted from nothing, and
    // what waits is dropped.
    void restart();
    bool isEmpty() const { return m_waiting.isEmpty(); }

private:
    void newMinute(Clock::time_point now);
    bool readThisMinute(const QString &source) const { return m_readFrom.contains(source); }

    Limits m_limits;
    Clock::time_point m_minuteStart {};
    QList<Announcement> m_waiting;
    QSet<QString> m_readFrom; // sources read this minute
    QHash<QString, int> m_failures; // this minute
    QHash<QString, int> m_rows; // since the last search
};

// Listens for the announcements of media renderers on 239.255.255.250:1900,
// joined on each adapter the search goes out of (looked at again every few
// seconds, so an adapter that comes later is joined too). Runs on a thread of
// its own; `heard` is called there for each alive or byebye announcement the
// gate lets through whose LOCATION may name its sender. A receive error is
// not fatal: the listener waits longer after each one in a row.
class AnnouncementListener
{
public:
    using Heard = std::function<void(const Announcement &)>;

    explicit AnnouncementListener(Heard heard);
    ~AnnouncementListener(); // stops and joins its thread
    AnnouncementListener(const AnnouncementListener &) = delete;
    AnnouncementListener &operator=(const AnnouncementListener &) = delete;

    // Binds the port (shared with other programs that allow it) and starts
    // listening; false, with the reason, when the port cannot be had.
    bool start(QString *error);

private:
    struct State;
    std::unique_ptr<State> d;
};
