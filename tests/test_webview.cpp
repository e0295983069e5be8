// The device's page in the embedded browser, in the private network with the
// simulator: loading on a click on the WEB header, reloading the start page,
// keeping the page until the next click, cookies kept across a restart from
// the same directory, and a clean release of page and profile.
//
// The program makes one browser view per process, so each scenario runs as a
// child process of this test (the same executable, told which scenario by
// ORVEX_WEBVIEW_SCENARIO); the parent starts the simulator and checks the log.
#include "app/error_box.h"
#include "app/main_f.h"
#include "base/failure.h"
#include "sim_fixture.h"
#include "webview/cookie_file.h"
#include "webview/web_engine.h"
#include "webview/web_view.h"

#include <QApplication>
#include <QDirIterator>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QWebEnginePage>

#include <memory>

namespace {

QStringList g_warnings;

void collectWarnings(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type != QtDebugMsg && type != QtInfoMsg)
        g_warnings << text;
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
    bool clickWebHeader()
    {
        QSignalSpy finished(view(), &QWebEngineView::loadFinished);
        QTest::mouseClick(tabs()->tabBar(), Qt::LeftButton, {}, tabs()->tabBar()->tabRect(4).center());
        return finished.wait(8000) && finished.last().at(0).toBool();
    }

private slots:
    void initTestCase()
    {
        errorbox::setTestHook([this](const QString &text) { m_errors << text; });
    }

    void navigation()
    {
        startWindow();
        QVERIFY(view()->url().isEmpty());
        QVERIFY(clickWebHeader());
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
        QCOMPARE(m_errors, QStringList());
    }

    void guardWithoutDevices()
    {
        startWindow();
        QTest::mouseClick(tabs()->tabBar(), Qt::LeftButton, {}, tabs()->tabBar()->tabRect(4).center());
        QTRY_COMPARE(tabs()->currentWidget()->objectName(), QStringLiteral("adv"));
        QCOMPARE(m_window->findChild<QLabel *>("infolab")->text(), Tmain::NoDevicesNotice);
        QTest::qWait(500);
        QVERIFY(view()->url().isEmpty());
    }

    void loadPage()
    {
        startWindow();
        QVERIFY(clickWebHeader());
        m_window->close();
    }

    // A page's local storage lives for one run: its counter says 1 in every run.
    void localStorageCounter()
    {
        startWindow();
        QSignalSpy finished(view(), &QWebEngineView::loadFinished);
        view()->load(QUrl("http://10.77.0.20/orvex/counter.html"));
        QVERIFY(finished.wait(8000));
        QTRY_COMPARE(view()->title(), QStringLiteral("count 1"));
        QVERIFY(clickWebHeader()); // the session cookie of the device's page
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
        view()->load(QUrl("chrome://crash"));
        QTRY_VERIFY_WITH_TIMEOUT(message->isVisible(), 10000);
        QVERIFY(message->text().startsWith("The device's page stopped: its renderer"));
        QCOMPARE(message->textFormat(), Qt::PlainText);
        m_window->findChild<QPushButton *>("Button5")->click();
        QCOMPARE(m_window->findChild<QLabel *>("infolab")->text(), QStringLiteral("Orvex stopped"));
        QVERIFY(clickWebHeader());
        QVERIFY(!message->isVisible());
        QVERIFY(view()->isVisible());
        QCOMPARE(view()->title(), QStringLiteral("Orvex Living Room"));
        QCOMPARE(m_errors, QStringList());
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

    void run(const QString &scenario)
    {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ORVEX_WEBVIEW_SCENARIO", scenario);
        // A home of its own, to see that the browser writes nothing there.
        env.insert("HOME", m_home.path());
        for (const char *name : { "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR" })
            env.remove(name);
        child.setProcessEnvironment(env);
        child.setWorkingDirectory(m_storage.path());
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(), { scenario });
        QVERIFY(child.waitForFinished(60000));
        const QByteArray output = child.readAll();
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, output.right(3000).constData());
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
        return QTest::qExec(&scenarios, QStringList { QCoreApplication::applicationFilePath(), scenario });
    }
    TestWebView test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_webview.moc"
