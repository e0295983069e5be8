// The search datagram, reply lines, the LOCATION rule, announcements and their
// gate, the description reader,
// the port derived from URLBase, the search loop with a scripted receiver, and
// the search socket in the private network when the host's address changes.
#include "base/failure.h"
#include "control/http_client.h"
#include "discovery/announcements.h"
#include "discovery/description.h"
#include "discovery/device_row.h"
#include "discovery/device_search.h"
#include "discovery/ssdp.h"
#include "platform/netinfo.h"
#include "sim_fixture.h"

#include <QTest>

namespace {

// A datagram script: "A" a reply from 10.0.0.A, "A!" an oversize one, "A0" an
// empty one, "." silence; "*A" a reply from A for ever after (a flood); "A@L"
// a reply from A that came in on the adapter L.
ReceiveStep scripted(const QString &script, QList<Deadline> *waits = nullptr)
{
    auto steps = std::make_shared<QStringList>(script.split(u' ', Qt::SkipEmptyParts));
    return [steps, waits](Deadline until) {
        if (waits)
            waits->append(until);
        Datagram d;
        if (steps->isEmpty() || steps->first() == u'.') {
            if (!steps->isEmpty())
                steps->removeFirst();
            return d;
        }
        QString step = steps->first();
        if (step.startsWith(u'*'))
            step = step.mid(1);
        else
            steps->removeFirst();
        d.port = 1900;
        d.address = QStringLiteral("10.0.0.") + step.left(1);
        d.local = step.section(u'@', 1);
        d.oversize = step.endsWith(u'!');
        if (!step.endsWith(u'0'))
            d.bytes = "HTTP/1.1 200 OK\r\nLOCATION: http://" + d.address.toLatin1() + ":1400/d.xml\r\n\r\n";
        return d;
    };
}

} // namespace

class TestDiscovery : public QObject
{
    Q_OBJECT

private slots:
    void searchRequestBytes()
    {
        const QByteArray request = ssdpSearchRequest();
        QCOMPARE(request.size(), 178);
        QCOMPARE(request,
            QByteArray("M-SEARCH * HTTP/1.1\r\nHOST: 239.255.255.250:1900\r\nMAN: \"ssdp:discover\"\r\nMX: 3\r\n"
                       "ST: urn:schemas-upnp-org:device:MediaRenderer:1\r\n"
                       "USER-AGENT: OS/version UPnP/1.1 product/version\r\n\r\n"));
    }

    void datagramText()
    {
        QCOMPARE(decodeDatagram(QByteArray("AB\x7F\x80\xFFz")), QStringLiteral("AB\x7F\uFFFD\uFFFDz"));
    }

    void location_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("address");
        const QString url = QStringLiteral("http://192.168.1.20:49152/description.xml");
        QTest::newRow("usual reply") << "HTTP/1.1 200 OK\r\nCACHE-CONTROL: max-age=1800\r\nLOCATION: " + url
                + "\r\nST: urn:schemas-upnp-org:device:MediaRenderer:1\r\n\r\n"
                                     << url;
        QTest::newRow("no blank") << "HTTP/1.1 200 OK\r\nLOCATION:" + url + "\r\n" << url;
        QTest::newRow("blanks and tabs trimmed") << "LOCATION: \t" + url + " \t\r\n" << url;
        QTest::newRow("mixed case does not qualify") << "HTTP/1.1 200 OK\r\nLocation: " + url + "\r\n"
                                                     << "";
        QTest::newRow("lower case does not qualify") << "location: " + url << "";
        QTest::newRow("upper line wins") << "LOCATION: http://a/1\r\nLOCATION: http://b/2\r\n"
                                         << "http://a/1";
        QTest::newRow("X-LOCATION above wins") << "X-LOCATION: x\r\nLOCATION: " + url + "\r\n"
                                               << "X- x";
        QTest::newRow("any case removed once qualified") << "LOCATION: location:" + url << url;
        QTest::newRow("LF only") << "HTTP/1.1 200 OK\nLOCATION: " + url + "\nST: x\n" << url;
        QTest::newRow("CR only") << "HTTP/1.1 200 OK\rLOCATION: " + url + "\rST: x\r" << url;
        QTest::newRow("none") << "HTTP/1.1 200 OK\r\n\r\n"
                              << "";
    }
    void location()
    {
        QFETCH(QString, reply);
        QFETCH(QString, address);
        QCOMPARE(locationFromReply(reply), address);
    }

    void port_data()
    {
        QTest::addColumn<QString>("urlBase");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("port");
        const QString src = QStringLiteral("192.168.1.20");
        QTest::newRow("usual") << "http://192.168.1.20:49152/" << src << "49152";
        QTest::newRow("no slash") << "http://192.168.1.20:49152" << src << "49152";
        QTest::newRow("upper scheme") << "HTTP://192.168.1.20:8080/" << src << "8080";
        QTest::newRow("no port") << "http://192.168.1.20/" << src << "";
        QTest::newRow("path") << "http://192.168.1.20:49152/dev/" << src << "49152dev";
        QTest::newRow("other host") << "http://192.168.1.21:8080/" << src << "192.168.1.218080";
        QTest::newRow("source is a prefix") << "http://192.168.1.20:80/"
                                            << "192.168.1.2"
                                            << "080";
        QTest::newRow("https") << "https://192.168.1.20:443/" << src << "https443";
        QTest::newRow("host name") << "http://renderer.local:1400/" << src << "renderer.local1400";
    }
    void port()
    {
        QFETCH(QString, urlBase);
        QFETCH(QString, source);
        QFETCH(QString, port);
        QCOMPARE(portFromUrlBase(urlBase, source), port);
    }

    void description_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("urlBase");
        QTest::addColumn<QString>("failure"); // empty when it reads
        const QByteArray ns = "<root xmlns=\"urn:schemas-upnp-org:device-1-0\">";
        QTest::newRow("namespaced") << ns
                + "<URLBase>http://h:1/</URLBase><device><friendlyName>Living Room</friendlyName></device></root>"
                                    << "Living Room"
                                    << "http://h:1/"
                                    << "";
        QTest::newRow("no namespace") << QByteArray(
            "<root><device><friendlyName>K</friendlyName></device><URLBase>u</URLBase></root>")
                                      << "K"
                                      << "u"
                                      << "";
        QTest::newRow("prefixed") << QByteArray(
            "<u:root xmlns:u=\"urn:schemas-upnp-org:device-1-0\"><u:URLBase>u</u:URLBase>"
            "<u:device><u:friendlyName>P</u:friendlyName></u:device></u:root>")
                                  << "P"
                                  << "u"
                                  << "";
        QTest::newRow("namespace differs in case only")
            << QByteArray("<root xmlns=\"urn:a\"><device "
                          "xmlns=\"URN:A\"><friendlyName>C</friendlyName></device><URLBase>u</URLBase></root>")
            << "C"
            << "u"
            << "";
        QTest::newRow("child in another namespace is not found")
            << QByteArray("<root xmlns=\"urn:a\"><device "
                          "xmlns=\"urn:b\"><friendlyName>C</friendlyName></device><URLBase>u</URLBase></root>")
            << ""
            << ""
            << "The device description has no 'device' element.";
        QTest::newRow("no friendlyName gives an empty name") << ns + "<device/><URLBase>u</URLBase></root>"
                                                             << ""
                                                             << "u"
                                                             << "";
        QTest::newRow("CDATA") << ns
                + "<device><friendlyName><![CDATA[A & B]]></friendlyName></device><URLBase>u</URLBase></root>"
                               << "A & B"
                               << "u"
                               << "";
        QTest::newRow("comment beside text fails")
            << ns + "<device><friendlyName>A<!-- c --></friendlyName></device><URLBase>u</URLBase></root>"
            << ""
            << ""
            << "The element 'friendlyName' of the device description holds more than one text.";
        QTest::newRow("nested device is not found")
            << ns + "<x><device><friendlyName>N</friendlyName></device></x><URLBase>u</URLBase></root>"
            << ""
            << ""
            << "The device description has no 'device' element.";
        QTest::newRow("no URLBase") << ns + "<device><friendlyName>N</friendlyName></device></root>"
                                    << ""
                                    << ""
                                    << "The device description has no 'URLBase' element.";
        QTest::newRow("empty URLBase") << ns + "<device><friendlyName>N</friendlyName></device><URLBase/></root>"
                                       << ""
                                       << ""
                                       << "The device description's 'URLBase' is empty.";
        QTest::newRow("prefix declared on the child") << QByteArray(
            "<root xmlns=\"urn:a\"><x:device xmlns:x=\"urn:a\"><x:friendlyName>D</x:friendlyName></x:device>"
            "<URLBase>u</URLBase></root>") << "D"
                                                      << "u"
                                                      << "";
        QTest::newRow("only the first device counts")
            << ns + "<device/><device><friendlyName>2</friendlyName></device><URLBase>u</URLBase></root>"
            << ""
            << "u"
            << "";
        QTest::newRow("entities in the text")
            << ns + "<device><friendlyName>A &amp; B &lt;C&gt;</friendlyName></device><URLBase>u</URLBase></root>"
            << "A & B <C>"
            << "u"
            << "";
        QTest::newRow("child element in the name fails")
            << ns + "<device><friendlyName>A<b>x</b></friendlyName></device><URLBase>u</URLBase></root>"
            << ""
            << ""
            << "The element 'friendlyName' of the device description holds more than one text.";
        QTest::newRow("64 levels read") << ns + "<device><friendlyName>N</friendlyName></device>"
                + QByteArray("<a>").repeated(63) + QByteArray("</a>").repeated(63) + "<URLBase>u</URLBase></root>"
                                        << "N"
                                        << "u"
                                        << "";
        QTest::newRow("65 levels refused") << ns + "<device><friendlyName>N</friendlyName></device>"
                + QByteArray("<a>").repeated(64) + QByteArray("</a>").repeated(64) + "<URLBase>u</URLBase></root>"
                                           << ""
                                           << ""
                                           << "The device description nests its elements deeper than 64 levels.";
        QTest::newRow("300,000 levels refused at once")
            << ns + QByteArray("<a>").repeated(300000) << ""
            << ""
            << "The device description nests its elements deeper than 64 levels.";
        QTest::newRow("URLBase inside device is not found")
            << ns + "<device><friendlyName>N</friendlyName><URLBase>u</URLBase></device></root>"
            << ""
            << ""
            << "The device description has no 'URLBase' element.";
    }
    void description()
    {
        QFETCH(QByteArray, xml);
        QFETCH(QString, name);
        QFETCH(QString, urlBase);
        QFETCH(QString, failure);
        try {
            const auto fields = readDescription(xml);
            QVERIFY2(failure.isEmpty(), "read a description that should fail");
            QCOMPARE(fields.friendlyName, name);
            QCOMPARE(fields.urlBase, urlBase);
        } catch (const Failure &f) {
            QCOMPARE(f.message(), failure);
        }
    }

    void malformedXmlFails()
    {
        try {
            readDescription("<root><device>");
            QFAIL("no failure");
        } catch (const Failure &f) {
            QVERIFY2(f.message().startsWith(QStringLiteral("The device description is not valid XML: ")),
                qPrintable(f.message()));
        }
    }

    void searchLoop_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("failing"); // addresses whose replies fail
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<int>("skipped");
        QTest::addColumn<int>("discarded");
        QTest::addColumn<QString>("message");
        QTest::newRow("silence ends the search") << "1 2 . 3"
                                                 << "" << QStringList { "10.0.0.1", "10.0.0.2" } << 0 << 0 << "";
        QTest::newRow("a box answering twice is listed twice")
            << "1 1 2"
            << "" << QStringList { "10.0.0.1", "10.0.0.1", "10.0.0.2" } << 0 << 0 << "";
        QTest::newRow("a few replies per source")
            << "1 1 1 1 2"
            << "" << QStringList { "10.0.0.1", "10.0.0.1", "10.0.0.2" } << 0 << 2 << "";
        QTest::newRow("empty datagram skipped") << "10 1"
                                                << "" << QStringList { "10.0.0.1" } << 0 << 0 << "";
        QTest::newRow("oversize reported")
            << "1! 2"
            << "" << QStringList { "10.0.0.2" } << 1 << 0 << "10.0.0.1 sent a reply larger than 8192 bytes";
        QTest::newRow("failed source not read again")
            << "3 3 2 3"
            << "10.0.0.3" << QStringList { "10.0.0.2" } << 1 << 2 << "broken 10.0.0.3";
        QTest::newRow("flood ends at the time bound")
            << "2 *5"
            << "" << QStringList { "10.0.0.2", "10.0.0.5", "10.0.0.5" } << 0 << -1 << "";
        QTest::newRow("a box on two adapters is listed once")
            << "1@a 1@b 2@b"
            << "" << QStringList { "10.0.0.1", "10.0.0.2" } << 0 << 1 << "";
        QTest::newRow("on one adapter a box answering twice is listed twice")
            << "1@a 1@a"
            << "" << QStringList { "10.0.0.1", "10.0.0.1" } << 0 << 0 << "";
        QTest::newRow("any exception is its responder's failure")
            << "6 2"
            << "10.0.0.6" << QStringList { "10.0.0.2" } << 1 << 0 << "10.0.0.6: odd";
    }
    void searchLoop()
    {
        QFETCH(QString, script);
        QFETCH(QString, failing);
        QFETCH(QStringList, rows);
        QFETCH(int, skipped);
        QFETCH(int, discarded);
        QFETCH(QString, message);
        SearchLimits limits;
        limits.duration = milliseconds(300);
        limits.descriptionRead = milliseconds(50);
        limits.repliesPerSource = 2;
        QList<Deadline> waits;
        QStringList added;
        QList<Deadline> reads;
        const Deadline latestEnd = deadlineIn(limits.duration);
        const SearchReport report = runSearch(
            scripted(script, &waits),
            [&](const QString &reply, const QString &address, Deadline readDeadline) {
                QVERIFY(reply.contains(address));
                reads << readDeadline;
                if (address == failing && address == u"10.0.0.6")
                    throw std::runtime_error("odd");
                if (address == failing)
                    throw Failure(
                        address == u"10.0.0.4" ? QStringLiteral("broken") : QStringLiteral("broken ") + address);
                added << address;
            },
            deadlineIn(ActionBudget), limits);
        QCOMPARE(added, rows);
        QCOMPARE(report.skipped, skipped);
        QCOMPARE(report.firstSkipMessage, message);
        if (discarded >= 0)
            QCOMPARE(report.discarded, discarded);
        else
            QVERIFY(report.discarded > 100); // the flood went on until the bound
        // Every wait and every description read ends within the search's bound.
        for (const Deadline until : waits)
            QVERIFY(until <= latestEnd + milliseconds(50));
        for (const Deadline until : reads)
            QVERIFY(until <= latestEnd + milliseconds(50));
    }

    // The search ends by the action's deadline when that comes before its own
    // bound: what the action has left is all it gets.
    void searchEndsByTheActionsDeadline()
    {
        const Deadline action = deadlineIn(milliseconds(200));
        QList<Deadline> waits, reads;
        runSearch(
            scripted("*5", &waits),
            [&](const QString &, const QString &, Deadline readDeadline) { reads << readDeadline; }, action);
        QVERIFY(Clock::now() < action + milliseconds(100));
        QVERIFY(!waits.isEmpty());
        for (const Deadline until : waits + reads)
            QVERIFY(until <= action);
    }

    // Each search binds to the address it works out: after the host's address
    // changed (a DHCP renewal, another Wi-Fi), the next search on the same
    // endpoint goes out from the new address and finds the box again.
    void searchAfterTheAddressChanged()
    {
        if (qEnvironmentVariable("ORVEX_DEVICE_NETNS").isEmpty())
            QSKIP("needs the private network of scripts/orvex-net");
        SimFixture sim(QJsonArray { SimFixture::device("Box", 0, 20) });
        QVERIFY(sim.ok());
        SsdpEndpoint endpoint;
        const auto search = [&] {
            QStringList found;
            HttpClient hdown;
            searchDevicesOn(
                endpoint,
                [&](const QString &reply, const QString &address, Deadline readDeadline) {
                    const auto fetch = std::bind_front(&HttpClient::getNamed, &hdown);
                    if (const auto row = deviceFromReply(reply, address, readDeadline, fetch))
                        found << row->name;
                },
                deadlineIn(ActionBudget));
            return found;
        };
        const auto ip = [](const QString &arguments) {
            return QProcess::execute(QStringLiteral("ip"), arguments.split(u' ')) == 0;
        };
        QCOMPARE(search(), QStringList { "Box" });
        // The new address takes over from the old one, as a renewal does.
        QFile promote(QStringLiteral("/proc/sys/net/ipv4/conf/orvex0/promote_secondaries"));
        QVERIFY(promote.open(QIODevice::WriteOnly) && promote.write("1") == 1);
        promote.close();
        QVERIFY(ip("addr add 10.77.0.2/24 dev orvex0"));
        QVERIFY(ip("addr del 10.77.0.1/24 dev orvex0"));
        QVERIFY(ip("route replace default via 10.77.0.254 dev orvex0"));
        QCOMPARE(QString::fromStdString(platform::firstIPv4Address()), QStringLiteral("10.77.0.2"));
        QCOMPARE(search(), QStringList { "Box" });
        const auto searches = sim.log("ssdp");
        QCOMPARE(searches.size(), 2);
        QVERIFY2(searches.last().peer.startsWith("10.77.0.2:"), qPrintable(searches.last().peer));
        QVERIFY(ip("addr add 10.77.0.1/24 dev orvex0"));
        QVERIFY(ip("addr del 10.77.0.2/24 dev orvex0"));
        QVERIFY(ip("route replace default via 10.77.0.254 dev orvex0"));
    }

    // A reply becomes one row; the description fetch is bounded and its
    // refusal is reworded for the box.
    void replyToRow()
    {
        const QString reply = QStringLiteral("HTTP/1.1 200 OK\r\nLOCATION: http://10.0.0.4:1400/d.xml\r\n\r\n");
        QString fetched;
        std::size_t bound = 0;
        const Deadline readDeadline = deadlineIn(milliseconds(3000));
        Deadline fetchedBy;
        const auto row = deviceFromReply(reply, QStringLiteral("10.0.0.4"), readDeadline,
            [&](const QString &url, Deadline deadline, std::size_t maxBytes) {
                fetched = url;
                fetchedBy = deadline;
                bound = maxBytes;
                return QByteArray("<root><device><friendlyName>") + QByteArray(300, 'n')
                    + "</friendlyName></device><URLBase>\n  http://10.0.0.4:1400/\n</URLBase></root>";
            });
        QVERIFY(row);
        QCOMPARE(fetched, QStringLiteral("http://10.0.0.4:1400/d.xml"));
        QCOMPARE(bound, MaxDescriptionBytes);
        QVERIFY(fetchedBy == readDeadline);
        QCOMPARE(row->name, QString(256, u'n'));
        QCOMPARE(row->port, QStringLiteral("1400"));
        QVERIFY(!deviceFromReply(QString(), QStringLiteral("10.0.0.4"), readDeadline, {}));
        try {
            deviceFromReply(reply, QStringLiteral("10.0.0.4"), readDeadline,
                [](const QString &, Deadline, std::size_t) -> QByteArray {
                    throw Failure(QStringLiteral("The reply is larger than 1 MiB."), Failure::Kind::TooLarge);
                });
            QFAIL("no failure");
        } catch (const Failure &f) {
            QCOMPARE(f.message(), QStringLiteral("The device description of 10.0.0.4 is larger than 1 MiB"));
        }
    }

    void announcement_data()
    {
        QTest::addColumn<QString>("datagram");
        QTest::addColumn<int>("kind");
        const auto notify = [](const QString &type, const QString &subtype) {
            return QStringLiteral("NOTIFY * HTTP/1.1\r\nHOST: 239.255.255.250:1900\r\n"
                                  "LOCATION: http://10.0.0.5:1400/d.xml\r\nNT: %1\r\nNTS: %2\r\n\r\n")
                .arg(type, subtype);
        };
        const QString renderer = QStringLiteral("urn:schemas-upnp-org:device:MediaRenderer:");
        const int alive = int(AnnouncementKind::RendererAlive);
        const int byebye = int(AnnouncementKind::RendererByebye);
        const int other = int(AnnouncementKind::Other);
        QTest::newRow("renderer 1 alive") << notify(renderer + u'1', "ssdp:alive") << alive;
        QTest::newRow("renderer 2 alive") << notify(renderer + u'2', "ssdp:alive") << alive;
        QTest::newRow("renderer 3 alive") << notify(renderer + u'3', "ssdp:alive") << alive;
        QTest::newRow("renderer 4") << notify(renderer + u'4', "ssdp:alive") << other;
        QTest::newRow("byebye") << notify(renderer + u'1', "ssdp:byebye") << byebye;
        QTest::newRow("update") << notify(renderer + u'1', "ssdp:update") << other;
        QTest::newRow("media server") << notify("urn:schemas-upnp-org:device:MediaServer:1", "ssdp:alive") << other;
        QTest::newRow("header names in any case, bare LF")
            << QStringLiteral("NOTIFY * HTTP/1.1\nnt:  %1\nNts:ssdp:alive\nlocation: http://x/\n\n")
                   .arg(renderer + u'1')
            << alive;
        QTest::newRow("no NTS") << QStringLiteral("NOTIFY * HTTP/1.1\r\nNT: %1\r\n\r\n").arg(renderer + u'1') << other;
        QTest::newRow("search request") << QString::fromLatin1(ssdpSearchRequest()) << other;
        QTest::newRow("search reply")
            << QStringLiteral("HTTP/1.1 200 OK\r\nNT: %1\r\nNTS: ssdp:alive\r\n\r\n").arg(renderer + u'1') << other;
        QTest::newRow("empty") << QString() << other;
    }

    void announcement()
    {
        QFETCH(QString, datagram);
        QFETCH(int, kind);
        QCOMPARE(int(announcementKind(datagram)), kind);
    }

    // Bursts count once; each source and all of them are capped per minute.
    void announcementGate()
    {
        using namespace std::chrono_literals;
        AnnouncementGate gate(2, 3);
        const auto start = AnnouncementGate::Clock::now();
        QVERIFY(gate.admit("10.0.0.1", "http://10.0.0.1/a", start));
        QVERIFY(!gate.admit("10.0.0.1", "http://10.0.0.1/a", start)); // the burst's repeat
        QVERIFY(gate.admit("10.0.0.1", "http://10.0.0.1/b", start + 1s));
        QVERIFY(!gate.admit("10.0.0.1", "http://10.0.0.1/c", start + 2s)); // the source's cap
        QVERIFY(!gate.admit("10.0.0.2", QString(), start + 2s)); // no LOCATION
        QVERIFY(gate.admit("10.0.0.2", "http://10.0.0.2/a", start + 3s));
        QVERIFY(!gate.admit("10.0.0.3", "http://10.0.0.3/a", start + 4s)); // the total cap
        // A new minute starts every count anew.
        QVERIFY(gate.admit("10.0.0.1", "http://10.0.0.1/a", start + 61s));
        QVERIFY(gate.admit("10.0.0.3", "http://10.0.0.3/a", start + 62s));
    }
};

QTEST_GUILESS_MAIN(TestDiscovery)
#include "test_discovery.moc"
