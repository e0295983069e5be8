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

#include <QElapsedTimer>
#include <QTest>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

// A search against a script of datagrams, each step one receive: "A" a reply
// from 10.0.0.A, "A/x" one whose LOCATION path is /x, "A!" an oversize one,
// "A0" an empty one, "." silence until the wait's end, "~" a moment without a
// datagram (a read under way ends meanwhile); "*A" a reply from A
// for ever after (a flood); "A@L" a reply that came in on the adapter L. Its
// descriptions name the box by source and path; the sources listed in
// `failing` fail. Reads one description at a time unless told otherwise, so
// that rows come in the script's order.
struct ScriptedSearch
{
    explicit ScriptedSearch(const QString &script, const QString &failing = QString())
    {
        limits.resends = {};
        limits.silence = milliseconds(100);
        limits.duration = milliseconds(300);
        limits.descriptionRead = milliseconds(50);
        limits.locationsPerSource = 2;
        limits.parallelReads = 1;
        auto steps = std::make_shared<QStringList>(script.split(u' ', Qt::SkipEmptyParts));
        transport.send = [this] { sends.append(Clock::now()); };
        transport.receive = [this, steps](Deadline until, std::stop_token stop) {
            waits.append(until);
            Datagram d;
            if (steps->isEmpty() || steps->first() == u'.') {
                if (!steps->isEmpty())
                    steps->removeFirst();
                std::mutex idle;
                std::unique_lock lock(idle);
                std::condition_variable_any().wait_until(lock, stop, until, [] { return false; });
                if (stop.stop_requested())
                    throw Failure::cancelled();
                return d;
            }
            if (steps->first() == u'~') {
                steps->removeFirst();
                std::this_thread::sleep_for(milliseconds(30));
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
            const QString path = step.contains(u'/') ? step.section(u'/', 1).section(u'@', 0, 0) : QStringLiteral("d");
            if (!step.endsWith(u'0'))
                d.bytes = "HTTP/1.1 200 OK\r\nLOCATION: http://" + d.address.toLatin1() + ":1400/" + path.toLatin1()
                    + ".xml\r\n\r\n";
            return d;
        };
        transport.fetch = [this, failing](const QString &url, Deadline deadline, std::size_t, const QString &sender,
                              std::stop_token) -> QByteArray {
            const std::lock_guard lock(mutex);
            reads.append(deadline);
            senders.append(sender);
            if (sender == failing && sender == u"10.0.0.6")
                throw std::runtime_error("odd");
            if (sender == failing)
                throw Failure(QStringLiteral("broken ") + sender);
            const QString name = sender + url.section(u'/', 3).section(u'.', 0, 0).prepend(u'/');
            return "<root><device><friendlyName>" + name.toUtf8() + "</friendlyName></device><URLBase>http://"
                + sender.toUtf8() + ":1400/</URLBase></root>";
        };
    }

    SearchReport run(Deadline action = deadlineIn(ActionBudget), DeviceSearch::End end = DeviceSearch::End::AtSilence)
    {
        DeviceSearch search(
            transport,
            [this](const DeviceRow &row, DeviceSearch::Phase) {
                const std::lock_guard lock(mutex);
                rows.append(row.name);
            },
            limits);
        return search.run(action, {}, end);
    }

    SearchLimits limits;
    SearchTransport transport;
    std::mutex mutex;
    QStringList rows; // "10.0.0.A/path", as the descriptions name them
    QList<Deadline> sends, waits, reads;
    QStringList senders;
};

QString failureOf(const std::function<void()> &call)
{
    try {
        call();
    } catch (const Failure &f) {
        return f.message();
    }
    return {};
}

// The names that one search of the program's finds on the endpoint.
QStringList namesFound(SsdpEndpoint &endpoint)
{
    std::mutex mutex;
    QStringList names;
    DeviceSearch search(searchTransport(endpoint), [&](const DeviceRow &row, DeviceSearch::Phase) {
        const std::lock_guard lock(mutex);
        names << row.name;
    });
    search.run(deadlineIn(ActionBudget), {});
    return names;
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
        QTest::addColumn<QString>("failing"); // the source whose replies fail
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<int>("skipped");
        QTest::addColumn<int>("discarded");
        QTest::addColumn<QString>("message");
        QTest::newRow("silence ends the search") << "1 2 . 3"
                                                 << "" << QStringList { "10.0.0.1/d", "10.0.0.2/d" } << 0 << 0 << "";
        QTest::newRow("a box answering again is listed once")
            << "1 1 2 1"
            << "" << QStringList { "10.0.0.1/d", "10.0.0.2/d" } << 0 << 2 << "";
        QTest::newRow("a few LOCATIONs per source")
            << "1/a 1/b 1/c 2"
            << "" << QStringList { "10.0.0.1/a", "10.0.0.1/b", "10.0.0.2/d" } << 0 << 1 << "";
        QTest::newRow("a box that offers two LOCATIONs is two rows")
            << "1/a 1/b"
            << "" << QStringList { "10.0.0.1/a", "10.0.0.1/b" } << 0 << 0 << "";
        QTest::newRow("empty datagram skipped") << "10 1"
                                                << "" << QStringList { "10.0.0.1/d" } << 0 << 0 << "";
        QTest::newRow("oversize reported")
            << "1! 2"
            << "" << QStringList { "10.0.0.2/d" } << 1 << 0 << "10.0.0.1 sent a reply larger than 8192 bytes";
        QTest::newRow("failed source not read again")
            << "3 ~ 3/b 2 3/c"
            << "10.0.0.3" << QStringList { "10.0.0.2/d" } << 1 << 2 << "broken 10.0.0.3";
        QTest::newRow("flood ends at the time bound")
            << "2 *5"
            << "" << QStringList { "10.0.0.2/d", "10.0.0.5/d" } << 0 << -1 << "";
        QTest::newRow("a box on two adapters is listed once")
            << "1@a 1@b 2@b"
            << "" << QStringList { "10.0.0.1/d", "10.0.0.2/d" } << 0 << 1 << "";
        QTest::newRow("any exception is its responder's failure")
            << "6 2"
            << "10.0.0.6" << QStringList { "10.0.0.2/d" } << 1 << 0 << "10.0.0.6: odd";
    }
    void searchLoop()
    {
        QFETCH(QString, script);
        QFETCH(QString, failing);
        QFETCH(QStringList, rows);
        QFETCH(int, skipped);
        QFETCH(int, discarded);
        QFETCH(QString, message);
        ScriptedSearch search(script, failing);
        const Deadline latestEnd = deadlineIn(search.limits.duration);
        const SearchReport report = search.run();
        QCOMPARE(search.rows, rows);
        QCOMPARE(report.skipped, skipped);
        QCOMPARE(report.firstSkipMessage, message);
        if (discarded >= 0)
            QCOMPARE(report.discarded, discarded);
        else
            QVERIFY(report.discarded > 100); // the flood went on until the bound
        // Every wait and every description read ends within the search's
        // bound, and a description is fetched from the address that sent it.
        for (const Deadline until : search.waits + search.reads)
            QVERIFY(until <= latestEnd + milliseconds(50));
        for (const QString &sender : search.senders)
            QVERIFY(rows.join(u' ').contains(sender) || sender == failing);
    }

    // The search ends by the action's deadline when that comes before its own
    // bound: what the action has left is all it gets.
    void searchEndsByTheActionsDeadline()
    {
        ScriptedSearch search("*5");
        search.limits.duration = milliseconds(10000);
        const Deadline action = deadlineIn(milliseconds(200));
        search.run(action);
        QVERIFY(Clock::now() < action + milliseconds(100));
        QVERIFY(!search.waits.isEmpty());
        for (const Deadline until : search.waits + search.reads)
            QVERIFY(until <= action);
    }

    // The search goes out three times, a few hundred milliseconds apart, and
    // ends at the first second of silence after the last send or reply.
    void searchIsSentThreeTimes_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("endsAfterMs"); // at the earliest
        QTest::newRow("nothing answers") << ". . . ." << 1400;
        QTest::newRow("a reply after the last send") << ". . . 1 ." << 1400;
    }
    void searchIsSentThreeTimes()
    {
        QFETCH(QString, script);
        QFETCH(int, endsAfterMs);
        ScriptedSearch search(script);
        search.limits = SearchLimits {};
        search.limits.parallelReads = 1;
        QElapsedTimer clock;
        clock.start();
        search.run();
        const qint64 took = clock.elapsed();
        QCOMPARE(search.sends.size(), 3);
        const auto after = [&](int i) {
            return std::chrono::duration_cast<milliseconds>(search.sends[i] - search.sends[0]).count();
        };
        QVERIFY2(after(1) >= 150 && after(1) < 300, qPrintable(QString::number(after(1))));
        QVERIFY2(after(2) >= 400 && after(2) < 500, qPrintable(QString::number(after(2))));
        QVERIFY2(took >= endsAfterMs && took < endsAfterMs + 400, qPrintable(QString::number(took)));
    }

    // Descriptions are read beside the search: a slow one holds back only
    // its own source, whose LOCATIONs are read one at a time.
    void slowResponderHidesNobody()
    {
        ScriptedSearch search("9/a 9/b 9/c 1 2 .");
        search.limits.parallelReads = 8;
        search.limits.duration = milliseconds(3000);
        search.limits.descriptionRead = milliseconds(3000);
        search.limits.locationsPerSource = 4;
        QElapsedTimer clock;
        clock.start();
        QHash<QString, qint64> listedAt;
        QList<std::pair<qint64, qint64>> slowReads; // start and end of each read from 10.0.0.9
        const auto fetch = search.transport.fetch;
        search.transport.fetch
            = [&](const QString &url, Deadline deadline, std::size_t max, const QString &sender, std::stop_token stop) {
                  const qint64 start = clock.elapsed();
                  if (sender == u"10.0.0.9")
                      std::this_thread::sleep_for(milliseconds(400));
                  QByteArray body = fetch(url, deadline, max, sender, stop);
                  const std::lock_guard lock(search.mutex);
                  if (sender == u"10.0.0.9")
                      slowReads.append({ start, clock.elapsed() });
                  return body;
              };
        DeviceSearch running(
            search.transport,
            [&](const DeviceRow &row, DeviceSearch::Phase) {
                const std::lock_guard lock(search.mutex);
                listedAt.insert(row.name, clock.elapsed());
            },
            search.limits);
        running.run(deadlineIn(ActionBudget), {});
        QCOMPARE(listedAt.size(), 5);
        QVERIFY2(listedAt.value("10.0.0.1/d") < 200, qPrintable(QString::number(listedAt.value("10.0.0.1/d"))));
        QVERIFY2(listedAt.value("10.0.0.2/d") < 200, qPrintable(QString::number(listedAt.value("10.0.0.2/d"))));
        QCOMPARE(slowReads.size(), 3);
        for (int i = 1; i < slowReads.size(); ++i)
            QVERIFY(slowReads[i].first >= slowReads[i - 1].second);
    }

    // A stop ends the search in its silence at once; finish() ends it as its
    // silence would, with what it found.
    void stopAndFinish()
    {
        ScriptedSearch search(".");
        search.limits.silence = milliseconds(5000);
        search.limits.duration = milliseconds(10000);
        std::stop_source stop;
        std::thread stopper([&stop] {
            std::this_thread::sleep_for(milliseconds(100));
            stop.request_stop();
        });
        QElapsedTimer clock;
        clock.start();
        DeviceSearch running(
            search.transport, [](const DeviceRow &, DeviceSearch::Phase) {}, search.limits);
        QCOMPARE(
            failureOf([&] { running.run(deadlineIn(ActionBudget), stop.get_token()); }), QStringLiteral("Cancelled"));
        QVERIFY2(clock.elapsed() < 200, qPrintable(QString::number(clock.elapsed())));
        stopper.join();

        ScriptedSearch wanted("1 2 .");
        wanted.limits.lateWindow = milliseconds(5000);
        wanted.limits.duration = milliseconds(10000);
        QStringList found;
        DeviceSearch *self = nullptr;
        DeviceSearch finishing(
            wanted.transport,
            [&](const DeviceRow &row, DeviceSearch::Phase) {
                found << row.name;
                if (row.name == u"10.0.0.2/d")
                    self->finish();
            },
            wanted.limits);
        self = &finishing;
        clock.restart();
        finishing.run(deadlineIn(ActionBudget), {}, DeviceSearch::End::AfterLateWindow);
        QVERIFY2(clock.elapsed() < 500, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(found, (QStringList { "10.0.0.1/d", "10.0.0.2/d" }));
    }

    // What comes after the search has ended, within MX of the last send, is
    // still read, as late; a LOCATION read in the search is not read again.
    void lateReplies()
    {
        ScriptedSearch search("1 . 2 1 3");
        search.limits.lateWindow = milliseconds(600);
        QStringList late;
        DeviceSearch running(
            search.transport,
            [&](const DeviceRow &row, DeviceSearch::Phase phase) {
                const std::lock_guard lock(search.mutex);
                (phase == DeviceSearch::Phase::Late ? late : search.rows) << row.name;
            },
            search.limits);
        running.run(deadlineIn(ActionBudget), {});
        QCOMPARE(search.rows, QStringList { "10.0.0.1/d" });
        QElapsedTimer clock;
        clock.start();
        running.readLateReplies({});
        QCOMPARE(late, (QStringList { "10.0.0.2/d", "10.0.0.3/d" }));
        QVERIFY(clock.elapsed() < 1000);
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
        const auto search = [&] { return namesFound(endpoint); };
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
        QCOMPARE(searches.size(), 6); // three sends each
        QVERIFY2(searches.last().peer.startsWith("10.77.0.2:"), qPrintable(searches.last().peer));
        QVERIFY(ip("addr add 10.77.0.1/24 dev orvex0"));
        QVERIFY(ip("addr del 10.77.0.2/24 dev orvex0"));
        QVERIFY(ip("route replace default via 10.77.0.254 dev orvex0"));
    }

    // The search against simulated boxes in the private network.
    void searchWithBoxes_data()
    {
        QTest::addColumn<QJsonArray>("boxes");
        QTest::addColumn<int>("searches");
        QTest::addColumn<int>("atLeast"); // rows found in each search
        QTest::addColumn<QString>("skip"); // the skip message, when one is expected
        QTest::addColumn<QString>("prompt"); // a box listed within a second of the search's start
        QJsonArray random;
        random.append(SimFixture::device("Random", 0, -1));
        QTest::newRow("one box at its random timing within MX") << random << 3 << 1 << ""
                                                                << "";
        QJsonArray thrice;
        thrice.append(SimFixture::device("Thrice", 0, 20, { { "ssdp", QJsonObject { { "duplicate", true } } } }));
        QTest::newRow("a box that answers every send, twice") << thrice << 1 << 1 << ""
                                                              << "Thrice";
        QJsonArray lossy;
        for (int i = 0; i < 30; ++i)
            lossy.append(SimFixture::device(
                QStringLiteral("Lossy %1").arg(i), i, -1, { { "ssdp", QJsonObject { { "dropPercent", 10 } } } }));
        QTest::newRow("30 boxes, 10 % of the datagrams lost each way") << lossy << 1 << 27 << ""
                                                                       << "";
        QJsonArray decoy;
        decoy.append(SimFixture::device("Decoy", 0, 20,
            { { "ssdp", QJsonObject { { "extraLocations", 3 } } },
                { "description", QJsonObject { { "delayMs", 2800 } } } }));
        decoy.append(SimFixture::device("Real", 1, 100));
        QTest::newRow("a slow decoy beside a good box") << decoy << 1 << 1 << ""
                                                        << "Real";
        QJsonArray elsewhere;
        elsewhere.append(SimFixture::device("Pointer", 0, 20,
            { { "ssdp", QJsonObject { { "location", "http://10.77.0.21:49153/description.xml" } } } }));
        elsewhere.append(SimFixture::device("Silent", 1, 20, { { "ssdp", QJsonObject { { "silent", true } } } }));
        QTest::newRow("a LOCATION naming another host")
            << elsewhere << 1 << 0
            << "10.77.0.20: The LOCATION names 10.77.0.21, another host than the one that sent it"
            << "";
    }
    void searchWithBoxes()
    {
        QFETCH(QJsonArray, boxes);
        QFETCH(int, searches);
        QFETCH(int, atLeast);
        QFETCH(QString, skip);
        QFETCH(QString, prompt);
        SimFixture sim(boxes);
        QVERIFY(sim.ok());
        SsdpEndpoint endpoint;
        for (int i = 0; i < searches; ++i) {
            QElapsedTimer clock;
            clock.start();
            QHash<QString, qint64> listedAt;
            std::mutex mutex;
            SearchLimits limits;
            limits.duration = milliseconds(4000); // the decoy's reads need no more to show
            DeviceSearch search(
                searchTransport(endpoint),
                [&](const DeviceRow &row, DeviceSearch::Phase) {
                    const std::lock_guard lock(mutex);
                    listedAt.insert(row.name, clock.elapsed());
                },
                limits);
            const SearchReport report = search.run(deadlineIn(ActionBudget), {}, DeviceSearch::End::AfterLateWindow);
            QVERIFY2(listedAt.size() >= atLeast, qPrintable(QString::number(listedAt.size())));
            QVERIFY(listedAt.size() <= boxes.size());
            if (!prompt.isEmpty()) // within its own reply and description time
                QVERIFY2(listedAt.value(prompt, 99999) < 1000, qPrintable(QString::number(listedAt.value(prompt, -1))));
            if (!skip.isEmpty())
                QCOMPARE(report.firstSkipMessage, skip);
        }
        if (!skip.isEmpty()) // nothing was asked of the host it named
            QVERIFY(std::none_of(sim.log("http").cbegin(), sim.log("http").cend(),
                [](const LogEntry &e) { return e.device == u"Silent"; }));
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

    // Bursts count once, each source is capped per minute, and a LOCATION
    // that names another host than its sender never counts.
    void announcementGate()
    {
        using namespace std::chrono_literals;
        const auto alive = [](const QString &source, const QString &location) {
            return Announcement { AnnouncementKind::RendererAlive, {}, source, location };
        };
        AnnouncementGate gate(2);
        const auto start = AnnouncementGate::Clock::now();
        QVERIFY(gate.admit(alive("10.0.0.1", "http://10.0.0.1/a"), start));
        QVERIFY(!gate.admit(alive("10.0.0.1", "http://10.0.0.1/a"), start)); // the burst's repeat
        QVERIFY(gate.admit({ AnnouncementKind::RendererByebye, {}, "10.0.0.1", "http://10.0.0.1/a" }, start));
        QVERIFY(!gate.admit(alive("10.0.0.1", "http://10.0.0.1/c"), start + 2s)); // the source's cap
        QVERIFY(!gate.admit(alive("10.0.0.2", QString()), start + 2s)); // no LOCATION
        for (int i = 0; i < 100; ++i) // no cap over all sources
            QVERIFY(gate.admit(
                alive(QStringLiteral("10.0.1.%1").arg(i), QStringLiteral("http://10.0.1.%1/").arg(i)), start + 3s));
        // A new minute starts every count anew.
        QVERIFY(gate.admit(alive("10.0.0.1", "http://10.0.0.1/c"), start + 61s));
        QVERIFY(locationMayNameSender("http://10.0.0.1:1400/d.xml", "10.0.0.1"));
        QVERIFY(!locationMayNameSender("http://10.78.1.50:8080/admin?reboot=1", "10.0.0.1"));
        QVERIFY(locationMayNameSender("http://box.local:1400/d.xml", "10.0.0.1")); // looked up when fetched
    }

    // The announced boxes waiting to be read, with fake times: a storm of
    // dead LOCATIONs from eight sources does not keep a real box that
    // announces itself in the middle from its read within the minute; the
    // storm's sources stop after their failures; rows are capped per source.
    void announcementQueue()
    {
        using namespace std::chrono_literals;
        AnnouncementQueue queue;
        const auto start = AnnouncementQueue::Clock::now();
        auto now = start;
        int storm = 0;
        bool realRead = false;
        QSet<QString> reading;
        for (int step = 0; step < 120 && !realRead; ++step, now += 500ms) { // a minute, every half second
            for (int s = 0; s < 8; ++s)
                queue.offer({ AnnouncementKind::RendererAlive, {}, QStringLiteral("10.0.2.%1").arg(s),
                                QStringLiteral("http://10.0.2.%1/dead%2").arg(s).arg(storm++) },
                    now);
            if (step == 60)
                queue.offer({ AnnouncementKind::RendererAlive, {}, "10.0.0.7", "http://10.0.0.7:1400/d.xml" }, now);
            // Four reads a half second, each failing for the storm.
            for (int r = 0; r < 4; ++r) {
                const auto next = queue.take(reading, now);
                if (!next)
                    break;
                if (next->source == u"10.0.0.7")
                    realRead = true;
                else
                    queue.failed(next->source, now);
            }
        }
        QVERIFY(realRead);
        QVERIFY(now - start < 61s);
        // The storm's sources have had their failures: nothing of theirs waits.
        QVERIFY(queue.isEmpty());
        // Rows from one source are capped.
        for (int i = 0; i < 4; ++i) {
            QVERIFY(queue.mayAddRow("10.0.0.7"));
            queue.rowAdded("10.0.0.7");
        }
        QVERIFY(!queue.mayAddRow("10.0.0.7"));
        queue.offer({ AnnouncementKind::RendererAlive, {}, "10.0.0.7", "http://10.0.0.7:1400/e.xml" }, now);
        QVERIFY(queue.isEmpty());
        queue.restart(); // a new search
        QVERIFY(queue.mayAddRow("10.0.0.7"));

        // A source's first read goes before the later ones of sources read
        // already, however many of those wait (they fill the queue).
        const auto from = [](const QString &source, int i) {
            return Announcement { AnnouncementKind::RendererAlive, {}, source,
                QStringLiteral("http://%1/w%2").arg(source).arg(i) };
        };
        queue.offer(from("10.0.3.1", 0), now);
        QCOMPARE(queue.take({}, now)->source, QStringLiteral("10.0.3.1"));
        for (int i = 1; i < 80; ++i)
            queue.offer(from("10.0.3.1", i), now);
        queue.offer(from("10.0.0.9", 0), now);
        const auto first = queue.take({}, now);
        QVERIFY(first);
        QCOMPARE(first->source, QStringLiteral("10.0.0.9"));
    }
};

QTEST_GUILESS_MAIN(TestDiscovery)
#include "test_discovery.moc"
