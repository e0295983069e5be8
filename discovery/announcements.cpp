#include "discovery/announcements.h"
#include "base/blocking_run.h"
#include "discovery/ssdp.h"
#include "platform/multicast.h"
#include "platform/netinfo.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/multicast.hpp>
#include <boost/asio/ip/udp.hpp>
#include <boost/asio/steady_timer.hpp>

#include <QHostAddress>
#include <QStringList>
#include <QUrl>

#include <algorithm>
#include <array>
#include <thread>
#include <vector>

namespace asio = boost::asio;
using boost::system::error_code;
using udp = asio::ip::udp;

AnnouncementKind announcementKind(const QString &datagram)
{
    QString text = datagram;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    const QStringList lines = text.split(u'\n');
    if (lines.isEmpty() || lines.first().trimmed() != QLatin1String("NOTIFY * HTTP/1.1"))
        return AnnouncementKind::Other;
    QString type;
    QString subtype;
    for (const QString &line : lines) {
        const qsizetype colon = line.indexOf(u':');
        if (colon <= 0)
            continue;
        const QString name = line.left(colon).trimmed();
        if (name.compare(QLatin1String("NT"), Qt::CaseInsensitive) == 0)
            type = line.mid(colon + 1).trimmed();
        else if (name.compare(QLatin1String("NTS"), Qt::CaseInsensitive) == 0)
            subtype = line.mid(colon + 1).trimmed();
    }
    static const QStringList renderers { QStringLiteral("urn:schemas-upnp-org:device:MediaRenderer:1"),
        QStringLiteral("urn:schemas-upnp-org:device:MediaRenderer:2"),
        QStringLiteral("urn:schemas-upnp-org:device:MediaRenderer:3") };
    if (!renderers.contains(type))
        return AnnouncementKind::Other;
    if (subtype == QLatin1String("ssdp:alive"))
        return AnnouncementKind::RendererAlive;
    if (subtype == QLatin1String("ssdp:byebye"))
        return AnnouncementKind::RendererByebye;
    return AnnouncementKind::Other;
}

bool locationMayNameSender(const QString &location, const QString &sender)
{
    QHostAddress named;
    if (!named.setAddress(QUrl(location).host()))
        return true; // a name, looked up when it is fetched
    return named.protocol() == QAbstractSocket::IPv4Protocol && named == QHostAddress(sender);
}

AnnouncementGate::AnnouncementGate(int perSource)
    : m_perSource(perSource)
{
}

bool AnnouncementGate::admit(const Announcement &announcement, Clock::time_point now)
{
    if (now - m_minuteStart >= std::chrono::minutes(1)) {
        m_minuteStart = now;
        m_fromSource.clear();
        m_seen.clear();
    }
    const QString key = QString::number(int(announcement.kind)) + u' ' + announcement.location;
    if (announcement.location.isEmpty() || m_seen.contains(key))
        return false;
    int &count = m_fromSource[announcement.source];
    if (count >= m_perSource)
        return false;
    ++count;
    m_seen.insert(key);
    return true;
}

AnnouncementQueue::AnnouncementQueue()
    : AnnouncementQueue(Limits {})
{
}

AnnouncementQueue::AnnouncementQueue(Limits limits)
    : m_limits(limits)
{
}

void AnnouncementQueue::newMinute(Clock::time_point now)
{
    if (now - m_minuteStart < std::chrono::minutes(1))
        return;
    m_minuteStart = now;
    m_readFrom.clear();
    m_failures.clear();
}

void AnnouncementQueue::offer(const Announcement &announcement, Clock::time_point now)
{
    newMinute(now);
    const QString &source = announcement.source;
    if (m_failures.value(source) >= m_limits.failuresPerSource || !mayAddRow(source))
        return;
    if (std::any_of(m_waiting.cbegin(), m_waiting.cend(),
            [&announcement](const Announcement &a) { return a.location == announcement.location; }))
        return;
    if (m_waiting.size() >= m_limits.waiting) {
        // A source's first read goes before a source's later ones: the newest
        // of a source that has had its turn gives way to it.
        if (readThisMinute(source))
            return;
        const auto yields = std::find_if(
            m_waiting.rbegin(), m_waiting.rend(), [this](const Announcement &a) { return readThisMinute(a.source); });
        if (yields == m_waiting.rend())
            return;
        m_waiting.erase(std::next(yields).base());
    }
    m_waiting.append(announcement);
}

std::optional<Announcement> AnnouncementQueue::take(const QSet<QString> &reading, Clock::time_point now)
{
    newMinute(now);
    const auto free = [&reading](const Announcement &a) { return !reading.contains(a.source); };
    auto next = std::find_if(m_waiting.begin(), m_waiting.end(),
        [&](const Announcement &a) { return free(a) && !readThisMinute(a.source); });
    if (next == m_waiting.end())
        next = std::find_if(m_waiting.begin(), m_waiting.end(), free);
    if (next == m_waiting.end())
        return std::nullopt;
    const Announcement announcement = *next;
    m_waiting.erase(next);
    m_readFrom.insert(announcement.source);
    return announcement;
}

void AnnouncementQueue::failed(const QString &source, Clock::time_point now)
{
    newMinute(now);
    if (++m_failures[source] >= m_limits.failuresPerSource)
        m_waiting.removeIf([&source](const Announcement &a) { return a.source == source; });
}

bool AnnouncementQueue::mayAddRow(const QString &source) const
{
    return m_rows.value(source) < m_limits.rowsPerSource;
}

void AnnouncementQueue::rowAdded(const QString &source)
{
    if (++m_rows[source] >= m_limits.rowsPerSource)
        m_waiting.removeIf([&source](const Announcement &a) { return a.source == source; });
}

void AnnouncementQueue::restart()
{
    m_waiting.clear();
    m_rows.clear();
}

struct AnnouncementListener::State
{
    explicit State(Heard heard)
        : heard(std::move(heard))
    {
    }

    void join();
    void receive();
    void received(error_code error, std::size_t bytes);

    Heard heard;
    asio::io_context io;
    udp::socket socket { io };
    asio::steady_timer adapterTimer { io };
    asio::steady_timer pause { io };
    udp::endpoint from;
    std::array<char, SsdpEndpoint::BufferSize + 1> buffer;
    std::vector<asio::ip::address_v4> joined;
    AnnouncementGate gate;
    bool receiving = false; // a receive is armed
    int errorsInARow = 0;
    std::thread thread;
};

namespace {
const auto Group = asio::ip::make_address_v4("239.255.255.250");
constexpr std::chrono::seconds AdapterLook { 5 };
// After a receive error the listener waits this long, twice as long after
// each further one in a row, up to the longest.
constexpr std::chrono::milliseconds FirstPause { 100 };
constexpr std::chrono::milliseconds LongestPause { 10000 };
} // namespace

// Joins the group on each adapter the search uses and leaves it on those gone;
// without one, on the system's choice.
void AnnouncementListener::State::join()
{
    std::vector<asio::ip::address_v4> wanted;
    for (const std::string &text : platform::searchAddresses()) {
        error_code ec;
        const auto address = asio::ip::make_address_v4(text, ec);
        if (!ec)
            wanted.push_back(address);
    }
    if (wanted.empty())
        wanted.push_back(asio::ip::address_v4::any());
    std::vector<asio::ip::address_v4> now;
    for (const auto &address : joined) {
        error_code ignored;
        if (std::find(wanted.begin(), wanted.end(), address) == wanted.end())
            socket.set_option(asio::ip::multicast::leave_group(Group, address), ignored);
        else
            now.push_back(address);
    }
    for (const auto &address : wanted) {
        if (std::find(now.begin(), now.end(), address) != now.end())
            continue;
        error_code ec;
        socket.set_option(asio::ip::multicast::join_group(Group, address), ec);
        if (!ec)
            now.push_back(address);
    }
    joined = std::move(now);
    adapterTimer.expires_after(AdapterLook);
    adapterTimer.async_wait([this](error_code e) {
        if (!e)
            join();
    });
}

void AnnouncementListener::State::receive()
{
    receiving = true;
    socket.async_receive_from(asio::buffer(buffer), from, [this](error_code e, std::size_t n) { received(e, n); });
}

void AnnouncementListener::State::received(error_code error, std::size_t bytes)
{
    receiving = false;
    if (error == asio::error::operation_aborted)
        return;
    if (error && error != asio::error::message_size) {
        // An error that repeats (a network that went away) must not spin:
        // the next receive waits, longer each time.
        const auto wait = std::min(LongestPause, FirstPause * (1 << std::min(errorsInARow++, 7)));
        pause.expires_after(wait);
        pause.async_wait([this](error_code e) {
            if (!e && !receiving)
                receive();
        });
        return;
    }
    errorsInARow = 0;
    if (!error && bytes <= std::size_t(SsdpEndpoint::BufferSize)) {
        const QString text = decodeDatagram(QByteArray(buffer.data(), qsizetype(bytes)));
        const AnnouncementKind kind = announcementKind(text);
        if (kind != AnnouncementKind::Other) {
            const Announcement announcement { kind, text, QString::fromStdString(from.address().to_string()),
                locationFromReply(text) };
            if (locationMayNameSender(announcement.location, announcement.source) && gate.admit(announcement))
                heard(announcement);
        }
    }
    receive();
}

AnnouncementListener::AnnouncementListener(Heard heard)
    : d(std::make_unique<State>(std::move(heard)))
{
}

AnnouncementListener::~AnnouncementListener()
{
    if (!d->thread.joinable())
        return;
    d->io.stop();
    d->thread.join();
}

bool AnnouncementListener::start(QString *error)
{
    error_code ec;
    d->socket.open(udp::v4(), ec);
    if (!ec)
        d->socket.set_option(asio::socket_base::reuse_address(true), ec);
    if (!ec)
        d->socket.bind(udp::endpoint(asio::ip::address_v4::any(), 1900), ec);
    if (ec) {
        *error = QString::fromStdString(ec.message());
        error_code ignored;
        d->socket.close(ignored);
        return false;
    }
    platform::receiveOwnGroupsOnly(std::intptr_t(d->socket.native_handle()));
    d->join();
    d->receive();
    // Nothing that a datagram does may end the listener, or the program with it.
    d->thread = std::thread([state = d.get()] {
        runServing(state->io, "Listening for announced boxes", [state] {
            if (!state->receiving)
                state->receive();
        });
    });
    return true;
}
