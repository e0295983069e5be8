#pragma once

#include "base/deadline.h"
#include "control/reply_reader.h"

#include <QByteArray>
#include <QNetworkCookieJar>
#include <QString>

#include <memory>

struct RequestUrl;

// An HTTP client of the window (`ht` for commands, `hdown` for files): its own
// connection and its own cookie store. Every call blocks until the exchange is
// complete or has failed; every wait inside it ends at the caller's deadline
// at the latest.
class HttpClient
{
public:
    // A wait's own bounds, each cut short by the caller's deadline.
    struct Bounds
    {
        milliseconds connect { 5000 }; // to set up a connection
        milliseconds idle { 10000 }; // without a byte going out or coming in
    };

    HttpClient();
    explicit HttpClient(Bounds bounds);
    ~HttpClient();
    HttpClient(const HttpClient &) = delete;
    HttpClient &operator=(const HttpClient &) = delete;

    // Command request: POST HTTP/1.0 on a new connection. Returns the body.
    QByteArray post(const QString &url, Deadline deadline);
    // File request: GET HTTP/1.1, reusing the open connection to the same host
    // and port when the device has not closed it. Returns the body.
    QByteArray get(const QString &url, Deadline deadline, const ReplyLimits &limits = {});
    // A GET of an address that a device named, such as its description's: the
    // body is bounded to `maxBytes`, and an address that is no other single
    // host (any address of this computer, 0.0.0.0/8, link-local, multicast or
    // broadcast) is refused.
    QByteArray getNamed(const QString &url, Deadline deadline, std::size_t maxBytes);

    QNetworkCookieJar &cookies() { return m_cookies; }
    void closeConnection();

    // From any thread: the call under way, and every later one until
    // clearInterrupt(), fails at once with Failure::cancelled(). A name
    // lookup under way is left to finish alone.
    void interrupt();
    // On the calling thread, between actions.
    void clearInterrupt();

private:
    enum class Hosts { Any, OtherHostsOnly };
    struct Connection;
    struct Progress
    {
        bool anyByte = false;
        bool timedOut = false;
    };

    QByteArray fetch(const QString &url, Deadline deadline, const ReplyLimits &limits, Hosts hosts);
    void connectTo(const RequestUrl &url, Deadline deadline, Hosts hosts);
    HttpReply exchange(const RequestUrl &url, const QByteArray &request, bool http10, Deadline deadline,
        const ReplyLimits &limits, Progress &progress);
    bool connectionStillOpen() const;
    QByteArray cookieHeaderFor(const RequestUrl &url) const;
    void storeCookies(const RequestUrl &url, const QList<QByteArray> &setCookies);
    QByteArray finish(const RequestUrl &url, const HttpReply &reply);

    Bounds m_bounds;
    std::unique_ptr<Connection> m_connection;
    QNetworkCookieJar m_cookies;
};
