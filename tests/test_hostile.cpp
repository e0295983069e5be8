// The whole program against broken and hostile boxes in the private network:
// every action ends within its bound, floods and bad responders never hide a
// good box, text from a box is shown as plain text, and request bytes stay
// well formed whatever a box sends.
#include "window_driver.h"

#include <QApplication>
#include <QDir>
#include <QTcpServer>
#include <QTimer>

#include <sys/stat.h>

namespace {

QJsonObject description(const QJsonObject &d)
{
    return { { "description", d } };
}

QJsonObject ssdp(const QJsonObject &s)
{
    return { { "ssdp", s } };
}

} // namespace

class TestHostile : public QObject, public WindowDriver
{
    Q_OBJECT

    // Waits until the search has ended (the refresh armed) and says how long
    // it took from the window's start.
    qint64 searchTime(const QElapsedTimer &clock, int ms = 20000)
    {
        while (!m_window->searchTimer().isEnabled() && clock.elapsed() < ms)
            QTest::qWait(10);
        return clock.elapsed();
    }

private slots:
    void initTestCase() { collectErrors(); }
    void init() { m_errors.clear(); }
    void cleanup() { m_window.reset(); }

    // A broken description costs its own bound and no more; the good box
    // whose reply waits behind it is listed in the same search. A description
    // dripping one byte at a time ends at its read bound; 300,000 nested
    // elements are refused at the 65th, at once.
    void badDescriptionBesideAGoodBox_data()
    {
        QTest::addColumn<QJsonObject>("bad");
        QTest::addColumn<int>("searchMs"); // at most, from the window's start
        QTest::addColumn<QString>("skipped");
        // Start-up 1 s, the dripping read 3 s, then 1 s of silence: well inside the search's 10 s.
        QTest::newRow("dripping") << QJsonObject { { "dripMs", 400 } } << 9000
                                  << "Socket Error # 110\r\nConnection timed out";
        QTest::newRow("300,000 levels deep") << QJsonObject { { "nestDepth", 300000 } } << 6000
                                             << "The device description nests its elements deeper than 64 levels.";
    }
    void badDescriptionBesideAGoodBox()
    {
        QFETCH(QJsonObject, bad);
        QFETCH(int, searchMs);
        QFETCH(QString, skipped);
        SimFixture sim(
            devices({ SimFixture::device("Bad", 0, 20, description(bad)), SimFixture::device("Good", 1, 300) }));
        QVERIFY(sim.ok());
        QElapsedTimer clock;
        clock.start();
        startWindow();
        const qint64 took = searchTime(clock);
        QVERIFY2(took < searchMs, qPrintable(QString::number(took)));
        QVERIFY(waitReady());
        QCOMPARE(rows("dlist"), QStringList { "Good" });
        QCOMPARE(banner(), QStringLiteral("Skipped 1 responder(s): 10.77.0.20: ") + skipped);
        QCOMPARE(m_errors, QStringList());
    }

    // A state file dripping during the refresh: the window is back within the
    // action's 15 s with the time-out message, and the pages come back.
    void drippingStateFileDuringTheRefresh()
    {
        SimFixture sim(devices({ SimFixture::device(
            "Box", 0, 20, faults({ { "/orvex/desc.txt", QJsonObject { { "dripMs", 300 } } } })) }));
        QVERIFY(sim.ok());
        startWindow();
        QTRY_VERIFY_WITH_TIMEOUT(m_window->searchTimer().isEnabled(), 8000);
        QElapsedTimer clock;
        clock.start();
        QTRY_VERIFY_WITH_TIMEOUT(!m_errors.isEmpty(), 25000);
        // The refresh fires 1 s after the arming and then runs into its 15 s deadline.
        QVERIFY2(clock.elapsed() < 18000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(m_errors, QStringList { "Socket Error # 110\r\nConnection timed out.\nBox: Box (10.77.0.20)" });
        QVERIFY(tabs()->isEnabled());
        QCOMPARE(currentPage(), QStringLiteral("adv"));
    }

    // 10,000 junk datagrams from one host cost almost nothing and hide no one.
    void floodOfJunk()
    {
        SimFixture sim(devices(
            { SimFixture::device("Flood", 0, 20, ssdp({ { "flood", 10000 } })), SimFixture::device("Good", 1, 300) }));
        QVERIFY(sim.ok());
        startWindow();
        QVERIFY(waitReady(20000));
        QCOMPARE(rows("dlist"), QStringList { "Good" });
        QCOMPARE(banner(), QStringLiteral("Skipped 1 responder(s): The reply from 10.77.0.20 has no LOCATION line"));
    }

    void twoHundredResponders()
    {
        QJsonArray many;
        QStringList names;
        for (int i = 0; i < 200; ++i) {
            names << QStringLiteral("Box %1").arg(i, 3, 10, QLatin1Char('0'));
            many.append(SimFixture::device(names.last(), i, 5 * i));
        }
        SimFixture sim(many);
        QVERIFY(sim.ok());
        startWindow();
        QVERIFY(waitReady(20000));
        QCOMPARE(rows("dlist"), names);
        QCOMPARE(m_errors, QStringList());
    }

    // A LOCATION on this computer is refused: nothing reaches a service that
    // listens on its loopback, or on its own address in the network, which the
    // network cannot reach. It names another host than the box that sent it,
    // which is enough to skip it before any connection.
    void locationOnThisComputer_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("port");
        QTest::newRow("loopback") << "127.0.0.1" << 8088;
        QTest::newRow("this computer's address in the network") << "10.77.0.1" << 8089;
    }
    void locationOnThisComputer()
    {
        QFETCH(QString, address);
        QFETCH(int, port);
        QTcpServer service;
        QVERIFY(service.listen(QHostAddress(address), quint16(port)));
        const QString location = QStringLiteral("http://%1:%2/private/admin").arg(address).arg(port);
        SimFixture sim(devices({ SimFixture::device("Sneaky", 0, 20, ssdp({ { "location", location } })),
            SimFixture::device("Good", 1, 200) }));
        QVERIFY(sim.ok());
        startWindow();
        QVERIFY(waitReady());
        QCOMPARE(rows("dlist"), QStringList { "Good" });
        QVERIFY(!service.hasPendingConnections());
        QCOMPARE(banner(),
            QStringLiteral("Skipped 1 responder(s): 10.77.0.20: The LOCATION names %1, another host than the one that "
                           "sent it")
                .arg(address));
    }

    // A valid description over 1 MiB is refused; a long name is cut for display.
    void hugeDescriptionAndLongName()
    {
        SimFixture sim(devices({ SimFixture::device("Huge", 0, 20, description({ { "padNameBytes", 1100000 } })),
            SimFixture::device("Long", 1, 200, description({ { "padNameBytes", 400 } })) }));
        QVERIFY(sim.ok());
        startWindow();
        QVERIFY(waitReady());
        QCOMPARE(rows("dlist"), QStringList { "Long" + QString(252, u'x') });
        QCOMPARE(banner(),
            QStringLiteral("Skipped 1 responder(s): The device description of 10.77.0.20 is larger than 1 MiB"));
    }

    void tooManyStations()
    {
        QStringList descs, urls;
        for (int i = 0; i <= 10000; ++i) {
            descs << QStringLiteral("s%1").arg(i);
            urls << QStringLiteral("u%1").arg(i);
        }
        SimFixture sim(devices({ SimFixture::device("Big", 0, 20, stations(descs, urls)) }));
        QVERIFY(sim.ok());
        startWindow();
        QVERIFY(waitReady());
        QCOMPARE(m_errors,
            QStringList { "The device at 10.77.0.20 lists more than 10000 stations.\nBox: Big (10.77.0.20)" });
        QCOMPARE(get<StationCombo>("webradio")->count(), 0);
    }

    // Markup from a box is shown as the characters it is, in every place.
    void markupIsShownAsText()
    {
        QTemporaryDir dir;
        const QString fifo = dir.filePath("fifo");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        const QString image = "<img src=" + fifo + ">";
        SimFixture sim(devices({ SimFixture::device("<i>Living</i> Room", 0, 20,
            faults({ { "/orvex/el/php_command_startstop.php?volev",
                         QJsonObject { { "body", "Volume <b>set</b><br>to 35" } } },
                       { "/orvex/el/php_command_rebshutd.php?reb", QJsonObject { { "body", image } } },
                       { "/orvex/el/php_command_startstop.php?stopair",
                           QJsonObject { { "rawHex",
                               QByteArray("HTTP/1.1 500 <b>Bad</b> &amp;\r\n\r\n").toHex().constData() } } } },
                stations({ "<b>Bold</b> FM", "&amp; Co" }, { "u1", "u2" }))) }));
        QVERIFY(sim.ok());
        startWindow();
        QVERIFY(waitReady());
        QCOMPARE(rows("dlist"), QStringList { "<i>Living</i> Room" });
        QCOMPARE(status(), QStringLiteral("Device: <i>Living</i> Room IP: 10.77.0.20"));
        QCOMPARE(banner(), QStringLiteral("Volume <b>set</b><br>to 35"));
        QCOMPARE(rows("webradio"), (QStringList { "Please select station", "&amp; Co", "<b>Bold</b> FM" }));
        for (const char *name : { "infolab", "stat", "rout_ip" })
            QCOMPARE(get<QLabel>(name)->textFormat(), Qt::PlainText);
        click("Button6"); // would block for good in open() if the reply were read as markup
        QCOMPARE(banner(), image);
        click("Button5");
        QCOMPARE(m_errors, QStringList { "HTTP/1.1 500 <b>Bad</b> &amp;.\nBox: <i>Living</i> Room (10.77.0.20)" });
    }

    // Blanks and line breaks around a description's text are trimmed; a port
    // that still holds a control character sends nothing.
    void urlBaseWithBreaks()
    {
        SimFixture sim(devices({ SimFixture::device("Pretty", 0, 20, description({ { "prettyUrlBase", true } })) }));
        QVERIFY(sim.ok());
        startWindow();
        QVERIFY(waitReady());
        QCOMPARE(m_window->devicePorts(), QStringList { "49152" });
        const qsizetype before = sim.httpCount();
        click("stopdlna");
        QCOMPARE(sim.requestLines(before),
            QList<QByteArray> { "POST /orvex/dlnastop.php?sto&ip=10.77.0.20&port=49152 HTTP/1.0" });
    }

    // A port with a line break in it goes into the DLNA queries encoded, so it
    // never makes a header line of its own.
    void urlBaseWithControlCharacters()
    {
        SimFixture sim(devices({ SimFixture::device("Injector", 0, 20,
            description({ { "urlBaseXml", "http://10.77.0.20:49152&#13;&#10;X-Injected: yes/" } })) }));
        QVERIFY(sim.ok());
        startWindow();
        QVERIFY(waitReady());
        QCOMPARE(m_window->devicePorts(), QStringList { "49152\r\nX-Injected yes" });
        QCOMPARE(m_errors, QStringList());
        QVERIFY(sim.requestLines().contains(
            "POST /orvex/dlnavolume.php?vol&ip=10.77.0.20&port=49152%0D%0AX-Injected%20yes&volv=60 HTTP/1.0"));
        for (const LogEntry &entry : sim.log("http"))
            QVERIFY2(!entry.raw.contains("\nX-Injected"), entry.raw.constData());
    }

    // A 16 MB volume file is quoted by its first 200 characters.
    void longStateFileQuotedShort()
    {
        SimFixture sim(devices({ SimFixture::device(
            "Long", 0, 20, faults({ { "/orvex/vol", QJsonObject { { "hugeBodyBytes", 16000000 } } } })) }));
        QVERIFY(sim.ok());
        startWindow();
        QTRY_VERIFY_WITH_TIMEOUT(!m_errors.isEmpty(), 20000);
        QCOMPARE(m_errors,
            QStringList { QStringLiteral("'%1%2' is not a valid integer value.\nBox: Long (10.77.0.20)")
                              .arg(QString(200, u'A'))
                              .arg(QChar(0x2026)) });
        QVERIFY(tabs()->isEnabled());
    }

    // A volume file cut after "10" of "100" by a reset is no volume: nothing is
    // written back to the box.
    void cutReplyWritesNothingBack()
    {
        SimFixture sim(devices({ SimFixture::device("Cut", 0, 20,
            faults({ { "/orvex/vol", QJsonObject { { "body", "100" }, { "resetAfterBytes", 2 } } } })) }));
        QVERIFY(sim.ok());
        startWindow();
        QTRY_VERIFY_WITH_TIMEOUT(!m_errors.isEmpty(), 20000);
        QCOMPARE(m_errors, QStringList { "Socket Error # 104\r\nConnection reset by peer.\nBox: Cut (10.77.0.20)" });
        for (const QByteArray &line : sim.requestLines())
            QVERIFY2(!line.contains("volev"), line.constData());
        QVERIFY(tabs()->isEnabled());
    }

    // Replies that embedded servers send and browsers read.
    void tolerantReplies()
    {
        SimFixture sim(devices({ SimFixture::device("Plain", 0, 20,
            faults({ { "*", QJsonObject { { "noReason", true }, { "bareLf", true }, { "chunked", true } } },
                { "/orvex/el/php_command_rebshutd.php",
                    QJsonObject { { "noReason", true }, { "status", 404 } } } })) }));
        QVERIFY(sim.ok());
        startWindow();
        QVERIFY(waitReady());
        QCOMPARE(rows("dlist"), QStringList { "Plain" });
        QCOMPARE(m_errors, QStringList());
        QCOMPARE(get<StationCombo>("webradio")->count(), 21);
        click("Button6");
        QCOMPARE(m_errors, QStringList { "HTTP/1.1 404.\nBox: Plain (10.77.0.20)" });
    }

    // Station addresses reach the box whole; device text loses no byte.
    void stationAddressesAndDecoding()
    {
        SimFixture sim(devices({ SimFixture::device("Box", 0, 20,
            faults({ { "/orvex/el/php_command_startstop.php?stopair", QJsonObject { { "bodyHex", "436166e9" } } },
                       { "/orvex/el/php_command_startstop.php?startair", QJsonObject { { "bodyHex", "e9" } } } },
                stations({ "Odd" }, { "http://s/a b#c&d+e Café%20" }))) }));
        QVERIFY(sim.ok());
        startWindow();
        QVERIFY(waitReady());
        const qsizetype before = sim.httpCount();
        chooseStation(get<StationCombo>("webradio"), 1);
        QCOMPARE(sim.requestLines(before).value(0),
            QByteArray(
                "POST /orvex/el/php_command_startstop.php?wraddr&wraddre=http://s/a%20b%23c%26d%2Be%20Caf%C3%A9%20 "
                "HTTP/1.0"));
        click("Button5");
        QCOMPARE(banner(), QStringLiteral("Café"));
        click("Button4");
        QCOMPARE(banner(), QStringLiteral("é"));
        QCOMPARE(m_errors, QStringList());
    }

    // A box that answers each file after 2 s: the refresh runs beside the
    // window, which keeps answering and shows that it is busy; the pages take
    // no input meanwhile; Escape ends the refresh at once and gives the pages
    // back; closing the window during an action ends it at once.
    void windowAnswersWhileABoxIsSlow_data()
    {
        QTest::addColumn<bool>("close");
        QTest::newRow("Escape") << false;
        QTest::newRow("closing the window") << true;
    }
    void windowAnswersWhileABoxIsSlow()
    {
        QFETCH(bool, close);
        QJsonObject slow;
        for (const char *path : { "/orvex/desc.txt", "/orvex/url.txt", "/orvex/dvol", "/orvex/vol",
                 "/orvex/orvex_index", "/orvex/dlna_index" })
            slow.insert(path, QJsonObject { { "delayMs", 2000 } });
        SimFixture sim(devices({ SimFixture::device("Slow", 0, 20, faults(slow)) }));
        QVERIFY(sim.ok());
        startWindow();
        QTRY_VERIFY_WITH_TIMEOUT(m_window->searchTimer().isEnabled(), 8000);
        QTRY_VERIFY_WITH_TIMEOUT(m_window->busy(), 3000); // the refresh waits for desc.txt

        QElapsedTimer clock;
        clock.start();
        qint64 last = 0, longest = 0;
        QTimer tick;
        connect(&tick, &QTimer::timeout, [&] {
            longest = std::max(longest, clock.elapsed() - last);
            last = clock.elapsed();
        });
        tick.start(10);
        QTest::qWait(1500);
        QVERIFY2(longest < 500, qPrintable(QString::number(longest))); // generous: the figure is the benchmark's
        QVERIFY(m_window->busy());
        QVERIFY(!tabs()->isEnabled());
        QVERIFY(get<QWidget>("busy")->isVisible());
        QCOMPARE(m_window->cursor().shape(), Qt::WaitCursor);
        const qsizetype before = sim.httpCount();
        get<QPushButton>("Button4")->click(); // refused: the page takes no input
        QTest::qWait(100);

        clock.restart();
        if (close) {
            m_window->close();
            m_window.reset();
            QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
            return;
        }
        QApplication::setActiveWindow(m_window.get());
        QTest::keyClick(m_window.get(), Qt::Key_Escape);
        QTRY_VERIFY_WITH_TIMEOUT(!m_window->busy(), 1000);
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(tabs()->isEnabled());
        QCOMPARE(currentPage(), QStringLiteral("adv"));
        QCOMPARE(banner(), QStringLiteral("Cancelled"));
        QVERIFY(!get<QWidget>("busy")->isVisible());
        QCOMPARE(m_errors, QStringList());
        for (const QByteArray &line : sim.requestLines(before))
            QVERIFY2(!line.startsWith("POST"), line.constData());
    }

    // The skip notice stays readable for its 3000 ms after the refresh.
    void skipNoticeKeepsItsTime()
    {
        SimFixture sim(devices({ SimFixture::device("Good", 0, 20),
            SimFixture::device("Broken", 1, 60, description({ { "noUrlBase", true } })) }));
        QVERIFY(sim.ok());
        startWindow();
        QVERIFY(waitReady());
        QVERIFY(banner().startsWith("Skipped 1 responder(s): 10.77.0.21: "));
        QCOMPARE(m_window->bannerTimer().interval(), 3000);
        QVERIFY(m_window->bannerTimer().remainingTime() > 2000);
        click("Button9"); // after a rescan too
        QVERIFY(waitReady());
        QVERIFY(banner().startsWith("Skipped 1 responder(s): "));
        QVERIFY(m_window->bannerTimer().remainingTime() > 2000);
    }
};

QTEST_MAIN(TestHostile)
#include "test_hostile.moc"
