// The device's page in the embedded browser, in the private network with the
// simulator: loading on a click on the WEB header, reloading the start page,
// keeping the page until the next click, cookies kept across a restart from
// the same directory, a clean release of page and profile, hostile pages kept
// inside their box, the cookie file in every state the directory can hold,
// and the renderer's sandbox for a plain user.
//
// The program makes one browser view per process, so each scenario runs as a
// child process of this test (the same executable, told which scenario by
// ORVEX_WEBVIEW_SCENARIO); the parent starts the simulator and checks the log.
#include "app/error_box.h"
#include "app/main_f.h"
#include "base/failure.h"
#include "hostile_pages.h"
#include "sim_fixture.h"
#include "webview/cookie_file.h"
#include "webview/web_engine.h"
#include "webview/web_view.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDialog>
#include <QDirIterator>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTcpServer>
#include <QTest>
#include <QUdpSocket>
#include <QWebEnginePage>

#include <memory>

#include <csignal>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QStringList g_warnings;

void collectWarnings(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type != QtDebugMsg && type != QtInfoMsg)
        g_warnings << text;
}

// Where a page's requests to this computer would land: a listener on
// loopback that counts them.
constexpr quint16 LoopbackPort = 8099;

// Stands in for the desktop's URL opener for one scheme.
class SchemeCatcher : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void open(const QUrl &url) { opened << url; }
};

qint64 residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

QByteArray statusLine(qint64 pid, const QByteArray &name)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return {};
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(name + ':'))
            return line.mid(name.size() + 1).trimmed();
    }
    return {};
}

} // namespace

// What one run of the program does; each function runs in a process of its own.
class WebViewScenarios : public QObject
{
    Q_OBJECT

    std::unique_ptr<Tmain> m_window;
    QStringList m_errors;

    QTabWidget *tabs() { return m_window->findChild<QTabWidget *>("TabControl1"); }
    DeviceWebView *view() { return m_window->findChild<DeviceWebView *>("webb1"); }

    void startWindow()
    {
        m_window = std::make_unique<Tmain>();
        m_window->show();
        QTRY_VERIFY_WITH_TIMEOUT(tabs()->isEnabled() && !m_window->searchTimer().isEnabled(), 10000);
    }
    // The view is made by the first click, so the first load is waited for
    // through the view that the click made.
    bool clickWebHeader()
    {
        QTest::mouseClick(tabs()->tabBar(), Qt::LeftButton, {}, tabs()->tabBar()->tabRect(4).center());
        if (!view())
            return false;
        QSignalSpy finished(view(), &QWebEngineView::loadFinished);
        return finished.wait(8000) && finished.last().at(0).toBool();
    }
    // The browser engine's helper processes below this one.
    static int engineProcesses()
    {
        int count = 0;
        const QString parent = QString::number(QCoreApplication::applicationPid());
        for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
            QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
            QFile command(QStringLiteral("/proc/%1/cmdline").arg(entry));
            if (!stat.open(QIODevice::ReadOnly) || !command.open(QIODevice::ReadOnly))
                continue;
            const QByteArray text = stat.readAll();
            if (text.mid(text.lastIndexOf(')') + 2).split(' ').value(1) == parent.toLatin1()
                && command.readAll().contains("QtWebEngineProcess"))
                ++count;
        }
        return count;
    }

    // The box's page first, then one of its hostile pages; the window and the
    // loopback listener are shared by the hostile scenarios of one run.
    QTcpServer m_loopback;
    int m_loopbackHits = 0;
    bool openHostilePage(const QString &path)
    {
        if (!m_loopback.isListening()) {
            if (!m_loopback.listen(QHostAddress::LocalHost, LoopbackPort))
                return false;
            connect(&m_loopback, &QTcpServer::newConnection, this, [this] {
                while (auto *socket = m_loopback.nextPendingConnection()) {
                    ++m_loopbackHits;
                    socket->deleteLater();
                }
            });
        }
        if (!m_window)
            startWindow();
        if (!clickWebHeader())
            return false;
        QSignalSpy finished(view(), &QWebEngineView::loadFinished);
        view()->load(QUrl("http://10.77.0.20" + path));
        return finished.wait(8000) && finished.last().at(0).toBool();
    }
    QUrl hostileUrl(const QString &path) const { return QUrl("http://10.77.0.20" + path); }
    bool noDialogOpen() const { return dialogsOpen() == 0; }
    int dialogsOpen() const
    {
        int open = 0;
        for (const QWidget *w : QApplication::topLevelWidgets()) {
            if (w->isVisible() && qobject_cast<const QDialog *>(w))
                ++open;
        }
        return open;
    }
    QFileDialog *saveDialog() const
    {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (auto *dialog = qobject_cast<QFileDialog *>(w); dialog && dialog->isVisible())
                return dialog;
        }
        return nullptr;
    }
    // A click of the user's in the middle of the page, again until the page
    // says that it saw one (a page just loaded may not take input yet).
    bool clickPage(const QString &title)
    {
        for (int attempt = 0; attempt < 5; ++attempt) {
            QTest::mouseClick(view()->focusProxy(), Qt::LeftButton, {}, view()->rect().center());
            QElapsedTimer clock;
            clock.start();
            while (clock.elapsed() < 1000) {
                if (view()->title() == title)
                    return true;
                QTest::qWait(20);
            }
        }
        return false;
    }

private slots:
    void initTestCase()
    {
        errorbox::setTestHook([this](const QString &text) { m_errors << text; });
    }

    void navigation()
    {
        startWindow();
        // The browser engine and its renderer start with the first WEB click.
        QVERIFY(!view());
        QCOMPARE(engineProcesses(), 0);
        QVERIFY(clickWebHeader());
        QVERIFY(engineProcesses() > 0);
        QCOMPARE(view()->url().toString(), QStringLiteral("http://10.77.0.20/orvex"));
        QCOMPARE(view()->title(), QStringLiteral("Orvex Living Room"));
        QCOMPARE(tabs()->currentWidget()->objectName(), QStringLiteral("web_i"));

        // Navigate inside the device's pages; a second click brings the start page back.
        QSignalSpy finished(view(), &QWebEngineView::loadFinished);
        view()->load(QUrl("http://10.77.0.20/orvex/about.html"));
        QVERIFY(finished.wait(8000));
        QCOMPARE(view()->title(), QStringLiteral("About Living Room"));
        QVERIFY(clickWebHeader());
        QCOMPARE(view()->title(), QStringLiteral("Orvex Living Room"));

        // Another device: the view keeps the old page until the next click.
        auto *dlist = m_window->findChild<QListWidget *>("dlist");
        tabs()->setCurrentIndex(2);
        QTest::mouseClick(dlist->viewport(), Qt::LeftButton, {}, dlist->visualItemRect(dlist->item(1)).center());
        QTRY_VERIFY_WITH_TIMEOUT(tabs()->isEnabled() && !m_window->searchTimer().isEnabled(), 10000);
        QCOMPARE(view()->title(), QStringLiteral("Orvex Living Room"));
        QVERIFY(clickWebHeader());
        QCOMPARE(view()->title(), QStringLiteral("Orvex Kitchen"));

        // WEB reached by keyboard loads the start page as a click does.
        QSignalSpy keyed(view(), &QWebEngineView::loadFinished);
        view()->load(QUrl("http://10.77.0.21/orvex/about.html"));
        QVERIFY(keyed.wait(8000));
        tabs()->setCurrentIndex(3);
        QTest::keyClick(tabs(), Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(tabs()->currentWidget()->objectName(), QStringLiteral("web_i"));
        QVERIFY(keyed.wait(8000));
        QCOMPARE(view()->title(), QStringLiteral("Orvex Kitchen"));
        QCOMPARE(m_errors, QStringList());
    }

    void guardWithoutDevices()
    {
        startWindow();
        QTest::mouseClick(tabs()->tabBar(), Qt::LeftButton, {}, tabs()->tabBar()->tabRect(4).center());
        QTRY_COMPARE(tabs()->currentWidget()->objectName(), QStringLiteral("adv"));
        QCOMPARE(m_window->findChild<QLabel *>("infolab")->text(), Tmain::NoDevicesNotice());
        QTest::qWait(500);
        QVERIFY(!view());
    }

    void loadPage()
    {
        startWindow();
        QVERIFY(clickWebHeader());
        m_window->close();
    }

    // The cookie file replaced by a link while the program runs: the next
    // write leaves the link alone.
    void linkPlacedAfterStart()
    {
        startWindow();
        QVERIFY(clickWebHeader());
        auto *cookies = view()->findChild<CookieFile *>();
        QVERIFY(cookies);
        QTRY_VERIFY_WITH_TIMEOUT(cookies->writes() >= 1, 5000);
        QVERIFY(QFile::remove(CookieFile::FileName));
        QVERIFY(QFile::link("profile.sh", CookieFile::FileName));
        QVERIFY(clickWebHeader()); // a new session cookie to write
        QTest::qWait(1500);
        m_window.reset(); // and the last write
    }

    // A page's local storage lives for one run: its counter says 1 in every run.
    void localStorageCounter()
    {
        startWindow();
        QVERIFY(clickWebHeader()); // the session cookie of the device's page
        QSignalSpy finished(view(), &QWebEngineView::loadFinished);
        view()->load(QUrl("http://10.77.0.20/orvex/counter.html"));
        QVERIFY(finished.wait(8000));
        QTRY_COMPARE(view()->title(), QStringLiteral("count 1"));
        m_window->close();
    }

    // A page that crashes its renderer leaves the window working; the next
    // WEB click shows the page again.
    void rendererCrash()
    {
        startWindow();
        QVERIFY(clickWebHeader());
        auto *message = m_window->findChild<QLabel *>("webmsg");
        QVERIFY(!message->isVisible());
        ::kill(pid_t(view()->page()->renderProcessPid()), SIGSEGV);
        QTRY_VERIFY_WITH_TIMEOUT(message->isVisible(), 10000);
        QVERIFY(message->text().startsWith("The device's page stopped: its renderer"));
        QCOMPARE(message->textFormat(), Qt::PlainText);
        m_window->findChild<QPushButton *>("Button5")->click();
        QTRY_COMPARE(m_window->findChild<QLabel *>("infolab")->text(), QStringLiteral("Orvex stopped"));
        QVERIFY(clickWebHeader());
        QVERIFY(!message->isVisible());
        QVERIFY(view()->isVisible());
        QCOMPARE(view()->title(), QStringLiteral("Orvex Living Room"));
        QCOMPARE(m_errors, QStringList());
    }

    // A link and a script to a scheme that a desktop program registered: nothing
    // reaches the desktop, the page stays.
    void customScheme()
    {
        SchemeCatcher catcher;
        QDesktopServices::setUrlHandler("orvexprobe", &catcher, "open");
        QVERIFY(openHostilePage("/orvex/scheme.html"));
        QTest::mouseClick(view()->focusProxy(), Qt::LeftButton, {}, view()->rect().center());
        QTest::qWait(1500);
        QDesktopServices::unsetUrlHandler("orvexprobe");
        QCOMPARE(catcher.opened, QList<QUrl>());
        QCOMPARE(view()->url(), hostileUrl("/orvex/scheme.html"));
    }

    // A form, an image, a frame and a WebSocket to this computer, a fetch to
    // another box: none gets out, and the page stays where it was.
    void loopbackAndLan()
    {
        QVERIFY(openHostilePage("/orvex/local.html"));
        QTRY_COMPARE_WITH_TIMEOUT(view()->title(), QStringLiteral("local done"), 5000);
        QTest::qWait(1000);
        QCOMPARE(m_loopbackHits, 0);
        QCOMPARE(view()->url(), hostileUrl("/orvex/local.html"));
    }

    // Navigations to another host, directly and through a redirect, and an
    // image behind a redirect: refused, the page stays.
    void redirects()
    {
        QVERIFY(openHostilePage("/orvex/away.html"));
        QTRY_COMPARE_WITH_TIMEOUT(view()->title(), QStringLiteral("away done"), 5000);
        QTest::qWait(1000);
        QCOMPARE(m_loopbackHits, 0);
        QCOMPARE(view()->url(), hostileUrl("/orvex/away.html"));
        QCOMPARE(view()->allowedHost(), QStringLiteral("10.77.0.20"));
    }

    void consoleFlood()
    {
        QVERIFY(openHostilePage("/orvex/console.html"));
        QTRY_COMPARE_WITH_TIMEOUT(view()->title(), QStringLiteral("console done"), 10000);
    }

    // alert in a loop, confirm, prompt and a leave-page question: no dialog,
    // confirm is false, prompt null, and the next WEB click still reloads.
    void dialogs()
    {
        QVERIFY(openHostilePage("/orvex/dialogs.html"));
        QTRY_COMPARE_WITH_TIMEOUT(view()->title(), QStringLiteral("dialogs false null"), 10000);
        QVERIFY(noDialogOpen());
        QTest::mouseClick(view()->focusProxy(), Qt::LeftButton, {}, view()->rect().center()); // a user gesture
        QVERIFY(clickWebHeader());
        QCOMPARE(view()->title(), QStringLiteral("Orvex Living Room"));
        QVERIFY(noDialogOpen());
    }

    // WebRTC without a gesture, to STUN and TURN servers on this computer and
    // on another box, in the page and in a frame it makes: the listeners of
    // the test and of the other box count what arrives.
    void webRtc()
    {
        QVERIFY(openHostilePage("/orvex/webrtc.html"));
        QTRY_COMPARE_WITH_TIMEOUT(view()->title(), QStringLiteral("webrtc done"), 8000);
        QTest::qWait(2000);
    }

    // A page of one box that aims at another as it goes (beacons, keepalive
    // fetches, its timer) while the other box's page is loaded.
    void pageLeftBehind()
    {
        QVERIFY(openHostilePage("/orvex/leave.html"));
        QTRY_COMPARE(view()->title(), QStringLiteral("leave ready"));
        auto *dlist = m_window->findChild<QListWidget *>("dlist");
        tabs()->setCurrentIndex(2);
        QTest::mouseClick(dlist->viewport(), Qt::LeftButton, {}, dlist->visualItemRect(dlist->item(1)).center());
        QTRY_VERIFY_WITH_TIMEOUT(tabs()->isEnabled() && !m_window->searchTimer().isEnabled(), 10000);
        QVERIFY(clickWebHeader());
        QCOMPARE(view()->url().host(), QStringLiteral("10.77.0.21"));
        QTest::qWait(1500);
    }

    // A page that never yields: the next WEB click shows the box's page
    // again within 3 s.
    void hungPage()
    {
        QVERIFY(openHostilePage("/orvex/hang.html"));
        QTest::qWait(1000);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(clickWebHeader());
        QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(view()->title(), QStringLiteral("Orvex Living Room"));
    }

    // A page's copy in its click handler leaves the clipboard as it was; the
    // user's own Ctrl+C on the page's selected text copies it.
    void clipboard()
    {
        QClipboard *clipboard = QGuiApplication::clipboard();
        clipboard->setText(QStringLiteral("before"));
        QVERIFY(openHostilePage("/orvex/copy.html"));
        QVERIFY(clickPage("copied"));
        QTest::qWait(300);
        QCOMPARE(clipboard->text(), QStringLiteral("before"));
        QTest::keyClick(view()->focusProxy(), Qt::Key_C, Qt::ControlModifier);
        QTRY_COMPARE(clipboard->text(), QStringLiteral("the box's own words"));
    }

    // Downloads without a gesture open nothing; the user's click opens one
    // save dialog, on its own and without an event loop of its own; after a
    // cancel none until the next WEB click; a file input opens nothing; the
    // window closes cleanly with a save dialog open.
    void downloadsAndFileChooser()
    {
        QVERIFY(openHostilePage("/orvex/download.html"));
        QTest::qWait(1500); // seven downloads asked without a gesture
        QVERIFY(noDialogOpen());
        QVERIFY(clickPage("clicked 1"));
        QTRY_VERIFY(saveDialog());
        QTest::qWait(1000); // the page goes on asking
        QCOMPARE(dialogsOpen(), 1);
        saveDialog()->reject();
        QTRY_VERIFY(noDialogOpen());
        QVERIFY(clickPage("clicked 2"));
        QTest::qWait(800);
        QVERIFY(noDialogOpen());

        QVERIFY(openHostilePage("/orvex/upload.html"));
        QVERIFY(clickPage("upload clicked"));
        QTest::qWait(800);
        QVERIFY(noDialogOpen());

        // Saved where the user says, as a new file for the user alone.
        QVERIFY(openHostilePage("/orvex/download.html"));
        QVERIFY(clickPage("clicked 1"));
        QTRY_VERIFY(saveDialog());
        const QString target = QDir::current().filePath("saved.txt");
        auto *name = saveDialog()->findChild<QLineEdit *>("fileNameEdit"); // as the user types it
        QVERIFY(name);
        name->setText(target);
        static_cast<QDialog *>(saveDialog())->accept(); // as the Save button does
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(target).size() > 0, 5000);
        QFile saved(target);
        QVERIFY(saved.open(QIODevice::ReadOnly) && saved.readAll().contains("<h1>About</h1>"));
        QCOMPARE(saved.permissions() & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());

        QVERIFY(openHostilePage("/orvex/download.html"));
        QVERIFY(clickPage("clicked 1"));
        QTRY_VERIFY(saveDialog());
        m_window->close();
        m_window.reset();
    }

    // Cookies set in a loop: the file is written at most once a second, the
    // program's memory stays flat, and what is kept fits the bounds.
    void cookieStorm()
    {
        QVERIFY(openHostilePage("/orvex/about.html"));
        auto *cookies = view()->findChild<CookieFile *>();
        QVERIFY(cookies);
        const qint64 before = residentKiB();
        const int writesBefore = cookies->writes();
        QElapsedTimer clock;
        clock.start();
        QVERIFY(openHostilePage("/orvex/cookies.html"));
        QTRY_VERIFY_WITH_TIMEOUT(view()->title().startsWith("cookies done"), 20000);
        QTest::qWait(1500);
        const qint64 seconds = clock.elapsed() / 1000 + 1;
        const qint64 grown = residentKiB() - before;
        qInfo("cookie storm: %s in %lld s, %d writes, memory grew by %lld MB", qPrintable(view()->title()), seconds,
            cookies->writes() - writesBefore, grown / 1024);
        QVERIFY2(cookies->writes() - writesBefore <= seconds + 1, qPrintable(QString::number(cookies->writes())));
        QVERIFY2(grown < 300 * 1024, qPrintable(QString::number(grown)));
        m_window.reset(); // the last write
        const QList<QNetworkCookie> kept = CookieFile::read(CookieFile::FileName);
        QVERIFY(kept.size() <= CookieFile::MaxCookies);
        QVERIFY(QFileInfo(CookieFile::FileName).size() <= CookieFile::MaxFileBytes);
        QVERIFY(std::any_of(
            kept.begin(), kept.end(), [](const QNetworkCookie &c) { return c.name().startsWith("storm"); }));
    }

    // Run as a plain user: the renderer is in its seccomp sandbox, whatever
    // the environment asked for.
    void sandboxedRenderer()
    {
        QVERIFY(::geteuid() != 0);
        startWindow();
        QVERIFY(clickWebHeader());
        const qint64 pid = view()->page()->renderProcessPid();
        QVERIFY(pid > 0);
        QCOMPARE(statusLine(pid, "Seccomp"), QByteArray("2"));
    }

    void releaseLeavesNoWarnings()
    {
        startWindow();
        QVERIFY(clickWebHeader());
        g_warnings.clear();
        const auto previous = qInstallMessageHandler(collectWarnings);
        m_window->close(); // through the frame: the close handler releases the view first
        m_window.reset();
        QTest::qWait(200);
        qInstallMessageHandler(previous);
        for (const QString &warning : std::as_const(g_warnings))
            QVERIFY2(!warning.contains("profile", Qt::CaseInsensitive), qPrintable(warning));
    }
};

class TestWebView : public QObject
{
    Q_OBJECT

    QTemporaryDir m_storage;

    // Runs one scenario in a new process whose current directory is the storage.
    QTemporaryDir m_home;

    // Runs scenarios (one, or several sharing one window) in a new process
    // whose current directory is the storage, or `directory`.
    void run(const QString &scenarios, QByteArray *output = nullptr, const QString &directory = QString(),
        const QStringList &prefix = {}, const QString &program = QString(), const QString &home = QString())
    {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ORVEX_WEBVIEW_SCENARIO", scenarios);
        // A home of its own, to see that the browser writes nothing there.
        env.insert("HOME", home.isEmpty() ? m_home.path() : home);
        for (const char *name : { "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR" })
            env.remove(name);
        child.setProcessEnvironment(env);
        child.setWorkingDirectory(directory.isEmpty() ? m_storage.path() : directory);
        child.setProcessChannelMode(QProcess::MergedChannels);
        const QString binary = program.isEmpty() ? QCoreApplication::applicationFilePath() : program;
        if (prefix.isEmpty())
            child.start(binary, {});
        else
            child.start(prefix.first(), prefix.mid(1) + QStringList { binary });
        QVERIFY(child.waitForFinished(90000));
        const QByteArray out = child.readAll();
        if (output)
            *output = out;
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, out.right(3000).constData());
    }

private slots:
    void initTestCase() { QVERIFY(m_storage.isValid()); }

    void webHeaderLoadsTheDevicePage()
    {
        SimFixture sim(QJsonArray { SimFixture::device("Living Room", 0, 20), SimFixture::device("Kitchen", 1, 60) });
        QVERIFY(sim.ok());
        run("navigation");
    }

    // The page's session cookie (no expiry date) goes back to the device after
    // the program was restarted from the same directory.
    void cookiesSurviveARestart()
    {
        SimFixture sim(QJsonArray { SimFixture::device("Living Room", 0, 20) });
        QVERIFY(sim.ok());
        run("loadPage");
        const qsizetype before = sim.httpCount();
        run("loadPage");
        const auto http = sim.log("http");
        QByteArray pageRequest;
        for (qsizetype i = before; i < http.size(); ++i) {
            if (http[i].raw.startsWith("GET /orvex HTTP/1.1"))
                pageRequest = http[i].raw;
        }
        QVERIFY2(pageRequest.contains("\r\nCookie: orvexsession="), pageRequest.constData());
    }

    // Only the cookies outlive a run: the page's local storage starts anew, and
    // nothing but the cookie file is written, in the current directory alone.
    void onlyCookiesAreKept()
    {
        SimFixture sim(QJsonArray { SimFixture::device("Living Room", 0, 20) });
        QVERIFY(sim.ok());
        const QString kept = m_storage.path();
        run("localStorageCounter");
        const qsizetype before = sim.httpCount();
        run("localStorageCounter");
        bool cookieSent = false;
        const auto http = sim.log("http");
        for (qsizetype i = before; i < http.size(); ++i)
            cookieSent = cookieSent
                || (http[i].raw.startsWith("GET /orvex HTTP/1.1") && http[i].raw.contains("\r\nCookie: orvexsession="));
        QVERIFY(cookieSent);
        QCOMPARE(QDir(kept).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
            QStringList { "orvex-cookies" });
        QStringList written;
        QDirIterator it(
            m_home.path(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            written << it.next();
        QCOMPARE(written, QStringList());
    }

    void rendererCrashLeavesTheWindowWorking()
    {
        SimFixture sim(QJsonArray { SimFixture::device("Living Room", 0, 20) });
        QVERIFY(sim.ok());
        run("rendererCrash");
    }

    // The cookie file is read back under bounds, whatever sits in it: at most
    // 1 MiB and 1000 cookies, expired ones left out, garbage ignored.
    void cookieFileIsReadUnderBounds()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(CookieFile::FileName);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("gone=1; expires=Thu, 01 Jan 2015 00:00:00 GMT; domain=10.77.0.20; path=/\n");
        file.write(QByteArray(1000, '\x01') + "\n<script>alert(1)</script>\n");
        for (int i = 0; i < 5000; ++i)
            file.write(
                QByteArray("c") + QByteArray::number(i) + "=" + QByteArray(300, 'v') + "; domain=10.77.0.20; path=/\n");
        file.close();
        QVERIFY(file.size() > CookieFile::MaxFileBytes);
        const QList<QNetworkCookie> cookies = CookieFile::read(path);
        QVERIFY(!cookies.isEmpty());
        QVERIFY(cookies.size() <= CookieFile::MaxCookies);
        qint64 bytes = 0;
        for (const QNetworkCookie &cookie : cookies) {
            QVERIFY(cookie.name() != "gone");
            bytes += cookie.toRawForm().size();
        }
        QVERIFY(bytes <= CookieFile::MaxFileBytes);
        // What is written back reads back the same.
        QVERIFY(CookieFile::write(path, cookies.mid(0, 3)));
        QCOMPARE(CookieFile::read(path).size(), 3);
    }

    // Hostile pages served by the box, through the real view: each stays
    // inside its box. The loopback listener runs in the child; a request of
    // the browser to the other box would show in the simulator's log.
    void hostilePagesStayInsideTheirBox()
    {
        const QJsonObject faults = hostilePages(LoopbackPort);
        SimFixture sim(QJsonArray { SimFixture::device("Living Room", 0, 20, QJsonObject { { "faults", faults } }),
            SimFixture::device("Other", 1, 60, QJsonObject { { "probePorts", QJsonArray { StunPort, TurnPort } } }) });
        QVERIFY(sim.ok());
        // Where the page's WebRTC would land on this computer, UDP and TCP.
        QUdpSocket stun, turn;
        QTcpServer stunTcp, turnTcp;
        QVERIFY(stun.bind(QHostAddress::LocalHost, StunPort) && turn.bind(QHostAddress::LocalHost, TurnPort));
        QVERIFY(stunTcp.listen(QHostAddress::LocalHost, StunPort) && turnTcp.listen(QHostAddress::LocalHost, TurnPort));
        QTemporaryDir dir;
        QByteArray output;
        run("customScheme loopbackAndLan redirects consoleFlood dialogs cookieStorm webRtc", &output, dir.path());
        QVERIFY(!stun.hasPendingDatagrams() && !turn.hasPendingDatagrams());
        QVERIFY(!stunTcp.waitForNewConnection(100) && !turnTcp.waitForNewConnection(100));
        const auto probes = sim.log("probe");
        QVERIFY2(probes.isEmpty(), probes.isEmpty() ? "" : probes.first().raw.constData());
        qInfo("standard output and error of the run: %lld bytes", qint64(output.size()));
        QVERIFY2(!output.contains('\x1b'), output.right(2000).constData());
        QVERIFY2(!output.contains("flood"), output.right(2000).constData());
        QVERIFY2(output.size() < 64 * 1024, qPrintable(QString::number(output.size())));
        // A quiet start: the engine's settings block and its sandbox note are not printed.
        QVERIFY2(!output.contains("qt.webenginecontext") && !output.contains("Sandboxing disabled"),
            output.right(3000).constData());
        for (const LogEntry &entry : sim.log("http")) {
            QVERIFY2(!(entry.device == "Other" && entry.raw.contains("Mozilla/5.0")), entry.raw.constData());
            QVERIFY2(!entry.raw.contains("/jumped"), entry.raw.constData());
        }
    }

    // A page of one box cannot reach another once that one's page is loaded:
    // the page before has ended, and a request from it would be refused.
    void pageLeftBehindReachesNothing()
    {
        SimFixture sim(QJsonArray {
            SimFixture::device("Living Room", 0, 20, QJsonObject { { "faults", hostilePages(LoopbackPort) } }),
            SimFixture::device("Other", 1, 60) });
        QVERIFY(sim.ok());
        run("pageLeftBehind");
        int pagesOfOther = 0;
        for (const LogEntry &entry : sim.log("http")) {
            if (entry.device != u"Other")
                continue;
            QVERIFY2(!entry.raw.contains("Origin: http://10.77.0.20"), entry.raw.constData());
            QVERIFY2(!entry.raw.startsWith("POST") || !entry.raw.contains("Mozilla/5.0"), entry.raw.constData());
            pagesOfOther += entry.raw.startsWith("GET /orvex HTTP/1.1");
        }
        QCOMPARE(pagesOfOther, 1);
    }

    // Dialogs only on the user's click, one at a time, never nested; a page
    // that hangs is replaced; the page cannot write the clipboard.
    void pageDialogsHangsAndClipboard()
    {
        SimFixture sim(QJsonArray {
            SimFixture::device("Living Room", 0, 20, QJsonObject { { "faults", hostilePages(LoopbackPort) } }) });
        QVERIFY(sim.ok());
        QTemporaryDir dir;
        run("hungPage clipboard downloadsAndFileChooser", nullptr, dir.path());
    }

    // Whatever sits in the current directory under the cookie file's name,
    // the program starts, never writes through it, and creates the file for
    // its user alone.
    void cookieFileStates_data()
    {
        QTest::addColumn<QString>("state");
        QTest::newRow("a symlink to another file") << "symlink";
        QTest::newRow("a FIFO") << "fifo";
        QTest::newRow("a directory") << "directory";
        QTest::newRow("a file readable by everyone") << "0644";
        QTest::newRow("a symlink placed while the program runs") << "later";
    }
    void cookieFileStates()
    {
        QFETCH(QString, state);
        SimFixture sim(QJsonArray { SimFixture::device("Living Room", 0, 20) });
        QVERIFY(sim.ok());
        QTemporaryDir dir;
        const QString path = dir.filePath(CookieFile::FileName);
        const QString target = dir.filePath("profile.sh");
        const QByteArray original = "echo hello\n";
        QFile file(target);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(original) == original.size());
        file.close();
        if (state == "symlink")
            QVERIFY(QFile::link(target, path));
        else if (state == "fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else if (state == "directory")
            QVERIFY(QDir(dir.path()).mkdir(CookieFile::FileName));
        else if (state == "0644")
            QVERIFY(QFile::copy(target, path)
                && QFile::setPermissions(
                    path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));
        QByteArray output;
        run(state == "later" ? "linkPlacedAfterStart" : "loadPage", &output, dir.path());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), original);
        file.close();
        struct stat info;
        QCOMPARE(::lstat(QFile::encodeName(path).constData(), &info), 0);
        const int warnings = output.count("is not a regular file of this user");
        if (state == "0644") {
            QVERIFY(S_ISREG(info.st_mode));
            QCOMPARE(info.st_mode & 0777, mode_t(0600));
            QVERIFY(CookieFile::read(path).size() >= 1);
            QCOMPARE(warnings, 0);
        } else {
            QCOMPARE(warnings, 1);
            QVERIFY((state != "symlink" && state != "later") || S_ISLNK(info.st_mode));
            QVERIFY(state != "fifo" || S_ISFIFO(info.st_mode));
            QVERIFY(state != "directory" || S_ISDIR(info.st_mode));
        }
    }

    // A last line cut by the read bound is left out, not read as a cookie
    // other than the one written.
    void cookieFileCutLastLine()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(CookieFile::FileName);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        qint64 written = 0;
        int lines = 0;
        for (;; ++lines) {
            const QByteArray line
                = "k" + QByteArray::number(lines) + "=" + QByteArray(4000, 'v') + "; domain=10.77.0.20; path=/\n";
            if (written + line.size() > CookieFile::MaxFileBytes)
                break;
            written += file.write(line);
        }
        file.write("cut=" + QByteArray(8000, 'w') + "; domain=10.77.0.20; path=/\n");
        file.close();
        const QList<QNetworkCookie> cookies = CookieFile::read(path);
        QCOMPARE(cookies.size(), lines);
        QVERIFY(
            std::none_of(cookies.begin(), cookies.end(), [](const QNetworkCookie &c) { return c.name() == "cut"; }));
    }

    // The renderer of a plain user runs in its seccomp sandbox, even when the
    // environment asks for --no-sandbox, --single-process or remote debugging.
    void plainUsersRendererIsSandboxed()
    {
        if (::geteuid() != 0)
            QSKIP("runs as root, to start the program as a plain user");
        const passwd *user = ::getpwnam("nobody");
        if (!user && QProcess::execute("useradd", { "--system", "--no-create-home", "nobody" }) == 0)
            user = ::getpwnam("nobody");
        QVERIFY(user);
        const QString uid = QString::number(user->pw_uid), gid = QString::number(user->pw_gid);
        const QStringList asUser { "setpriv", "--reuid=" + uid, "--regid=" + gid, "--clear-groups", "--" };
        if (QProcess::execute(asUser.first(), asUser.mid(1) + QStringList { "unshare", "--user", "true" }) != 0)
            QSKIP("unprivileged user namespaces are off in this kernel: the renderer cannot start sandboxed here");
        // The user needs a program it may run and directories of its own.
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString program = dir.filePath("test_webview");
        QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), program));
        QVERIFY(QDir(dir.path()).mkdir("home"));
        for (const QString &path : { dir.path(), dir.filePath("home"), program })
            QCOMPARE(::chown(QFile::encodeName(path).constData(), user->pw_uid, user->pw_gid), 0);
        QVERIFY(QFile::setPermissions(
            dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
        SimFixture sim(QJsonArray { SimFixture::device("Living Room", 0, 20) });
        QVERIFY(sim.ok());
        const QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
        const QByteArray disable = qgetenv("QTWEBENGINE_DISABLE_SANDBOX");
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox --single-process --remote-debugging-port=9222");
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
        run("sandboxedRenderer", nullptr, dir.filePath("home"), asUser, program, dir.filePath("home"));
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", disable);
    }

    void emptyListLoadsNothing()
    {
        SimFixture sim { QJsonArray {} };
        QVERIFY(sim.ok());
        run("guardWithoutDevices");
        QCOMPARE(sim.httpCount(), 0);
    }

    void releaseLeavesNoWarnings()
    {
        SimFixture sim(QJsonArray { SimFixture::device("Living Room", 0, 20) });
        QVERIFY(sim.ok());
        run("releaseLeavesNoWarnings");
    }

    void engineThatCannotStartEndsWindowCreation()
    {
        qputenv("QTWEBENGINE_RESOURCES_PATH", "/nonexistent");
        try {
            Tmain window;
            qunsetenv("QTWEBENGINE_RESOURCES_PATH");
            QFAIL("the window was created");
        } catch (const Failure &failure) {
            qunsetenv("QTWEBENGINE_RESOURCES_PATH");
            QVERIFY(failure.message().startsWith("The browser engine cannot be started: /nonexistent/"));
        }
    }
};

int main(int argc, char *argv[])
{
    configureWebEngine();
    QApplication app(argc, argv);
    const QString scenario = qEnvironmentVariable("ORVEX_WEBVIEW_SCENARIO");
    if (!scenario.isEmpty()) {
        WebViewScenarios scenarios;
        return QTest::qExec(&scenarios, QStringList { QCoreApplication::applicationFilePath() } + scenario.split(u' '));
    }
    TestWebView test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_webview.moc"
