#include "webview/web_view.h"
#include "platform/process.h"
#include "platform/user_file.h"
#include "webview/clipboard_guard.h"
#include "webview/cookie_file.h"
#include "webview/device_page.h"
#include "webview/engine_gate.h"
#include "webview/page_input.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebEngineCookieStore>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

#include <cstdio>

namespace {

// What a box's page may use: its own scripts, styles and forms on its own
// host. Nothing that reaches past it: no windows, clipboard, plugins, full
// screen, screen capture, local files or insecure mixes, no WebRTC on private
// addresses, no navigation by dropping a file.
void restrict(QWebEngineSettings *settings)
{
    settings->setUnknownUrlSchemePolicy(QWebEngineSettings::DisallowUnknownUrlSchemes);
    for (const auto attribute : { QWebEngineSettings::JavascriptCanOpenWindows,
             QWebEngineSettings::JavascriptCanAccessClipboard, QWebEngineSettings::JavascriptCanPaste,
             QWebEngineSettings::LocalContentCanAccessRemoteUrls, QWebEngineSettings::LocalContentCanAccessFileUrls,
             QWebEngineSettings::AllowRunningInsecureContent, QWebEngineSettings::AllowGeolocationOnInsecureOrigins,
             QWebEngineSettings::AllowWindowActivationFromJavaScript, QWebEngineSettings::PluginsEnabled,
             QWebEngineSettings::FullScreenSupportEnabled, QWebEngineSettings::ScreenCaptureEnabled,
             QWebEngineSettings::DnsPrefetchEnabled, QWebEngineSettings::PdfViewerEnabled,
             QWebEngineSettings::NavigateOnDropEnabled })
        settings->setAttribute(attribute, false);
    settings->setAttribute(QWebEngineSettings::WebRTCPublicInterfacesOnly, true);
}

// The engine starts with the first profile: before it, the gate that every
// connection of the engine goes through. One gate serves the run; a gate that
// cannot start leaves the engine a proxy that takes nothing, so nothing gets
// out at all.
void startEngineGate(const std::shared_ptr<const AllowedHost> &allowed)
{
    static std::unique_ptr<EngineGate> gate;
    if (gate) {
        gate->follow(allowed);
        return;
    }
    gate = std::make_unique<EngineGate>(allowed);
    QString error;
    quint16 port = 1;
    if (gate->start(&error))
        port = gate->port();
    else
        std::fprintf(stderr, "orvex-manager: %s\n",
            qPrintable(DeviceWebView::tr("The device page cannot reach its box: %1").arg(error)));
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", qgetenv("QTWEBENGINE_CHROMIUM_FLAGS") + ' ' + engineGateFlags(port));
}

QWebEngineProfile *makeProfile(const std::shared_ptr<const AllowedHost> &allowed)
{
    startEngineGate(allowed);
    // Off the record: cache, local and session storage and the rest live in
    // memory and end with the run.
    return new QWebEngineProfile(static_cast<QObject *>(nullptr));
}

// A download is at most this large: what a box offers (a log, its settings)
// is small, and it goes through memory once on its way to where the user
// wants it.
constexpr qint64 MaxDownloadBytes = 64 * 1024 * 1024;

// How long a replaced page's renderer may take to end by itself, and in all.
constexpr qint64 RendererEndsMs = 500;
constexpr qint64 RendererGoneMs = 2000;

} // namespace

DeviceWebView::DeviceWebView(const QString &cookieDirectory, QWidget *parent)
    : QWebEngineView(parent)
    , m_allowed(std::make_shared<AllowedHost>())
    , m_profile(makeProfile(m_allowed))
    , m_cookies(new CookieFile(
          QDir(cookieDirectory).filePath(QLatin1String(CookieFile::FileName)), m_profile->cookieStore(), this))
    , m_input(new PageInput(this))
    , m_clipboard(new ClipboardGuard(this, *m_input))
{
    m_profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    restrict(m_profile->settings());
    m_profile->setUrlRequestInterceptor(new DeviceRequestFilter(m_allowed, m_profile));
    m_profile->cookieStore()->setCookieFilter(
        [allowed = m_allowed](const QWebEngineCookieStore::FilterRequest &request) {
            return !request.thirdParty && allowed->allows(request.origin, { u"http" });
        });
    connect(m_profile, &QWebEngineProfile::downloadRequested, this, &DeviceWebView::downloadRequested);
    replacePage();
}

DeviceWebView::~DeviceWebView()
{
    delete m_saveDialog;
    delete page();
    delete m_cookies;
    delete m_profile;
}

// A page of its own for each load: the one before goes with its renderer.
void DeviceWebView::replacePage()
{
    QWebEnginePage *old = m_loads > 0 ? page() : nullptr;
    auto *fresh = new DevicePage(m_profile, m_allowed, this);
    connect(fresh, &QWebEnginePage::renderProcessTerminated, this,
        [this](QWebEnginePage::RenderProcessTerminationStatus status, int) {
            switch (status) {
            case QWebEnginePage::NormalTerminationStatus:
                return;
            case QWebEnginePage::KilledTerminationStatus:
                emit pageStopped(tr("its renderer was killed"));
                return;
            case QWebEnginePage::CrashedTerminationStatus:
                emit pageStopped(tr("its renderer crashed"));
                return;
            case QWebEnginePage::AbnormalTerminationStatus:
                emit pageStopped(tr("its renderer ended"));
                return;
            }
        });
    // The user's own copy from the page's menu.
    for (const auto action : { QWebEnginePage::Copy, QWebEnginePage::Cut })
        connect(fresh->action(action), &QAction::triggered, m_input, &PageInput::copied);
    setPage(fresh);
    delete old;
}

void DeviceWebView::loadDevicePage(const QString &url)
{
    const QUrl address(url);
    const int number = ++m_loads;
    // Nothing is allowed while the page before goes: what it sends as it
    // ends (unload handlers, beacons, its timers) reaches no host, the new
    // one least of all.
    m_allowed->set(QString());
    endSaveDialog();
    m_downloadsRefused = false;
    m_input->forget();
    const qint64 renderer = page()->renderProcessPid();
    replacePage();
    whenRendererGone(renderer, [this, address, number] {
        if (number != m_loads)
            return;
        m_allowed->set(address.host());
        load(address);
    });
}

// Waits beside the window for a replaced page's renderer to end; one that
// does not end by itself (a page that never yields) is ended.
void DeviceWebView::whenRendererGone(qint64 pid, std::function<void()> then)
{
    if (!platform::processRunning(pid)) {
        then();
        return;
    }
    auto *poll = new QTimer(this);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    connect(poll, &QTimer::timeout, this, [poll, clock, pid, then, ended = false]() mutable {
        const bool gone = !platform::processRunning(pid);
        if (!gone && !ended && clock->elapsed() >= RendererEndsMs) {
            platform::endProcess(pid);
            ended = true;
        }
        if (gone || clock->elapsed() >= RendererGoneMs) {
            poll->deleteLater();
            then();
        }
    });
    poll->start(20);
}

QString DeviceWebView::allowedHost() const
{
    return m_allowed->host();
}

// A download only right after the user's click or key in the page, one at a
// time, and none after the user cancelled one until the next WEB click. The
// engine must be told at once, so the download is taken into a folder of the
// program's own and held while a save dialog, opened without an event loop of
// its own, asks where it goes.
void DeviceWebView::downloadRequested(QWebEngineDownloadRequest *download)
{
    if (!m_input->recentGesture() || m_saveDialog || m_downloadsRefused) {
        download->cancel();
        return;
    }
    if (!m_downloads)
        m_downloads = std::make_unique<QTemporaryDir>();
    if (!m_downloads->isValid()) {
        download->cancel();
        return;
    }
    const QString name = download->downloadFileName();
    download->setDownloadDirectory(m_downloads->path());
    download->accept();
    download->pause();
    // Held or not, it never grows past its bound in the program's folder.
    connect(download, &QWebEngineDownloadRequest::receivedBytesChanged, download, [download] {
        if (download->receivedBytes() > MaxDownloadBytes)
            download->cancel();
    });
    const QString into = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    auto *dialog = new QFileDialog(this, QString(), QDir(into).filePath(name));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    m_saveDialog = dialog;
    const QPointer<QWebEngineDownloadRequest> request(download);
    connect(dialog, &QFileDialog::fileSelected, this, [request](const QString &target) {
        if (!request)
            return;
        const auto deliver = [request, target] {
            const QString taken = QDir(request->downloadDirectory()).filePath(request->downloadFileName());
            QFile file(taken);
            if (request->state() == QWebEngineDownloadRequest::DownloadCompleted && file.size() <= MaxDownloadBytes
                && file.open(QIODevice::ReadOnly))
                platform::replaceUserFile(QFile::encodeName(target).toStdString(), file.readAll().toStdString());
            QFile::remove(taken);
        };
        if (request->isFinished()) {
            deliver();
            return;
        }
        QObject::connect(request, &QWebEngineDownloadRequest::isFinishedChanged, request, deliver);
        request->resume();
    });
    connect(dialog, &QFileDialog::rejected, this, [this, request] {
        if (request)
            request->cancel();
        m_downloadsRefused = true;
    });
    dialog->open();
}

// A WEB click ends a save dialog still open: the page it came from is gone.
void DeviceWebView::endSaveDialog()
{
    if (m_saveDialog)
        m_saveDialog->reject();
}
