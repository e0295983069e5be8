// The device session without a window, against the simulator in the private
// network: the search fills the table, the refresh reports what it read in
// the order of its requests, each action is a job that ends at its own
// cancel within a moment in every phase, a cancel never reaches work nobody
// asked for, queued volumes are merged, and destroying the session ends all
// of it at once.
#include "session/device_session.h"
#include "session/selected_box.h"
#include "sim_fixture.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <cmath>

namespace {

QJsonObject box(const QJsonObject &more = {}, int index = 0, const QString &name = QStringLiteral("Box"))
{
    QJsonObject state { { "vol", 35 }, { "dvol", 60 }, { "orvex_index", 2 }, { "dlna_index", 3 } };
    QJsonObject d = more;
    d.insert("state", state);
    return SimFixture::device(name, index, 20, d);
}

QJsonObject never(const char *path)
{
    return { { "faults", QJsonObject { { path, QJsonObject { { "noReply", true } } } } } };
}

DeviceRow rowOf(int index, const QString &name = QStringLiteral("Box"))
{
    const QString address = QStringLiteral("10.77.0.%1").arg(20 + index);
    return { name, address, QString::number(49152 + index),
        QStringLiteral("http://%1:%2/description.xml").arg(address).arg(49152 + index) };
}

struct Ending
{
    bool ended = false;
    JobResult result;
    qint64 at = -1;
    QElapsedTimer *clock = nullptr;
    DeviceSession::Ended callback()
    {
        return [this](const JobResult &r) {
            ended = true;
            result = r;
            if (clock)
                at = clock->elapsed();
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
        QCOMPARE(search.result.failure, QString());
        QCOMPARE(session.devices().size(), 1);
        QCOMPARE(session.devices().first().name, QStringLiteral("Box"));
        QCOMPARE(found.size(), 1);
        QVERIFY(!session.busy());
        QCOMPARE(busy.size(), 2);
        // Three sends of the same datagram, one row.
        QCOMPARE(sim.log("ssdp").size(), 3);

        // What the refresh found, in the order it found it; a volume that
        // differs from its slider goes out twice.
        QStringList seen;
        connect(&session, &DeviceSession::stationsRead, this,
            [&](const DeviceRow &row, const std::shared_ptr<StationList> &s) {
                seen << QStringLiteral("stations %1 of %2").arg(s->size()).arg(row.name);
            });
        connect(&session, &DeviceSession::volumeSent, this, [&](DeviceSession::Volume which, double value) {
            seen << QStringLiteral("%1 %2").arg(which == DeviceSession::Volume::System ? "system" : "dlna").arg(value);
        });
        connect(&session, &DeviceSession::orvexRowRead, this,
            [&](int row) { seen << QStringLiteral("orvex %1").arg(row); });
        connect(
            &session, &DeviceSession::dlnaRowRead, this, [&](int row) { seen << QStringLiteral("dlna %1").arg(row); });
        const qsizetype before = sim.httpCount();
        Ending refresh;
        session.refresh(session.devices().first(), 60, 20, refresh.callback());
        QTRY_VERIFY_WITH_TIMEOUT(refresh.ended, 8000);
        QCOMPARE(refresh.result.failure, QString());
        QCOMPARE(refresh.result.box.name, QStringLiteral("Box"));
        QCOMPARE(
            seen, (QStringList { "stations 20 of Box", "system 35", "dlna 60", "system 35", "orvex 2", "dlna 3" }));
        QCOMPARE(sim.requestLines(before),
            (QList<QByteArray> { "GET /orvex/desc.txt HTTP/1.1", "GET /orvex/url.txt HTTP/1.1",
                "GET /orvex/dvol HTTP/1.1", "GET /orvex/vol HTTP/1.1",
                "POST /orvex/el/php_command_startstop.php?volev&val=35 HTTP/1.0",
                "POST /orvex/dlnavolume.php?vol&ip=10.77.0.20&port=49152&volv=60 HTTP/1.0",
                "POST /orvex/el/php_command_startstop.php?volev&val=35 HTTP/1.0", "GET /orvex/orvex_index HTTP/1.1",
                "GET /orvex/dlna_index HTTP/1.1" }));
    }

    // Each phase of the work ends within a moment of its cancel, and of the
    // session's end: the search in its silence (its timer included), a
    // description that never comes, a refresh of a box that never answers.
    void everyWaitEndsAtOnce_data()
    {
        QTest::addColumn<QJsonArray>("boxes");
        QTest::addColumn<bool>("search"); // else a refresh
        QTest::addColumn<bool>("destroy"); // else cancel
        const QJsonArray silent { box({ { "ssdp", QJsonObject { { "silent", true } } } }) };
        const QJsonArray noDescription { box({ { "description", QJsonObject { { "noReply", true } } } }) };
        const QJsonArray dead { box(never("/orvex/desc.txt")) };
        for (const bool destroy : { false, true }) {
            const char *how = destroy ? "destroyed" : "cancelled";
            QTest::addRow("search in its silence, %s", how) << silent << true << destroy;
            QTest::addRow("description read, %s", how) << noDescription << true << destroy;
            QTest::addRow("refresh of a box that never answers, %s", how) << dead << false << destroy;
        }
    }
    void everyWaitEndsAtOnce()
    {
        QFETCH(QJsonArray, boxes);
        QFETCH(bool, search);
        QFETCH(bool, destroy);
        SimFixture sim(boxes);
        QVERIFY(sim.ok());
        auto session = std::make_unique<DeviceSession>();
        Ending action;
        if (search)
            session->search(action.callback());
        else
            session->refresh(rowOf(0), 0, 0, action.callback());
        QTest::qWait(300); // well inside the wait
        QVERIFY(!action.ended);
        QElapsedTimer clock;
        clock.start();
        if (destroy) {
            session.reset();
            QVERIFY2(clock.elapsed() < 200, qPrintable(QString::number(clock.elapsed())));
            return;
        }
        action.clock = &clock;
        session->cancel();
        QTRY_VERIFY_WITH_TIMEOUT(action.ended, 1000);
        QVERIFY2(action.at < 100, qPrintable(QString::number(action.at)));
        QVERIFY(action.result.cancelled);
        QCOMPARE(action.result.failure, QStringLiteral("Cancelled"));
    }

    // Escape ends the action the user asked for, never the read of an
    // announced box that nobody asked for, even while it runs.
    void cancelReachesOnlyTheAskedAction()
    {
        QJsonObject later = box({ { "description", QJsonObject { { "delayMs", 2000 } } } }, 1, "Later");
        later.insert("ssdp", QJsonObject { { "silent", true }, { "announceAfterMs", 300 } });
        SimFixture sim(QJsonArray { box(never("/orvex/desc.txt")), later });
        QVERIFY(sim.ok());
        DeviceSession session;
        session.listenForAnnouncements();
        QSignalSpy announced(&session, &DeviceSession::deviceAnnounced);
        QTest::qWait(600); // the announced box's description read is under way
        Ending refresh, stop;
        session.refresh(rowOf(0), 0, 0, refresh.callback());
        session.stopOrvex(boxOf(rowOf(0)), stop.callback()); // waits its turn
        QTest::qWait(300);
        QVERIFY(!refresh.ended);
        QElapsedTimer clock;
        clock.start();
        refresh.clock = &clock;
        session.cancel(); // the newest: the stop that waits
        QVERIFY(stop.ended);
        QVERIFY(stop.result.cancelled);
        QVERIFY(!refresh.ended);
        session.cancel(); // then the refresh under way
        QTRY_VERIFY_WITH_TIMEOUT(refresh.ended, 1000);
        QVERIFY(refresh.result.cancelled);
        QCOMPARE(refresh.result.failure, QStringLiteral("Cancelled"));
        QVERIFY2(refresh.at < 100, qPrintable(QString::number(refresh.at)));
        // The announced box is read all the same and listed.
        QTRY_COMPARE_WITH_TIMEOUT(announced.size(), 1, 4000);
        QCOMPARE(session.devices().size(), 1);
        QCOMPARE(session.devices().first().name, QStringLiteral("Later"));
        QVERIFY(!session.busy());
    }

    // Volume changes that wait behind a slow action are merged: the latest
    // value goes out, once.
    void queuedVolumesMerge()
    {
        SimFixture sim(QJsonArray { box({ { "faults",
            QJsonObject {
                { "/orvex/el/php_command_startstop.php?stopair", QJsonObject { { "delayMs", 800 } } } } } }) });
        QVERIFY(sim.ok());
        DeviceSession session;
        const Box target = boxOf(rowOf(0));
        const qsizetype before = sim.httpCount();
        Ending stop;
        session.stopOrvex(target, stop.callback());
        QList<std::shared_ptr<Ending>> volumes;
        for (int value = 1; value <= 10; ++value) {
            volumes << std::make_shared<Ending>();
            session.setVolume(DeviceSession::Volume::System, target, value * 5, volumes.last()->callback());
        }
        QTRY_VERIFY_WITH_TIMEOUT(!session.busy(), 5000);
        QCOMPARE(sim.requestLines(before),
            (QList<QByteArray> { "POST /orvex/el/php_command_startstop.php?stopair HTTP/1.0",
                "POST /orvex/el/php_command_startstop.php?volev&val=50 HTTP/1.0" }));
        QVERIFY(volumes.last()->ended);
        QCOMPARE(volumes.last()->result.failure, QString());
        // The ones replaced never ran and report nothing.
        QVERIFY(std::none_of(volumes.cbegin(), volumes.cend() - 1, [](const auto &e) { return e->ended; }));
    }

    // While the session is held (an error box is open) nothing starts; a
    // request settled at its turn may drop itself.
    void holdAndPrepare()
    {
        SimFixture sim(QJsonArray { box() });
        QVERIFY(sim.ok());
        DeviceSession session;
        const Box target = boxOf(rowOf(0));
        const qsizetype before = sim.httpCount();
        session.hold(true);
        Ending stop;
        session.stopOrvex(target, stop.callback());
        bool wanted = false;
        Ending dropped;
        session.ask({ target,
            [&]() -> std::optional<DeviceSession::Work> {
                if (!wanted)
                    return std::nullopt;
                return session.startOrvexWork(target);
            },
            dropped.callback(), "media play" });
        QVERIFY(session.busy());
        QTest::qWait(300);
        QCOMPARE(sim.httpCount(), before);
        session.hold(false);
        QTRY_VERIFY_WITH_TIMEOUT(!session.busy(), 5000);
        QVERIFY(stop.ended);
        QVERIFY(!dropped.ended);
        QCOMPARE(sim.requestLines(before),
            QList<QByteArray> { "POST /orvex/el/php_command_startstop.php?stopair HTTP/1.0" });
    }
};

QTEST_GUILESS_MAIN(TestSession)
#include "test_session.moc"
