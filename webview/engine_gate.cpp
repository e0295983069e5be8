#include "webview/engine_gate.h"
#include "base/blocking_run.h"
#include "webview/device_page.h"

#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/read.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/write.hpp>

#include <QUrl>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <thread>

namespace asio = boost::asio;
using boost::system::error_code;
using tcp = asio::ip::tcp;

namespace {

// The greeting, the request and the connection to the box, together.
constexpr std::chrono::seconds HandshakeBound { 10 };

// What the tunnels share with the gate; it outlives the gate's context, whose
// end destroys the tunnels still waiting.
struct Shared
{
    std::mutex mutex;
    std::shared_ptr<const AllowedHost> allowed;
    std::atomic<int> tunnels = 0;

    bool allows(const QString &host)
    {
        const std::lock_guard lock(mutex);
        QUrl url;
        url.setScheme(QStringLiteral("http"));
        url.setHost(host);
        return allowed && !host.isEmpty() && allowed->allows(url, { u"http" });
    }
};

// One connection of the engine: the SOCKS 5 greeting and request (RFC 1928,
// no authentication, CONNECT only), then bytes both ways.
class Tunnel : public std::enable_shared_from_this<Tunnel>
{
public:
    Tunnel(asio::io_context &io, tcp::socket client, std::shared_ptr<Shared> shared)
        : m_client(std::move(client))
        , m_upstream(io)
        , m_resolver(io)
        , m_deadline(io)
        , m_shared(std::move(shared))
    {
        ++m_shared->tunnels;
    }
    ~Tunnel() { --m_shared->tunnels; }

    void start()
    {
        m_deadline.expires_after(HandshakeBound);
        m_deadline.async_wait([self = shared_from_this()](error_code e) {
            if (!e && !self->m_relaying)
                self->close();
        });
        read(2, [self = shared_from_this()] { self->greeting(); });
    }

private:
    enum Reply : std::uint8_t { Succeeded = 0, NotAllowed = 2, HostUnreachable = 4, CommandNotSupported = 7 };

    template <typename Next> void read(std::size_t bytes, Next next)
    {
        asio::async_read(
            m_client, asio::buffer(m_head.data(), bytes), [self = shared_from_this(), next](error_code e, std::size_t) {
                if (e)
                    self->close();
                else
                    next();
            });
    }

    // VER NMETHODS, then the methods: only "no authentication" is offered back.
    void greeting()
    {
        if (m_head[0] != 5 || m_head[1] == 0) {
            close();
            return;
        }
        read(m_head[1], [self = shared_from_this()] {
            const std::size_t methods = self->m_head[1];
            const bool noAuthentication
                = std::find(self->m_head.begin(), self->m_head.begin() + methods, 0) != self->m_head.begin() + methods;
            static const std::uint8_t accepted[] { 5, 0 };
            static const std::uint8_t refused[] { 5, 0xFF };
            asio::async_write(self->m_client, asio::buffer(noAuthentication ? accepted : refused),
                [self, noAuthentication](error_code e, std::size_t) {
                    if (e || !noAuthentication)
                        self->close();
                    else
                        self->read(4, [self] { self->request(); });
                });
        });
    }

    // VER CMD RSV ATYP, then the address and the port.
    void request()
    {
        if (m_head[0] != 5 || m_head[1] != 1) {
            answer(CommandNotSupported);
            return;
        }
        switch (m_head[3]) {
        case 1: // IPv4
            read(6, [self = shared_from_this()] {
                const asio::ip::address_v4::bytes_type b { self->m_head[0], self->m_head[1], self->m_head[2],
                    self->m_head[3] };
                self->target(QString::fromStdString(asio::ip::address_v4(b).to_string()), 4);
            });
            return;
        case 3: // a name, one byte for its length
            read(1, [self = shared_from_this()] {
                const std::size_t length = self->m_head[0];
                self->read(length + 2, [self, length] {
                    self->target(
                        QString::fromLatin1(reinterpret_cast<const char *>(self->m_head.data()), qsizetype(length)),
                        length);
                });
            });
            return;
        default: // IPv6: the boxes have IPv4 addresses
            answer(NotAllowed);
        }
    }

    void target(const QString &host, std::size_t portAt)
    {
        const auto port = std::uint16_t(m_head[portAt] << 8 | m_head[portAt + 1]);
        if (!m_shared->allows(host)) {
            answer(NotAllowed);
            return;
        }
        m_resolver.async_resolve(host.toStdString(), std::to_string(port),
            [self = shared_from_this()](error_code e, const tcp::resolver::results_type &results) {
                if (e || results.empty()) {
                    self->answer(HostUnreachable);
                    return;
                }
                asio::async_connect(self->m_upstream, results, [self](error_code connected, const tcp::endpoint &) {
                    self->answer(connected ? HostUnreachable : Succeeded);
                });
            });
    }

    void answer(Reply reply)
    {
        // VER REP RSV ATYP BND.ADDR BND.PORT: the bound address is of no use to the engine.
        m_reply = { 5, std::uint8_t(reply), 0, 1, 0, 0, 0, 0, 0, 0 };
        asio::async_write(
            m_client, asio::buffer(m_reply), [self = shared_from_this(), reply](error_code e, std::size_t) {
                if (e || reply != Succeeded) {
                    self->close();
                    return;
                }
                self->m_relaying = true;
                self->m_deadline.cancel();
                self->pump(self->m_client, self->m_upstream, self->m_toBox);
                self->pump(self->m_upstream, self->m_client, self->m_toEngine);
            });
    }

    // Bytes from one side to the other until one ends; then the other side is
    // told, and the tunnel closes once both have ended.
    void pump(tcp::socket &from, tcp::socket &to, std::array<char, 16384> &buffer)
    {
        from.async_read_some(
            asio::buffer(buffer), [self = shared_from_this(), &from, &to, &buffer](error_code e, std::size_t bytes) {
                if (e) {
                    error_code ignored;
                    to.shutdown(tcp::socket::shutdown_send, ignored);
                    if (++self->m_ended == 2)
                        self->close();
                    return;
                }
                asio::async_write(to, asio::buffer(buffer.data(), bytes),
                    [self, &from, &to, &buffer](error_code written, std::size_t) {
                        if (written)
                            self->close();
                        else
                            self->pump(from, to, buffer);
                    });
            });
    }

    void close()
    {
        error_code ignored;
        m_deadline.cancel();
        m_resolver.cancel();
        m_client.close(ignored);
        m_upstream.close(ignored);
    }

    tcp::socket m_client;
    tcp::socket m_upstream;
    tcp::resolver m_resolver;
    asio::steady_timer m_deadline;
    std::shared_ptr<Shared> m_shared;
    std::array<std::uint8_t, 258> m_head {}; // the longest part: a name of 255 and its port
    std::array<std::uint8_t, 10> m_reply {};
    std::array<char, 16384> m_toBox {};
    std::array<char, 16384> m_toEngine {};
    bool m_relaying = false;
    int m_ended = 0;
};

} // namespace

struct EngineGate::State
{
    asio::io_context io;
    tcp::acceptor acceptor { io };
    std::shared_ptr<Shared> shared = std::make_shared<Shared>();
    std::thread thread;

    void accept()
    {
        acceptor.async_accept([this](error_code e, tcp::socket client) {
            if (e == asio::error::operation_aborted)
                return;
            if (!e && shared->tunnels < MaxTunnels)
                std::make_shared<Tunnel>(io, std::move(client), shared)->start();
            accept();
        });
    }
};

EngineGate::EngineGate(std::shared_ptr<const AllowedHost> allowed)
    : d(std::make_shared<State>())
{
    d->shared->allowed = std::move(allowed);
}

EngineGate::~EngineGate()
{
    d->io.stop();
    if (d->thread.joinable())
        d->thread.join();
}

bool EngineGate::start(QString *error)
{
    error_code ec;
    d->acceptor.open(tcp::v4(), ec);
    if (!ec)
        d->acceptor.bind(tcp::endpoint(asio::ip::address_v4::loopback(), 0), ec);
    if (!ec)
        d->acceptor.listen(asio::socket_base::max_listen_connections, ec);
    if (ec) {
        *error = QString::fromStdString(ec.message());
        return false;
    }
    d->accept();
    // A failure of one tunnel must not end the gate, or the program.
    d->thread = std::thread([state = d.get()] { runServing(state->io, "The browser's gate", [] {}); });
    return true;
}

quint16 EngineGate::port() const
{
    error_code ec;
    return d->acceptor.local_endpoint(ec).port();
}

void EngineGate::follow(std::shared_ptr<const AllowedHost> allowed)
{
    const std::lock_guard lock(d->shared->mutex);
    d->shared->allowed = std::move(allowed);
}

QByteArray engineGateFlags(quint16 port)
{
    return "--proxy-server=socks5://127.0.0.1:" + QByteArray::number(port)
        + " --proxy-bypass-list=<-loopback> --force-webrtc-ip-handling-policy=disable_non_proxied_udp";
}
