// The device session without a window, against the simulator in the private
// network: the search fills the table, the refresh reports what it read in
// the order of its requests, an action is cancelled at once and the session
// goes on with the next, and destroying the session ends its worker at once.
#include "control/device_session.h"
#include "sim_fixture.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

namespace {

QJsonObject box(const QJsonObject &more = {})
{
    QJsonObject state { { "vol", 35 }, { "dvol", 60 }, { "orvex_index", 2 }, { "dlna_index", 3 } };
    QJsonObject d = more;
    d.insert("state", state);
    return SimFixture::device("Box", 0, 20, d);
}

struct Ending
{
    bool ended = false;
    QString failure;
    bool cancelled = false;
    DeviceSession::Ended callback()
    {
        return [this](const QString &f, bool c) {
            ended = true;
            failure = f;
            cancelled = c;
        };
    }
};

} // namespace

class TestSession : public QObject
{
    Q_OBJECT

private slots:
    void searchThenRefresh()
    {
        SimFixture sim(QJsonArray { box() });
        QVERIFY(sim.ok());
        DeviceSession session;
        QSignalSpy found(&session, &DeviceSession::deviceFound);
        QSignalSpy busy(&session, &DeviceSession::busyChanged);
        Ending search;
        session.search(search.callback());
        QVERIFY(session.busy());
        QTRY_VERIFY_WITH_TIMEOUT(search.ended, 8000);
        QCOMPARE(search.failure, QString());
        QCOMPARE(session.devices().size(), 1);
        QCOMPARE(session.devices().first().name, QStringLiteral("Box"));
        QCOMPARE(found.size(), 1);
        QVERIFY(!session.busy());
        QCOMPARE(busy.size(), 2);

        // What the refresh found, in the order it found it; a volume that
        // differs from its slider goes out twice.
        QStringList seen;
        connect(&session, &DeviceSession::stationsRead, this,
            [&](const std::shared_ptr<StationList> &s) { seen << QStringLiteral("stations %1").arg(s->size()); });
        connect(&session, &DeviceSession::volumeSent, this, [&](DeviceSession::Volume which, double value) {
            seen << QStringLiteral("%1 %2").arg(which == DeviceSession::Volume::System ? "system" : "dlna").arg(value);
        });
        connect(&session, &DeviceSession::orvexRowRead, this,
            [&](int row) { seen << QStringLiteral("orvex %1").arg(row); });
        connect(
            &session, &DeviceSession::dlnaRowRead, this, [&](int row) { seen << QStringLiteral("dlna %1").arg(row); });
        const qsizetype before = sim.httpCount();
        Ending refresh;
        session.refresh({ "10.77.0.20", "49152" }, 60, 20, refresh.callback());
        QTRY_VERIFY_WITH_TIMEOUT(refresh.ended, 8000);
        QCOMPARE(refresh.failure, QString());
        QCOMPARE(seen, (QStringList { "stations 20", "system 35", "dlna 60", "system 35", "orvex 2", "dlna 3" }));
        QCOMPARE(sim.requestLines(before),
            (QList<QByteArray> { "GET /orvex/desc.txt HTTP/1.1", "GET /orvex/url.txt HTTP/1.1",
                "GET /orvex/dvol HTTP/1.1", "GET /orvex/vol HTTP/1.1",
                "POST /orvex/el/php_command_startstop.php?volev&val=35 HTTP/1.0",
                "POST /orvex/dlnavolume.php?vol&ip=10.77.0.20&port=49152&volv=60 HTTP/1.0",
                "POST /orvex/el/php_command_startstop.php?volev&val=35 HTTP/1.0", "GET /orvex/orvex_index HTTP/1.1",
                "GET /orvex/dlna_index HTTP/1.1" }));
    }

    // A box that never answers: cancel ends the action at once with
    // "Cancelled", and the next action goes through.
    void cancelEndsTheActionAtOnce()
    {
        SimFixture sim(QJsonArray {
            box({ { "faults", QJsonObject { { "/orvex/desc.txt", QJsonObject { { "noReply", true } } } } } }) });
        QVERIFY(sim.ok());
        DeviceSession session;
        Ending refresh, stop;
        session.refresh({ "10.77.0.20", "49152" }, 0, 0, refresh.callback());
        session.stopOrvex({ "10.77.0.20", "49152" }, stop.callback()); // waits its turn
        QTest::qWait(500);
        QVERIFY(!refresh.ended);
        QElapsedTimer clock;
        clock.start();
        session.cancel();
        QTRY_VERIFY_WITH_TIMEOUT(refresh.ended, 1000);
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(refresh.cancelled);
        QCOMPARE(refresh.failure, QStringLiteral("Cancelled"));
        QTRY_VERIFY_WITH_TIMEOUT(stop.ended, 5000);
        QCOMPARE(stop.failure, QString());
        QVERIFY(!stop.cancelled);
    }

    void destroyingEndsTheWorkerAtOnce()
    {
        SimFixture sim(QJsonArray {
            box({ { "faults", QJsonObject { { "/orvex/desc.txt", QJsonObject { { "noReply", true } } } } } }) });
        QVERIFY(sim.ok());
        auto *session = new DeviceSession;
        session->refresh({ "10.77.0.20", "49152" }, 0, 0);
        QTest::qWait(300);
        QElapsedTimer clock;
        clock.start();
        delete session;
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
    }
};

QTEST_GUILESS_MAIN(TestSession)
#include "test_session.moc"
