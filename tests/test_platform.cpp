// The default gateway as read from routing-table fixtures.
#include "platform/route_table.h"

#include <QFile>
#include <QTest>

class TestPlatform : public QObject
{
    Q_OBJECT

private slots:
    void defaultRoute_data()
    {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<QString>("interface");
        QTest::addColumn<QString>("gateway");
        QTest::newRow("no default route") << "route_no_default.txt"
                                          << ""
                                          << "";
        QTest::newRow("one default route") << "route_single.txt"
                                           << "wlan0"
                                           << "192.168.1.1";
        QTest::newRow("lowest metric wins over VPN") << "route_metrics.txt"
                                                     << "eth0"
                                                     << "192.168.1.254";
        QTest::newRow("gatewayless VPN route, then a tie") << "route_vpn_tie.txt"
                                                           << "eth0"
                                                           << "192.168.2.1";
    }
    void defaultRoute()
    {
        QFETCH(QString, fixture);
        QFETCH(QString, interface);
        QFETCH(QString, gateway);
        QFile file(QStringLiteral(ORVEX_TEST_DATA "/") + fixture);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const auto route = platform::bestDefaultRoute(file.readAll().toStdString());
        QCOMPARE(route.has_value(), !gateway.isEmpty());
        if (route) {
            QCOMPARE(QString::fromStdString(route->interface), interface);
            QCOMPARE(QString::fromStdString(route->gateway), gateway);
        }
    }

    void garbageIsNoRoute()
    {
        QVERIFY(!platform::bestDefaultRoute("").has_value());
        QVERIFY(!platform::bestDefaultRoute("Iface\tDestination\nxx\tzz\tyy\n").has_value());
    }
};

QTEST_GUILESS_MAIN(TestPlatform)
#include "test_platform.moc"
