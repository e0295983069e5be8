// The Wi-Fi name on the router line, read from a NetworkManager stand-in
// (python-dbusmock) on a private bus without waiting for it: wireless, not
// wireless, unreadable, a name holding markup, which the window shows as the
// characters it is, and a NetworkManager that never answers, which costs a
// second and nothing else.
#include "app/error_box.h"
#include "app/main_f.h"
#include "hung_network_manager.h"
#include "platform/wifi_name.h"
#include "sim_fixture.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QTest>

namespace {

// The name as the program reads it, and how long that took.
std::pair<platform::WifiName, qint64> readName()
{
    QObject context;
    std::optional<platform::WifiName> name;
    QElapsedTimer clock;
    clock.start();
    platform::readWifiName(&context, std::chrono::milliseconds(1000), [&](const platform::WifiName &n) { name = n; });
    while (!name && clock.elapsed() < 5000)
        QTest::qWait(5);
    return { name.value_or(platform::WifiName { platform::WifiName::State::Named, "<no answer at all>" }),
        clock.elapsed() };
}

} // namespace

class TestWifi : public QObject
{
    Q_OBJECT

    QProcess m_bus;
    QProcess m_mock;

    bool command(const QByteArray &line)
    {
        m_mock.write(line + '\n');
        while (!m_mock.canReadLine()) {
            if (!m_mock.waitForReadyRead(10000))
                return false;
        }
        const QByteArray answer = m_mock.readLine().trimmed();
        if (answer != "done")
            qWarning("the NetworkManager stand-in said: %s", answer.constData());
        return answer == "done";
    }

private slots:
    void initTestCase()
    {
        errorbox::setTestHook([](const QString &text) { qWarning("error box: %s", qPrintable(text)); });
        // A bus of our own stands in for the system bus.
        m_bus.start(QStringLiteral("dbus-daemon"), { "--session", "--nofork", "--nopidfile", "--print-address" });
        QVERIFY(m_bus.waitForReadyRead(5000));
        const QByteArray address = m_bus.readLine().trimmed();
        QVERIFY(!address.isEmpty());
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", address);
        m_mock.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_mock.start(QStringLiteral("/usr/bin/python3"), { QStringLiteral(ORVEX_TEST_DATA "/../nm_mock.py") });
        while (!m_mock.canReadLine())
            QVERIFY(m_mock.waitForReadyRead(15000));
        QCOMPARE(m_mock.readLine().trimmed(), QByteArray("ready"));
    }
    void cleanupTestCase()
    {
        m_mock.closeWriteChannel();
        m_mock.waitForFinished();
        m_bus.kill();
        m_bus.waitForFinished();
    }

    void wifiName_data()
    {
        QTest::addColumn<QByteArray>("network");
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("ssid");
        using State = platform::WifiName::State;
        QTest::newRow("wireless") << QByteArray("wifi HomeNet") << int(State::Named) << "HomeNet";
        QTest::newRow("markup in the name")
            << QByteArray("wifi Home <b>Net</b>") << int(State::Named) << "Home <b>Net</b>";
        QTest::newRow("wired") << QByteArray("ethernet") << int(State::NotWireless) << "";
        QTest::newRow("no connection") << QByteArray("none") << int(State::NotWireless) << "";
    }
    void wifiName()
    {
        QFETCH(QByteArray, network);
        QFETCH(int, state);
        QFETCH(QString, ssid);
        QVERIFY(command(network));
        const auto [name, ms] = readName();
        QVERIFY2(ms < 1000, qPrintable(QString::number(ms)));
        QCOMPARE(int(name.state), state);
        QCOMPARE(QString::fromStdString(name.ssid), ssid);
    }

    // The router line names the network as it is called, markup and all.
    void routerLineShowsPlainText()
    {
        QVERIFY(command("wifi Home <b>Net</b> &amp;"));
        Tmain window(Tmain::Options { false });
        window.show();
        auto *line = window.findChild<QLabel *>("rout_ip");
        QTRY_COMPARE_WITH_TIMEOUT(line->text(), QStringLiteral("10.77.0.254 - SSID: Home <b>Net</b> &amp;"), 5000);
        QCOMPARE(line->textFormat(), Qt::PlainText);
    }

    // Without NetworkManager on the bus the name cannot be read.
    void unreadable()
    {
        m_mock.closeWriteChannel(); // the stand-in leaves the bus
        QVERIFY(m_mock.waitForFinished(10000));
        QTRY_COMPARE_WITH_TIMEOUT(int(readName().first.state), int(platform::WifiName::State::Unknown), 5000);
    }

    // NetworkManager's name owned by a process that never answers (hung, or
    // stopped as here): the name is "unknown" after a second at most, the
    // search does not wait for it, and the window closes at once.
    void networkManagerThatNeverAnswers()
    {
        QProcess owner;
        QVERIFY(startHungNetworkManager(owner));

        const auto [name, ms] = readName();
        QCOMPARE(int(name.state), int(platform::WifiName::State::Unknown));
        QVERIFY2(ms >= 900 && ms < 1500, qPrintable(QString::number(ms)));

        SimFixture sim(QJsonArray { SimFixture::device("Box", 0, 20) });
        QVERIFY(sim.ok());
        auto window = std::make_unique<Tmain>(Tmain::Options { false });
        QElapsedTimer clock;
        clock.start();
        window->show();
        // The search goes out at the start-up timer's second, not after the bus.
        QTRY_VERIFY_WITH_TIMEOUT(!sim.log("ssdp").isEmpty(), 3000);
        QVERIFY2(clock.elapsed() < 1500, qPrintable(QString::number(clock.elapsed())));
        auto *line = window->findChild<QLabel *>("rout_ip");
        QTRY_COMPARE_WITH_TIMEOUT(line->text(), QStringLiteral("10.77.0.254 - SSID: unknown"), 3000);
        clock.restart();
        window.reset();
        QVERIFY2(clock.elapsed() < 500, qPrintable(QString::number(clock.elapsed())));
        endHungNetworkManager(owner);
    }
};

QTEST_MAIN(TestWifi)
#include "test_wifi.moc"
