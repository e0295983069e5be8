#include "control/http_client.h"
#include "base/blocking_run.h"
#include "base/device_text.h"
#include "base/failure.h"
#include "control/http_request.h"
#include "platform/socket_failure.h"

#include <QHostAddress>
#include <QNetworkCookie>
#include <QNetworkInterface>
#include <QUrl>

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core/error.hpp>
#include <boost/beast/core/tcp_stream.hpp>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace asio = boost::asio;
using boost::system::error_code;
using tcp = asio::ip::tcp;

namespace {

Failure timedOut()
{
    return socketFailure(asio::error::timed_out);
}

// A host name is looked up on a thread of its own: getaddrinfo cannot be
// stopped, so a lookup that outlives the deadline or the action is left to
// finish alone rather than holding the window. Addresses in dotted form need
// no lookup.
asio::ip::address_v4 lookUp(const std::string &host, Deadline deadline, std::stop_token stop)
{
    error_code ec;
    const auto literal = asio::ip::make_address_v4(host, ec);
    if (!ec)
        return literal;

    struct Lookup
    {
        std::mutex mutex;
        std::condition_variable_any done;
        bool finished = false;
        error_code error;
        std::optional<asio::ip::address_v4> address;
    };
    auto lookup = std::make_shared<Lookup>();
    std::thread([lookup, host] {
        asio::io_context io;
        tcp::resolver resolver(io);
        error_code error;
        const auto results = resolver.resolve(tcp::v4(), host, std::string(), error);
        const std::lock_guard lock(lookup->mutex);
        lookup->error = error;
        if (!error && !results.empty())
            lookup->address = results.begin()->endpoint().address().to_v4();
        lookup->finished = true;
        lookup->done.notify_all();
    }).detach();
    std::unique_lock lock(lookup->mutex);
    if (!lookup->done.wait_until(lock, stop, deadline, [&lookup] { return lookup->finished; })) {
        if (stop.stop_requested())
            throw Failure::cancelled();
        throw timedOut();
    }
    if (!lookup->address)
        throw Failure(Failure::tr("Host not found: %1 (%2)")
                          .arg(quoted(QString::fromStdString(host)), QString::fromStdString(lookup->error.message())));
    return *lookup->address;
}

// Whether an address that a device named may be another device: not this
// computer (loopback, or an address of any of its adapters, which may run
// services that the network cannot reach), not 0.0.0.0/8, not link-local,
// not multicast or broadcast.
bool isOtherHost(const asio::ip::address_v4 &address)
{
    const auto bits = address.to_uint();
    if (address.is_loopback() || (bits >> 24) == 0 || (bits >> 16) == 0xA9FE || address.is_multicast()
        || address == asio::ip::address_v4::broadcast())
        return false;
    const QHostAddress host(bits);
    const auto own = QNetworkInterface::allAddresses();
    return std::none_of(own.begin(), own.end(), [&host](const QHostAddress &a) { return a.isEqual(host); });
}

QUrl cookieUrl(const RequestUrl &url)
{
    QUrl u;
    u.setScheme(QStringLiteral("http"));
    u.setHost(QString::fromLatin1(url.host));
    if (url.port != 80)
        u.setPort(url.port);
    u.setPath(QString::fromLatin1(url.path), QUrl::TolerantMode);
    return u;
}

} // namespace

// The client's context and its open connection, if any. Each operation is
// started and then run to completion inside the blocking call; the stream's
// expiry ends it at the deadline.
struct HttpClient::Connection
{
    asio::io_context io;
    boost::beast::tcp_stream stream { io };
    QByteArray host;
    quint16 port = 0;
    QString address; // the address connected to, in dotted form
    bool otherHost = false;

    template <typename Start> OperationResult run(std::stop_token stop, Start &&start)
    {
        const OperationResult result = runOperation(
            io, stop, [this] { stream.cancel(); }, std::forward<Start>(start));
        if (result.cancelled)
            throw Failure::cancelled();
        return result;
    }
};

HttpClient::HttpClient()
    : HttpClient(Bounds {})
{
}

HttpClient::HttpClient(Bounds bounds)
    : m_bounds(bounds)
    , m_connection(std::make_unique<Connection>())
{
}

HttpClient::~HttpClient() = default;

void HttpClient::closeConnection()
{
    m_connection->stream.close();
}

QByteArray HttpClient::cookieHeaderFor(const RequestUrl &url) const
{
    QByteArray header;
    for (const auto &cookie : m_cookies.cookiesForUrl(cookieUrl(url))) {
        if (!header.isEmpty())
            header += "; ";
        header += cookie.toRawForm(QNetworkCookie::NameAndValueOnly);
    }
    return header;
}

void HttpClient::storeCookies(const RequestUrl &url, const QList<QByteArray> &setCookies)
{
    QList<QNetworkCookie> cookies;
    for (const auto &line : setCookies)
        cookies += QNetworkCookie::parseCookies(line);
    if (!cookies.isEmpty())
        m_cookies.setCookiesFromUrl(cookies, cookieUrl(url));
}

void HttpClient::connectTo(const RequestUrl &url, Deadline deadline, std::stop_token stop, const Allowed &allowed)
{
    closeConnection();
    if (stop.stop_requested())
        throw Failure::cancelled();
    const auto address = lookUp(url.host.toStdString(), deadline, stop);
    const QString dotted = QString::fromStdString(address.to_string());
    // A datagram is a claim: what it names is fetched only from its sender.
    if (!allowed.sender.isEmpty() && dotted != allowed.sender)
        throw Failure(Failure::tr("The LOCATION names %1, another host than the one that sent it")
                          .arg(quoted(QString::fromLatin1(url.host))));
    if (allowed.hosts == Hosts::OtherHostsOnly && !isOtherHost(address))
        throw Failure(Failure::tr("%1 is not the address of a device on the network").arg(dotted));
    Connection &c = *m_connection;
    c.stream.expires_at(within(deadline, m_bounds.connect));
    const error_code ec = c.run(stop, [&](auto handler) {
                               c.stream.async_connect(tcp::endpoint(address, url.port), std::move(handler));
                           }).error;
    if (ec) {
        closeConnection();
        if (ec == boost::beast::error::timeout)
            throw timedOut();
        throw socketFailure(ec.value());
    }
    c.host = url.host;
    c.port = url.port;
    c.address = dotted;
    c.otherHost = isOtherHost(address);
}

// Home devices close idle connections after a few seconds; a connection whose
// peer has closed, or that holds bytes no request asked for, is not reused.
bool HttpClient::connectionStillOpen() const
{
    auto &socket = m_connection->stream.socket();
    error_code ec;
    if (socket.available(ec) > 0 || ec)
        return false;
    socket.non_blocking(true, ec);
    char byte;
    socket.receive(asio::buffer(&byte, 1), tcp::socket::message_peek, ec);
    error_code ignored;
    socket.non_blocking(false, ignored);
    return ec == asio::error::would_block;
}

HttpReply HttpClient::exchange(const RequestUrl &url, const QByteArray &request, bool http10, Deadline deadline,
    std::stop_token stop, const ReplyLimits &limits, Progress &progress)
{
    Connection &c = *m_connection;
    // A failed operation fails the request; with the time-out text when the
    // time ran out.
    const auto check = [&progress](error_code ec) {
        if (ec == boost::beast::error::timeout) {
            progress.timedOut = true;
            throw timedOut();
        }
        if (ec)
            throw socketFailure(ec.value());
    };
    c.stream.expires_at(within(deadline, m_bounds.idle));
    check(c.run(stop, [&](auto handler) {
               asio::async_write(
                   c.stream, asio::buffer(request.constData(), std::size_t(request.size())), std::move(handler));
           }).error);

    ReplyReader reader(http10, limits);
    try {
        char buffer[16384];
        for (;;) {
            c.stream.expires_at(within(deadline, m_bounds.idle));
            const auto read = c.run(
                stop, [&](auto handler) { c.stream.async_read_some(asio::buffer(buffer), std::move(handler)); });
            // A clean close may end a reply; a reset never does.
            if (read.error == asio::error::eof) {
                reader.closed();
                break;
            }
            check(read.error);
            progress.anyByte = true;
            if (reader.feed(std::string_view(buffer, read.bytes)))
                break;
        }
    } catch (...) {
        // Cookies of a reply that fails after its head are kept, as for any
        // other failing reply.
        storeCookies(url, reader.setCookies());
        throw;
    }
    return reader.take();
}

QByteArray HttpClient::finish(const RequestUrl &url, const HttpReply &reply)
{
    storeCookies(url, reply.setCookies);
    if (!reply.keepAlive)
        closeConnection();
    if (reply.status < 200 || reply.status >= 300)
        throw Failure(quoted(QString::fromLatin1(reply.statusLine)));
    return reply.body;
}

QByteArray HttpClient::post(const QString &urlText, Deadline deadline, std::stop_token stop)
{
    const RequestUrl url = parseRequestUrl(urlText);
    closeConnection(); // every POST goes out on a new connection
    connectTo(url, deadline, stop, {});
    HttpReply reply;
    try {
        Progress progress;
        reply = exchange(url, buildPostRequest(url, cookieHeaderFor(url)), true, deadline, stop, {}, progress);
    } catch (const Failure &) {
        closeConnection();
        throw;
    }
    return finish(url, reply);
}

QByteArray HttpClient::get(const QString &url, Deadline deadline, std::stop_token stop, const ReplyLimits &limits)
{
    return fetch(url, deadline, stop, limits, {});
}

QByteArray HttpClient::getNamed(
    const QString &url, Deadline deadline, std::size_t maxBytes, const QString &sender, std::stop_token stop)
{
    ReplyLimits limits;
    limits.maxBody = maxBytes;
    return fetch(url, deadline, stop, limits, { Hosts::OtherHostsOnly, sender });
}

QByteArray HttpClient::fetch(
    const QString &urlText, Deadline deadline, std::stop_token stop, const ReplyLimits &limits, const Allowed &allowed)
{
    const RequestUrl url = parseRequestUrl(urlText);
    const Connection &open = *m_connection;
    bool reused = open.stream.socket().is_open() && open.host == url.host && open.port == url.port
        && (allowed.hosts == Hosts::Any || open.otherHost)
        && (allowed.sender.isEmpty() || open.address == allowed.sender) && connectionStillOpen();
    if (!reused)
        connectTo(url, deadline, stop, allowed);
    const QByteArray request = buildGetRequest(url, cookieHeaderFor(url));
    HttpReply reply;
    for (;;) {
        Progress progress;
        try {
            reply = exchange(url, request, false, deadline, stop, limits, progress);
            break;
        } catch (const Failure &failure) {
            closeConnection();
            // A kept-alive connection may have been closed by the device just as
            // we sent: try once more on a fresh one if it was closed before any
            // byte of the reply came back.
            if (!reused || progress.anyByte || progress.timedOut || failure.kind() == Failure::Kind::Cancelled)
                throw;
            reused = false;
            connectTo(url, deadline, stop, allowed);
        }
    }
    // A reply read in full keeps its connection when it allows it, whatever
    // its status.
    return finish(url, reply);
}
