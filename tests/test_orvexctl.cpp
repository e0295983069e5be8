// orvexctl against simulated boxes in the private network: the list, the
// status, the same request bytes as the window for every action, how BOX is
// matched, the exit statuses, a box that never answers, and cookies.
#include "app/volume_slider.h"
#include "platform/netinfo.h"
#include "window_driver.h"

#include <QDir>
#include <QFile>
#include <QProcess>

namespace {

struct Run
{
    int status = -1;
    QString out;
    QString err;
    qint64 ms = 0;
    QByteArray rawOut; // the bytes as written, in the terminal's character set
    QByteArray rawErr;
};

// `environment` holds NAME=VALUE entries that replace the test's own.
Run orvexctl(const QStringList &arguments, const QString &directory = QString(), const QString &output = QString(),
    const QStringList &environment = {})
{
    QProcess process;
    if (!environment.isEmpty()) {
        QProcessEnvironment changed = QProcessEnvironment::systemEnvironment();
        for (const QString &entry : environment)
            changed.insert(entry.section(u'=', 0, 0), entry.section(u'=', 1));
        process.setProcessEnvironment(changed);
    }
    if (!directory.isEmpty())
        process.setWorkingDirectory(directory);
    if (!output.isEmpty())
        process.setStandardOutputFile(output);
    QElapsedTimer clock;
    clock.start();
    process.start(QStringLiteral(ORVEXCTL_PATH), arguments);
    process.waitForFinished(30000);
    const QByteArray out = process.readAllStandardOutput();
    const QByteArray err = process.readAllStandardError();
    return { process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, QString::fromUtf8(out),
        QString::fromUtf8(err), clock.elapsed(), out, err };
}

// The POST requests logged since `from`, byte for byte.
QList<QByteArray> posts(const SimFixture &sim, qsizetype from)
{
    QList<QByteArray> raw;
    const auto http = sim.log("http");
    for (qsizetype i = from; i < http.size(); ++i) {
        if (http[i].raw.startsWith("POST "))
            raw << http[i].raw;
    }
    return raw;
}

} // namespace

class TestOrvexCtl : public QObject, public WindowDriver
{
    Q_OBJECT

private slots:
    void initTestCase() { collectErrors(); }
    void init() { m_errors.clear(); }
    void cleanup() { m_window.reset(); }

    void listTwoBoxes()
    {
        SimFixture sim(devices({ SimFixture::device("Living Room", 0, 30), SimFixture::device("Kitchen", 1, 120) }));
        QVERIFY(sim.ok());
        const Run text = orvexctl({ "list" });
        QCOMPARE(text.status, 0);
        QCOMPARE(text.out, QStringLiteral("Living Room\t10.77.0.20\t49152\nKitchen\t10.77.0.21\t49153\n"));
        const Run json = orvexctl({ "list", "--json" });
        QCOMPARE(json.status, 0);
        QCOMPARE(QJsonDocument::fromJson(json.out.toUtf8()).object(),
            (QJsonObject { { "boxes",
                QJsonArray {
                    QJsonObject { { "name", "Living Room" }, { "address", "10.77.0.20" }, { "port", "49152" } },
                    QJsonObject { { "name", "Kitchen" }, { "address", "10.77.0.21" }, { "port", "49153" } } } } }));
        QCOMPARE(sim.log("ssdp").size(), 6); // one search each, sent three times
    }

    // list waits the whole time the search gives the boxes (MX), so a box
    // that answers late is listed; a command stops searching as soon as the
    // box it names by its whole name has answered.
    void searchLengths()
    {
        SimFixture sim(devices({ SimFixture::device("Kitchen", 0, 30), SimFixture::device("Attic", 1, 2500) }));
        QVERIFY(sim.ok());
        const Run list = orvexctl({ "list" });
        QCOMPARE(list.status, 0);
        QCOMPARE(list.out, QStringLiteral("Kitchen\t10.77.0.20\t49152\nAttic\t10.77.0.21\t49153\n"));
        QVERIFY2(list.ms >= 3400, qPrintable(QString::number(list.ms)));
        const Run status = orvexctl({ "status", "kitchen" });
        QCOMPARE(status.status, 0);
        QVERIFY2(status.ms < 2000, qPrintable(QString::number(status.ms)));
        const Run late = orvexctl({ "status", "attic" });
        QCOMPARE(late.status, 0);
        QVERIFY(late.out.startsWith("Attic 10.77.0.21\n"));
    }

    void statusAsJson()
    {
        SimFixture sim(devices({ SimFixture::device("Box", 0, 30, state(35, 60, 2, 30)) }));
        QVERIFY(sim.ok());
        const Run run = orvexctl({ "status", "--json" });
        QCOMPARE(run.status, 0);
        QCOMPARE(QJsonDocument::fromJson(run.out.toUtf8()).object(),
            (QJsonObject { { "name", "Box" }, { "address", "10.77.0.20" }, { "port", "49152" }, { "volume", 35 },
                { "dlnaVolume", 60 },
                { "orvexStation", QJsonObject { { "index", 2 }, { "name", "BBC World Service" } } },
                { "dlnaStation", QJsonObject { { "index", 30 }, { "name", QJsonValue() } } }, { "stations", 20 } }));
        // Reading the status sends nothing to the box.
        QCOMPARE(posts(sim, 0), QList<QByteArray>());
    }

    // Each action sends the bytes the window sends for it, in the same order.
    void sameRequestsAsTheWindow_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("action");
        QTest::newRow("volume") << QStringList { "volume", "Box", "30" } << 0;
        QTest::newRow("dlna-volume") << QStringList { "dlna-volume", "Box", "40" } << 1;
        QTest::newRow("start orvex") << QStringList { "start", "orvex", "Box" } << 2;
        QTest::newRow("stop orvex") << QStringList { "stop", "orvex", "Box" } << 3;
        QTest::newRow("start dlna") << QStringList { "start", "dlna", "Box" } << 4;
        QTest::newRow("stop dlna") << QStringList { "stop", "dlna", "Box" } << 5;
        QTest::newRow("station") << QStringList { "station", "Box", "4" } << 6;
        QTest::newRow("station by name, DLNA") << QStringList { "station", "Box", "ert", "--dlna" } << 7;
        QTest::newRow("restart") << QStringList { "restart", "Box", "--yes" } << 8;
        QTest::newRow("shutdown") << QStringList { "shutdown", "Box", "--yes" } << 9;
    }
    void sameRequestsAsTheWindow()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, action);
        SimFixture sim(devices({ SimFixture::device("Box", 0, 20, state(20, 100, 2, 3)) }));
        QVERIFY(sim.ok());
        startWindow();
        QVERIFY(waitReady());
        qsizetype before = sim.httpCount();
        const std::function<void()> actions[] = {
            [&] { get<VolumeSlider>("airvol")->setRealValue(30); },
            [&] { get<VolumeSlider>("dlnavol")->setRealValue(40); },
            [&] { click("Button4"); },
            [&] { click("Button5"); },
            [&] { click("startdlna"); },
            [&] { click("stopdlna"); },
            [&] { chooseStation(get<StationCombo>("webradio"), 4); },
            [&] { chooseStation(get<StationCombo>("dladr"), 5); },
            [&] { click("Button6"); },
            [&] { click("Button7"); },
        };
        actions[action]();
        settle();
        QCOMPARE(m_errors, QStringList());
        const QList<QByteArray> fromWindow = posts(sim, before);
        QVERIFY(!fromWindow.isEmpty());
        m_window.reset();

        before = sim.httpCount();
        const Run run = orvexctl(arguments);
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QCOMPARE(posts(sim, before), fromWindow);
        QVERIFY(!run.out.isEmpty()); // the box's reply lines
    }

    void boxNames_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said"); // the first line out, or the error
        QTest::newRow("whole name, any case") << "living room" << 0 << "Living Room 10.77.0.20";
        QTest::newRow("unique prefix") << "Living R" << 0 << "Living Room 10.77.0.20";
        QTest::newRow("whole name wins over prefixes") << "kitchen" << 0 << "Kitchen 10.77.0.22";
        QTest::newRow("ambiguous prefix") << "liv" << 3
                                          << "orvexctl: 'liv' matches several boxes: Living Room (10.77.0.20), "
                                             "Living Loft (10.77.0.21)";
        QTest::newRow("unknown") << "garage" << 3
                                 << "orvexctl: 'garage' matches no box; boxes: Living Room (10.77.0.20), Living Loft "
                                    "(10.77.0.21), Kitchen (10.77.0.22), Kitchen Two (10.77.0.23)";
        QTest::newRow("none named among several") << "" << 3
                                                  << "orvexctl: several boxes answered; name one: Living Room "
                                                     "(10.77.0.20), Living Loft (10.77.0.21), Kitchen (10.77.0.22), "
                                                     "Kitchen Two (10.77.0.23)";
        QTest::newRow("an address skips the search") << "10.77.0.23" << 0 << "10.77.0.23";
    }
    void boxNames()
    {
        QFETCH(QString, box);
        QFETCH(int, status);
        QFETCH(QString, said);
        SimFixture sim(devices({ SimFixture::device("Living Room", 0, 20), SimFixture::device("Living Loft", 1, 60),
            SimFixture::device("Kitchen", 2, 100), SimFixture::device("Kitchen Two", 3, 140) }));
        QVERIFY(sim.ok());
        QStringList arguments { "status" };
        if (!box.isEmpty())
            arguments << box;
        const Run run = orvexctl(arguments);
        QCOMPARE(run.status, status);
        QCOMPARE((status == 0 ? run.out : run.err).section(u'\n', 0, 0), said);
        if (box.startsWith("10."))
            QCOMPARE(sim.log("ssdp").size(), 0);
    }

    void theOnlyBoxMayBeLeftOut()
    {
        // One box that answers twice is still one box.
        SimFixture sim(
            devices({ SimFixture::device("Box", 0, 20, { { "ssdp", QJsonObject { { "duplicate", true } } } }) }));
        QVERIFY(sim.ok());
        const Run run = orvexctl({ "volume", "25" });
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, QStringLiteral("Volume set to 25\n"));
    }

    void exitStatuses_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("error");
        QTest::newRow("done") << QStringList { "stop", "orvex", "10.77.0.20" } << 0 << "";
        QTest::newRow("the box answers with an error")
            << QStringList { "volume", "10.77.0.20", "30" } << 1 << "orvexctl: HTTP/1.1 500 Internal Server Error\n";
        QTest::newRow("no box at the address") << QStringList { "restart", "10.77.0.1", "--yes" } << 1
                                               << "orvexctl: Socket Error # 111: Connection refused\n";
        QTest::newRow("not a volume") << QStringList { "volume", "10.77.0.20", "loud" } << 2
                                      << "orvexctl: the volume is a whole number from 0 to 100, not 'loud'\n";
        QTest::newRow("no command") << QStringList {} << 2 << "orvexctl: no command given (try --help)\n";
        QTest::newRow("restart unconfirmed")
            << QStringList { "restart", "10.77.0.20" } << 2 << "orvexctl: restart needs --yes\n";
        QTest::newRow("a DLNA command needs the port") << QStringList { "stop", "dlna", "10.77.0.20" } << 2
                                                       << "orvexctl: this command needs the box's renderer port: "
                                                          "give it as 10.77.0.20:PORT, or by name\n";
        QTest::newRow("no station of that name") << QStringList { "station", "10.77.0.20", "Nowhere FM" } << 2
                                                 << "orvexctl: no station is named 'Nowhere FM'\n";
        QTest::newRow("no box matches") << QStringList { "status", "Attic" } << 3
                                        << "orvexctl: 'Attic' matches no box; boxes: Box (10.77.0.20)\n";
        for (const char *seconds : { "nan", "inf", "-inf", "0", "-1" })
            QTest::addRow("--timeout %s", seconds) << QStringList { "stop", "orvex", "10.77.0.20", "--timeout",
                seconds } << 2 << "orvexctl: --timeout takes a number of seconds above 0\n";
        QTest::newRow("a huge --timeout is the action's 15 s")
            << QStringList { "stop", "orvex", "10.77.0.20", "--timeout", "1e300" } << 0 << "";
    }
    void exitStatuses()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, error);
        SimFixture sim(devices({ SimFixture::device("Box", 0, 20,
            faults({ { "/orvex/el/php_command_startstop.php?volev", QJsonObject { { "status", 500 } } } })) }));
        QVERIFY(sim.ok());
        const Run run = orvexctl(arguments);
        QCOMPARE(run.status, status);
        QCOMPARE(run.err, error);
    }

    // Messages follow the user's language (the system's words after "Socket
    // Error" are the C library's). Languages without a catalog read English.
    void languages_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("error");
        const QStringList loud { "volume", "10.77.0.20", "loud" };
        const QStringList refused { "restart", "10.77.0.1", "--yes" };
        QTest::newRow("Greek usage error")
            << "el" << loud << "orvexctl: η ένταση είναι ακέραιος από 0 έως 100, όχι 'loud'\n";
        QTest::newRow("Greek box failure") << "el_GR" << refused << "orvexctl: Σφάλμα υποδοχής # 111: ";
        QTest::newRow("Greek second in line")
            << "fr:el" << loud << "orvexctl: η ένταση είναι ακέραιος από 0 έως 100, όχι 'loud'\n";
        QTest::newRow("French reads English")
            << "fr" << loud << "orvexctl: the volume is a whole number from 0 to 100, not 'loud'\n";
        QTest::newRow("English box failure") << "en_GB" << refused << "orvexctl: Socket Error # 111: ";
    }
    void languages()
    {
        QFETCH(QString, language);
        QFETCH(QStringList, arguments);
        QFETCH(QString, error);
        const Run run = orvexctl(arguments, QString(), QString(), { "LANGUAGE=" + language });
        QVERIFY2(run.err.startsWith(error), qPrintable(run.err));
        QVERIFY(run.err.endsWith(u'\n'));
    }

    // The box's stored DLNA row must name one of its stations before anything
    // is sent: a row out of range stops nothing.
    void startDlnaChecksTheRowFirst_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("error");
        QTest::newRow("none chosen") << 0 << "orvexctl: List index out of bounds (-1)\n";
        QTest::newRow("past the last") << 21 << "orvexctl: List index out of bounds (20)\n";
        QTest::newRow("the lowest integer")
            << int(-2147483648LL) << "orvexctl: List index out of bounds (-2147483649)\n";
    }
    void startDlnaChecksTheRowFirst()
    {
        QFETCH(int, row);
        QFETCH(QString, error);
        SimFixture sim(devices({ SimFixture::device("Box", 0, 20, state(35, 60, 1, row)) }));
        QVERIFY(sim.ok());
        const Run run = orvexctl({ "start", "dlna", "10.77.0.20:49152" });
        QCOMPARE(run.status, 1);
        QCOMPARE(run.err, error);
        QCOMPARE(posts(sim, 0), QList<QByteArray>());
    }

    // Output that cannot be written is a failure.
    void outputThatCannotBeWritten()
    {
        SimFixture sim(devices({ SimFixture::device("Box", 0, 20) }));
        QVERIFY(sim.ok());
        const Run run = orvexctl({ "list" }, QString(), "/dev/full");
        QCOMPARE(run.status, 1);
        QCOMPARE(run.err, QStringLiteral("orvexctl: cannot write the output: No space left on device\n"));
    }

    // Invisible format characters (bidirectional overrides, zero-width
    // characters, line separators) never reach the terminal; JSON is plain
    // ASCII with every other character escaped.
    void formatCharactersAndJson()
    {
        const QString name = QStringLiteral("Caf\u00e9\u202eoF\u200b\u2028\u0085X\U0001F3B5");
        SimFixture sim(devices({ SimFixture::device(name, 0, 20) }));
        QVERIFY(sim.ok());
        const Run list = orvexctl({ "list" });
        QCOMPARE(list.status, 0);
        QCOMPARE(list.out, QStringLiteral("Caf\u00e9\uFFFDoF\uFFFD\uFFFD\uFFFDX\U0001F3B5\t10.77.0.20\t49152\n"));
        const Run json = orvexctl({ "list", "--json" });
        QCOMPARE(json.status, 0);
        for (const QChar c : json.out)
            QVERIFY2((c.unicode() >= 0x20 && c.unicode() < 0x7F) || c == u'\n', qPrintable(json.out));
        QVERIFY(json.out.contains(QStringLiteral("Caf\\u00e9\\u202eoF\\u200b\\u2028\\u0085X\\ud83c\\udfb5")));
        QCOMPARE(QJsonDocument::fromJson(json.out.toUtf8())["boxes"][0]["name"].toString(), name);
    }

    // With another adapter before the boxes' one (a VPN, a second network) or
    // a second adapter on the boxes' own segment: the window and orvexctl
    // find every box, each once. Runs in the private network's layouts with
    // more than one adapter (see tests/CMakeLists.txt).
    void boxesOnEveryAdapter()
    {
        const std::vector<std::string> from = platform::searchAddresses();
        if (from.size() < 2)
            QSKIP("needs the private network with more than one adapter");
        SimFixture sim(devices({ SimFixture::device("Living Room", 0, 30), SimFixture::device("Kitchen", 1, 120) }));
        QVERIFY(sim.ok());
        startWindow();
        QVERIFY(waitReady());
        QCOMPARE(rows("dlist"), (QStringList { "Living Room", "Kitchen" }));
        const Run list = orvexctl({ "list" });
        QCOMPARE(list.status, 0);
        QCOMPARE(list.out, QStringLiteral("Living Room\t10.77.0.20\t49152\nKitchen\t10.77.0.21\t49153\n"));
        // Every search that reached the boxes came from one of the adapters.
        for (const LogEntry &search : sim.log("ssdp")) {
            const QString peer = search.peer.section(u':', 0, 0);
            QVERIFY2(std::find(from.begin(), from.end(), peer.toStdString()) != from.end(), qPrintable(peer));
        }
    }

    // A box that never answers costs the deadline and no more.
    void boxThatNeverAnswers()
    {
        SimFixture sim(devices({ SimFixture::device("Box", 0, 20,
            faults({ { "/orvex/el/php_command_startstop.php?volev", QJsonObject { { "noReply", true } } } })) }));
        QVERIFY(sim.ok());
        const Run run = orvexctl({ "volume", "10.77.0.20", "30", "--timeout", "2" });
        QCOMPARE(run.status, 1);
        QCOMPARE(run.err, QStringLiteral("orvexctl: Socket Error # 110: Connection timed out\n"));
        QVERIFY2(run.ms < 6000, qPrintable(QString::number(run.ms)));
    }

    // Every run starts with empty cookie stores and leaves the window's
    // browser cookies alone.
    void cookiesAreNeverCarriedOver()
    {
        SimFixture sim(devices({ SimFixture::device("Box", 0, 20,
            faults({ { "/orvex/el/php_command_rebshutd.php",
                QJsonObject { { "setCookie", QJsonArray { "s=1; Path=/" } } } } })) }));
        QVERIFY(sim.ok());
        QTemporaryDir dir;
        const QByteArray browserCookies = "orvexsession=abc; domain=10.77.0.20; path=/\n";
        QFile file(dir.filePath("orvex-cookies"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(browserCookies);
        file.close();
        QCOMPARE(orvexctl({ "restart", "10.77.0.20", "--yes" }, dir.path()).status, 0);
        QCOMPARE(orvexctl({ "restart", "10.77.0.20", "--yes" }, dir.path()).status, 0);
        for (const QByteArray &raw : posts(sim, 0))
            QVERIFY2(!raw.contains("Cookie:"), raw.constData());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), browserCookies);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList { "orvex-cookies" });
    }

    // Text from a box reaches the terminal without its control characters: no
    // escape sequence, no extra line or field. JSON carries it escaped.
    void hostileTextInTheTerminal()
    {
        // XML forbids ESC itself in a name; tab and the 8-bit CSI (U+009B) it lets through.
        const QString evil = QStringLiteral("Evil\tBox\u009b1m");
        SimFixture sim(devices({ SimFixture::device(evil, 0, 20,
            faults({ { "/orvex/el/php_command_startstop.php?stopair",
                         QJsonObject { { "bodyHex", "1b5b324a4f4b090d0a" } } },
                       { "/orvex/vol", QJsonObject { { "bodyHex", "1b5d303b6f776e656407" } } } },
                stations({ "Jazz\x1b[31m\tRed" }, { "http://s/\x1b[0m" }))) }));
        QVERIFY(sim.ok());
        const Run list = orvexctl({ "list" });
        QCOMPARE(list.status, 0);
        QCOMPARE(list.out, QStringLiteral("Evil\uFFFDBox\uFFFD1m\t10.77.0.20\t49152\n"));
        const Run reply = orvexctl({ "stop", "orvex", "10.77.0.20" });
        QCOMPARE(reply.out, QStringLiteral("\uFFFD[2JOK\uFFFD\n"));
        const Run stationList = orvexctl({ "stations", "10.77.0.20" });
        QCOMPARE(stationList.out, QStringLiteral("1\tJazz\uFFFD[31m\uFFFDRed\thttp://s/\uFFFD[0m\n"));
        const Run failure = orvexctl({ "status", "10.77.0.20" });
        QCOMPARE(failure.status, 1);
        QCOMPARE(failure.err, QStringLiteral("orvexctl: '\uFFFD]0;owned\uFFFD' is not a valid integer value\n"));
        const Run json = orvexctl({ "list", "--json" });
        QVERIFY(!json.out.contains(QChar(0x1b)));
        QCOMPARE(QJsonDocument::fromJson(json.out.toUtf8())["boxes"][0]["name"].toString(), evil);
    }

    // The terminal's character set: where it is not UTF-8, what it cannot
    // show becomes '?', and no byte 0x80 to 0x9F (the 8-bit control
    // characters, 0x9B the escape sequence) comes from a box's name.
    void terminalCharacterSets_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("failureAndJson"); // standard error and --json too (one search each)
        QTest::newRow("C, as in cron") << "C" << QByteArray("??? ?????x") << true;
        QTest::newRow("ISO-8859-7") << "el_GR.ISO-8859-7" << QByteArray("\xC6\xF9\xDE ?\xA4???x") << true;
        // KOI8-R has box drawing characters at 0x80 to 0x9F: U+2500 would be 0x80.
        QTest::newRow("KOI8-R") << "ru_RU.KOI8-R" << QByteArray("??? ?????x") << false;
        QTest::newRow("UTF-8") << "C.UTF-8" << QString("Ζωή ě€中─\uFFFDx").toUtf8() << false;
    }
    void terminalCharacterSets()
    {
        QFETCH(QString, locale);
        QFETCH(QByteArray, name);
        QFETCH(bool, failureAndJson);
        // The legacy locales are made for the test, in a directory of its own.
        QTemporaryDir locales;
        if (locale.contains(u'_')) {
            QProcess make;
            make.start("localedef",
                { "-i", locale.section(u'.', 0, 0), "-f", locale.section(u'.', 1), locales.filePath(locale) });
            QVERIFY(make.waitForFinished(30000));
            QVERIFY2(QFile::exists(locales.filePath(locale)), make.readAllStandardError().constData());
        }
        const QString boxName = "Ζωή ě€中─\u009bx";
        SimFixture sim(devices({ SimFixture::device(boxName, 0, 20, state(35, 60)) }));
        QVERIFY(sim.ok());
        const QStringList environment { "LC_ALL=" + locale, "LOCPATH=" + locales.path() };
        const Run list = orvexctl({ "list" }, QString(), QString(), environment);
        QCOMPARE(list.status, 0);
        QCOMPARE(list.rawOut, name + "\t10.77.0.20\t49152\n");
        const Run status = orvexctl({ "status", boxName }, QString(), QString(), environment);
        QCOMPARE(status.status, 0);
        QVERIFY(status.rawOut.startsWith(name + " 10.77.0.20\n"));
        QList<QByteArray> outputs { list.rawOut, status.rawOut };
        if (failureAndJson) {
            const Run failure = orvexctl({ "status", "attic" }, QString(), QString(), environment);
            QCOMPARE(failure.status, 3);
            QVERIFY(failure.rawErr.contains(name + " (10.77.0.20)"));
            outputs << failure.rawErr;
            // JSON stays ASCII in every character set.
            const Run json = orvexctl({ "list", "--json" }, QString(), QString(), environment);
            QCOMPARE(QJsonDocument::fromJson(json.rawOut)["boxes"][0]["name"].toString(), boxName);
        }
        if (locale != "C.UTF-8") {
            for (const QByteArray &output : std::as_const(outputs)) {
                for (const char byte : output)
                    QVERIFY2(uchar(byte) < 0x80 || uchar(byte) >= 0xA0, output.toHex(' ').constData());
            }
        }
    }
};

QTEST_MAIN(TestOrvexCtl)
#include "test_orvexctl.moc"
