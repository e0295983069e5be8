// The command channel's client against a raw loopback listener: exact request
// bytes, reply reading, failures, cookies and connection handling. Runs in the
// private network so that port 80 is free.
#include "base/failure.h"
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
        QTest::newRow("content cut short")
            << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nhalf") << QByteArray("half") << "";
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
};

QTEST_GUILESS_MAIN(TestHttpClient)
#include "test_http_client.moc"
