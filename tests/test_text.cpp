// Reply text, state files, the station sort, volumes and the error box's full stop.
#include "base/failure.h"
#include "control/reply_text.h"
#include "control/state_files.h"
#include "control/stations.h"
#include "control/volume.h"

#include <QTest>

class TestText : public QObject
{
    Q_OBJECT

private slots:
    void replyLines_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("crlf") << QByteArray("OK\r\ndone") << QStringList { "OK", "done" };
        QTest::newRow("lf") << QByteArray("OK\ndone\n") << QStringList { "OK", "done" };
        QTest::newRow("cr") << QByteArray("OK\rdone\r") << QStringList { "OK", "done" };
        QTest::newRow("leading break") << QByteArray("\r\nOK") << QStringList { "", "OK" };
        QTest::newRow("empty line inside") << QByteArray("a\n\nb") << QStringList { "a", "", "b" };
        QTest::newRow("nul ends") << QByteArray("OK\0rest\nmore", 12) << QStringList { "OK" };
        QTest::newRow("empty") << QByteArray() << QStringList {};
        QTest::newRow("utf8 bom") << QByteArray("\xEF\xBB\xBFOK") << QStringList { "OK" };
        QTest::newRow("utf16le bom") << QByteArray("\xFF\xFEO\0K\0", 6) << QStringList { "OK" };
        QTest::newRow("utf16be bom") << QByteArray("\xFE\xFF\0O\0K", 6) << QStringList { "OK" };
    }
    void replyLines()
    {
        QFETCH(QByteArray, body);
        QFETCH(QStringList, lines);
        QCOMPARE(textLines(decodeReplyText(body)), lines);
    }

    void firstLineOfEmptyBodyFails()
    {
        try {
            firstReplyLine(QByteArray());
            QFAIL("no failure");
        } catch (const Failure &f) {
            QCOMPARE(f.message(), QStringLiteral("List index out of bounds (0)"));
        }
        QCOMPARE(firstReplyLine("\r\nsecond"), QString());
        QCOMPARE(firstReplyLine("Volume set to 35\r\ndone\r\n"), QStringLiteral("Volume set to 35"));
    }

    void oneInteger_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("value");
        QTest::newRow("35") << QByteArray("35") << true << 35;
        QTest::newRow("leading space") << QByteArray(" 35") << true << 35;
        QTest::newRow("dollar hex") << QByteArray("$23") << true << 35;
        QTest::newRow("0x hex") << QByteArray("0x23") << true << 35;
        QTest::newRow("X hex") << QByteArray("X1f") << true << 31;
        QTest::newRow("negative") << QByteArray("-7") << true << -7;
        QTest::newRow("plus") << QByteArray("+7") << true << 7;
        QTest::newRow("150 passes, the slider clamps") << QByteArray("150") << true << 150;
        QTest::newRow("max") << QByteArray("2147483647") << true << 2147483647;
        QTest::newRow("min") << QByteArray("-2147483648") << true << int(-2147483648LL);
        QTest::newRow("line break after") << QByteArray("35\r\n") << false << 0;
        QTest::newRow("space after") << QByteArray("35 ") << false << 0;
        QTest::newRow("empty") << QByteArray() << false << 0;
        QTest::newRow("too big") << QByteArray("2147483648") << false << 0;
        QTest::newRow("sign only") << QByteArray("-") << false << 0;
        QTest::newRow("hex prefix only") << QByteArray("$") << false << 0;
        QTest::newRow("letters") << QByteArray("abc") << false << 0;
    }
    void oneInteger()
    {
        QFETCH(QByteArray, body);
        QFETCH(bool, valid);
        QFETCH(int, value);
        try {
            const int parsed = ::oneInteger(body);
            QVERIFY2(valid, "accepted an invalid body");
            QCOMPARE(parsed, value);
        } catch (const Failure &f) {
            QVERIFY2(!valid, qPrintable(f.message()));
            QCOMPARE(f.message(), QStringLiteral("'%1' is not a valid integer value").arg(QString::fromLatin1(body)));
        }
    }

    void utf8Lines()
    {
        QCOMPARE(::utf8Lines("\xEF\xBB\xBF"
                             "Beta\r\nalpha\nGamma\n"),
            (QStringList { "Beta", "alpha", "Gamma" }));
        QCOMPARE(::utf8Lines("Caf\xC3\xA9\n"), QStringList { QStringLiteral("Café") });
        QCOMPARE(::utf8Lines("bad\xFFx"), QStringList { QStringLiteral("bad\uFFFDx") });
        QCOMPARE(::utf8Lines(""), QStringList {});
    }

    void stationSort()
    {
        StationList list = StationList::fromLines({ "Beta", "alpha", "Gamma" }, { "u1", "u2", "u3", "u4" });
        list.sortByLocale();
        QCOMPARE(list.texts(), (QStringList { "alpha", "Beta", "Gamma" }));
        QCOMPARE(list.at(1).IP, QStringLiteral("u1"));
        QCOMPARE(list.at(0).IP, QStringLiteral("u2"));
    }

    // Equal texts keep the order this quicksort gives them.
    void stationSortEqualTexts()
    {
        StationList list = StationList::fromLines({ "b", "a", "B", "a", "A" }, { "1", "2", "3", "4", "5" });
        list.sort([](const QString &x, const QString &y) { return x.compare(y, Qt::CaseInsensitive); });
        QStringList order;
        for (int i = 0; i < list.size(); ++i)
            order << list.at(i).IP;
        // The order an independent replay of the same partition steps gives.
        QCOMPARE(order, (QStringList { "4", "2", "5", "1", "3" }));
    }

    void shortUrlListFails()
    {
        try {
            StationList::fromLines({ "a", "b", "c" }, { "u1", "u2" });
            QFAIL("no failure");
        } catch (const Failure &f) {
            QCOMPARE(f.message(), QStringLiteral("List index out of bounds (2)"));
        }
    }

    void stationLookupOutOfRange()
    {
        const StationList list = StationList::fromLines({ "a" }, { "u" });
        for (int index : { -1, -2, 1 }) {
            try {
                list.at(index);
                QFAIL("no failure");
            } catch (const Failure &f) {
                QCOMPARE(f.message(), QStringLiteral("List index out of bounds (%1)").arg(index));
            }
        }
    }

    void volumeRounding_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("42.5") << 42.5 << "42";
        QTest::newRow("43.5") << 43.5 << "44";
        QTest::newRow("20.5") << 20.5 << "20";
        QTest::newRow("21.5") << 21.5 << "22";
        QTest::newRow("57.4") << 57.4 << "57";
        QTest::newRow("0") << 0.0 << "0";
        QTest::newRow("100") << 100.0 << "100";
    }
    void volumeRounding()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(volumeText(value), text);
    }

    void fullStop_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        QTest::newRow("letter") << "Connection refused"
                                << "Connection refused.";
        QTest::newRow("full stop") << "Connection Closed Gracefully."
                                   << "Connection Closed Gracefully.";
        QTest::newRow("closing bracket") << "List index out of bounds (0)"
                                         << "List index out of bounds (0)";
        QTest::newRow("digit") << "HTTP/1.1 404 Not Found 4"
                               << "HTTP/1.1 404 Not Found 4.";
        QTest::newRow("quote") << "'x' is not a valid integer value"
                               << "'x' is not a valid integer value.";
        QTest::newRow("empty") << ""
                               << "";
    }
    void fullStop()
    {
        QFETCH(QString, message);
        QFETCH(QString, shown);
        QCOMPARE(withFullStop(message), shown);
    }
};

QTEST_GUILESS_MAIN(TestText)
#include "test_text.moc"
