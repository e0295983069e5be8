// The whole program against simulated devices in the private network: search,
// refresh and every page, asserting the requests in the simulator's log.
#include "app/error_box.h"
#include "app/main_f.h"
#include "app/station_combo.h"
#include "app/volume_slider.h"
#include "window_driver.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QDBusConnection>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include <memory>

namespace {

// The controls of each page that the keyboard reaches, in Tab order (the DLNA
// volume's while its check box is ticked).
const QList<std::pair<QString, QStringList>> PageControls {
    { "orvex", { "Button4", "Button5", "airvol", "webradio" } },
    { "dln", { "startdlna", "stopdlna", "dladr" } },
    { "sett", { "dlist" } },
    { "adv", { "Button6", "Button7", "cbdlna", "dlnavol", "Button9", "exit_b" } },
};

} // namespace

class TestEndToEnd : public QObject, public WindowDriver
{
    Q_OBJECT

private slots:
    void initTestCase() { collectErrors(); }
    void init() { m_errors.clear(); }
    void cleanup() { m_window.reset(); }

    void searchAndRefresh()
    {
        SimFixture sim(devices({ SimFixture::device("Living Room", 0, 50), SimFixture::device("Kitchen", 1, 150) }));
        QVERIFY(sim.ok());
        startWindow();
        // The search ends with the first row selected and the refresh armed.
        QTRY_VERIFY_WITH_TIMEOUT(m_window->searchTimer().isEnabled(), 6000);
        QCOMPARE(get<QListWidget>("dlist")->currentRow(), 0);
        QVERIFY(!tabs()->isEnabled());
        QVERIFY(waitReady());
        QCOMPARE(m_errors, QStringList());
        QCOMPARE(rows("dlist"), (QStringList { "Living Room", "Kitchen" }));
        QCOMPARE(get<QListWidget>("dlist")->currentRow(), 0);
        QCOMPARE(m_window->deviceIPs(), (QStringList { "10.77.0.20", "10.77.0.21" }));
        QCOMPARE(m_window->devicePorts(), (QStringList { "49152", "49153" }));
        QCOMPARE(currentPage(), QStringLiteral("sett"));
        QCOMPARE(get<QLabel>("stat")->text(), QStringLiteral("Device: Living Room IP: 10.77.0.20"));
        QVERIFY(get<QLabel>("rout_ip")->text().startsWith("10.77.0.254 - SSID: "));

        // The search goes out three times, the same 178 bytes from the same
        // address and port each time.
        const auto ssdp = sim.log("ssdp");
        QCOMPARE(ssdp.size(), 3);
        for (const LogEntry &sent : ssdp) {
            QCOMPARE(sent.raw, ssdp[0].raw);
            QCOMPARE(sent.peer, ssdp[0].peer);
        }
        QCOMPARE(ssdp[0].raw.size(), 178);
        QVERIFY(ssdp[0].raw.endsWith("USER-AGENT: OS/version UPnP/1.1 product/version\r\n\r\n"));
        QVERIFY(ssdp[0].peer.startsWith("10.77.0.1:"));

        QCOMPARE(sim.requestLines(),
            (QList<QByteArray> { "GET /orvex/desc.txt HTTP/1.1", "GET /orvex/url.txt HTTP/1.1",
                "GET /orvex/dvol HTTP/1.1", "POST /orvex/dlnavolume.php?vol&ip=10.77.0.20&port=49152&volv=60 HTTP/1.0",
                "GET /orvex/vol HTTP/1.1", "POST /orvex/el/php_command_startstop.php?volev&val=35 HTTP/1.0",
                "POST /orvex/dlnavolume.php?vol&ip=10.77.0.20&port=49152&volv=60 HTTP/1.0",
                "POST /orvex/el/php_command_startstop.php?volev&val=35 HTTP/1.0", "GET /orvex/orvex_index HTTP/1.1",
                "GET /orvex/dlna_index HTTP/1.1" }));
        const auto http = sim.log("http");
        const LogEntry &description = http.first();
        QCOMPARE(description.raw,
            QByteArray("GET /description.xml HTTP/1.1\r\nHost: 10.77.0.20:49152\r\n"
                       "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8\r\n"
                       "Accept-Encoding: identity\r\n"
                       "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n\r\n"));
        const LogEntry &volume = http.at(http.size() - 3);
        QCOMPARE(volume.raw,
            QByteArray("POST /orvex/el/php_command_startstop.php?volev&val=35 HTTP/1.0\r\n"
                       "Connection: keep-alive\r\nContent-Type: application/x-www-form-urlencoded\r\n"
                       "Content-Length: 0\r\nHost: 10.77.0.20\r\n"
                       "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8\r\n"
                       "Accept-Encoding: identity\r\n"
                       "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n\r\n"));

        const QStringList boxRows = rows("webradio");
        QCOMPARE(boxRows.size(), 21);
        QCOMPARE(boxRows.first(), QStringLiteral("Please select station"));
        QCOMPARE(boxRows.at(1), QStringLiteral("Athens Jazz"));
        QCOMPARE(rows("dladr"), boxRows);
        QCOMPARE(get<VolumeSlider>("airvol")->realValue(), 35.0);
        QCOMPARE(get<VolumeSlider>("dlnavol")->realValue(), 60.0);
        QCOMPARE(get<QLabel>("vollab")->text(), QStringLiteral("System volume: 35"));
        QCOMPARE(get<QLabel>("voldlna")->text(), QStringLiteral("DLNA volume: 60"));
        QCOMPARE(banner(), QStringLiteral("Volume set to 35"));
        // Run without a session bus, the window works as ever, without its
        // media player and without a word about it.
        QVERIFY(!QDBusConnection::sessionBus().isConnected());
        QVERIFY(m_window->mediaPlayer().serviceName().isEmpty());
    }

    void sameVolumesAreSentOnce()
    {
        SimFixture sim(devices({ SimFixture::device("Box", 0, 20, state(20, 100)) }));
        QVERIFY(sim.ok());
        startWindow();
        QVERIFY(waitReady());
        QCOMPARE(sim.requestLines(),
            (QList<QByteArray> { "GET /orvex/desc.txt HTTP/1.1", "GET /orvex/url.txt HTTP/1.1",
                "GET /orvex/dvol HTTP/1.1", "GET /orvex/vol HTTP/1.1",
                "POST /orvex/dlnavolume.php?vol&ip=10.77.0.20&port=49152&volv=100 HTTP/1.0",
                "POST /orvex/el/php_command_startstop.php?volev&val=20 HTTP/1.0", "GET /orvex/orvex_index HTTP/1.1",
                "GET /orvex/dlna_index HTTP/1.1" }));
    }

    // Every control of every page is reached with Tab in reading order and has
    // an accessible name; the focus comes back where it was after an action.
    void keyboardAndNames()
    {
        SimFixture sim(devices({ SimFixture::device("Box", 0, 20) }));
        QVERIFY(sim.ok());
        QVERIFY(readyForKeyboard());
        QCOMPARE(QApplication::focusWidget(), get<QWidget>("dlist")); // at start-up, the device list
        QTabBar *tabBar = tabs()->tabBar();
        for (const auto &[page, order] : PageControls) {
            tabs()->setCurrentWidget(get<QWidget>(qPrintable(page)));
            tabBar->setFocus();
            QStringList visited;
            for (int i = 0; i < 12; ++i) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                if (QApplication::focusWidget() == tabBar)
                    break;
                visited << QApplication::focusWidget()->objectName();
            }
            QCOMPARE(visited, order);
            for (const QString &name : order) {
                QAccessibleInterface *accessible
                    = QAccessible::queryAccessibleInterface(get<QWidget>(qPrintable(name)));
                QVERIFY(accessible);
                QVERIFY2(!accessible->text(QAccessible::Name).isEmpty(), qPrintable(name));
            }
        }
        // Everything the keyboard can reach says what it is.
        for (QWidget *widget : m_window->findChildren<QWidget *>()) {
            if (!(widget->focusPolicy() & Qt::TabFocus))
                continue;
            QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(widget);
            QVERIFY2(accessible, widget->metaObject()->className());
            QVERIFY2(!accessible->text(QAccessible::Name).isEmpty(),
                qPrintable(widget->objectName() + u' ' + QLatin1String(widget->metaObject()->className())));
        }
        QCOMPARE(QAccessible::queryAccessibleInterface(get<QWidget>("airvol"))->text(QAccessible::Name),
            QStringLiteral("System volume"));
        QAccessibleInterface *station = QAccessible::queryAccessibleInterface(get<QWidget>("webradio"));
        QCOMPARE(station->text(QAccessible::Name), QStringLiteral("Web radio station"));
        QCOMPARE(station->text(QAccessible::Value), get<StationCombo>("webradio")->currentText());
        // The slider reports 0 to 100; a value set through it goes out as a key's would.
        QAccessibleValueInterface *volume
            = QAccessible::queryAccessibleInterface(get<QWidget>("airvol"))->valueInterface();
        QVERIFY(volume);
        QCOMPARE(volume->maximumValue().toDouble(), 100.0);
        QCOMPARE(volume->currentValue().toDouble(), 35.0);
        qsizetype sent = sim.httpCount();
        volume->setCurrentValue(40);
        settle();
        QCOMPARE(sim.requestLines(sent),
            QList<QByteArray> { "POST /orvex/el/php_command_startstop.php?volev&val=40 HTTP/1.0" });

        // A key on the station box's neighbour: the pages are disabled while
        // the volume goes out, and the focus comes back to the slider.
        tabs()->setCurrentWidget(get<QWidget>("orvex"));
        auto *airvol = get<VolumeSlider>("airvol");
        airvol->setFocus();
        QTest::keyClick(airvol, Qt::Key_Right);
        settle();
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(airvol));
        QCOMPARE(get<QLabel>("vollab")->text(), QStringLiteral("System volume: 41"));
        // Space presses a button.
        const qsizetype before = sim.httpCount();
        auto *stop = get<QPushButton>("Button5");
        stop->setFocus();
        QTest::keyClick(stop, Qt::Key_Space);
        settle();
        QCOMPARE(sim.requestLines(before),
            QList<QByteArray> { "POST /orvex/el/php_command_startstop.php?stopair HTTP/1.0" });
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(stop));
        // So do Enter and Return.
        for (const Qt::Key pressKey : { Qt::Key_Return, Qt::Key_Enter }) {
            const qsizetype beforeKey = sim.httpCount();
            QTest::keyClick(stop, pressKey);
            settle();
            QCOMPARE(sim.requestLines(beforeKey),
                QList<QByteArray> { "POST /orvex/el/php_command_startstop.php?stopair HTTP/1.0" });
            QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(stop));
        }
        // A station box opens with F4 or Alt+Down; Down and Enter choose as a
        // click does, and the focus comes back to the box.
        auto *webradio = get<StationCombo>("webradio");
        webradio->setFocus();
        QTest::keyClick(webradio, Qt::Key_F4);
        QTRY_VERIFY(webradio->view()->isVisible());
        QTest::keyClick(webradio->view(), Qt::Key_Escape);
        QTRY_VERIFY(!webradio->view()->isVisible());
        QTest::keyClick(webradio, Qt::Key_Down, Qt::AltModifier);
        QTRY_VERIFY(webradio->view()->isVisible());
        QTest::keyClick(webradio->view(), Qt::Key_Down);
        const int chosen = webradio->row();
        QVERIFY(chosen > 0);
        const qsizetype beforeStation = sim.httpCount();
        QTest::keyClick(webradio->view(), Qt::Key_Return);
        QTRY_VERIFY(!webradio->view()->isVisible());
        QCoreApplication::processEvents(); // the choice is acted on once the list has closed
        settle();
        const QList<QByteArray> stationRequests = sim.requestLines(beforeStation);
        QCOMPARE(stationRequests.size(), 2);
        QVERIFY(stationRequests[0].contains("?wraddr&wraddre=http://"));
        QCOMPARE(stationRequests[1],
            QStringLiteral("POST /orvex/el/php_command_startstop.php?orvexindex&index=%1 HTTP/1.0")
                .arg(chosen)
                .toLatin1());
        // The window's own focus: the offscreen platform leaves the closed
        // list's window active.
        QTRY_COMPARE(m_window->focusWidget(), static_cast<QWidget *>(webradio));
        QCOMPARE(m_errors, QStringList());
    }

    // Ctrl+Tab and Ctrl+Shift+Tab change the page whichever control has the
    // keyboard, the station boxes (which search their rows by typed text) too.
    void ctrlTabFromEveryControl()
    {
        SimFixture sim(devices({ SimFixture::device("Box", 0, 20) }));
        QVERIFY(sim.ok());
        QVERIFY(readyForKeyboard());
        for (const auto &[page, controls] : PageControls) {
            for (const QString &name : controls) {
                for (const auto &[modifiers, step] : { std::pair { Qt::KeyboardModifiers(Qt::ControlModifier), 1 },
                         std::pair { Qt::KeyboardModifiers(Qt::ControlModifier | Qt::ShiftModifier), -1 } }) {
                    tabs()->setCurrentWidget(get<QWidget>(qPrintable(page)));
                    const int from = tabs()->currentIndex();
                    auto *control = get<QWidget>(qPrintable(name));
                    control->setFocus();
                    QTRY_COMPARE(m_window->focusWidget(), control);
                    QTest::keyClick(control, step > 0 ? Qt::Key_Tab : Qt::Key_Backtab, modifiers);
                    QVERIFY2(tabs()->currentIndex() == (from + step + tabs()->count()) % tabs()->count(),
                        qPrintable(name + (step > 0 ? " Ctrl+Tab" : " Ctrl+Shift+Tab")));
                }
            }
        }
        QCOMPARE(m_errors, QStringList());
    }

    // A box switched on after the window is ready announces itself: it is
    // read as a search reply is and appended, the selection and the pages
    // stay, and nothing but its description is asked of it. Its byebye leaves
    // the row.
    void announcedBoxAppended()
    {
        QJsonObject later = SimFixture::device("Later", 1, 20);
        later.insert(QStringLiteral("ssdp"),
            QJsonObject { { "silent", true }, { "announceAfterMs", 6000 }, { "byebyeAfterMs", 8000 } });
        SimFixture sim(devices({ SimFixture::device("First", 0, 20), later }));
        QVERIFY(sim.ok());
        startWindow();
        QVERIFY(waitReady());
        QCOMPARE(rows("dlist"), QStringList { "First" });
        const qsizetype requestsBefore = sim.httpCount();
        QTRY_COMPARE_WITH_TIMEOUT(rows("dlist"), (QStringList { "First", "Later" }), 6000);
        QCOMPARE(banner(), QStringLiteral("Found Later"));
        QCOMPARE(get<QListWidget>("dlist")->currentRow(), 0);
        QCOMPARE(get<QLabel>("stat")->text(), QStringLiteral("Device: First IP: 10.77.0.20"));
        QVERIFY(tabs()->isEnabled());
        QCOMPARE(m_window->deviceIPs(), (QStringList { "10.77.0.20", "10.77.0.21" }));
        QCOMPARE(m_window->devicePorts(), (QStringList { "49152", "49153" }));
        // Three copies of the announcement, one description read.
        const auto http = sim.log("http");
        QCOMPARE(http.size() - requestsBefore, 1);
        QCOMPARE(http.last().firstLine(), QByteArray("GET /description.xml HTTP/1.1"));
        QCOMPARE(http.last().device, QStringLiteral("Later"));
        // Its byebye takes it off the list: it is not the box in use.
        QTRY_COMPARE_WITH_TIMEOUT(rows("dlist"), QStringList { "First" }, 4000);
        QCOMPARE(m_window->deviceIPs(), QStringList { "10.77.0.20" });
        QCOMPARE(get<QListWidget>("dlist")->currentRow(), 0);
        QCOMPARE(sim.httpCount(), http.size());
        QCOMPARE(m_errors, QStringList());
    }

    // The selected box says goodbye: it stays, the selection stays on it by
    // identity when a box before it leaves, and nothing is sent.
    void byebyeLeavesTheBoxInUse()
    {
        QJsonObject first = SimFixture::device("First", 0, 20);
        first.insert("ssdp", QJsonObject { { "delayMs", 20 }, { "byebyeAfterMs", 5000 } });
        QJsonObject second = SimFixture::device("Second", 1, 60);
        second.insert("ssdp", QJsonObject { { "delayMs", 60 }, { "byebyeAfterMs", 5000 } });
        SimFixture sim(devices({ first, second, SimFixture::device("Third", 2, 100) }));
        QVERIFY(sim.ok());
        startWindow();
        QVERIFY(waitReady());
        QCOMPARE(rows("dlist"), (QStringList { "First", "Second", "Third" }));
        clickRow(1);
        QVERIFY(waitReady());
        QCOMPARE(status(), QStringLiteral("Device: Second IP: 10.77.0.21"));
        const qsizetype before = sim.httpCount();
        QTRY_COMPARE_WITH_TIMEOUT(rows("dlist"), (QStringList { "Second", "Third" }), 6000);
        QCOMPARE(get<QListWidget>("dlist")->currentRow(), 0);
        QCOMPARE(m_window->deviceIPs(), (QStringList { "10.77.0.21", "10.77.0.22" }));
        QCOMPARE(status(), QStringLiteral("Device: Second IP: 10.77.0.21"));
        QVERIFY(tabs()->isEnabled());
        QCOMPARE(sim.httpCount(), before);
        QCOMPARE(m_errors, QStringList());
    }

    // A reply that comes after the search's silence (2000 ms, well past the
    // 1000 ms) but within MX is still read: the box is appended beside the
    // window, the banner says so, and the selection stays. The next search
    // sends from the same address and port and lists each box once.
    void lateAnswerIsAppended()
    {
        SimFixture sim(devices({ SimFixture::device("Early", 0, 50), SimFixture::device("Late", 1, 2000) }));
        QVERIFY(sim.ok());
        startWindow();
        QTRY_COMPARE_WITH_TIMEOUT(banner(), QStringLiteral("Found Late"), 4000);
        QVERIFY(waitReady());
        QCOMPARE(rows("dlist"), (QStringList { "Early", "Late" }));
        QCOMPARE(get<QListWidget>("dlist")->currentRow(), 0);
        QCOMPARE(status(), QStringLiteral("Device: Early IP: 10.77.0.20"));
        QVERIFY(tabs()->isEnabled());
        click("Button9");
        QVERIFY(waitReady());
        QTRY_COMPARE_WITH_TIMEOUT(rows("dlist"), (QStringList { "Early", "Late" }), 4000);
        const auto ssdp = sim.log("ssdp");
        QCOMPARE(ssdp.size(), 6);
        QCOMPARE(ssdp[0].peer, ssdp[5].peer);
        QCOMPARE(m_errors, QStringList());
    }

    // One box that answers late, after the search's silence and after the
    // window has said that it found none: "No devices found" gives way to it,
    // and it is chosen and its pages loaded as a search's first row is.
    void onlyBoxAnswersLate()
    {
        SimFixture sim(devices({ SimFixture::device("Slow", 0, 2900, state(35, 60, 2, 3)) }));
        QVERIFY(sim.ok());
        startWindow();
        QTRY_COMPARE_WITH_TIMEOUT(banner(), Tmain::NoDevicesNotice(), 6000);
        QCOMPARE(rows("dlist"), QStringList());
        QTRY_COMPARE_WITH_TIMEOUT(rows("dlist"), QStringList { "Slow" }, 4000);
        QCOMPARE(get<QListWidget>("dlist")->currentRow(), 0);
        QVERIFY(waitReady());
        QCOMPARE(status(), QStringLiteral("Device: Slow IP: 10.77.0.20"));
        QCOMPARE(currentPage(), QStringLiteral("sett"));
        QCOMPARE(get<StationCombo>("webradio")->row(), 2);
        QCOMPARE(sim.requestLines().first(), QByteArray("GET /orvex/desc.txt HTTP/1.1"));
        QCOMPARE(m_errors, QStringList());
    }

    void duplicateAndEmptyDatagrams()
    {
        SimFixture sim(
            devices({ SimFixture::device("Twice", 0, 30, { { "ssdp", QJsonObject { { "duplicate", true } } } }),
                SimFixture::device(
                    "AfterEmpty", 1, 200, { { "ssdp", QJsonObject { { "emptyDatagramFirst", true } } } }) }));
        QVERIFY(sim.ok());
        startWindow();
        QVERIFY(waitReady());
        // A box that answers every send, twice, is one row.
        QCOMPARE(rows("dlist"), (QStringList { "Twice", "AfterEmpty" }));
        QCOMPARE(m_window->devicePorts(), (QStringList { "49152", "49153" }));
    }

    // One broken responder does not hide the others; the skips are reported.
    void brokenRespondersAreSkipped()
    {
        SimFixture sim(devices({
            SimFixture::device("First", 0, 20),
            SimFixture::device("Second", 1, 60),
            SimFixture::device("NoUrlBase", 2, 100, { { "description", QJsonObject { { "noUrlBase", true } } } }),
            SimFixture::device("MixedCase", 3, 140, { { "ssdp", QJsonObject { { "mixedCaseLocation", true } } } }),
            SimFixture::device("Malformed", 4, 180, { { "description", QJsonObject { { "malformed", true } } } }),
            SimFixture::device("Oversize", 5, 220, { { "ssdp", QJsonObject { { "oversize", true } } } }),
            SimFixture::device("Missing", 6, 260, { { "description", QJsonObject { { "status", 404 } } } }),
            SimFixture::device("Fourth", 7, 300),
        }));
        QVERIFY(sim.ok());
        startWindow();
        QTRY_VERIFY_WITH_TIMEOUT(banner().startsWith("Skipped"), 6000);
        QCOMPARE(banner(),
            QStringLiteral("Skipped 5 responder(s): 10.77.0.22: The device description has no 'URLBase' element."));
        QVERIFY(waitReady());
        QCOMPARE(rows("dlist"), (QStringList { "First", "Second", "Fourth" }));
        QCOMPARE(m_window->deviceIPs(), (QStringList { "10.77.0.20", "10.77.0.21", "10.77.0.27" }));
        QCOMPARE(m_errors, QStringList());
    }

    void silentDescriptionCostsTheBoundedWait()
    {
        SimFixture sim(devices({ SimFixture::device("Fine", 0, 20),
            SimFixture::device("Silent", 1, 60, { { "description", QJsonObject { { "noReply", true } } } }) }));
        QVERIFY(sim.ok());
        QElapsedTimer clock;
        clock.start();
        startWindow();
        QTRY_VERIFY_WITH_TIMEOUT(banner().startsWith("Skipped"), 16000);
        QVERIFY2(clock.elapsed() < 14000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(
            banner(), QStringLiteral("Skipped 1 responder(s): 10.77.0.21: Socket Error # 110\r\nConnection timed out"));
        QVERIFY(waitReady());
        QCOMPARE(rows("dlist"), QStringList { "Fine" });
    }

    void stationIndexes()
    {
        const QStringList five { "e", "d", "c", "b", "a" }, urls { "u1", "u2", "u3", "u4", "u5" };
        SimFixture sim(devices({ SimFixture::device("Seven", 0, 20, stations(five, urls, state(20, 100, 7, 3))),
            SimFixture::device("Zero", 1, 60, stations(five, urls, state(20, 100, 0, 0))) }));
        QVERIFY(sim.ok());
        startWindow();
        QVERIFY(waitReady());
        auto *webradio = get<StationCombo>("webradio");
        auto *dladr = get<StationCombo>("dladr");
        QCOMPARE(webradio->row(), -1); // 7 with six rows: none selected
        QCOMPARE(m_window->lastRadioIndex(), 7);
        QCOMPARE(dladr->row(), 3);
        QCOMPARE(m_window->lastDlnaIndex(), 3);
        QCOMPARE(rows("webradio"), (QStringList { "Please select station", "a", "b", "c", "d", "e" }));
        QCOMPARE(m_window->stations().at(0).IP, QStringLiteral("u5"));

        // The other device reads 0: the box moves to the row left by the first, then 0 is stored.
        QTest::mouseClick(get<QListWidget>("dlist")->viewport(), Qt::LeftButton, {},
            get<QListWidget>("dlist")->visualItemRect(get<QListWidget>("dlist")->item(1)).center());
        QVERIFY(!tabs()->isEnabled());
        QCOMPARE(webradio->count(), 0);
        QVERIFY(waitReady());
        QCOMPARE(get<QLabel>("stat")->text(), QStringLiteral("Device: Zero IP: 10.77.0.21"));
        QCOMPARE(dladr->row(), 3);
        QCOMPARE(m_window->lastDlnaIndex(), 0);
        QCOMPARE(webradio->row(), 0); // LastRadioIndex 7 lies past the last row
        QCOMPARE(m_window->lastRadioIndex(), 0);

        // Next "Start DLNA" sends station 2 (row 3).
        const qsizetype before = sim.httpCount();
        click("startdlna");
        QCOMPARE(m_errors, QStringList());
        QCOMPARE(sim.requestLines(before),
            (QList<QByteArray> { "POST /orvex/el/php_command_startstop.php?stopair HTTP/1.0",
                "POST /orvex/dlnaplaylist.php?filep&ip=10.77.0.21&port=49153&fil=u3 HTTP/1.0",
                "POST /orvex/el/php_command_startstop.php?dlnaindex&index=3 HTTP/1.0",
                "POST /orvex/dlnaplay.php?pla&ip=10.77.0.21&port=49153 HTTP/1.0" }));
        QCOMPARE(m_window->lastDlnaIndex(), 3);
    }

    void orvexPage()
    {
        SimFixture sim(devices({ SimFixture::device("Box", 0, 20) }));
        QVERIFY(sim.ok());
        startWindow();
        QVERIFY(waitReady());
        qsizetype before = sim.httpCount();
        click("Button4");
        QCOMPARE(sim.requestLines(before),
            (QList<QByteArray> { "POST /orvex/dlnastop.php?sto&ip=10.77.0.20&port=49152 HTTP/1.0",
                "POST /orvex/el/php_command_startstop.php?startair HTTP/1.0" }));
        QCOMPARE(banner(), QStringLiteral("Orvex started"));
        QCOMPARE(m_window->bannerTimer().interval(), 2000);

        before = sim.httpCount();
        click("Button5");
        QCOMPARE(sim.requestLines(before),
            QList<QByteArray> { "POST /orvex/el/php_command_startstop.php?stopair HTTP/1.0" });

        // Choosing row 4 sends the fourth station's address, then the row.
        auto *webradio = get<StationCombo>("webradio");
        before = sim.httpCount();
        chooseStation(webradio, 4);
        QCOMPARE(sim.requestLines(before),
            (QList<QByteArray> {
                "POST /orvex/el/php_command_startstop.php?wraddr&wraddre=http://stream.example/deephouse.mp3 HTTP/1.0",
                "POST /orvex/el/php_command_startstop.php?orvexindex&index=4 HTTP/1.0" }));
        QCOMPARE(m_window->lastRadioIndex(), 4);
        QCOMPARE(banner(), QStringLiteral("Station set to http://stream.example/deephouse.mp3"));
        // Closing on the row already confirmed sends nothing.
        before = sim.httpCount();
        chooseStation(webradio, 4);
        QCOMPARE(sim.httpCount(), before);
        // Hovering the prompt puts the row back on the last confirmed one.
        webradio->showPopup();
        webradio->view()->setCurrentIndex(webradio->model()->index(0, 0));
        QCOMPARE(webradio->row(), 4);
        QTest::keyClick(webradio->view(), Qt::Key_Escape);

        // A key on the volume slider sends the new volume.
        auto *airvol = get<VolumeSlider>("airvol");
        before = sim.httpCount();
        airvol->setFocus();
        QTest::keyClick(airvol, Qt::Key_Right);
        settle();
        QCOMPARE(sim.requestLines(before),
            QList<QByteArray> { "POST /orvex/el/php_command_startstop.php?volev&val=36 HTTP/1.0" });
        QCOMPARE(get<QLabel>("vollab")->text(), QStringLiteral("System volume: 36"));
        QCOMPARE(m_errors, QStringList());
    }

    void dlnaPage()
    {
        SimFixture sim(devices({ SimFixture::device("Box", 0, 20, state(20, 100)) }));
        QVERIFY(sim.ok());
        startWindow();
        QVERIFY(waitReady());
        auto *dladr = get<StationCombo>("dladr");
        QCOMPARE(dladr->row(), 0);

        // On the prompt row the station is looked up before anything is sent:
        // the web radio is not stopped for nothing.
        qsizetype before = sim.httpCount();
        click("startdlna");
        QCOMPARE(sim.requestLines(before), QList<QByteArray>());
        QCOMPARE(m_errors, QStringList { "List index out of bounds (-1)" });
        m_errors.clear();

        before = sim.httpCount();
        chooseStation(dladr, 2);
        chooseStation(dladr, 2); // the same row again sends again
        QCOMPARE(sim.requestLines(before),
            (QList<QByteArray> {
                "POST /orvex/dlnaplaylist.php?filep&ip=10.77.0.20&port=49152&fil=http://stream.example/bbcws.mp3 "
                "HTTP/1.0",
                "POST /orvex/el/php_command_startstop.php?dlnaindex&index=2 HTTP/1.0",
                "POST /orvex/dlnaplaylist.php?filep&ip=10.77.0.20&port=49152&fil=http://stream.example/bbcws.mp3 "
                "HTTP/1.0",
                "POST /orvex/el/php_command_startstop.php?dlnaindex&index=2 HTTP/1.0" }));

        get<QLabel>("stat")->setText("something else");
        before = sim.httpCount();
        click("stopdlna");
        QCOMPARE(sim.requestLines(before),
            QList<QByteArray> { "POST /orvex/dlnastop.php?sto&ip=10.77.0.20&port=49152 HTTP/1.0" });
        QCOMPARE(get<QLabel>("stat")->text(), QStringLiteral("Device: Box IP: 10.77.0.20"));

        // The DLNA volume: the box shows the panel, sends nothing itself.
        before = sim.httpCount();
        get<QCheckBox>("cbdlna")->setChecked(true);
        QCOMPARE(sim.httpCount(), before);
        auto *dlnavol = get<VolumeSlider>("dlnavol");
        dlnavol->setRealValue(42.5);
        settle();
        QCOMPARE(sim.requestLines(before),
            QList<QByteArray> { "POST /orvex/dlnavolume.php?vol&ip=10.77.0.20&port=49152&volv=42 HTTP/1.0" });
        QCOMPARE(get<QLabel>("voldlna")->text(), QStringLiteral("DLNA volume: 42"));
        QCOMPARE(m_errors, QStringList());
    }

    void advPage()
    {
        SimFixture sim(devices({ SimFixture::device("Box", 0, 20, state(20, 100)) }));
        QVERIFY(sim.ok());
        startWindow();
        QVERIFY(waitReady());
        qsizetype before = sim.httpCount();
        click("Button6");
        QCOMPARE(banner(), QStringLiteral("Rebooting device"));
        click("Button7");
        QCOMPARE(banner(), QStringLiteral("Shutting down device"));
        QCOMPARE(sim.requestLines(before),
            (QList<QByteArray> { "POST /orvex/el/php_command_rebshutd.php?reb HTTP/1.0",
                "POST /orvex/el/php_command_rebshutd.php?shut HTTP/1.0" }));
        QCOMPARE(rows("dlist"), QStringList { "Box" });

        click("Button9");
        QCOMPARE(get<StationCombo>("webradio")->count(), 0);
        QCOMPARE(get<StationCombo>("dladr")->count(), 0);
        QVERIFY(!tabs()->isEnabled());
        QCOMPARE(currentPage(), QStringLiteral("sett"));
        QVERIFY(waitReady());
        QCOMPARE(sim.log("ssdp").size(), 6); // three sends a search
        QCOMPARE(rows("dlist"), QStringList { "Box" });
        QCOMPARE(get<StationCombo>("webradio")->count(), 21);
    }

    void emptyListGuards()
    {
        SimFixture sim(devices({}));
        QVERIFY(sim.ok());
        startWindow();
        QVERIFY(waitReady());
        QCOMPARE(banner(), Tmain::NoDevicesNotice());
        QCOMPARE(currentPage(), QStringLiteral("adv"));
        QVERIFY(rows("dlist").isEmpty());
        QVERIFY(!m_window->bannerTimer().isEnabled()); // sticky

        struct Guarded
        {
            std::function<void()> act;
            int ms;
        };
        const QList<Guarded> cases {
            { [this] { click("Button4"); }, 2000 },
            { [this] { get<VolumeSlider>("airvol")->setRealValue(55); }, 2000 },
            { [this] { click("Button5"); }, 3000 },
            { [this] { click("startdlna"); }, 3000 },
            { [this] { click("stopdlna"); }, 3000 },
            { [this] { get<VolumeSlider>("dlnavol")->setRealValue(10); }, 3000 },
            { [this] { click("Button6"); }, 3000 },
            { [this] { click("Button7"); }, 3000 },
            { [this] {
                 QTest::mouseClick(tabs()->tabBar(), Qt::LeftButton, {}, tabs()->tabBar()->tabRect(4).center());
             },
                3000 },
        };
        for (const auto &c : cases) {
            tabs()->setCurrentIndex(0);
            m_window->ShowNotice("x", 999);
            c.act();
            QCOMPARE(banner(), Tmain::NoDevicesNotice());
            QCOMPARE(m_window->bannerTimer().interval(), c.ms);
            QTRY_COMPARE(currentPage(), QStringLiteral("adv"));
        }
        QCOMPARE(get<VolumeSlider>("airvol")->realValue(), 55.0);
        QCOMPARE(sim.httpCount(), 0);
        QCOMPARE(m_errors, QStringList());
    }

    // After a failed refresh the pages come back on the ADV page.
    void refreshFailures()
    {
        SimFixture sim(devices(
            { SimFixture::device("NoDesc", 0, 20, faults({ { "/orvex/desc.txt", QJsonObject { { "status", 404 } } } })),
                SimFixture::device("ShortUrls", 1, 60, stations({ "a", "b", "c" }, { "u1", "u2" })),
                SimFixture::device(
                    "BadVol", 2, 100, faults({ { "/orvex/vol", QJsonObject { { "body", "35\r\n" } } } })) }));
        QVERIFY(sim.ok());
        startWindow();
        QVERIFY(waitReady());
        // Every failure names its box on a line of its own.
        QCOMPARE(m_errors, QStringList { "HTTP/1.1 404 Not Found.\nBox: NoDesc (10.77.0.20)" });
        QCOMPARE(currentPage(), QStringLiteral("adv"));
        QCOMPARE(get<StationCombo>("webradio")->count(), 0);
        QCOMPARE(rows("dlist").size(), 3);

        auto *dlist = get<QListWidget>("dlist");
        tabs()->setCurrentWidget(get<QWidget>("sett"));
        QTest::mouseClick(dlist->viewport(), Qt::LeftButton, {}, dlist->visualItemRect(dlist->item(1)).center());
        QVERIFY(waitReady());
        QCOMPARE(m_errors.last(), QStringLiteral("List index out of bounds (2)\nBox: ShortUrls (10.77.0.21)"));
        QCOMPARE(get<StationCombo>("webradio")->count(), 0);

        tabs()->setCurrentWidget(get<QWidget>("sett"));
        QTest::mouseClick(dlist->viewport(), Qt::LeftButton, {}, dlist->visualItemRect(dlist->item(2)).center());
        QVERIFY(waitReady());
        QCOMPARE(m_errors.last(), QStringLiteral("'35\r\n' is not a valid integer value.\nBox: BadVol (10.77.0.22)"));
        QCOMPARE(get<StationCombo>("webradio")->count(), 21); // earlier steps stay done
        QCOMPARE(currentPage(), QStringLiteral("adv"));
    }

    // Moving the selection with the keys refreshes the pages for the new device.
    void keyboardSelectionRefreshes()
    {
        SimFixture sim(devices({ SimFixture::device("One", 0, 20), SimFixture::device("Two", 1, 60) }));
        QVERIFY(sim.ok());
        startWindow();
        QVERIFY(waitReady());
        auto *dlist = get<QListWidget>("dlist");
        dlist->setFocus();
        QTest::keyClick(dlist, Qt::Key_Down);
        QVERIFY(!tabs()->isEnabled());
        QVERIFY(waitReady());
        QCOMPARE(get<QLabel>("stat")->text(), QStringLiteral("Device: Two IP: 10.77.0.21"));
    }

    void commandFailureKeepsLaterRequestsUnsent()
    {
        SimFixture sim(devices({ SimFixture::device("Box", 0, 20,
            faults({ { "/orvex/dlnastop.php", QJsonObject { { "emptyBody", true } } } }, state(20, 100))) }));
        QVERIFY(sim.ok());
        startWindow();
        QVERIFY(waitReady());
        const qsizetype before = sim.httpCount();
        click("Button4");
        QCOMPARE(m_errors, QStringList { "List index out of bounds (0)\nBox: Box (10.77.0.20)" });
        QCOMPARE(sim.requestLines(before),
            QList<QByteArray> { "POST /orvex/dlnastop.php?sto&ip=10.77.0.20&port=49152 HTTP/1.0" });
    }

    // Every way of choosing another row refreshes the pages for it, and the
    // next command goes to the box the status line names.
    void everySelectionChangeRefreshes_data()
    {
        QTest::addColumn<int>("how");
        QTest::newRow("right click") << 0;
        QTest::newRow("middle click") << 1;
        QTest::newRow("drag from one row to the other") << 2;
        QTest::newRow("key") << 3;
    }
    void everySelectionChangeRefreshes()
    {
        QFETCH(int, how);
        SimFixture sim(devices({ SimFixture::device("Living Room", 0, 20), SimFixture::device("Kitchen", 1, 60) }));
        QVERIFY(sim.ok());
        startWindow();
        QVERIFY(waitReady());
        QCOMPARE(status(), QStringLiteral("Device: Living Room IP: 10.77.0.20"));
        auto *dlist = get<QListWidget>("dlist");
        const QPoint first = dlist->visualItemRect(dlist->item(0)).center();
        const QPoint second = dlist->visualItemRect(dlist->item(1)).center();
        switch (how) {
        case 0:
            clickRow(1, Qt::RightButton);
            break;
        case 1:
            clickRow(1, Qt::MiddleButton);
            break;
        case 2:
            QTest::mousePress(dlist->viewport(), Qt::LeftButton, {}, first);
            QTest::mouseMove(dlist->viewport(), second);
            QTest::mouseRelease(dlist->viewport(), Qt::LeftButton, {}, second);
            break;
        case 3:
            dlist->setFocus();
            QTest::keyClick(dlist, Qt::Key_Down);
            break;
        }
        QCOMPARE(dlist->currentRow(), 1);
        QVERIFY(!tabs()->isEnabled()); // the refresh is armed
        QVERIFY(waitReady());
        QCOMPARE(status(), QStringLiteral("Device: Kitchen IP: 10.77.0.21"));
        const qsizetype before = sim.httpCount();
        click("Button6");
        const auto http = sim.log("http");
        QCOMPARE(http.size(), before + 1);
        QCOMPARE(http.last().device, QStringLiteral("Kitchen"));
        // Choosing the row already selected, with the right button, changes nothing.
        clickRow(1, Qt::RightButton);
        QVERIFY(tabs()->isEnabled());
    }

    // After a refresh that fails before it names the new box, the message
    // names the box that failed, and the selection goes back to the box the
    // pages and the status line still describe, the one the buttons drive.
    void failedRefreshKeepsTheNamedBox_data()
    {
        QTest::addColumn<QJsonObject>("kitchen");
        QTest::addColumn<QString>("error");
        QTest::newRow("its station list is missing")
            << faults({ { "/orvex/desc.txt", QJsonObject { { "status", 404 } } } })
            << "HTTP/1.1 404 Not Found.\nBox: Kitchen (10.77.0.21)";
        QTest::newRow("its web application is not running")
            << QJsonObject { { "httpPort", 8080 } }
            << "Socket Error # 111\r\nConnection refused.\nBox: Kitchen (10.77.0.21)";
    }
    void failedRefreshKeepsTheNamedBox()
    {
        QFETCH(QJsonObject, kitchen);
        QFETCH(QString, error);
        SimFixture sim(
            devices({ SimFixture::device("Living Room", 0, 20), SimFixture::device("Kitchen", 1, 60, kitchen) }));
        QVERIFY(sim.ok());
        startWindow();
        QVERIFY(waitReady());
        clickRow(1);
        QVERIFY(waitReady());
        QCOMPARE(m_errors, QStringList { error });
        QCOMPARE(get<QListWidget>("dlist")->currentRow(), 0);
        QCOMPARE(get<QListWidget>("dlist")->selectedItems().value(0)->text(), QStringLiteral("Living Room"));
        QCOMPARE(status(), QStringLiteral("Device: Living Room IP: 10.77.0.20"));
        const qsizetype before = sim.httpCount();
        click("Button7");
        QCOMPARE(sim.log("http").last().device, QStringLiteral("Living Room"));
        QCOMPARE(
            sim.requestLines(before), QList<QByteArray> { "POST /orvex/el/php_command_rebshutd.php?shut HTTP/1.0" });
    }

    // Failures come one box at a time, without a box of their own inside
    // another: while one is open nothing else starts; the next comes once the
    // user has closed it.
    void twoFailuresOneBoxAtATime()
    {
        SimFixture sim(devices({ SimFixture::device("Box", 0, 20,
            faults({ { "/orvex/el/php_command_startstop.php?stopair", QJsonObject { { "status", 500 } } },
                { "/orvex/dlnastop.php", QJsonObject { { "status", 503 } } } })) }));
        QVERIFY(sim.ok());
        startWindow();
        QVERIFY(waitReady());
        errorbox::setTestHook({});
        const auto open = [] {
            QList<QMessageBox *> boxes;
            for (QWidget *w : QApplication::topLevelWidgets()) {
                if (auto *box = qobject_cast<QMessageBox *>(w); box && box->isVisible())
                    boxes << box;
            }
            return boxes;
        };
        click("Button5");
        QTRY_COMPARE(open().size(), 1);
        QCOMPARE(open().first()->text(), QStringLiteral("HTTP/1.1 500 Internal Server Error.\nBox: Box (10.77.0.20)"));
        QCOMPARE(open().first()->windowModality(), Qt::WindowModal);
        // A media key asks for the web radio meanwhile: it waits behind the box.
        const qsizetype before = sim.httpCount();
        m_window->mediaPlayer().control().mediaPlay();
        QTest::qWait(500);
        QCOMPARE(sim.httpCount(), before);
        QCOMPARE(open().size(), 1);
        open().first()->button(QMessageBox::Ok)->click();
        QTRY_COMPARE(sim.httpCount(), before + 1);
        QTRY_COMPARE(open().size(), 1);
        QCOMPARE(open().first()->text(), QStringLiteral("HTTP/1.1 503 Status.\nBox: Box (10.77.0.20)"));
        open().first()->button(QMessageBox::Ok)->click();
        QTRY_COMPARE(open().size(), 0);
        collectErrors();
        QVERIFY(tabs()->isEnabled());
    }

    // The media controls' calls queue as clicks do: volumes that wait are
    // merged, and no volume at all (NaN) sends nothing.
    void mediaCallsMerge()
    {
        SimFixture sim(devices({ SimFixture::device(
            "Box", 0, 20, faults({ { "/orvex/el/php_command_rebshutd.php", QJsonObject { { "delayMs", 800 } } } })) }));
        QVERIFY(sim.ok());
        startWindow();
        QVERIFY(waitReady());
        const qsizetype before = sim.httpCount();
        MediaControl &media = m_window->mediaPlayer().control();
        get<QPushButton>("Button6")->click(); // a slow action under way
        for (int i = 1; i <= 10; ++i)
            media.mediaSetVolume(i / 20.0);
        media.mediaSetVolume(qQNaN());
        settle();
        QCOMPARE(sim.requestLines(before),
            (QList<QByteArray> { "POST /orvex/el/php_command_rebshutd.php?reb HTTP/1.0",
                "POST /orvex/el/php_command_startstop.php?volev&val=50 HTTP/1.0" }));
        QCOMPARE(get<VolumeSlider>("airvol")->realValue(), 50.0);
        const qsizetype after = sim.httpCount();
        media.mediaSetVolume(qQNaN());
        media.mediaSetVolume(std::numeric_limits<double>::infinity());
        settle();
        QCOMPARE(sim.httpCount(), after);
        QCOMPARE(m_errors, QStringList());
    }

    // When the pages describe no box (the first refresh after a search failed),
    // no row is selected and every command is guarded as with no device.
    void failedFirstRefreshNamesNoBox()
    {
        SimFixture sim(devices(
            { SimFixture::device("Broken", 0, 20, faults({ { "/orvex/url.txt", QJsonObject { { "status", 500 } } } })),
                SimFixture::device("Kitchen", 1, 60) }));
        QVERIFY(sim.ok());
        startWindow();
        QVERIFY(waitReady());
        QCOMPARE(m_errors, QStringList { "HTTP/1.1 500 Internal Server Error.\nBox: Broken (10.77.0.20)" });
        QCOMPARE(get<QListWidget>("dlist")->currentRow(), -1);
        QCOMPARE(status(), QStringLiteral("Device: "));
        const qsizetype before = sim.httpCount();
        click("Button6");
        QCOMPARE(banner(), Tmain::NoDevicesNotice());
        QCOMPARE(currentPage(), QStringLiteral("adv"));
        QCOMPARE(sim.httpCount(), before);
        // Choosing a box brings its pages.
        tabs()->setCurrentWidget(get<QWidget>("sett"));
        clickRow(1);
        QVERIFY(waitReady());
        QCOMPARE(status(), QStringLiteral("Device: Kitchen IP: 10.77.0.21"));
    }

    // Escape on a station list sends nothing and shows nothing.
    void escapeSendsNothing()
    {
        SimFixture sim(devices({ SimFixture::device("Box", 0, 20, state(20, 100, 2, 3)) }));
        QVERIFY(sim.ok());
        startWindow();
        QVERIFY(waitReady());
        for (const char *name : { "dladr", "webradio" }) {
            auto *box = get<StationCombo>(name);
            const int row = box->row();
            const qsizetype before = sim.httpCount();
            box->showPopup();
            QTRY_VERIFY(box->view()->isVisible());
            box->view()->setCurrentIndex(box->model()->index(5, 0));
            QTest::keyClick(box->view(), Qt::Key_Escape);
            QTRY_VERIFY(!box->view()->isVisible());
            QCOMPARE(box->row(), row);
            QCOMPARE(sim.httpCount(), before);
        }
        QCOMPARE(m_errors, QStringList());
    }

    // The exit button ends the window's timers for good and sends nothing.
    void exitSendsNothing()
    {
        SimFixture sim(devices({ SimFixture::device("Box", 0, 20, state(20, 100)) }));
        QVERIFY(sim.ok());
        startWindow();
        QVERIFY(waitReady());
        const qsizetype before = sim.httpCount();
        m_window->ShowNotice("x", 2000);
        click("exit_b");
        QCOMPARE(m_window->bannerTimer().remainingTime(), -1);
        m_window->searchTimer().setEnabled(true); // no timer can be armed any more
        QCOMPARE(m_window->searchTimer().remainingTime(), -1);
        QTest::qWait(1500);
        QCOMPARE(sim.httpCount(), before);
        QCOMPARE(sim.log("ssdp").size(), 3); // the start-up search's three sends
    }

private:
    // The window ready and active, the DLNA volume's row shown: every control
    // of every page can take the keyboard.
    bool readyForKeyboard()
    {
        startWindow();
        if (!waitReady())
            return false;
        m_window->activateWindow();
        if (!QTest::qWaitForWindowActive(m_window.get()))
            return false;
        get<QCheckBox>("cbdlna")->setChecked(true);
        return true;
    }
};

QTEST_MAIN(TestEndToEnd)
#include "test_e2e.moc"
