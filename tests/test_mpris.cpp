// The selected box as a desktop media player: the window on a private session
// bus, driven by the desktop's own clients (playerctl, gdbus, dbus-monitor)
// against the simulator.
#include "app/volume_slider.h"
#include "window_driver.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QProcess>

class TestMpris : public QObject, public WindowDriver
{
    Q_OBJECT

    // Runs a client while the window keeps answering the bus; its output.
    QString client(const QString &program, const QStringList &arguments, int *exitCode = nullptr)
    {
        QProcess process;
        process.start(program, arguments);
        QElapsedTimer clock;
        clock.start();
        while (process.state() != QProcess::NotRunning && clock.elapsed() < 10000)
            QTest::qWait(10);
        if (exitCode)
            *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        return QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError()).trimmed();
    }
    QString playerctl(const QStringList &arguments, int *exitCode = nullptr)
    {
        return client(QStringLiteral("playerctl"),
            QStringList { QStringLiteral("-p"), QStringLiteral("orvexmanager") } + arguments, exitCode);
    }

    std::unique_ptr<SimFixture> m_sim;

private slots:
    void initTestCase()
    {
        QVERIFY2(QDBusConnection::sessionBus().isConnected(), "run under dbus-run-session");
        collectErrors();
        m_sim = std::make_unique<SimFixture>(devices({ SimFixture::device("Living Room", 0, 20, state(35, 60, 3)) }));
        QVERIFY(m_sim->ok());
        startWindow();
        QVERIFY(waitReady());
        QCOMPARE(m_window->mediaPlayer().serviceName(), QStringLiteral("org.mpris.MediaPlayer2.orvexmanager"));
    }
    void cleanupTestCase() { m_window.reset(); }
    void init() { m_errors.clear(); }

    void interfaces()
    {
        const QString text = client(QStringLiteral("gdbus"),
            { "introspect", "--session", "--dest", "org.mpris.MediaPlayer2.orvexmanager", "--object-path",
                "/org/mpris/MediaPlayer2" });
        const QStringList expected { "interface org.mpris.MediaPlayer2 {", "Raise();", "Quit();", "readonly b CanQuit",
            "readonly b CanRaise", "readonly b HasTrackList", "readonly s Identity", "readonly s DesktopEntry",
            "readonly as SupportedUriSchemes", "readonly as SupportedMimeTypes",
            "interface org.mpris.MediaPlayer2.Player {", "Next();", "Previous();", "Pause();", "PlayPause();",
            "Stop();", "Play();", "Seek(in  x Offset);", "SetPosition(in  o TrackId,", "OpenUri(in  s Uri);",
            "Seeked(x Position);", "readonly s PlaybackStatus", "readwrite d Rate", "readonly a{sv} Metadata",
            "readwrite d Volume", "readonly x Position", "readonly d MinimumRate", "readonly d MaximumRate",
            "readonly b CanGoNext", "readonly b CanGoPrevious", "readonly b CanPlay", "readonly b CanPause",
            "readonly b CanSeek", "readonly b CanControl" };
        for (const QString &line : expected)
            QVERIFY2(text.contains(line), qPrintable(line + "\n" + text));
        const auto property = [this](const char *name) {
            return client(QStringLiteral("gdbus"),
                { "call", "--session", "--dest", "org.mpris.MediaPlayer2.orvexmanager", "--object-path",
                    "/org/mpris/MediaPlayer2", "--method", "org.freedesktop.DBus.Properties.Get",
                    "org.mpris.MediaPlayer2", name });
        };
        QCOMPARE(property("Identity"), QStringLiteral("(<'Orvex Manager'>,)"));
        QCOMPARE(property("DesktopEntry"), QStringLiteral("(<'com.orvex.Manager'>,)"));
        QCOMPARE(property("SupportedUriSchemes"), QStringLiteral("(<@as []>,)"));
        int code = 0;
        const QString refused = client(QStringLiteral("gdbus"),
            { "call", "--session", "--dest", "org.mpris.MediaPlayer2.orvexmanager", "--object-path",
                "/org/mpris/MediaPlayer2", "--method", "org.mpris.MediaPlayer2.Player.OpenUri", "http://x/" },
            &code);
        QVERIFY(code != 0);
        QVERIFY2(refused.contains("NotSupported"), qPrintable(refused));
    }

    // The volume goes out as the slider's own request, and the slider follows.
    void volume()
    {
        const qsizetype before = m_sim->httpCount();
        playerctl({ "volume", "0.3" });
        QTRY_COMPARE(get<VolumeSlider>("airvol")->realValue(), 30.0);
        settle();
        QCOMPARE(m_sim->requestLines(before),
            QList<QByteArray> { "POST /orvex/el/php_command_startstop.php?volev&val=30 HTTP/1.0" });
        QCOMPARE(playerctl({ "volume" }), QStringLiteral("0.300000"));
        // Values outside are clamped.
        playerctl({ "volume", "1.7" });
        QTRY_COMPARE(get<VolumeSlider>("airvol")->realValue(), 100.0);
        settle();
        QCOMPARE(m_sim->requestLines(before).last(),
            QByteArray("POST /orvex/el/php_command_startstop.php?volev&val=100 HTTP/1.0"));
        QCOMPARE(m_errors, QStringList());
    }

    // Next and Previous choose stations as the list does, and the list follows.
    void stations()
    {
        const QStringList rowsNow = rows("webradio");
        const int start = m_window->lastRadioIndex();
        QCOMPARE(get<StationCombo>("webradio")->row(), start);
        const qsizetype before = m_sim->httpCount();
        playerctl({ "next" });
        QTRY_COMPARE(m_window->lastRadioIndex(), start + 1);
        settle();
        const QString url = m_window->stations().at(start).IP;
        QCOMPARE(m_sim->requestLines(before),
            (QList<QByteArray> {
                "POST /orvex/el/php_command_startstop.php?wraddr&wraddre=" + url.toLatin1() + " HTTP/1.0",
                "POST /orvex/el/php_command_startstop.php?orvexindex&index=" + QByteArray::number(start + 1)
                    + " HTTP/1.0" }));
        QCOMPARE(get<StationCombo>("webradio")->row(), start + 1);
        QCOMPARE(playerctl({ "metadata", "title" }), rowsNow.at(start + 1));
        QCOMPARE(playerctl({ "metadata", "artist" }), QStringLiteral("Living Room"));
        QCOMPARE(playerctl({ "metadata", "xesam:url" }), url);
        playerctl({ "previous" });
        QTRY_COMPARE(m_window->lastRadioIndex(), start);
        QCOMPARE(get<StationCombo>("webradio")->row(), start);
        QCOMPARE(m_errors, QStringList());
    }

    void playAndStop()
    {
        QCOMPARE(playerctl({ "status" }), QStringLiteral("Stopped"));
        qsizetype before = m_sim->httpCount();
        playerctl({ "play" });
        QTRY_COMPARE(playerctl({ "status" }), QStringLiteral("Playing"));
        QCOMPARE(m_sim->requestLines(before),
            (QList<QByteArray> { "POST /orvex/dlnastop.php?sto&ip=10.77.0.20&port=49152 HTTP/1.0",
                "POST /orvex/el/php_command_startstop.php?startair HTTP/1.0" }));
        before = m_sim->httpCount();
        playerctl({ "stop" });
        QTRY_COMPARE(playerctl({ "status" }), QStringLiteral("Stopped"));
        QCOMPARE(m_sim->requestLines(before),
            QList<QByteArray> { "POST /orvex/el/php_command_startstop.php?stopair HTTP/1.0" });
        QCOMPARE(m_errors, QStringList());
    }

    // A key on the slider: one PropertiesChanged, with the new volume alone.
    void sliderMoveAnnounced()
    {
        QProcess monitor;
        monitor.start(QStringLiteral("dbus-monitor"),
            { "--session", "type='signal',interface='org.freedesktop.DBus.Properties',member='PropertiesChanged'" });
        QVERIFY(monitor.waitForStarted());
        QTest::qWait(500);
        auto *airvol = get<VolumeSlider>("airvol");
        const double volume = airvol->realValue();
        airvol->setFocus();
        QTest::keyClick(airvol, Qt::Key_Left);
        settle();
        QTest::qWait(500);
        monitor.terminate();
        monitor.waitForFinished();
        const QString text = QString::fromUtf8(monitor.readAllStandardOutput());
        QCOMPARE(text.count("member=PropertiesChanged"), 1);
        QVERIFY2(text.contains("string \"Volume\""), qPrintable(text));
        QVERIFY2(text.contains("double " + QString::number((volume - 1) / 100)), qPrintable(text));
        QCOMPARE(text.count("dict entry("), 1);
    }

    // Without a loaded box a call is refused with an error.
    void refusedWithoutBox()
    {
        auto *dlist = get<QListWidget>("dlist");
        dlist->setCurrentRow(-1);
        int code = 0;
        const QString text = client(QStringLiteral("gdbus"),
            { "call", "--session", "--dest", "org.mpris.MediaPlayer2.orvexmanager", "--object-path",
                "/org/mpris/MediaPlayer2", "--method", "org.mpris.MediaPlayer2.Player.Play" },
            &code);
        QVERIFY(code != 0);
        QVERIFY2(text.contains("com.orvex.Manager.Error.NoBox"), qPrintable(text));
        QVERIFY(playerctl({ "--list-all" }).split(u'\n').contains(QStringLiteral("orvexmanager")));
        dlist->setCurrentRow(0);
    }

    // A second window at once takes a name of its own; Quit ends the program.
    void secondWindowAndQuit()
    {
        QProcess second;
        second.setProcessChannelMode(QProcess::MergedChannels);
        second.start(QStringLiteral(ORVEX_MANAGER_PATH), {});
        QVERIFY(second.waitForStarted());
        const QString name = QStringLiteral("org.mpris.MediaPlayer2.orvexmanager.instance%1").arg(second.processId());
        QTRY_VERIFY_WITH_TIMEOUT(QDBusConnection::sessionBus().interface()->isServiceRegistered(name), 15000);
        client(QStringLiteral("gdbus"),
            { "call", "--session", "--dest", name, "--object-path", "/org/mpris/MediaPlayer2", "--method",
                "org.mpris.MediaPlayer2.Quit" });
        // The event loop of the call above may already have seen it end.
        QTRY_VERIFY2_WITH_TIMEOUT(second.state() == QProcess::NotRunning, second.readAll().constData(), 10000);
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
    }
};

QTEST_MAIN(TestMpris)
#include "test_mpris.moc"
