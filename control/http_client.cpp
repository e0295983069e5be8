#include "control/http_client.h"
#include "control/failure.h"

#include <QNetworkCookie>
#include <QUrl>

#include <boost/beast/core/buffers_to_string.hpp>
#include <boost/beast/http/error.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/string_body.hpp>

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

namespace http = boost::beast::http;

namespace {

const QByteArray AcceptValue = "text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8";
const QByteArray UserAgentValue = "Mozilla/3.0 (compatible; Indy Library)";

Failure closedGracefully()
{
    return Failure(QStringLiteral("Connection Closed Gracefully."));
}

QByteArray ascii7(const QString &text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (QChar c : text)
        bytes.append(c.unicode() < 0x80 ? char(c.unicode()) : '?');
    return bytes;
}

QByteArray firstLineOf(const std::string &data, std::size_t from)
{
    while (from < data.size() && (data[from] == '\r' || data[from] == '\n'))
        ++from;
    const auto end = data.find_first_of("\r\n", from);
    return QByteArray::fromStdString(data.substr(from, end == std::string::npos ? std::string::npos : end - from));
}

bool hasLineEnd(const std::string &data, std::size_t from)
{
    while (from < data.size() && (data[from] == '\r' || data[from] == '\n'))
        ++from;
    return data.find_first_of("\r\n", from) != std::string::npos;
}

} // namespace

RequestUrl parseRequestUrl(const QString &url)
{
    static const QString scheme = QStringLiteral("http://");
    if (!url.startsWith(scheme, Qt::CaseInsensitive))
        throw Failure(QStringLiteral("Invalid URL: '%1'").arg(url));
    const QString rest = url.mid(scheme.size());
    const auto slash = rest.indexOf(u'/');
    const QString hostPart = slash < 0 ? rest : rest.left(slash);
    QString target = slash < 0 ? QStringLiteral("/") : rest.mid(slash);
    const auto hash = target.indexOf(u'#');
    if (hash >= 0)
        target.truncate(hash);

    RequestUrl result;
    const auto colon = hostPart.indexOf(u':');
    result.host = ascii7(colon < 0 ? hostPart : hostPart.left(colon));
    if (result.host.isEmpty())
        throw Failure(QStringLiteral("Invalid URL: '%1'").arg(url));
    if (colon >= 0) {
        bool ok = false;
        const uint port = hostPart.mid(colon + 1).toUInt(&ok);
        if (!ok || port == 0 || port > 65535)
            throw Failure(QStringLiteral("Invalid port in URL: '%1'").arg(url));
        result.port = quint16(port);
    }
    result.hostHeader = result.port == 80 ? result.host : result.host + ':' + QByteArray::number(result.port);
    result.target = ascii7(target);
    const auto query = result.target.indexOf('?');
    result.path = query < 0 ? result.target : result.target.left(query);
    return result;
}

namespace {

// The header lines both clients send, after the request line, and the empty line.
QByteArray commonHeaders(const RequestUrl &url, const QByteArray &cookieHeader)
{
    QByteArray r = "Host: " + url.hostHeader
        + "\r\n"
          "Accept: "
        + AcceptValue
        + "\r\n"
          "Accept-Encoding: identity\r\n"
          "User-Agent: "
        + UserAgentValue + "\r\n";
    if (!cookieHeader.isEmpty())
        r += "Cookie: " + cookieHeader + "\r\n";
    return r + "\r\n";
}

} // namespace

QByteArray buildPostRequest(const RequestUrl &url, const QByteArray &cookieHeader)
{
    return "POST " + url.target
        + " HTTP/1.0\r\n"
          "Connection: keep-alive\r\n"
          "Content-Type: application/x-www-form-urlencoded\r\n"
          "Content-Length: 0\r\n"
        + commonHeaders(url, cookieHeader);
}

QByteArray buildGetRequest(const RequestUrl &url, const QByteArray &cookieHeader)
{
    return "GET " + url.target + " HTTP/1.1\r\n" + commonHeaders(url, cookieHeader);
}

HttpReply ReplyReader::parse(const QByteArray &bytes, bool requestWasHttp10, const ReplyLimits &limits)
{
    std::size_t offset = 0;
    return read(
        [&](char *data, std::size_t size) {
            const std::size_t n = std::min(size, std::size_t(bytes.size()) - offset);
            std::copy_n(bytes.constData() + offset, n, data);
            offset += n;
            return n;
        },
        requestWasHttp10, limits);
}

HttpReply ReplyReader::readFrom(Source &source, bool requestWasHttp10, const ReplyLimits &limits, bool *anyByte)
{
    std::string data;
    std::size_t pos = 0;
    bool eof = false;
    char chunk[16384];

    auto readMore = [&] {
        const std::size_t n = source.readSome(chunk, sizeof chunk);
        if (n == 0) {
            eof = true;
            return;
        }
        if (anyByte)
            *anyByte = true;
        data.append(chunk, n);
    };

    for (;;) { // one message; a 100 reply is skipped and the next one read
        http::response_parser<http::string_body> parser;
        parser.eager(true);
        parser.header_limit(std::uint32_t(limits.maxHeader));
        parser.body_limit(limits.maxBody);
        const std::size_t messageStart = pos;
        boost::system::error_code ec;
        bool incomplete = false;

        while (!parser.is_done()) {
            if (pos < data.size()) {
                pos += parser.put(boost::asio::buffer(data.data() + pos, data.size() - pos), ec);
                if (ec == http::error::need_more)
                    ec = {};
                else if (ec)
                    break;
                if (parser.is_done())
                    break;
            }
            if (eof) {
                if (parser.got_some())
                    parser.put_eof(ec);
                else
                    ec = http::error::partial_message;
                incomplete = bool(ec);
                break;
            }
            readMore();
        }

        if (ec == http::error::header_limit)
            throw Failure(
                QStringLiteral("The reply's header block is larger than %1 KiB.").arg(limits.maxHeader / 1024));
        if (ec == http::error::body_limit)
            throw Failure(QStringLiteral("The reply is larger than %1 MiB.").arg(limits.maxBody / (1024 * 1024)));

        HttpReply reply;
        reply.statusLine = firstLineOf(data, messageStart);

        if (!parser.is_header_done()) {
            // Closed inside the header block: the status line counts when it came whole.
            if (!incomplete || !hasLineEnd(data, messageStart))
                throw ec && !incomplete
                    ? Failure(QStringLiteral("Invalid HTTP reply: %1").arg(QString::fromStdString(ec.message())))
                    : closedGracefully();
            const auto parts = reply.statusLine.split(' ');
            reply.status = parts.size() > 1 ? parts.at(1).toUInt() : 0;
            if (!reply.statusLine.startsWith("HTTP/") || reply.status == 0)
                throw closedGracefully();
            return reply;
        }
        if (ec && !incomplete)
            throw Failure(QStringLiteral("Invalid HTTP reply: %1").arg(QString::fromStdString(ec.message())));

        const auto &message = parser.get();
        reply.status = message.result_int();
        if (reply.status == 100 && !incomplete)
            continue;
        for (const auto &field : message) {
            if (boost::beast::iequals(field.name_string(), "Set-Cookie"))
                reply.setCookies.append(QByteArray(field.value().data(), qsizetype(field.value().size())));
        }
        const bool success = reply.status >= 200 && reply.status < 300;
        if (incomplete && success && parser.chunked())
            throw closedGracefully();
        reply.body = QByteArray(message.body().data(), qsizetype(message.body().size()));

        const auto connection = message[http::field::connection];
        const bool saysKeepAlive = boost::beast::iequals(connection, "keep-alive");
        const bool saysClose = boost::beast::iequals(connection, "close");
        reply.keepAlive = !eof && pos == data.size() && (requestWasHttp10 ? saysKeepAlive : !saysClose);
        return reply;
    }
}

class HttpClient::CookieStore : public QNetworkCookieJar
{
};

HttpClient::HttpClient()
    : m_cookies(std::make_unique<CookieStore>())
{
}

QNetworkCookieJar &HttpClient::cookies()
{
    return *m_cookies;
}

HttpClient::~HttpClient()
{
    closeConnection();
}

void HttpClient::closeConnection()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_connHost.clear();
    m_connPort = 0;
}

namespace {

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

int waitFor(int fd, short events, int timeoutMs)
{
    pollfd p { fd, events, 0 };
    for (;;) {
        const int r = ::poll(&p, 1, timeoutMs);
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0)
            throw Failure::socket(errno);
        return r;
    }
}

} // namespace

QByteArray HttpClient::cookieHeaderFor(const RequestUrl &url) const
{
    QByteArray header;
    for (const auto &cookie : m_cookies->cookiesForUrl(cookieUrl(url))) {
        if (!header.isEmpty())
            header += "; ";
        header += cookie.toRawForm(QNetworkCookie::NameAndValueOnly);
    }
    return header;
}

void HttpClient::storeCookies(const RequestUrl &url, const HttpReply &reply)
{
    QList<QNetworkCookie> cookies;
    for (const auto &line : reply.setCookies)
        cookies += QNetworkCookie::parseCookies(line);
    if (!cookies.isEmpty())
        m_cookies->setCookiesFromUrl(cookies, cookieUrl(url));
}

void HttpClient::connectTo(const RequestUrl &url)
{
    closeConnection();
    addrinfo hints {};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *found = nullptr;
    const int rc = ::getaddrinfo(url.host.constData(), nullptr, &hints, &found);
    if (rc != 0 || !found)
        throw Failure(QStringLiteral("Host not found: %1 (%2)")
                          .arg(QString::fromLatin1(url.host), QString::fromLocal8Bit(gai_strerror(rc))));
    sockaddr_in address = *reinterpret_cast<sockaddr_in *>(found->ai_addr);
    ::freeaddrinfo(found);
    address.sin_port = htons(url.port);

    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        throw Failure::socket(errno);
    auto fail = [fd](int code) {
        ::close(fd);
        throw Failure::socket(code);
    };
    if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        if (errno != EINPROGRESS)
            fail(errno);
        int ready = 0;
        try {
            ready = waitFor(fd, POLLOUT, m_timeouts.connectMs);
        } catch (...) {
            ::close(fd);
            throw;
        }
        if (ready == 0)
            fail(ETIMEDOUT);
        int error = 0;
        socklen_t length = sizeof error;
        ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
        if (error != 0)
            fail(error);
    }
    m_fd = fd;
    m_connHost = url.host;
    m_connPort = url.port;
}

// Home devices close idle connections after a few seconds; a connection whose
// peer has closed (or that holds stray bytes) must not be reused.
bool HttpClient::connectionStillOpen() const
{
    if (m_fd < 0)
        return false;
    pollfd p { m_fd, POLLIN, 0 };
    if (::poll(&p, 1, 0) == 0)
        return true;
    return false;
}

HttpReply HttpClient::exchange(const QByteArray &request, bool http10, Progress &progress)
{
    qsizetype sent = 0;
    while (sent < request.size()) {
        const ssize_t n = ::send(m_fd, request.constData() + sent, size_t(request.size() - sent), MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                if (waitFor(m_fd, POLLOUT, m_timeouts.readMs) == 0) {
                    progress.timedOut = true;
                    throw Failure::socket(ETIMEDOUT);
                }
                continue;
            }
            throw Failure::socket(errno);
        }
        sent += n;
    }
    const int fd = m_fd;
    const int timeout = m_timeouts.readMs;
    return ReplyReader::read(
        [fd, timeout, &progress](char *data, std::size_t size) -> std::size_t {
            for (;;) {
                if (waitFor(fd, POLLIN, timeout) == 0) {
                    progress.timedOut = true;
                    throw Failure::socket(ETIMEDOUT);
                }
                const ssize_t n = ::recv(fd, data, size, 0);
                if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK))
                    continue;
                if (n < 0) {
                    if (errno == ECONNRESET)
                        return 0; // the device dropped the connection: same as a close
                    throw Failure::socket(errno);
                }
                return std::size_t(n);
            }
        },
        http10, m_limits, &progress.anyByte);
}

QByteArray HttpClient::finish(const RequestUrl &url, const HttpReply &reply)
{
    storeCookies(url, reply);
    if (!reply.keepAlive)
        closeConnection();
    if (reply.status < 200 || reply.status >= 300)
        throw Failure(QString::fromLatin1(reply.statusLine));
    return reply.body;
}

QByteArray HttpClient::post(const QString &urlText)
{
    const RequestUrl url = parseRequestUrl(urlText);
    closeConnection(); // every POST goes out on a new connection
    connectTo(url);
    try {
        Progress progress;
        const HttpReply reply = exchange(buildPostRequest(url, cookieHeaderFor(url)), true, progress);
        return finish(url, reply);
    } catch (const Failure &) {
        closeConnection();
        throw;
    }
}

QByteArray HttpClient::get(const QString &urlText)
{
    const RequestUrl url = parseRequestUrl(urlText);
    bool reused = m_fd >= 0 && m_connHost == url.host && m_connPort == url.port && connectionStillOpen();
    if (!reused)
        connectTo(url);
    const QByteArray request = buildGetRequest(url, cookieHeaderFor(url));
    for (;;) {
        Progress progress;
        try {
            const HttpReply reply = exchange(request, false, progress);
            return finish(url, reply);
        } catch (const Failure &) {
            closeConnection();
            // A kept-alive connection may have been closed by the device just as
            // we sent: try once more on a fresh one if it was closed before any
            // byte of the reply came back.
            if (!reused || progress.anyByte || progress.timedOut)
                throw;
            reused = false;
            connectTo(url);
        }
    }
}
