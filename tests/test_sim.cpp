// The device simulator itself: SSDP answers, the description, the state files
// following the commands, the fault switches, kept state, and a check by an
// independent UPnP client (gssdp-discover from Debian's gupnp-tools).
#include "sim_fixture.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QUdpSocket>

namespace {

// Sends raw bytes and returns what comes back until the peer closes or `ms` pass.
QByteArray exchange(const QString &address, quint16 port, const QByteArray &request, int ms = 1500)
{
    QTcpSocket socket;
    socket.connectToHost(address, port);
    if (!socket.waitForConnected(1000))
        return "<no connection>";
    socket.write(request);
    QByteArray reply;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms && socket.state() == QAbstractSocket::ConnectedState) {
        if (socket.waitForReadyRead(50))
            reply += socket.readAll();
    }
    return reply + socket.readAll();
}

QByteArray get(const QString &path, int device = 0)
{
    return exchange(
        QStringLiteral("10.77.0.%1").arg(20 + device), 80, "GET " + path.toLatin1() + " HTTP/1.0\r\nHost: x\r\n\r\n");
}

QByteArray post(const QString &target)
{
    return exchange(
        QStringLiteral("10.77.0.20"), 80, "POST " + target.toLatin1() + " HTTP/1.0\r\nContent-Length: 0\r\n\r\n");
}

QByteArray body(const QByteArray &reply)
{
    return reply.mid(reply.indexOf("\r\n\r\n") + 4);
}

QList<QByteArray> search(const QByteArray &st)
{
    QUdpSocket socket;
    socket.bind(QHostAddress(QStringLiteral("10.77.0.1")), 0);
    socket.writeDatagram("M-SEARCH * HTTP/1.1\r\nHOST: 239.255.255.250:1900\r\nMAN: \"ssdp:discover\"\r\nMX: 1\r\nST: "
            + st + "\r\n\r\n",
        QHostAddress(QStringLiteral("239.255.255.250")), 1900);
    QList<QByteArray> replies;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 800) {
        if (socket.waitForReadyRead(50)) {
            while (socket.hasPendingDatagrams()) {
                QHostAddress from;
                QByteArray datagram(int(socket.pendingDatagramSize()), 0);
                socket.readDatagram(datagram.data(), datagram.size(), &from);
                replies << from.toString().toLatin1() + '|' + datagram;
            }
        }
    }
    return replies;
}

} // namespace

class TestSim : public QObject
{
    Q_OBJECT

private slots:
    void answersTheSearch()
    {
        SimFixture sim(QJsonArray { SimFixture::device("Living Room", 0, 30) });
        QVERIFY(sim.ok());
        const auto replies = search("urn:schemas-upnp-org:device:MediaRenderer:1");
        QCOMPARE(replies.size(), 1);
        const QByteArray &r = replies.first();
        QVERIFY(r.startsWith("10.77.0.20|HTTP/1.1 200 OK\r\n"));
        for (const char *line :
            { "CACHE-CONTROL: max-age=", "EXT:", "LOCATION: http://10.77.0.20:49152/description.xml\r\n",
                "SERVER: ", "ST: urn:schemas-upnp-org:device:MediaRenderer:1\r\n", "USN: uuid:" })
            QVERIFY2(r.contains(line), line);
        QCOMPARE(search("ssdp:all").size(), 1);
        QCOMPARE(search("urn:schemas-upnp-org:device:MediaServer:1").size(), 0);
        QVERIFY(sim.log("ssdp").first().raw.startsWith("M-SEARCH * HTTP/1.1\r\n"));
    }

    void description()
    {
        SimFixture sim(QJsonArray { SimFixture::device("Kitchen", 0, 30) });
        QVERIFY(sim.ok());
        const QByteArray reply
            = exchange("10.77.0.20", 49152, "GET /description.xml HTTP/1.1\r\nHost: 10.77.0.20:49152\r\n\r\n");
        QVERIFY(reply.startsWith("HTTP/1.1 200 OK\r\n"));
        QVERIFY(reply.contains("<friendlyName>Kitchen</friendlyName>"));
        QVERIFY(reply.contains("<URLBase>http://10.77.0.20:49152/</URLBase>"));
        QVERIFY(reply.contains("<UDN>uuid:"));
        QVERIFY(reply.contains("<deviceType>urn:schemas-upnp-org:device:MediaRenderer:1</deviceType>"));
    }

    void commandsChangeTheStateFiles_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QByteArray>("firstLine");
        QTest::newRow("volume") << "/orvex/el/php_command_startstop.php?volev&val=44"
                                << "/orvex/vol" << QByteArray("44") << QByteArray("Volume set to 44");
        QTest::newRow("dlna volume") << "/orvex/dlnavolume.php?vol&ip=10.77.0.20&port=49152&volv=12"
                                     << "/orvex/dvol" << QByteArray("12") << QByteArray("DLNA volume set to 12");
        QTest::newRow("orvex index") << "/orvex/el/php_command_startstop.php?orvexindex&index=5"
                                     << "/orvex/orvex_index" << QByteArray("5") << QByteArray("Orvex index 5");
        QTest::newRow("dlna index") << "/orvex/el/php_command_startstop.php?dlnaindex&index=9"
                                    << "/orvex/dlna_index" << QByteArray("9") << QByteArray("DLNA index 9");
        QTest::newRow("start orvex") << "/orvex/el/php_command_startstop.php?startair"
                                     << "/orvex" << QByteArray("<td id=\"player\">orvex</td>")
                                     << QByteArray("Orvex started");
        QTest::newRow("play dlna") << "/orvex/dlnaplay.php?pla&ip=10.77.0.20&port=49152"
                                   << "/orvex" << QByteArray("<td id=\"player\">dlna</td>")
                                   << QByteArray("DLNA playing");
        QTest::newRow("station") << "/orvex/el/php_command_startstop.php?wraddr&wraddre=http://s/x?a=1&b=2"
                                 << "/orvex" << QByteArray("http://s/x?a=1&amp;b=2")
                                 << QByteArray("Station set to http://s/x?a=1&b=2");
    }
    void commandsChangeTheStateFiles()
    {
        QFETCH(QString, command);
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        QFETCH(QByteArray, firstLine);
        SimFixture sim(QJsonArray { SimFixture::device("Box", 0, 30) });
        QVERIFY(sim.ok());
        QCOMPARE(body(post(command)), firstLine + "\r\ndone\r\n");
        const QByteArray after = body(get(file));
        if (file == QLatin1String("/orvex"))
            QVERIFY2(after.contains(content), after.constData());
        else
            QCOMPARE(after, content); // bare integer, nothing after it
    }

    void stationFiles()
    {
        SimFixture sim(QJsonArray { SimFixture::device("Box", 0, 30) });
        QVERIFY(sim.ok());
        const QList<QByteArray> descs = body(get("/orvex/desc.txt")).split('\n');
        const QList<QByteArray> urls = body(get("/orvex/url.txt")).split('\n');
        QCOMPARE(descs.size(), 21); // twenty lines and the final break
        QCOMPARE(urls.size(), descs.size());
        QVERIFY(get("/orvex").contains("Set-Cookie: orvexsession="));
        QVERIFY(!get("/orvex").contains("Expires"));
    }

    void faults_data()
    {
        QTest::addColumn<QJsonObject>("fault");
        QTest::addColumn<QByteArray>("expect"); // what the raw reply must contain or be
        QTest::addColumn<bool>("exact");
        QTest::newRow("404") << QJsonObject { { "status", 404 } } << QByteArray("HTTP/1.1 404 Not Found\r\n") << false;
        QTest::newRow("302") << QJsonObject { { "status", 302 }, { "location", "http://10.77.0.20/else" } }
                             << QByteArray("Location: http://10.77.0.20/else\r\n") << false;
        QTest::newRow("500") << QJsonObject { { "status", 500 } }
                             << QByteArray("HTTP/1.1 500 Internal Server Error\r\n") << false;
        QTest::newRow("close before status") << QJsonObject { { "closeBeforeStatus", true } } << QByteArray() << true;
        QTest::newRow("no reply") << QJsonObject { { "noReply", true } } << QByteArray() << true;
        QTest::newRow("chunked")
            << QJsonObject { { "chunked", true }, { "body", "abcd" } }
            << QByteArray("Transfer-Encoding: chunked\r\nConnection: close\r\n\r\n2\r\nab\r\n2\r\ncd\r\n0\r\n\r\n")
            << false;
        QTest::newRow("close in chunked") << QJsonObject { { "closeInChunked", true }, { "body", "abcd" } }
                                          << QByteArray("\r\n\r\n2\r\nab\r\n") << false;
        QTest::newRow("empty body") << QJsonObject { { "emptyBody", true } } << QByteArray("Content-Length: 0\r\n")
                                    << false;
        QTest::newRow("bom") << QJsonObject { { "bom", true }, { "body", "OK" } }
                             << QByteArray("\r\n\r\n\xEF\xBB\xBFOK") << false;
        QTest::newRow("leading break") << QJsonObject { { "leadingBreak", true }, { "body", "OK" } }
                                       << QByteArray("\r\n\r\n\r\nOK") << false;
        QTest::newRow("huge body") << QJsonObject { { "hugeBodyBytes", 100000 } }
                                   << QByteArray("Content-Length: 100000\r\n") << false;
        QTest::newRow("cookie") << QJsonObject { { "setCookie", QJsonArray { "a=1; Path=/orvex" } } }
                                << QByteArray("Set-Cookie: a=1; Path=/orvex\r\n") << false;
        QTest::newRow("short body") << QJsonObject { { "shortBody", true }, { "body", "abc" } }
                                    << QByteArray("Content-Length: 103\r\n") << false;
        QTest::newRow("no reason phrase")
            << QJsonObject { { "noReason", true }, { "status", 404 } } << QByteArray("HTTP/1.1 404\r\nServer") << false;
        QTest::newRow("bare LF") << QJsonObject { { "bareLf", true }, { "chunked", true }, { "body", "abcd" } }
                                 << QByteArray("HTTP/1.1 200 OK\nServer: OrvexSim/1.0\n")
                + "Content-Type: text/plain; "
                  "charset=utf-8\nTransfer-Encoding: chunked\nConnection: close\n\n"
                  "2\nab\n2\ncd\n0\n\n"
                                 << true;
        QTest::newRow("interim replies") << QJsonObject { { "interim", 2 } }
                                         << QByteArray("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 100 Continue\r\n\r\n"
                                                       "HTTP/1.1 200 OK\r\n")
                                         << false;
        QTest::newRow("raw bytes") << QJsonObject { { "rawHex", QByteArray("HTTP/1.1 200\n\nx").toHex().constData() } }
                                   << QByteArray("HTTP/1.1 200\n\nx") << true;
    }
    void faults()
    {
        QFETCH(QJsonObject, fault);
        QFETCH(QByteArray, expect);
        QFETCH(bool, exact);
        SimFixture sim(
            QJsonArray { SimFixture::device("Box", 0, 30, { { "faults", QJsonObject { { "/orvex/vol", fault } } } }) });
        QVERIFY(sim.ok());
        const QByteArray reply = get("/orvex/vol");
        if (exact)
            QCOMPARE(reply, expect);
        else
            QVERIFY2(reply.contains(expect), reply.left(300).constData());
        QCOMPARE(body(get("/orvex/dvol")), QByteArray("60")); // other endpoints unaffected
    }

    void delayedReply()
    {
        SimFixture sim(QJsonArray { SimFixture::device(
            "Box", 0, 30, { { "faults", QJsonObject { { "/orvex/vol", QJsonObject { { "delayMs", 600 } } } } } }) });
        QVERIFY(sim.ok());
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(body(exchange("10.77.0.20", 80, "GET /orvex/vol HTTP/1.0\r\n\r\n", 2000)), QByteArray("35"));
        QVERIFY(clock.elapsed() >= 550);
    }

    // One byte per interval: the whole reply comes, slowly.
    void drippedReply()
    {
        SimFixture sim(QJsonArray { SimFixture::device(
            "Box", 0, 30, { { "faults", QJsonObject { { "/orvex/vol", QJsonObject { { "dripMs", 5 } } } } } }) });
        QVERIFY(sim.ok());
        QElapsedTimer clock;
        clock.start();
        const QByteArray reply = exchange("10.77.0.20", 80, "GET /orvex/vol HTTP/1.0\r\n\r\n", 4000);
        QCOMPARE(body(reply), QByteArray("35"));
        QVERIFY2(clock.elapsed() >= reply.size() * 4, qPrintable(QString::number(clock.elapsed())));
    }

    // Bytes again and again, as long as the reader takes them.
    void endlessReply()
    {
        SimFixture sim(QJsonArray { SimFixture::device("Box", 0, 30,
            { { "faults",
                QJsonObject { { "/orvex/vol",
                    QJsonObject { { "rawHex", QByteArray("HTTP/1.0 200 OK\r\n\r\n").toHex().constData() },
                        { "repeatHex", QByteArray("ab").toHex().constData() } } } } } }) });
        QVERIFY(sim.ok());
        QTcpSocket socket;
        socket.connectToHost(QStringLiteral("10.77.0.20"), 80);
        QVERIFY(socket.waitForConnected(1000));
        socket.write("GET /orvex/vol HTTP/1.0\r\n\r\n");
        QByteArray reply;
        while (reply.size() < 2 * 1024 * 1024 && socket.waitForReadyRead(2000))
            reply += socket.readAll();
        QVERIFY(reply.startsWith("HTTP/1.0 200 OK\r\n\r\nabababab"));
        QVERIFY(reply.size() >= 2 * 1024 * 1024);
    }

    void descriptionShapes()
    {
        SimFixture sim(QJsonArray {
            SimFixture::device("<i>A</i>", 0, 30,
                { { "description", QJsonObject { { "prettyUrlBase", true }, { "padNameBytes", 5 } } } }),
            SimFixture::device("B", 1, 30,
                { { "description", QJsonObject { { "urlBaseXml", "http://10.77.0.21:49153&#13;&#10;X: y/" } } } }) });
        QVERIFY(sim.ok());
        const QByteArray a = exchange("10.77.0.20", 49152, "GET /description.xml HTTP/1.0\r\n\r\n");
        QVERIFY2(a.contains("<URLBase>\n    http://10.77.0.20:49152/\n  </URLBase>"), a.constData());
        QVERIFY(a.contains("<friendlyName>&lt;i&gt;A&lt;/i&gt;xxxxx</friendlyName>"));
        const QByteArray b = exchange("10.77.0.21", 49153, "GET /description.xml HTTP/1.0\r\n\r\n");
        QVERIFY(b.contains("<URLBase>http://10.77.0.21:49153&#13;&#10;X: y/</URLBase>"));
    }

    void descriptionFaults()
    {
        SimFixture sim(
            QJsonArray { SimFixture::device("A", 0, 30,
                             { { "description", QJsonObject { { "noUrlBase", true }, { "noFriendlyName", true } } } }),
                SimFixture::device("B", 1, 30, { { "description", QJsonObject { { "malformed", true } } } }) });
        QVERIFY(sim.ok());
        const QByteArray a = exchange("10.77.0.20", 49152, "GET /description.xml HTTP/1.0\r\n\r\n");
        QVERIFY(!a.contains("URLBase") && !a.contains("friendlyName") && a.contains("<device>"));
        const QByteArray b = exchange("10.77.0.21", 49153, "GET /description.xml HTTP/1.0\r\n\r\n");
        QVERIFY(!b.trimmed().endsWith("</root>"));
    }

    void ssdpFaults()
    {
        SimFixture sim(QJsonArray { SimFixture::device("A", 0, 30,
                                        { { "ssdp",
                                            QJsonObject { { "duplicate", true }, { "emptyDatagramFirst", true },
                                                { "mixedCaseLocation", true } } } }),
            SimFixture::device("B", 1, 30, { { "ssdp", QJsonObject { { "oversize", true } } } }),
            SimFixture::device("C", 2, 30, { { "ssdp", QJsonObject { { "silent", true } } } }) });
        QVERIFY(sim.ok());
        const auto replies = search("ssdp:all");
        QCOMPARE(replies.size(), 4);
        QCOMPARE(replies.count("10.77.0.20|"), 1); // the zero-length datagram
        int large = 0, mixed = 0;
        for (const auto &r : replies) {
            large += r.size() > 8192;
            mixed += r.contains("\r\nLocation: http://10.77.0.20");
        }
        QCOMPARE(large, 1);
        QCOMPARE(mixed, 2);
    }

    void floodAndOtherLocation()
    {
        SimFixture sim(QJsonArray { SimFixture::device(
            "A", 0, 30, { { "ssdp", QJsonObject { { "flood", 50 }, { "location", "http://127.0.0.1:8088/" } } } }) });
        QVERIFY(sim.ok());
        const auto replies = search("ssdp:all");
        QCOMPARE(replies.size(), 51);
        QCOMPARE(replies.count("10.77.0.20|junk 0"), 1);
        QVERIFY(replies.last().contains("\r\nLOCATION: http://127.0.0.1:8088/\r\n"));
    }

    // A weak link loses what it is told to (all of it here, or nothing); more
    // LOCATIONs each have an address of their own; a probe port logs what
    // arrives.
    void lossMoreLocationsAndProbes()
    {
        SimFixture sim(
            QJsonArray { SimFixture::device("Lost", 0, 30, { { "ssdp", QJsonObject { { "dropPercent", 100 } } } }),
                SimFixture::device(
                    "Kept", 1, 30, { { "ssdp", QJsonObject { { "dropPercent", 0 }, { "extraLocations", 2 } } } }),
                SimFixture::device("Probed", 2, 30, { { "probePorts", QJsonArray { 3478 } } }) });
        QVERIFY(sim.ok());
        const auto replies = search("urn:schemas-upnp-org:device:MediaRenderer:1");
        QCOMPARE(replies.count("10.77.0.20|"), 0);
        QStringList locations;
        for (const QByteArray &r : replies) {
            if (r.startsWith("10.77.0.20|"))
                QFAIL("a reply came through a link that loses everything");
            if (r.startsWith("10.77.0.21|"))
                locations << QString::fromLatin1(r.mid(r.indexOf("LOCATION: ") + 10)).section(u'\r', 0, 0);
        }
        QCOMPARE(locations,
            (QStringList { "http://10.77.0.21:49153/description.xml", "http://10.77.0.21:49153/description.xml?n=1",
                "http://10.77.0.21:49153/description.xml?n=2" }));
        QUdpSocket udp;
        udp.writeDatagram("stun?", QHostAddress("10.77.0.22"), 3478);
        QTcpSocket tcp;
        tcp.connectToHost("10.77.0.22", 3478);
        QVERIFY(tcp.waitForConnected(3000));
        QTRY_COMPARE(sim.log("probe").size(), 2);
        QCOMPARE(sim.log("probe").first().device, QStringLiteral("Probed"));
    }

    void stateIsKept()
    {
        QTemporaryDir dir;
        const QString statePath = dir.filePath("state.json");
        {
            SimFixture sim(QJsonArray { SimFixture::device("Box", 0, 30) }, { { "state", statePath } });
            QVERIFY(sim.ok());
            post("/orvex/el/php_command_startstop.php?volev&val=77");
        }
        SimFixture again(QJsonArray { SimFixture::device("Box", 0, 30) }, { { "state", statePath } });
        QVERIFY(again.ok());
        QCOMPARE(body(get("/orvex/vol")), QByteArray("77"));
    }

    void requestLogIsExact()
    {
        SimFixture sim(QJsonArray { SimFixture::device("Box", 0, 30) });
        QVERIFY(sim.ok());
        const QByteArray request = "GET /orvex/vol HTTP/1.0\r\nX-Odd: \xE9\r\n\r\n";
        exchange("10.77.0.20", 80, request);
        QCOMPARE(sim.log("http").last().raw, request);
    }

    void independentClientSeesAMediaRenderer()
    {
        const QString tool = QStandardPaths::findExecutable("gssdp-discover");
        if (tool.isEmpty())
            QSKIP("gssdp-discover (gupnp-tools) is not installed");
        SimFixture sim(QJsonArray { SimFixture::device("Living Room", 0, 30) });
        QVERIFY(sim.ok());
        QProcess discover;
        discover.start(tool, { "-i", "orvex0", "--timeout=2", "-t", "urn:schemas-upnp-org:device:MediaRenderer:1" });
        QVERIFY(discover.waitForFinished(8000));
        const QByteArray out = discover.readAllStandardOutput();
        QVERIFY2(out.contains("Location: http://10.77.0.20:49152/description.xml"), out.constData());
        QVERIFY(out.contains("::urn:schemas-upnp-org:device:MediaRenderer:1"));
    }
};

QTEST_GUILESS_MAIN(TestSim)
#include "test_sim.moc"
