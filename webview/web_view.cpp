#include "webview/web_view.h"
#include "webview/cookie_file.h"
#include "webview/device_page.h"

#include <QDir>
#include <QFileDialog>
#include <QWebEngineCookieStore>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

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

} // namespace

DeviceWebView::DeviceWebView(const QString &cookieDirectory, QWidget *parent)
    : QWebEngineView(parent)
    , m_allowed(std::make_shared<AllowedHost>())
    // Off the record: cache, local and session storage and the rest live in
    // memory and end with the run.
    , m_profile(new QWebEngineProfile(static_cast<QObject *>(nullptr)))
    , m_cookies(new CookieFile(
          QDir(cookieDirectory).filePath(QLatin1String(CookieFile::FileName)), m_profile->cookieStore(), this))
{
    m_profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    restrict(m_profile->settings());
    m_profile->setUrlRequestInterceptor(new DeviceRequestFilter(m_allowed, m_profile));
    m_profile->cookieStore()->setCookieFilter(
        [allowed = m_allowed](const QWebEngineCookieStore::FilterRequest &request) {
            return !request.thirdParty && allowed->allows(request.origin, { u"http" });
        });
    // A download the user starts asks where to save it, one at a time; the
    // program never opens what it saved.
    connect(m_profile, &QWebEngineProfile::downloadRequested, this, [this](QWebEngineDownloadRequest *download) {
        if (m_askingWhereToSave) {
            download->cancel();
            return;
        }
        m_askingWhereToSave = true;
        const QString path = QFileDialog::getSaveFileName(
            this, QString(), QDir(download->downloadDirectory()).filePath(download->downloadFileName()));
        m_askingWhereToSave = false;
        if (path.isEmpty()) {
            download->cancel();
            return;
        }
        download->setDownloadDirectory(QFileInfo(path).absolutePath());
        download->setDownloadFileName(QFileInfo(path).fileName());
        download->accept();
    });
    setPage(new DevicePage(m_profile, m_allowed, this));
    connect(page(), &QWebEnginePage::renderProcessTerminated, this,
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
}

DeviceWebView::~DeviceWebView()
{
    delete page();
    delete m_cookies;
    delete m_profile;
}

void DeviceWebView::loadDevicePage(const QString &url)
{
    const QUrl address(url);
    m_allowed->set(address.host());
    load(address);
}

QString DeviceWebView::allowedHost() const
{
    return m_allowed->host();
}
