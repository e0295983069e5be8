#include "discovery/announcements.h"
#include "discovery/ssdp.h"
#include "platform/netinfo.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/multicast.hpp>
#include <boost/asio/ip/udp.hpp>
#include <boost/asio/steady_timer.hpp>

#include <QStringList>

#include <algorithm>
#include <array>
#include <thread>
#include <vector>

#ifdef __linux__
#include <netinet/in.h>
#endif

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

AnnouncementGate::AnnouncementGate(int perSource, int total)
    : m_perSource(perSource)
    , m_total(total)
{
}

bool AnnouncementGate::admit(const QString &source, const QString &location, Clock::time_point now)
{
    if (now - m_minuteStart >= std::chrono::minutes(1)) {
        m_minuteStart = now;
        m_fromSource.clear();
        m_locations.clear();
    }
    if (location.isEmpty() || m_locations.contains(location))
        return false;
    int &count = m_fromSource[source];
    if (count >= m_perSource || m_locations.size() >= m_total) {
        if (count == 0)
            m_fromSource.remove(source); // only sources that were let through are kept
        return false;
    }
    ++count;
    m_locations.insert(location);
    return true;
}

struct AnnouncementListener::State
{
    explicit State(Alive alive)
        : alive(std::move(alive))
    {
    }

    void join();
    void receive();

    Alive alive;
    asio::io_context io;
    udp::socket socket { io };
    asio::steady_timer timer { io };
    udp::endpoint from;
    std::array<char, SsdpEndpoint::BufferSize + 1> buffer;
    std::vector<asio::ip::address_v4> joined;
    AnnouncementGate gate;
    std::thread thread;
};

namespace {
const auto Group = asio::ip::make_address_v4("239.255.255.250");
constexpr std::chrono::seconds AdapterLook { 5 };
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
    timer.expires_after(AdapterLook);
    timer.async_wait([this](error_code e) {
        if (!e)
            join();
    });
}

void AnnouncementListener::State::receive()
{
    socket.async_receive_from(asio::buffer(buffer), from, [this](error_code e, std::size_t n) {
        if (e == asio::error::operation_aborted)
            return;
        if (!e && n <= std::size_t(SsdpEndpoint::BufferSize)) {
            const QString text = decodeDatagram(QByteArray(buffer.data(), qsizetype(n)));
            if (announcementKind(text) == AnnouncementKind::RendererAlive) {
                Announcement announcement { text, QString::fromStdString(from.address().to_string()),
                    locationFromReply(text) };
                if (gate.admit(announcement.source, announcement.location))
                    alive(announcement);
            }
        }
        receive();
    });
}

AnnouncementListener::AnnouncementListener(Alive alive)
    : d(std::make_unique<State>(std::move(alive)))
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
#if defined(__linux__) && defined(IP_MULTICAST_ALL)
    // Only the groups this socket joined, not those of other programs.
    const int off = 0;
    ::setsockopt(d->socket.native_handle(), IPPROTO_IP, IP_MULTICAST_ALL, &off, sizeof off);
#endif
    d->join();
    d->receive();
    d->thread = std::thread([state = d.get()] { state->io.run(); });
    return true;
}
