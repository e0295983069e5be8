#pragma once

#include <QByteArray>
#include <QNetworkCookieJar>
#include <QString>

#include <cstddef>
#include <memory>

// The parts of a device URL as the request needs them: "http://" + host
// [":" port] + target. Nothing is escaped; the target is cut at "#" and every
// character outside 7-bit ASCII becomes "?".
struct RequestUrl
{
    QByteArray host; // without the port
    quint16 port = 80;
    QByteArray hostHeader; // host, with ":port" when the URL names a port other than 80
    QByteArray target;
    QByteArray path; // target up to "?", for cookie matching
};

// Fails with a clear message when the text is no "http://" URL with a host.
RequestUrl parseRequestUrl(const QString &url);

// The exact request bytes.
QByteArray buildPostRequest(const RequestUrl &url, const QByteArray &cookieHeader);
QByteArray buildGetRequest(const RequestUrl &url, const QByteArray &cookieHeader);

// One reply as read from the wire.
struct HttpReply
{
    unsigned status = 0;
    QByteArray statusLine;
    QByteArray body;
    bool keepAlive = false;
    QList<QByteArray> setCookies;
};

// Reads an HTTP reply from a byte source. `read` fills the buffer and returns
// the byte count, 0 at the end of the stream; it throws on socket errors.
// Used by the client and fed with buffers by the tests and the fuzzer.
// Bounds that keep a broken device from filling memory.
struct ReplyLimits
{
    std::size_t maxHeader = 64 * 1024;
    std::size_t maxBody = 16 * 1024 * 1024;
};

class ReplyReader
{
public:
    template <typename ReadFn>
    static HttpReply read(ReadFn &&readSome, bool requestWasHttp10, const ReplyLimits &limits, bool *anyByte = nullptr);

    static HttpReply parse(
        const QByteArray &bytes, bool requestWasHttp10 = false, const ReplyLimits &limits = ReplyLimits());

private:
    struct Source
    {
        virtual ~Source() = default;
        virtual std::size_t readSome(char *data, std::size_t size) = 0;
    };
    static HttpReply readFrom(Source &source, bool requestWasHttp10, const ReplyLimits &limits, bool *anyByte);
};

template <typename ReadFn>
HttpReply ReplyReader::read(ReadFn &&readSome, bool requestWasHttp10, const ReplyLimits &limits, bool *anyByte)
{
    struct FnSource : Source
    {
        ReadFn &fn;
        explicit FnSource(ReadFn &f)
            : fn(f)
        {
        }
        std::size_t readSome(char *data, std::size_t size) override { return fn(data, size); }
    } source(readSome);
    return readFrom(source, requestWasHttp10, limits, anyByte);
}

// An HTTP client of the window (`ht` for commands, `hdown` for files): its own
// connection and its own cookie store. Every call blocks until the exchange is
// complete or has failed; waits are bounded so the window is never held long.
class HttpClient
{
public:
    struct Timeouts
    {
        int connectMs = 5000;
        int readMs = 10000;
    };

    HttpClient();
    ~HttpClient();
    HttpClient(const HttpClient &) = delete;
    HttpClient &operator=(const HttpClient &) = delete;

    // Command request: POST HTTP/1.0 on a new connection. Returns the body.
    QByteArray post(const QString &url);
    // File request: GET HTTP/1.1, reusing the open connection to the same host
    // and port when the device has not closed it. Returns the body.
    QByteArray get(const QString &url);

    QNetworkCookieJar &cookies();
    void setTimeouts(const Timeouts &timeouts) { m_timeouts = timeouts; }
    void closeConnection();

private:
    class CookieStore;

    struct Progress
    {
        bool anyByte = false;
        bool timedOut = false;
    };
    HttpReply exchange(const QByteArray &request, bool http10, Progress &progress);
    void connectTo(const RequestUrl &url);
    bool connectionStillOpen() const;
    QByteArray cookieHeaderFor(const RequestUrl &url) const;
    void storeCookies(const RequestUrl &url, const HttpReply &reply);
    QByteArray finish(const RequestUrl &url, const HttpReply &reply);

    int m_fd = -1;
    QByteArray m_connHost;
    quint16 m_connPort = 0;
    Timeouts m_timeouts;
    ReplyLimits m_limits;
    std::unique_ptr<CookieStore> m_cookies;
};
