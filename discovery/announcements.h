#pragma once

#include <QHash>
#include <QSet>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>

// What an SSDP NOTIFY datagram says, as far as the program cares: a media
// renderer (MediaRenderer:1, :2 or :3) that has come (ssdp:alive) or is going
// (ssdp:byebye). Everything else, M-SEARCH included, is Other.
enum class AnnouncementKind { Other, RendererAlive, RendererByebye };
AnnouncementKind announcementKind(const QString &datagram);

// Decides which announced LOCATIONs are handed on, so that a flood of
// announcements costs no more than a flood of search replies: a LOCATION
// already handed on in the current minute counts once (boxes repeat their
// announcements in bursts), each source hands on at most `perSource` new
// LOCATIONs a minute and all sources together at most `total`.
class AnnouncementGate
{
public:
    using Clock = std::chrono::steady_clock;

    explicit AnnouncementGate(int perSource = 4, int total = 32);
    bool admit(const QString &source, const QString &location, Clock::time_point now = Clock::now());

private:
    int m_perSource;
    int m_total;
    Clock::time_point m_minuteStart {};
    QHash<QString, int> m_fromSource;
    QSet<QString> m_locations;
};

// Listens for the announcements of media renderers on 239.255.255.250:1900,
// joined on each adapter the search goes out of (looked at again every few
// seconds, so an adapter that comes later is joined too). Runs on a thread of
// its own; `alive` is called there with the announcement (its text, source
// address and LOCATION) for each new box the gate lets through.
struct Announcement
{
    QString datagram;
    QString source;
    QString location;
};

class AnnouncementListener
{
public:
    using Alive = std::function<void(const Announcement &)>;

    explicit AnnouncementListener(Alive alive);
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
