#pragma once

#include "base/deadline.h"
#include "control/reply_reader.h"

#include <QByteArray>
#include <QNetworkCookieJar>
#include <QString>

#include <memory>
#include <stop_token>

struct RequestUrl;

// An HTTP client of the window (`ht` for commands, `hdown` for files): its own
// connection and its own cookie store. Every call blocks until the exchange is
// complete or has failed; every wait inside it ends at the caller's deadline
// at the latest, and at once (with Failure::cancelled()) when the caller's
// action is stopped. One thread uses a client at a time.
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
    QByteArray post(const QString &url, Deadline deadline, std::stop_token stop = {});
    // File request: GET HTTP/1.1, reusing the open connection to the same host
    // and port when the device has not closed it. Returns the body.
    QByteArray get(const QString &url, Deadline deadline, std::stop_token stop = {}, const ReplyLimits &limits = {});
    // A GET of an address that a device named in a datagram from `sender`,
    // such as its description's: the body is bounded to `maxBytes`; an address
    // that is not the sender's (after a name is looked up) is refused before
    // any connection, and so is one that is no other single host (any address
    // of this computer, 0.0.0.0/8, link-local, multicast or broadcast).
    QByteArray getNamed(
        const QString &url, Deadline deadline, std::size_t maxBytes, const QString &sender, std::stop_token stop = {});

    QNetworkCookieJar &cookies() { return m_cookies; }
    void closeConnection();

private:
    enum class Hosts { Any, OtherHostsOnly };
    struct Connection;
    struct Progress
    {
        bool anyByte = false;
        bool timedOut = false;
    };

    // Where a request may connect: any host, or only other hosts and only the
    // sender's address when one is given.
    struct Allowed
    {
        Hosts hosts = Hosts::Any;
        QString sender;
    };

    QByteArray fetch(
        const QString &url, Deadline deadline, std::stop_token stop, const ReplyLimits &limits, const Allowed &allowed);
    void connectTo(const RequestUrl &url, Deadline deadline, std::stop_token stop, const Allowed &allowed);
    HttpReply exchange(const RequestUrl &url, const QByteArray &request, bool http10, Deadline deadline,
        std::stop_token stop, const ReplyLimits &limits, Progress &progress);
    bool connectionStillOpen() const;
    QByteArray cookieHeaderFor(const RequestUrl &url) const;
    void storeCookies(const RequestUrl &url, const QList<QByteArray> &setCookies);
    QByteArray finish(const RequestUrl &url, const HttpReply &reply);

    Bounds m_bounds;
    std::unique_ptr<Connection> m_connection;
    QNetworkCookieJar m_cookies;
};
