// The window as created, and the notice banner with its timer.
#include "app/error_box.h"
#include "app/main_f.h"
#include "app/station_combo.h"
#include "app/volume_slider.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

class TestWindow : public QObject
{
    Q_OBJECT

    static Tmain::Options noBrowser() { return { false }; }

private slots:
    void initTestCase()
    {
        errorbox::setTestHook([](const QString &text) { qWarning("error box: %s", qPrintable(text)); });
    }

    void createdWindow()
    {
        Tmain window(noBrowser());
        QCOMPARE(window.windowTitle(), QStringLiteral("Orvex Manager V1.0"));
        QCOMPARE(window.size(), QSize(600, 700));
        QCOMPARE(window.minimumSize(), window.maximumSize()); // not resizable
        auto *tabs = window.findChild<QTabWidget *>("TabControl1");
        QVERIFY(tabs);
        QCOMPARE(tabs->count(), 5);
        QStringList captions;
        for (int i = 0; i < tabs->count(); ++i)
            captions << tabs->tabText(i);
        QCOMPARE(captions, (QStringList { "ORVEX", "DLNA", "SET", "ADV", "WEB" }));
        QCOMPARE(tabs->currentWidget()->objectName(), QStringLiteral("sett"));
        QVERIFY(!tabs->isEnabled());

        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.findChild<QWidget *>("HeaderToolBar")->height(), 48);
        QCOMPARE(window.findChild<QWidget *>("Status")->height(), 22);
        QCOMPARE(tabs->tabBar()->height(), 49);
        int widths = 0;
        for (int i = 0; i < tabs->count(); ++i)
            widths += tabs->tabBar()->tabRect(i).width();
        QCOMPARE(widths, tabs->width());
    }

    void initialControls_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::newRow("infolab") << "infolab"
                                 << "Orvex - DLNA Manager 1.0";
        QTest::newRow("stat") << "stat"
                              << "Status";
        QTest::newRow("Button4") << "Button4"
                                 << "Start Orvex";
        QTest::newRow("Button5") << "Button5"
                                 << "Stop Orvex";
        QTest::newRow("vollab") << "vollab"
                                << "System volume: 0";
        QTest::newRow("Label5") << "Label5"
                                << "Select preset web radio";
        QTest::newRow("startdlna") << "startdlna"
                                   << "Start DLNA";
        QTest::newRow("stopdlna") << "stopdlna"
                                  << "Stop DLNA";
        QTest::newRow("Label6") << "Label6"
                                << "Select preset web radio";
        QTest::newRow("Label1") << "Label1"
                                << "Router IP:";
        QTest::newRow("rout_ip") << "rout_ip"
                                 << "No IP found";
        QTest::newRow("Label2") << "Label2"
                                << "Select Device";
        QTest::newRow("Button6") << "Button6"
                                 << "Restart device";
        QTest::newRow("Button7") << "Button7"
                                 << "Shutdown device";
        QTest::newRow("cbdlna") << "cbdlna"
                                << "Enable DLNA volume control";
        QTest::newRow("voldlna") << "voldlna"
                                 << "DLNA volume: 0";
        QTest::newRow("Label3") << "Label3"
                                << "Rescan for devices";
        QTest::newRow("Button9") << "Button9"
                                 << "Search for devices";
        QTest::newRow("exit_b") << "exit_b"
                                << "Εξοδος/exit";
    }
    void initialControls()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        Tmain window(noBrowser());
        QObject *control = window.findChild<QObject *>(name);
        QVERIFY2(control, qPrintable(name));
        QCOMPARE(control->property("text").toString(), text);
    }

    void initialValues()
    {
        Tmain window(noBrowser());
        QCOMPARE(window.findChild<VolumeSlider *>("airvol")->realValue(), 20.0);
        QCOMPARE(window.findChild<VolumeSlider *>("dlnavol")->realValue(), 100.0);
        QCOMPARE(window.findChild<StationCombo *>("webradio")->count(), 0);
        QCOMPARE(window.findChild<StationCombo *>("dladr")->count(), 0);
        QVERIFY(!window.findChild<QCheckBox *>("cbdlna")->isChecked());
        QVERIFY(window.findChild<QWidget *>("Panel6")->isHidden());
        auto *dlist = window.findChild<QListWidget *>("dlist");
        QCOMPARE(dlist->count(), 1);
        QCOMPARE(dlist->item(0)->text(), QStringLiteral("No devices found"));
        QCOMPARE(window.bannerColor(), QRgb(0xFF0000FF));
        for (const char *hidden : { "tt", "mm" })
            QVERIFY(window.findChild<QWidget *>(hidden)->isHidden());
    }

    void checkBoxShowsDlnaVolume()
    {
        Tmain window(noBrowser());
        window.show();
        auto *box = window.findChild<QCheckBox *>("cbdlna");
        auto *panel = window.findChild<QWidget *>("Panel6");
        box->setChecked(true);
        QVERIFY(!panel->isHidden());
        box->setChecked(false);
        QVERIFY(panel->isHidden());
    }

    // Each case: steps at given times, then what the banner shows at given times.
    void banner_data()
    {
        QTest::addColumn<QString>("steps"); // "t:kind:text[:ms]" separated by ";"
        QTest::addColumn<QString>("checks"); // "t:text" separated by ";"
        QTest::newRow("longer notice replaces the count") << "0:N:A:1000;300:N:B:2000"
                                                          << "2100:B;2600:title";
        QTest::newRow("same duration keeps the earlier count") << "0:N:A:3000;1000:N:B:3000"
                                                               << "2700:B;3400:title";
        QTest::newRow("sticky without a count stays") << "0:S:B"
                                                      << "1500:B";
        QTest::newRow("sticky under a running count") << "0:N:A:3000;500:S:B"
                                                      << "2700:B;3400:title";
        QTest::newRow("sticky then timed") << "0:S:B;100:N:C:2000"
                                           << "1900:C;2500:title";
        QTest::newRow("empty text") << "0:N::1000"
                                    << "500:;1400:title";
    }
    void banner()
    {
        QFETCH(QString, steps);
        QFETCH(QString, checks);
        Tmain window(noBrowser());
        auto *infolab = window.findChild<QLabel *>("infolab");
        struct Event
        {
            int at;
            std::function<void()> run;
        };
        QList<Event> events;
        for (const QString &step : steps.split(';')) {
            const QStringList f = step.split(':');
            const int at = f[0].toInt();
            if (f[1] == "N")
                events.append({ at, [&window, f] { window.ShowNotice(f[2], f[3].toInt()); } });
            else
                events.append({ at, [&window, f] { window.ShowStickyNotice(f[2]); } });
        }
        for (const QString &check : checks.split(';')) {
            const QStringList f = check.split(':');
            events.append({ f[0].toInt(), [&window, infolab, f] {
                               const bool title = f[1] == "title";
                               QCOMPARE(infolab->text(), title ? Tmain::Title : f[1]);
                               QCOMPARE(window.bannerColor(), title ? QRgb(0xFF0000FF) : QRgb(0xFFFF0000));
                           } });
        }
        std::stable_sort(events.begin(), events.end(), [](const Event &a, const Event &b) { return a.at < b.at; });
        QElapsedTimer clock;
        clock.start();
        for (const Event &event : events) {
            QTest::qWait(int(qMax<qint64>(0, event.at - clock.elapsed())));
            event.run();
            if (QTest::currentTestFailed())
                return;
        }
    }
};

QTEST_MAIN(TestWindow)
#include "test_window.moc"
