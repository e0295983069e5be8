// The window as created, and the notice banner with its timer.
#include "app/error_box.h"
#include "app/main_f.h"
#include "app/station_combo.h"
#include "app/volume_slider.h"
#include "base/translations.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLayout>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

class TestWindow : public QObject
{
    Q_OBJECT

    static Tmain::Options noBrowser() { return { false }; }

private slots:
    void initTestCase()
    {
        errorbox::setTestHook([](const QString &text) { qWarning("error box: %s", qPrintable(text)); });
    }

    // The captions follow the system's UI languages: Greek for Greek, English
    // for the two Greek source texts elsewhere, the source texts in the C locale.
    void languages_data()
    {
        QTest::addColumn<QStringList>("uiLanguages");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("exit");
        QTest::addColumn<QString>("setTab");
        QTest::addColumn<QString>("noNetwork");
        QTest::newRow("Greek") << QStringList { "el-GR", "el" } << "Έναρξη Orvex"
                               << "Έξοδος"
                               << "ΡΥΘΜΙΣΕΙΣ"
                               << "Δεν βρέθηκε σύνδεση δικτύου! Η εφαρμογή θα τερματισθεί. Ανοίξτε πρώτα το WI-FI "
                                  "και εκκινήστε πάλι την εφαρμογή.";
        QTest::newRow("English") << QStringList { "en-US", "en" } << "Start Orvex"
                                 << "Exit"
                                 << "SET"
                                 << "No network connection found! The application will close. Turn on Wi-Fi first and "
                                    "start the application again.";
        QTest::newRow("German reads English") << QStringList { "de-DE" } << "Start Orvex"
                                              << "Exit"
                                              << "SET"
                                              << "No network connection found! The application will close. Turn on "
                                                 "Wi-Fi first and start the application again.";
        QTest::newRow("C locale")
            << QStringList { "C" } << "Start Orvex"
            << "Εξοδος/exit"
            << "SET"
            << "Δεν βρέθηκε σύνδεση δικτύου! Η εφαρμογή θα τερματισθεί.Ανοίξτε πρώτα το WI-FI και "
               "εκκινήστε πάλι την εφαρμογή.";
    }
    void languages()
    {
        QFETCH(QStringList, uiLanguages);
        QFETCH(QString, start);
        QFETCH(QString, exit);
        QFETCH(QString, setTab);
        QFETCH(QString, noNetwork);
        installTranslations({ "orvex_gui", "orvex_core" }, uiLanguages);
        {
            Tmain window(noBrowser());
            QCOMPARE(window.findChild<QPushButton *>("Button4")->text(), start);
            QCOMPARE(window.findChild<QPushButton *>("exit_b")->text(), exit);
            QCOMPARE(window.findChild<QTabWidget *>("TabControl1")->tabText(2), setTab);
            QCOMPARE(Tmain::NoNetworkMessage(), noNetwork);
            // Object names (the style sheet's and the tests' handles) never change.
            QVERIFY(window.findChild<QWidget *>("Status"));
        }
        installTranslations({ "orvex_gui", "orvex_core" }, { "C" });
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
    }

    // The real error box, answered by the test: markup in a message is text.
    void errorBoxShowsPlainText()
    {
        errorbox::setTestHook({});
        QString text;
        Qt::TextFormat format = Qt::AutoText;
        QTimer::singleShot(200, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                text = box->text();
                format = box->textFormat();
                box->accept();
            }
        });
        errorbox::show("HTTP/1.1 500 <b>Bad</b> &amp; <img src=/dev/null>");
        initTestCase();
        QCOMPARE(text, QStringLiteral("HTTP/1.1 500 <b>Bad</b> &amp; <img src=/dev/null>"));
        QCOMPARE(format, Qt::PlainText);
    }

    // The title is drawn in blue from window creation, before any notice.
    void titleIsBlueFromTheStart()
    {
        Tmain window(noBrowser());
        window.layout()->activate();
        const QImage image = window.findChild<QLabel *>("infolab")->grab().toImage();
        int blue = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                blue += c.blue() > 200 && c.red() < 90 && c.green() < 90;
            }
        }
        QVERIFY2(blue > 20, qPrintable(QString::number(blue)));
    }

    // Panel6 sits 10 in from the page's sides and the DLNA slider 10 in from
    // the panel's: the slider spans 20 to 580, its label starts at 20.
    void dlnaVolumePlacement()
    {
        Tmain window(noBrowser());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto *tabs = window.findChild<QTabWidget *>("TabControl1");
        tabs->setCurrentWidget(window.findChild<QWidget *>("adv"));
        window.findChild<QCheckBox *>("cbdlna")->setChecked(true);
        auto *page = window.findChild<QWidget *>("adv");
        auto *slider = window.findChild<QWidget *>("dlnavol");
        auto *text = window.findChild<QWidget *>("voldlna");
        QTRY_VERIFY(slider->isVisible());
        const QPoint sliderAt = slider->mapTo(page, QPoint(0, 0));
        QCOMPARE(sliderAt.x(), 20);
        QCOMPARE(slider->width(), page->width() - 40);
        QCOMPARE(text->mapTo(page, QPoint(0, 0)).x(), 20);
        auto *panel = window.findChild<QWidget *>("Panel6");
        QCOMPARE(panel->mapTo(page, QPoint(0, 0)).x(), 10);
        QCOMPARE(panel->width(), page->width() - 20);
        QCOMPARE(panel->height(), 49);
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

    // Each case: notices with pauses between them, then what the banner shows
    // and how long its count has left. The count is read from the banner timer,
    // so a busy machine cannot skew the result; the title must then come back.
    void banner_data()
    {
        QTest::addColumn<QString>("steps"); // "N:text:ms", "S:text" or "W:ms", separated by ";"
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("leftAtLeast"); // ms left of the count, -1: no count
        QTest::addColumn<int>("leftAtMost");
        QTest::newRow("longer notice replaces the count") << "N:A:1000;W:300;N:B:2000"
                                                          << "B" << 1700 << 2000;
        QTest::newRow("same duration keeps the earlier count") << "N:A:3000;W:1000;N:B:3000"
                                                               << "B" << 1 << 2050;
        QTest::newRow("sticky without a count stays") << "S:B"
                                                      << "B" << -1 << -1;
        QTest::newRow("sticky under a running count") << "N:A:3000;W:500;S:B"
                                                      << "B" << 1 << 2550;
        QTest::newRow("sticky then timed") << "S:B;W:100;N:C:2000"
                                           << "C" << 1700 << 2000;
        QTest::newRow("empty text") << "N::1000"
                                    << "" << 700 << 1000;
    }
    void banner()
    {
        QFETCH(QString, steps);
        QFETCH(QString, shown);
        QFETCH(int, leftAtLeast);
        QFETCH(int, leftAtMost);
        Tmain window(noBrowser());
        auto *infolab = window.findChild<QLabel *>("infolab");
        for (const QString &step : steps.split(';')) {
            const QStringList f = step.split(':');
            if (f[0] == "N")
                window.ShowNotice(f[1], f[2].toInt());
            else if (f[0] == "S")
                window.ShowStickyNotice(f[1]);
            else
                QTest::qWait(f[1].toInt());
        }
        QCOMPARE(infolab->text(), shown);
        QCOMPARE(window.bannerColor(), QRgb(0xFFFF0000));
        const int left = window.bannerTimer().remainingTime();
        QVERIFY2(left >= leftAtLeast && left <= leftAtMost, qPrintable(QString::number(left)));
        if (left < 0) {
            QTest::qWait(1500);
            QCOMPARE(infolab->text(), shown); // no count of its own: it stays
            return;
        }
        QTRY_COMPARE_WITH_TIMEOUT(infolab->text(), Tmain::Title(), left + 3000);
        QCOMPARE(window.bannerColor(), QRgb(0xFF0000FF));
        QVERIFY(!window.bannerTimer().isEnabled());
    }
};

QTEST_MAIN(TestWindow)
#include "test_window.moc"
