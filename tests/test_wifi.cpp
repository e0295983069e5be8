// The Wi-Fi name on the router line, read from a NetworkManager stand-in
// (python-dbusmock) on a private bus: wireless, not wireless, unreadable, and
// a name holding markup, which the window shows as the characters it is.
#include "app/error_box.h"
#include "app/main_f.h"
#include "platform/netinfo.h"

#include <QLabel>
#include <QProcess>
#include <QTest>

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
        const auto name = platform::wifiName();
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
        QTRY_COMPARE_WITH_TIMEOUT(int(platform::wifiName().state), int(platform::WifiName::State::Unknown), 5000);
    }
};

QTEST_MAIN(TestWifi)
#include "test_wifi.moc"
