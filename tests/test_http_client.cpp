// The command channel's client against a raw loopback listener: exact request
// bytes, reply reading, failures, cookies and connection handling. Runs in the
// private network so that port 80 is free.
#include "base/failure.h"
#include "control/endpoints.h"
#include "control/http_client.h"
#include "raw_server.h"

#include <QElapsedTimer>
#include <QTest>

namespace {

QString failureOf(const std::function<void()> &call)
{
    try {
        call();
    } catch (const Failure &f) {
        return f.message();
    }
    return QStringLiteral("<no failure>");
}

Deadline soon()
{
    return deadlineIn(ActionBudget);
}

const std::string Accept = "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8\r\n";
const std::string Agent = "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n";

} // namespace

class TestHttpClient : public QObject
{
    Q_OBJECT

private slots:
    void postBytes()
    {
        RawServer server([](const auto &) { return RawServer::Response { okReply("OK\r\n"), true }; }, 80);
        QVERIFY(server.ok());
        HttpClient client;
        client.post(QStringLiteral("http://127.0.0.1/orvex/el/php_command_startstop.php?volev&val=35"), soon());
        QCOMPARE(server.requests().at(0).bytes,
            "POST /orvex/el/php_command_startstop.php?volev&val=35 HTTP/1.0\r\n"
            "Connection: keep-alive\r\n"
            "Content-Type: application/x-www-form-urlencoded\r\n"
            "Content-Length: 0\r\n"
            "Host: 127.0.0.1\r\n"
                + Accept + "Accept-Encoding: identity\r\n" + Agent + "\r\n");
    }

    void getBytesWithPort()
    {
        RawServer server([](const auto &) { return RawServer::Response { okReply("<root/>") }; });
        HttpClient client;
        const QString url = QStringLiteral("http://127.0.0.1:%1/description.xml").arg(server.port());
        QCOMPARE(client.get(url, soon()), QByteArray("<root/>"));
        QCOMPARE(server.requests().at(0).bytes,
            "GET /description.xml HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(server.port()) + "\r\n" + Accept
                + "Accept-Encoding: identity\r\n" + Agent + "\r\n");
    }

    void targetIsNotEscaped()
    {
        RawServer server([](const auto &) { return RawServer::Response { okReply("OK"), true }; }, 80);
        HttpClient client;
        client.post(QStringLiteral("http://127.0.0.1/orvex/x.php?wraddr&wraddre=http://s/a b.mp3"), soon());
        client.post(QStringLiteral("http://127.0.0.1/orvex/x.php?wraddr&wraddre=http://s/a#frag"), soon());
        client.post(QStringLiteral("http://127.0.0.1/orvex/x.php?wraddr&wraddre=http://s/Café"), soon());
        const auto requests = server.requests();
        QVERIFY(requests.at(0).bytes.starts_with("POST /orvex/x.php?wraddr&wraddre=http://s/a b.mp3 HTTP/1.0\r\n"));
        QVERIFY(requests.at(1).bytes.starts_with("POST /orvex/x.php?wraddr&wraddre=http://s/a HTTP/1.0\r\n"));
        QVERIFY(requests.at(2).bytes.starts_with("POST /orvex/x.php?wraddr&wraddre=http://s/Caf? HTTP/1.0\r\n"));
    }

    void replies_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("failure");
        QTest::newRow("content-length") << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello")
                                        << QByteArray("hello") << "";
        QTest::newRow("chunked") << QByteArray(
            "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nhel\r\n2\r\nlo\r\n0\r\n\r\n")
                                 << QByteArray("hello") << "";
        QTest::newRow("until close") << QByteArray("HTTP/1.0 200 OK\r\n\r\nhello") << QByteArray("hello") << "";
        QTest::newRow("100 skipped") << QByteArray(
            "HTTP/1.1 100 Continue\r\nX: y\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok")
                                     << QByteArray("ok") << "";
        QTest::newRow("204") << QByteArray("HTTP/1.1 204 No Content\r\n\r\n") << QByteArray() << "";
        QTest::newRow("content cut short") << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nhalf")
                                           << QByteArray() << "Connection Closed Gracefully.";
        QTest::newRow("content cut short of a 404")
            << QByteArray("HTTP/1.1 404 Not Found\r\nContent-Length: 100\r\n\r\nhalf") << QByteArray()
            << "HTTP/1.1 404 Not Found";
        QTest::newRow("closed in headers after the status line")
            << QByteArray("HTTP/1.1 200 OK\r\nContent-Le") << QByteArray() << "";
        QTest::newRow("closed before the status line")
            << QByteArray() << QByteArray() << "Connection Closed Gracefully.";
        QTest::newRow("closed inside the status line")
            << QByteArray("HTTP/1.1 20") << QByteArray() << "Connection Closed Gracefully.";
        QTest::newRow("closed inside chunked body")
            << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhe") << QByteArray()
            << "Connection Closed Gracefully.";
        QTest::newRow("404") << QByteArray("HTTP/1.1 404 Not Found\r\nContent-Length: 3\r\n\r\nno!") << QByteArray()
                             << "HTTP/1.1 404 Not Found";
        QTest::newRow("302 not followed")
            << QByteArray("HTTP/1.1 302 Found\r\nLocation: http://127.0.0.1/else\r\nContent-Length: 0\r\n\r\n")
            << QByteArray() << "HTTP/1.1 302 Found";
        QTest::newRow("500 odd reason") << QByteArray("HTTP/1.0 500 Oops here\r\n\r\n") << QByteArray()
                                        << "HTTP/1.0 500 Oops here";
    }
    void replies()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QByteArray, body);
        QFETCH(QString, failure);
        RawServer server([&](const auto &) { return RawServer::Response { reply.toStdString(), true }; }, 80);
        HttpClient client;
        QByteArray got;
        const QString message
            = failureOf([&] { got = client.post(QStringLiteral("http://127.0.0.1/orvex/x"), soon()); });
        QCOMPARE(message, failure.isEmpty() ? QStringLiteral("<no failure>") : failure);
        QCOMPARE(got, body);
    }

    void refusedConnection()
    {
        HttpClient client;
        QCOMPARE(failureOf([&] { client.post(QStringLiteral("http://127.0.0.1:9/orvex/x"), soon()); }),
            QStringLiteral("Socket Error # 111\r\nConnection refused"));
    }

    void silentDeviceTimesOut()
    {
        RawServer server([](const auto &) { return RawServer::Response { {}, false, true }; });
        HttpClient client({ milliseconds(5000), milliseconds(300) });
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(failureOf([&] { client.get(QStringLiteral("http://127.0.0.1:%1/x").arg(server.port()), soon()); }),
            QStringLiteral("Socket Error # 110\r\nConnection timed out"));
        QVERIFY(clock.elapsed() < 3000);
    }

    void oversizeReplies()
    {
        RawServer server([](const RawServer::Request &r) {
            if (r.bytes.find("/big") != std::string::npos)
                return RawServer::Response { "HTTP/1.1 200 OK\r\nContent-Length: 20000000\r\n\r\n", true };
            return RawServer::Response { "HTTP/1.1 200 OK\r\nX: " + std::string(70000, 'a') + "\r\n\r\n", true };
        });
        HttpClient client;
        const QString base = QStringLiteral("http://127.0.0.1:%1").arg(server.port());
        QCOMPARE(failureOf([&] { client.get(base + QStringLiteral("/big"), soon()); }),
            QStringLiteral("The reply is larger than 16 MiB."));
        QCOMPARE(failureOf([&] { client.get(base + QStringLiteral("/head"), soon()); }),
            QStringLiteral("The reply's header block is larger than 64 KiB."));
    }

    void everyPostOnANewConnection()
    {
        RawServer server(
            [](const auto &) { return RawServer::Response { okReply("OK", "Connection: keep-alive\r\n") }; }, 80);
        HttpClient client;
        client.post(QStringLiteral("http://127.0.0.1/a"), soon());
        client.post(QStringLiteral("http://127.0.0.1/b"), soon());
        const auto requests = server.requests();
        QCOMPARE(requests.size(), size_t(2));
        QVERIFY(requests.at(0).connection != requests.at(1).connection);
    }

    void getsShareAConnection()
    {
        RawServer server([](const auto &) { return RawServer::Response { okReply("OK") }; });
        HttpClient client;
        const QString base = QStringLiteral("http://127.0.0.1:%1").arg(server.port());
        client.get(base + QStringLiteral("/a"), soon());
        client.get(base + QStringLiteral("/b"), soon());
        const auto requests = server.requests();
        QCOMPARE(requests.at(0).connection, requests.at(1).connection);
    }

    // Devices close idle connections; the next GET must not fail for it.
    void getAfterDeviceClosedIdleConnection()
    {
        RawServer server([](const auto &) { return RawServer::Response { okReply("OK") }; });
        HttpClient client;
        const QString base = QStringLiteral("http://127.0.0.1:%1").arg(server.port());
        client.get(base + QStringLiteral("/a"), soon());
        server.closeIdle();
        QTest::qWait(100);
        QCOMPARE(client.get(base + QStringLiteral("/b"), soon()), QByteArray("OK"));
        QCOMPARE(server.connections(), 2);
    }

    // The device drops the kept-alive connection just as the request arrives:
    // sent once more on a new connection.
    void getRepeatedWhenReusedConnectionDropsRequest()
    {
        int served = 0;
        RawServer server([&](const RawServer::Request &r) {
            if (r.connection == 0 && ++served == 2)
                return RawServer::Response { {}, true };
            return RawServer::Response { okReply("OK") };
        });
        HttpClient client;
        const QString base = QStringLiteral("http://127.0.0.1:%1").arg(server.port());
        client.get(base + QStringLiteral("/a"), soon());
        QCOMPARE(client.get(base + QStringLiteral("/b"), soon()), QByteArray("OK"));
        const auto requests = server.requests();
        QCOMPARE(requests.size(), size_t(3));
        QVERIFY(requests.at(2).bytes.starts_with("GET /b "));
        QCOMPARE(requests.at(2).connection, 1);
    }

    void postIsNeverRepeated()
    {
        RawServer server([](const auto &) { return RawServer::Response { {}, true }; }, 80);
        HttpClient client;
        QCOMPARE(failureOf([&] { client.post(QStringLiteral("http://127.0.0.1/x"), soon()); }),
            QStringLiteral("Connection Closed Gracefully."));
        QCOMPARE(server.requests().size(), size_t(1));
    }

    // Each client has its own store; a cookie goes back only where it belongs,
    // and cookies of failing replies are kept too.
    void cookies()
    {
        RawServer server(
            [](const RawServer::Request &r) {
                if (r.bytes.find("/setpost") != std::string::npos)
                    return RawServer::Response { okReply("OK", "Set-Cookie: p=1; Path=/orvex\r\n"), true };
                if (r.bytes.find("/fail") != std::string::npos)
                    return RawServer::Response {
                        "HTTP/1.1 404 Not Found\r\nSet-Cookie: f=2; Path=/\r\nContent-Length: 0\r\n\r\n", true
                    };
                return RawServer::Response { okReply("OK"), true };
            },
            80);
        HttpClient ht, hdown;
        ht.post(QStringLiteral("http://127.0.0.1/orvex/setpost"), soon());
        ht.post(QStringLiteral("http://127.0.0.1/orvex/next"), soon());
        ht.post(QStringLiteral("http://127.0.0.1/other/path"), soon());
        hdown.get(QStringLiteral("http://127.0.0.1/orvex/file"), soon());
        failureOf([&] { hdown.get(QStringLiteral("http://127.0.0.1/fail"), soon()); });
        hdown.get(QStringLiteral("http://127.0.0.1/orvex/again"), soon());
        const auto r = server.requests();
        QCOMPARE(r.size(), size_t(6));
        QVERIFY(r[0].bytes.find("Cookie:") == std::string::npos);
        QVERIFY(r[1].bytes.find("\r\nCookie: p=1\r\n") != std::string::npos);
        QVERIFY(r[2].bytes.find("Cookie:") == std::string::npos);
        QVERIFY(r[3].bytes.find("Cookie:") == std::string::npos);
        QVERIFY(r[5].bytes.find("\r\nCookie: f=2\r\n") != std::string::npos);
        QVERIFY(r[5].bytes.find("p=1") == std::string::npos);
    }

    void readerTakesBuffers()
    {
        const HttpReply reply
            = ReplyReader::parse("HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: 2\r\n\r\nok");
        QCOMPARE(reply.status, 200u);
        QCOMPARE(reply.statusLine, QByteArray("HTTP/1.1 200 OK"));
        QCOMPARE(reply.body, QByteArray("ok"));
        QVERIFY(!reply.keepAlive);
    }

    void badUrls()
    {
        HttpClient client;
        QCOMPARE(failureOf([&] { client.get(QString(), soon()); }), QStringLiteral("Invalid URL: ''"));
        QCOMPARE(failureOf([&] { client.get(QStringLiteral("X- x"), soon()); }), QStringLiteral("Invalid URL: 'X- x'"));
    }

    // Replies that browsers read, read the same way.
    void tolerantReplies_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("failure");
        QTest::newRow("no reason phrase")
            << QByteArray("HTTP/1.1 200\r\nContent-Length: 2\r\n\r\nok") << QByteArray("ok") << "";
        QTest::newRow("404 without reason keeps its line")
            << QByteArray("HTTP/1.1 404\r\nContent-Length: 0\r\n\r\n") << QByteArray() << "HTTP/1.1 404";
        QTest::newRow("bare LF") << QByteArray("HTTP/1.1 200 OK\nContent-Length: 2\n\nok") << QByteArray("ok") << "";
        QTest::newRow("header line without a colon")
            << QByteArray("HTTP/1.1 200 OK\r\nGarbage here\r\nContent-Length: 2\r\n\r\nok") << QByteArray("ok") << "";
        QTest::newRow("folded and malformed names ignored")
            << QByteArray("HTTP/1.1 200 OK\r\n  folded: x\r\nBad Name: y\r\nContent-Length: 2\r\n\r\nok")
            << QByteArray("ok") << "";
        QTest::newRow("LF-only chunk lines")
            << QByteArray("HTTP/1.1 200 OK\nTransfer-Encoding: chunked\n\n2\nok\n1;ext=1\n!\n0\n\n")
            << QByteArray("ok!") << "";
        QTest::newRow("chunked wins over Content-Length") << QByteArray(
            "HTTP/1.1 200 OK\r\nContent-Length: 100\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nok\r\n0\r\n\r\n")
                                                          << QByteArray("ok") << "";
        QTest::newRow("line break before the status line")
            << QByteArray("\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok") << QByteArray("ok") << "";
        QTest::newRow("trailer read") << QByteArray(
            "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nok\r\n0\r\nX: y\r\n\r\n")
                                      << QByteArray("ok") << "";
        QTest::newRow("not HTTP") << QByteArray("SSH-2.0-OpenSSH\r\n\r\n") << QByteArray()
                                  << "Invalid HTTP reply: bad status line";
        QTest::newRow("chunk size with leading zeros") << QByteArray(
            "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n00000000000000000002\r\nok\r\n0\r\n\r\n")
                                                       << QByteArray("ok") << "";
        QTest::newRow("bad chunk size") << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n")
                                        << QByteArray() << "Invalid HTTP reply: bad chunk size";
    }
    void tolerantReplies()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QByteArray, body);
        QFETCH(QString, failure);
        QString message = QStringLiteral("<no failure>");
        HttpReply parsed;
        try {
            parsed = ReplyReader::parse(reply);
            if (parsed.status < 200 || parsed.status >= 300)
                message = QString::fromLatin1(parsed.statusLine);
        } catch (const Failure &f) {
            message = f.message();
        }
        QCOMPARE(message, failure.isEmpty() ? QStringLiteral("<no failure>") : failure);
        if (failure.isEmpty())
            QCOMPARE(parsed.body, body);
    }

    // Endless framing fails at its own limit, having taken a bounded number of
    // bytes: the reader never holds more than that.
    void readerLimits_data()
    {
        QTest::addColumn<QByteArray>("start");
        QTest::addColumn<QByteArray>("repeat"); // fed for ever after the start
        QTest::addColumn<QString>("failure");
        QTest::addColumn<int>("maxBytes"); // fed at most before the failure
        const QByteArray chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
        QTest::newRow("chunk-size line without an end")
            << chunked + "1;x=" << QByteArray(4096, 'a') << "The reply's chunk line is longer than 4 KiB." << 64 * 1024;
        QTest::newRow("endless trailer") << chunked + "0\r\n"
                                         << QByteArray("X-Trailer: yes\r\n")
                                         << "The reply's trailer is larger than 64 KiB." << 256 * 1024;
        QTest::newRow("1,000 interim replies") << QByteArray() << QByteArray("HTTP/1.1 100 Continue\r\n\r\n")
                                               << "Invalid HTTP reply: more than 8 interim replies" << 64 * 1024;
        QTest::newRow("endless header") << QByteArray("HTTP/1.1 200 OK\r\n") << QByteArray("X: y\r\n")
                                        << "The reply's header block is larger than 64 KiB." << 256 * 1024;
        QTest::newRow("endless body") << QByteArray("HTTP/1.0 200 OK\r\n\r\n") << QByteArray(65536, 'b')
                                      << "The reply is larger than 16 MiB." << 18 * 1024 * 1024;
        QTest::newRow("endless chunks") << chunked << QByteArray("1000\r\n") + QByteArray(4096, 'c') + "\r\n"
                                        << "The reply is larger than 16 MiB." << 18 * 1024 * 1024;
    }
    void readerLimits()
    {
        QFETCH(QByteArray, start);
        QFETCH(QByteArray, repeat);
        QFETCH(QString, failure);
        QFETCH(int, maxBytes);
        ReplyReader reader(false);
        qsizetype fed = 0;
        QString message;
        try {
            reader.feed(std::string_view(start.constData(), std::size_t(start.size())));
            fed += start.size();
            for (int i = 0; i < 100000; ++i) {
                reader.feed(std::string_view(repeat.constData(), std::size_t(repeat.size())));
                fed += repeat.size();
            }
        } catch (const Failure &f) {
            message = f.message();
        }
        QCOMPARE(message, failure);
        QVERIFY2(fed <= maxBytes, qPrintable(QString::number(fed)));
    }

    // A byte dripped just inside the per-read bound still ends at the action's deadline.
    void drippingReplyEndsAtTheDeadline()
    {
        RawServer server([](const auto &) {
            return RawServer::Response { okReply(std::string(200, 'd')), true, false, 100 };
        });
        HttpClient client({ milliseconds(1000), milliseconds(300) });
        QElapsedTimer clock;
        clock.start();
        const QString message = failureOf([&] {
            client.get(QStringLiteral("http://127.0.0.1:%1/x").arg(server.port()), deadlineIn(milliseconds(1000)));
        });
        QCOMPARE(message, QStringLiteral("Socket Error # 110\r\nConnection timed out"));
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed()))); // the whole reply takes 25 s
    }

    // A reset is never the end of a reply, whatever it came after: a volume
    // file cut to "10" must not become volume 10.
    void resetIsAFailure_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::newRow("inside an announced body") << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\n10");
        QTest::newRow("a body delimited by the close") << QByteArray("HTTP/1.0 200 OK\r\n\r\n10");
        QTest::newRow("inside a chunked body")
            << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\n10");
        QTest::newRow("after the status line") << QByteArray("HTTP/1.1 200 OK\r\n");
    }
    void resetIsAFailure()
    {
        QFETCH(QByteArray, reply);
        RawServer server([&](const auto &) {
            return RawServer::Response { reply.toStdString(), false, false, 0, true };
        });
        HttpClient client;
        QByteArray body = "untouched";
        const QString message = failureOf(
            [&] { body = client.get(QStringLiteral("http://127.0.0.1:%1/orvex/vol").arg(server.port()), soon()); });
        QCOMPARE(message, QStringLiteral("Socket Error # 104\r\nConnection reset by peer"));
        QCOMPARE(body, QByteArray("untouched"));
    }

    // Limits chosen as large as they go saturate instead of wrapping round to
    // small numbers.
    void limitsSaturate()
    {
        const ReplyLimits huge { SIZE_MAX, SIZE_MAX, SIZE_MAX, INT_MAX };
        QCOMPARE(huge.maxTotal(), SIZE_MAX);
        const ReplyLimits hugeBody { 64, SIZE_MAX - 10, 64, 8 };
        QCOMPARE(hugeBody.maxTotal(), SIZE_MAX);
        const HttpReply reply = ReplyReader::parse(
            "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nok\r\n0\r\n\r\n", false, huge);
        QCOMPARE(reply.body, QByteArray("ok"));
    }

    void cookiesOfAReplyCutInItsBody()
    {
        int served = 0;
        RawServer server([&](const auto &) {
            if (served++ == 0)
                return RawServer::Response {
                    "HTTP/1.1 200 OK\r\nSet-Cookie: c=1; Path=/\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nab", true
                };
            return RawServer::Response { okReply("OK"), true };
        });
        HttpClient client;
        const QString base = QStringLiteral("http://127.0.0.1:%1").arg(server.port());
        QCOMPARE(failureOf([&] { client.get(base + QStringLiteral("/a"), soon()); }),
            QStringLiteral("Connection Closed Gracefully."));
        client.get(base + QStringLiteral("/b"), soon());
        QVERIFY(server.requests().at(1).bytes.find("\r\nCookie: c=1\r\n") != std::string::npos);
    }

    void failingGetKeepsItsConnection()
    {
        RawServer server([](const RawServer::Request &r) {
            if (r.bytes.find("/missing") != std::string::npos)
                return RawServer::Response { "HTTP/1.1 404 Not Found\r\nContent-Length: 2\r\n\r\nno" };
            return RawServer::Response { okReply("OK") };
        });
        HttpClient client;
        const QString base = QStringLiteral("http://127.0.0.1:%1").arg(server.port());
        QCOMPARE(failureOf([&] { client.get(base + QStringLiteral("/missing"), soon()); }),
            QStringLiteral("HTTP/1.1 404 Not Found"));
        QCOMPARE(client.get(base + QStringLiteral("/there"), soon()), QByteArray("OK"));
        QCOMPARE(server.connections(), 1);
    }

    // A LOCATION is fetched only from the address that sent it, and only when
    // that is another single host: another host, by address or by a name
    // that resolves elsewhere, and this computer or no single host even as
    // the sender, are refused before any connection.
    void namedAddressesRefused_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("sender");
        QTest::addColumn<QString>("failure");
        const QString noDevice = "%1 is not the address of a device on the network";
        const QString other = "The LOCATION names %1, another host than the one that sent it";
        QTest::newRow("loopback") << "127.0.0.1"
                                  << "127.0.0.1" << noDevice.arg("127.0.0.1");
        QTest::newRow("loopback by name") << "localhost"
                                          << "127.0.0.1" << noDevice.arg("127.0.0.1");
        QTest::newRow("unspecified") << "0.0.0.0"
                                     << "0.0.0.0" << noDevice.arg("0.0.0.0");
        QTest::newRow("multicast") << "239.255.255.250"
                                   << "239.255.255.250" << noDevice.arg("239.255.255.250");
        QTest::newRow("broadcast") << "255.255.255.255"
                                   << "255.255.255.255" << noDevice.arg("255.255.255.255");
        // This computer's own address in the private network: a service
        // listening there is not for a device to point the program at.
        QTest::newRow("this computer on the LAN") << "10.77.0.1"
                                                  << "10.77.0.1" << noDevice.arg("10.77.0.1");
        QTest::newRow("0.0.0.0/8") << "0.1.2.3"
                                   << "0.1.2.3" << noDevice.arg("0.1.2.3");
        QTest::newRow("link-local") << "169.254.10.20"
                                    << "169.254.10.20" << noDevice.arg("169.254.10.20");
        QTest::newRow("another address") << "127.0.0.1"
                                         << "10.77.0.20" << other.arg("127.0.0.1");
        QTest::newRow("a name of another address") << "localhost"
                                                   << "10.77.0.20" << other.arg("localhost");
    }
    void namedAddressesRefused()
    {
        QFETCH(QString, host);
        QFETCH(QString, sender);
        QFETCH(QString, failure);
        RawServer server([](const auto &) { return RawServer::Response { okReply("<root/>") }; });
        HttpClient client;
        QCOMPARE(failureOf([&] {
            client.getNamed(QStringLiteral("http://%1:%2/d.xml").arg(host).arg(server.port()), soon(), 1024, sender);
        }),
            failure);
        QTest::qWait(100);
        QCOMPARE(server.connections(), 0);
        QVERIFY(server.requests().empty());
        // The same address in a file request of the program's own is fetched.
        QCOMPARE(
            client.get(QStringLiteral("http://127.0.0.1:%1/d.xml").arg(server.port()), soon()), QByteArray("<root/>"));
    }

    // Each call takes its action's stop: a stop ends the wait under way at
    // once, and a stop that comes as a call ends never reaches the next call
    // of another action on the same client.
    void stopEndsTheWaitOfItsActionOnly()
    {
        RawServer server([](const RawServer::Request &r) {
            if (r.bytes.find("/silent") != std::string::npos)
                return RawServer::Response { {}, false, true };
            return RawServer::Response { okReply("fine") };
        });
        HttpClient client;
        const QString base = QStringLiteral("http://127.0.0.1:%1").arg(server.port());
        std::stop_source first;
        std::thread stopper([&first] {
            std::this_thread::sleep_for(milliseconds(200));
            first.request_stop();
        });
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(
            failureOf([&] { client.get(base + "/silent", soon(), first.get_token()); }), QStringLiteral("Cancelled"));
        QVERIFY2(clock.elapsed() < 300, qPrintable(QString::number(clock.elapsed())));
        stopper.join();
        // The next action's call goes through on the same client.
        std::stop_source second;
        QCOMPARE(client.get(base + "/fine", soon(), second.get_token()), QByteArray("fine"));
        // A stop asked while a call ends lands on that call or on nothing.
        for (int i = 0; i < 50; ++i) {
            std::stop_source racing;
            std::thread late([&racing] { racing.request_stop(); });
            try {
                client.get(base + "/fine", soon(), racing.get_token());
            } catch (const Failure &f) {
                QCOMPARE(f.kind(), Failure::Kind::Cancelled);
            }
            late.join();
            QCOMPARE(client.get(base + "/fine", soon(), second.get_token()), QByteArray("fine"));
        }
    }

    void descriptionBound()
    {
        RawServer server([](const auto &) { return RawServer::Response { okReply(std::string(2000, 'x')) }; });
        HttpClient client;
        try {
            client.get(QStringLiteral("http://127.0.0.1:%1/d.xml").arg(server.port()), soon(), {},
                ReplyLimits { 65536, 1024 });
            QFAIL("no failure");
        } catch (const Failure &f) {
            QCOMPARE(f.message(), QStringLiteral("The reply is larger than 1 KiB."));
            QCOMPARE(f.kind(), Failure::Kind::TooLarge);
        }
    }

    void controlCharactersAreNeverSent_data()
    {
        QTest::addColumn<QString>("url");
        QTest::newRow("CR LF in the query")
            << "http://127.0.0.1/orvex/dlnastop.php?sto&ip=1&port=49152\r\nX-Injected: yes";
        QTest::newRow("tab in the path") << "http://127.0.0.1/or\tvex";
        QTest::newRow("DEL") << "http://127.0.0.1/orvex\x7f";
        QTest::newRow("LF in the host") << "http://127.0.0.1\n/orvex";
    }
    void controlCharactersAreNeverSent()
    {
        QFETCH(QString, url);
        RawServer server([](const auto &) { return RawServer::Response { okReply("OK"), true }; }, 80);
        HttpClient client;
        QVERIFY(failureOf([&] {
            client.post(url, soon());
        }).contains("was not sent: its address holds a control character"));
        QVERIFY(server.requests().empty());
    }

    // A station address goes into the query with exactly the characters that
    // would break it encoded; everything that worked before is unchanged.
    void stationAddressesInTheQuery_data()
    {
        QTest::addColumn<QString>("station");
        QTest::addColumn<QString>("sent");
        QTest::newRow("plain") << "http://stream.example/a.mp3?x=1"
                               << "http://stream.example/a.mp3?x=1";
        QTest::newRow("percent kept") << "http://s/a%20b.mp3"
                                      << "http://s/a%20b.mp3";
        QTest::newRow("space") << "http://s/a b.mp3"
                               << "http://s/a%20b.mp3";
        QTest::newRow("hash") << "http://s/a#b"
                              << "http://s/a%23b";
        QTest::newRow("ampersand") << "http://s/?id=1&fmt=mp3"
                                   << "http://s/?id=1%26fmt=mp3";
        QTest::newRow("plus") << "http://s/a+b"
                              << "http://s/a%2Bb";
        QTest::newRow("non-ASCII") << "http://s/Café"
                                   << "http://s/Caf%C3%A9";
        QTest::newRow("beyond the BMP") << "http://s/\U0001F3B5"
                                        << "http://s/%F0%9F%8E%B5";
        QTest::newRow("control") << "http://s/a\tb"
                                 << "http://s/a%09b";
    }
    void stationAddressesInTheQuery()
    {
        QFETCH(QString, station);
        QFETCH(QString, sent);
        QCOMPARE(endpoints::webRadioAddress(station), "/orvex/el/php_command_startstop.php?wraddr&wraddre=" + sent);
        QCOMPARE(endpoints::dlnaPlaylist("10.0.0.2", "1400", station),
            "/orvex/dlnaplaylist.php?filep&ip=10.0.0.2&port=1400&fil=" + sent);
    }

    // The renderer port comes from the box's description: it goes into the
    // DLNA queries encoded as a station address is, digits as they are.
    void rendererPortInTheQuery_data()
    {
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("sent");
        QTest::newRow("digits") << "49152"
                                << "49152";
        QTest::newRow("hash") << "1400#x"
                              << "1400%23x";
        QTest::newRow("ampersand") << "1400&fil=evil"
                                   << "1400%26fil=evil";
        QTest::newRow("blank") << "14 00"
                               << "14%2000";
        QTest::newRow("empty") << ""
                               << "";
    }
    void rendererPortInTheQuery()
    {
        QFETCH(QString, port);
        QFETCH(QString, sent);
        QCOMPARE(endpoints::dlnaStop("10.0.0.2", port), "/orvex/dlnastop.php?sto&ip=10.0.0.2&port=" + sent);
        QCOMPARE(endpoints::dlnaPlay("10.0.0.2", port), "/orvex/dlnaplay.php?pla&ip=10.0.0.2&port=" + sent);
        QCOMPARE(endpoints::dlnaVolume("10.0.0.2", port, "30"),
            "/orvex/dlnavolume.php?vol&ip=10.0.0.2&port=" + sent + "&volv=30");
        QCOMPARE(endpoints::dlnaPlaylist("10.0.0.2", port, "http://s/a"),
            "/orvex/dlnaplaylist.php?filep&ip=10.0.0.2&port=" + sent + "&fil=http://s/a");
    }
};

QTEST_GUILESS_MAIN(TestHttpClient)
#include "test_http_client.moc"
