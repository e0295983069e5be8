#include "discovery/ssdp.h"
#include "base/blocking_run.h"
#include "base/failure.h"
#include "base/text_rules.h"
#include "platform/socket_failure.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/multicast.hpp>
#include <boost/asio/ip/udp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>

#include <algorithm>
#include <array>
#include <deque>
#include <optional>

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

// One socket of the endpoint, bound to one adapter's address.
struct SsdpEndpoint::Bound
{
    explicit Bound(asio::io_context &io)
        : socket(io)
    {
    }

    udp::socket socket;
    asio::ip::address_v4 local;
    udp::endpoint from;
    // One byte more than the receive buffer tells a longer datagram apart.
    std::array<char, BufferSize + 1> buffer;
};

struct SsdpEndpoint::State
{
    asio::io_context io;
    std::vector<std::unique_ptr<Bound>> bound;
    std::deque<Datagram> ready; // received, not handed out yet

    void close(const Bound *gone)
    {
        error_code ignored;
        const auto at = std::find_if(bound.begin(), bound.end(), [gone](const auto &b) { return b.get() == gone; });
        (*at)->socket.close(ignored);
        const QString local = QString::fromStdString(gone->local.to_string());
        std::erase_if(ready, [&local](const Datagram &datagram) { return datagram.local == local; });
        bound.erase(at);
    }

    // A datagram taken off one socket; a failure closes that socket and ends
    // the wait with the system's error.
    void take(Bound &b, error_code error, std::size_t n)
    {
        if (error && error != asio::error::message_size) {
            close(&b);
            throw socketFailure(error.value());
        }
        Datagram datagram;
        datagram.address = QString::fromStdString(b.from.address().to_string());
        datagram.port = b.from.port();
        datagram.local = QString::fromStdString(b.local.to_string());
        datagram.oversize = error == asio::error::message_size || n > std::size_t(BufferSize);
        datagram.bytes = QByteArray(b.buffer.data(), qsizetype(std::min<std::size_t>(n, BufferSize)));
        ready.push_back(std::move(datagram));
    }

    void wait(Deadline until, std::stop_token stop);
};

SsdpEndpoint::SsdpEndpoint()
    : d(std::make_unique<State>())
{
}

SsdpEndpoint::~SsdpEndpoint() = default;

void SsdpEndpoint::send(const QByteArray &datagram, const std::vector<std::string> &localAddresses)
{
    std::vector<asio::ip::address_v4> wanted;
    for (const std::string &text : localAddresses) {
        error_code ec;
        auto local = asio::ip::make_address_v4(text, ec);
        if (ec)
            local = asio::ip::address_v4::any();
        if (std::find(wanted.begin(), wanted.end(), local) == wanted.end())
            wanted.push_back(local);
    }
    if (wanted.empty())
        wanted.push_back(asio::ip::address_v4::any());
    // The sockets of addresses gone close, with the late replies they hold.
    std::vector<const Bound *> gone;
    for (const auto &b : d->bound) {
        if (std::find(wanted.begin(), wanted.end(), b->local) == wanted.end())
            gone.push_back(b.get());
    }
    for (const Bound *b : gone)
        d->close(b);

    const udp::endpoint group(asio::ip::make_address_v4("239.255.255.250"), 1900);
    std::optional<error_code> firstFailure;
    bool sent = false;
    for (const auto &local : wanted) {
        auto at = std::find_if(d->bound.begin(), d->bound.end(), [&local](const auto &b) { return b->local == local; });
        error_code ec;
        if (at == d->bound.end()) {
            auto b = std::make_unique<Bound>(d->io);
            b->local = local;
            if (b->socket.open(udp::v4(), ec); !ec)
                b->socket.bind(udp::endpoint(local, 0), ec);
            if (ec) {
                error_code ignored;
                b->socket.close(ignored);
                firstFailure = firstFailure.value_or(ec);
                continue;
            }
            d->bound.push_back(std::move(b));
            at = d->bound.end() - 1;
        }
        udp::socket &socket = (*at)->socket;
        socket.set_option(asio::socket_base::broadcast(true), ec);
        if (!ec && !local.is_unspecified())
            socket.set_option(asio::ip::multicast::outbound_interface(local), ec);
        if (!ec)
            socket.send_to(asio::buffer(datagram.constData(), std::size_t(datagram.size())), group, 0, ec);
        if (ec) {
            d->close(at->get());
            firstFailure = firstFailure.value_or(ec);
            continue;
        }
        sent = true;
    }
    if (!sent)
        throw socketFailure(firstFailure ? firstFailure->value() : int(asio::error::not_socket));
}

void SsdpEndpoint::State::wait(Deadline until, std::stop_token stop)
{
    // A datagram already queued is taken at once, without arming a wait.
    for (const auto &b : bound) {
        error_code ec;
        if (b->socket.available(ec) > 0) {
            const std::size_t n = b->socket.receive_from(asio::buffer(b->buffer), b->from, 0, ec);
            take(*b, ec, n);
            return;
        }
    }
    // Otherwise a receive on every socket: the first to complete stops the
    // others (a stopped receive leaves its datagram on its socket). A timer
    // ends the wait: the context's own run_until rounds up to whole
    // milliseconds, which would add to every search. A stop cancels the
    // timer with the receives.
    asio::steady_timer timer(io, until);
    const auto stopAll = [this, &timer] {
        timer.cancel();
        for (const auto &b : bound) {
            error_code ignored;
            b->socket.cancel(ignored);
        }
    };
    std::optional<std::pair<Bound *, std::pair<error_code, std::size_t>>> failed;
    const OperationResult result = runOperation(io, stop, stopAll, [&](auto) {
        for (const auto &b : bound) {
            b->socket.async_receive_from(asio::buffer(b->buffer), b->from,
                [this, &stopAll, &failed, raw = b.get()](error_code e, std::size_t n) {
                    if (e == asio::error::operation_aborted)
                        return;
                    stopAll();
                    if (e && e != asio::error::message_size)
                        failed = { raw, { e, n } };
                    else
                        take(*raw, e, n);
                });
        }
        timer.async_wait([&stopAll](error_code e) {
            if (!e)
                stopAll();
        });
    });
    if (result.cancelled)
        throw Failure::cancelled();
    if (failed)
        take(*failed->first, failed->second.first, failed->second.second);
}

Datagram SsdpEndpoint::receive(Deadline until, std::stop_token stop)
{
    if (stop.stop_requested())
        throw Failure::cancelled();
    if (d->ready.empty() && !d->bound.empty())
        d->wait(until, stop);
    if (d->ready.empty())
        return {};
    Datagram datagram = std::move(d->ready.front());
    d->ready.pop_front();
    return datagram;
}
