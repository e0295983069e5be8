// Reply text, state files, the station sort, volumes and the error box's full stop.
#include "base/device_text.h"
#include "base/failure.h"
#include "base/translations.h"
#include "control/reply_text.h"
#include "control/state_files.h"
#include "control/stations.h"
#include "control/volume.h"
#include "platform/socket_failure.h"
#include "worst_order.h"

#include <QCollator>
#include <QRandomGenerator>

#include <QTest>

class TestText : public QObject
{
    Q_OBJECT

private slots:
    // Which catalogs a user's UI languages (as QLocale lists them) get.
    void programLanguage_data()
    {
        QTest::addColumn<QStringList>("uiLanguages");
        QTest::addColumn<QStringList>("available");
        QTest::addColumn<QString>("language");
        const QStringList both { "el", "en" };
        QTest::newRow("C locale: the source texts") << QStringList { "C" } << both << "";
        QTest::newRow("no languages at all") << QStringList {} << both << "";
        QTest::newRow("Greek") << QStringList { "el-GR", "el-Grek-GR", "el" } << both << "el";
        QTest::newRow("US English") << QStringList { "en-US", "en-Latn-US", "en" } << both << "en";
        QTest::newRow("German reads English") << QStringList { "de-DE", "de-Latn-DE", "de" } << both << "en";
        QTest::newRow("Greek as the second choice")
            << QStringList { "de", "de-Latn-DE", "el", "el-GR" } << both << "el";
        QTest::newRow("English first, Greek second") << QStringList { "en-GB", "el" } << both << "en";
        QTest::newRow("only Greek offered, French asked") << QStringList { "fr-FR" } << QStringList { "el" } << "en";
        QTest::newRow("an unknown name is skipped") << QStringList { "xx-YY", "el" } << both << "el";
    }
    void programLanguage()
    {
        QFETCH(QStringList, uiLanguages);
        QFETCH(QStringList, available);
        QFETCH(QString, language);
        QCOMPARE(::programLanguage(uiLanguages, available), language);
    }

    // Every message of the layers below the window comes from the Greek
    // catalog when it is installed, with its arguments in place.
    void failuresTranslated()
    {
        QCOMPARE(installTranslations({ "orvex_core" }, { "el-GR" }), QStringLiteral("el"));
        QCOMPARE(Failure::cancelled().message(), QStringLiteral("Ακυρώθηκε"));
        QCOMPARE(Failure::indexOutOfBounds(-1).message(), QStringLiteral("Δείκτης λίστας εκτός ορίων (-1)"));
        QVERIFY(socketFailure(111).message().startsWith(QStringLiteral("Σφάλμα υποδοχής # 111\r\n")));
        QCOMPARE(installTranslations({ "orvex_core" }, { "C" }), QString());
        QCOMPARE(Failure::cancelled().message(), QStringLiteral("Cancelled"));
    }

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
        QCOMPARE(textLines(decodeDeviceText(body)), lines);
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

    // A message quotes at most 200 characters of what a box sent: a 16 MB
    // volume file makes a short message.
    void longDeviceTextIsQuotedShort()
    {
        QCOMPARE(quoted(QString(200, u'x')), QString(200, u'x'));
        QCOMPARE(quoted(QString(201, u'x')), QString(200, u'x') + QChar(0x2026));
        // A cut never leaves half of a surrogate pair behind.
        const QString notes = QString(199, u'x') + QString::fromUtf8("\U0001F3B5\U0001F3B5");
        QCOMPARE(quoted(notes), QString(199, u'x') + QChar(0x2026));
        try {
            ::oneInteger(QByteArray(16 * 1024 * 1024, 'v'));
            QFAIL("no failure");
        } catch (const Failure &f) {
            QCOMPARE(f.message(),
                QStringLiteral("'%1%2' is not a valid integer value").arg(QString(200, u'v')).arg(QChar(0x2026)));
        }
    }

    void fileLines()
    {
        QCOMPARE(::fileLines("\xEF\xBB\xBF"
                             "Beta\r\nalpha\nGamma\n"),
            (QStringList { "Beta", "alpha", "Gamma" }));
        QCOMPARE(::fileLines("Caf\xC3\xA9\n"), QStringList { QStringLiteral("Café") });
        QCOMPARE(::fileLines(""), QStringList {});
        QCOMPARE(::fileLines("a\nb\nc\nd", 2), (QStringList { "a", "b" }));
        QCOMPARE(::fileLines("a\nb", 0), QStringList {});
    }

    // No byte of a device's text is lost: valid UTF-8 is read as such, anything
    // else in the system's 8-bit code page (Windows-1252 under a UTF-8 locale).
    void decoding_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("ascii") << QByteArray("OK") << "OK";
        QTest::newRow("utf-8") << QByteArray("Caf\xC3\xA9") << QStringLiteral("Café");
        QTest::newRow("8-bit at the end") << QByteArray("Caf\xE9") << QStringLiteral("Café");
        QTest::newRow("one 8-bit byte") << QByteArray("\xE9") << QStringLiteral("é");
        QTest::newRow("8-bit in a station file") << QByteArray("bad\xFFx") << QStringLiteral("badÿx");
        QTest::newRow("windows-1252 range") << QByteArray("\x80\x93q\x94\x81") << QStringLiteral("€“q”\u0081");
        QTest::newRow("cut utf-8 sequence") << QByteArray("ab\xC3") << QStringLiteral("abÃ");
        QTest::newRow("utf-8 mark, bad byte kept") << QByteArray("\xEF\xBB\xBF"
                                                                 "a\xFF")
                                                   << QStringLiteral("a\uFFFD");
        QTest::newRow("utf-16 odd byte kept") << QByteArray("\xFF\xFEO\0K", 5) << QStringLiteral("O\uFFFD");
    }
    void decoding()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(decodeDeviceText(bytes), text);
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

    // The sort keeps exactly the order of the plain recursive quicksort, equal
    // texts included; it only recurses less deeply and compares keys.
    void stationSortMatchesRecursion()
    {
        QCollator collator(QLocale::system());
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        const QStringList alphabet { "a", "A", "b", "B", "\u00e4", "c", "ab", "Ab" };
        QRandomGenerator random(1234);
        for (int round = 0; round < 300; ++round) {
            QStringList texts, ids;
            const int n = int(random.bounded(0, 120));
            for (int i = 0; i < n; ++i) {
                texts << alphabet.at(int(random.bounded(alphabet.size())));
                ids << QString::number(i);
            }
            // The recursive version, written out as it always was.
            std::vector<std::pair<QString, QString>> v;
            for (int i = 0; i < n; ++i)
                v.emplace_back(texts[i], ids[i]);
            std::function<void(qsizetype, qsizetype)> recursive = [&](qsizetype l, qsizetype r) {
                qsizetype i;
                do {
                    i = l;
                    qsizetype j = r, p = (l + r) / 2;
                    do {
                        while (collator.compare(v[size_t(i)].first, v[size_t(p)].first) < 0)
                            ++i;
                        while (collator.compare(v[size_t(j)].first, v[size_t(p)].first) > 0)
                            --j;
                        if (i <= j) {
                            if (i != j)
                                std::swap(v[size_t(i)], v[size_t(j)]);
                            if (p == i)
                                p = j;
                            else if (p == j)
                                p = i;
                            ++i;
                            --j;
                        }
                    } while (i <= j);
                    if (l < j)
                        recursive(l, j);
                    l = i;
                } while (i < r);
            };
            if (n >= 2)
                recursive(0, n - 1);
            StationList list = StationList::fromLines(texts, ids);
            list.sortByLocale();
            for (int i = 0; i < n; ++i)
                QCOMPARE(list.at(i).IP, v[size_t(i)].second);
        }
    }

    // The crafted worst order of the largest list accepted sorts without a crash.
    void stationSortWorstOrder()
    {
        const QStringList texts = worstStationOrder(10000);
        StationList list = StationList::fromLines(texts, texts);
        list.sortByLocale();
        const QStringList sorted = list.texts();
        QVERIFY(std::is_sorted(sorted.begin(), sorted.end()));
        QCOMPARE(sorted.size(), 10000);
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
