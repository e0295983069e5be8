#include "discovery/ssdp.h"
#include "base/blocking_run.h"
#include "base/failure.h"
#include "base/text_rules.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/udp.hpp>
#include <boost/asio/steady_timer.hpp>

namespace asio = boost::asio;
using boost::system::error_code;
using udp = asio::ip::udp;

QByteArray ssdpSearchRequest()
{
    return QByteArrayLiteral("M-SEARCH * HTTP/1.1\r\n"
                             "HOST: 239.255.255.250:1900\r\n"
                             "MAN: \"ssdp:discover\"\r\n"
                             "MX: 3\r\n"
                             "ST: urn:schemas-upnp-org:device:MediaRenderer:1\r\n"
                             "USER-AGENT: OS/version UPnP/1.1 product/version\r\n"
                             "\r\n");
}

QString decodeDatagram(const QByteArray &bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (char c : bytes)
        text.append(static_cast<unsigned char>(c) > 0x7F ? QChar(QChar::ReplacementCharacter) : QChar(QLatin1Char(c)));
    return text;
}

QString locationFromReply(const QString &reply)
{
    static const QString name = QStringLiteral("LOCATION:");
    QString address;
    QString rest = reply;
    // Lines end at CR LF, at a lone LF or at a lone CR.
    rest.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    const auto lines = rest.split(u'\n');
    for (auto it = lines.crbegin(); it != lines.crend(); ++it) {
        if (!it->contains(name, Qt::CaseSensitive))
            continue;
        QString value = *it;
        value.remove(name, Qt::CaseInsensitive);
        address = trimmedOf(QStringView(value), QStringView(u" \t")).toString();
    }
    return address;
}

struct SsdpEndpoint::Socket
{
    asio::io_context io;
    udp::socket socket { io };
    asio::ip::address_v4 boundTo;

    [[noreturn]] void fail(const error_code &ec)
    {
        error_code ignored;
        socket.close(ignored);
        throw Failure::socket(ec.value());
    }
};

SsdpEndpoint::SsdpEndpoint()
    : d(std::make_unique<Socket>())
{
}

SsdpEndpoint::~SsdpEndpoint() = default;

void SsdpEndpoint::send(const QByteArray &datagram, const std::string &localAddress)
{
    error_code ec;
    auto local = asio::ip::make_address_v4(localAddress, ec);
    if (ec)
        local = asio::ip::address_v4::any();
    if (d->socket.is_open() && d->boundTo != local)
        d->socket.close(ec);
    if (!d->socket.is_open()) {
        if (d->socket.open(udp::v4(), ec); ec)
            d->fail(ec);
        if (d->socket.bind(udp::endpoint(local, 0), ec); ec)
            d->fail(ec);
        d->boundTo = local;
    }
    if (d->socket.set_option(asio::socket_base::broadcast(true), ec); ec)
        d->fail(ec);
    const udp::endpoint group(asio::ip::make_address_v4("239.255.255.250"), 1900);
    d->socket.send_to(asio::buffer(datagram.constData(), std::size_t(datagram.size())), group, 0, ec);
    if (ec)
        d->fail(ec);
}

Datagram SsdpEndpoint::receive(Deadline until)
{
    Datagram datagram;
    if (!d->socket.is_open())
        return datagram;
    // One byte more than the receive buffer tells a longer datagram apart.
    char buffer[BufferSize + 1];
    udp::endpoint from;
    OperationResult received;
    if (error_code ec; d->socket.available(ec) > 0) {
        // A datagram already queued is taken at once, without arming a wait.
        received.bytes = d->socket.receive_from(asio::buffer(buffer), from, 0, ec);
        received.error = ec;
    } else {
        // A timer ends the wait: the context's own run_until rounds up to
        // whole milliseconds, which would add to every search.
        asio::steady_timer timer(d->io, until);
        received = runOperation(d->io, [&](auto done) {
            d->socket.async_receive_from(asio::buffer(buffer), from, [&timer, done](error_code e, std::size_t size) {
                timer.cancel();
                done(e, size);
            });
            timer.async_wait([&](error_code e) {
                if (!e)
                    d->socket.cancel();
            });
        });
    }
    if (received.error == asio::error::would_block || received.error == asio::error::operation_aborted)
        return datagram;
    if (received.error == asio::error::message_size)
        datagram.oversize = true;
    else if (received.error)
        d->fail(received.error);
    const std::size_t n = received.bytes;
    datagram.address = QString::fromStdString(from.address().to_string());
    datagram.port = from.port();
    datagram.oversize = datagram.oversize || n > std::size_t(BufferSize);
    datagram.bytes = QByteArray(buffer, qsizetype(std::min<std::size_t>(n, BufferSize)));
    return datagram;
}
