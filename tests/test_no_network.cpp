// Without a default gateway: the no-network message about a second after the
// window, then the program ends, and no datagram has been sent. Runs in a
// private network that has no default route but does carry multicast to a
// simulated device, so a search would be seen.
#include "app/error_box.h"
#include "app/main_f.h"
#include "sim_fixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QTest>
#include <QTimer>

class TestNoNetwork : public QObject
{
    Q_OBJECT

private slots:
    void messageThenEnd()
    {
        SimFixture sim(QJsonArray { SimFixture::device("Box", 0, 20) });
        QVERIFY(sim.ok());
        QStringList shown;
        qint64 shownAt = -1;
        QElapsedTimer clock;
        errorbox::setTestHook([&](const QString &text) {
            shown << text;
            shownAt = clock.elapsed();
        });
        Tmain window(Tmain::Options { false });
        clock.start();
        window.show();
        QTimer::singleShot(6000, qApp, [] { QCoreApplication::exit(99); }); // the program failed to end
        const int code = QCoreApplication::exec();
        QCOMPARE(code, 0);
        QCOMPARE(shown, QStringList { Tmain::NoNetworkMessage() });
        QVERIFY2(shownAt >= 900 && shownAt < 2500, qPrintable(QString::number(shownAt)));
        QCOMPARE(window.findChild<QLabel *>("rout_ip")->text(), QStringLiteral("No IP found"));
        QCOMPARE(window.findChild<QLabel *>("stat")->text(), QStringLiteral("Status"));
        QTest::qWait(200);
        QCOMPARE(sim.log().size(), 0);
    }
};

QTEST_MAIN(TestNoNetwork)
#include "test_no_network.moc"
