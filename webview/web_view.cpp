#include "webview/web_view.h"
#include "webview/cookie_file.h"

#include <QDir>
#include <QWebEngineProfile>

DeviceWebView::DeviceWebView(const QString &cookieDirectory, QWidget *parent)
    : QWebEngineView(parent)
    // Off the record: cache, local and session storage and the rest live in
    // memory and end with the run.
    , m_profile(new QWebEngineProfile(static_cast<QObject *>(nullptr)))
    , m_cookies(new CookieFile(
          QDir(cookieDirectory).filePath(QLatin1String(CookieFile::FileName)), m_profile->cookieStore(), this))
{
    m_profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    setPage(new QWebEnginePage(m_profile, this));
    connect(page(), &QWebEnginePage::renderProcessTerminated, this,
        [this](QWebEnginePage::RenderProcessTerminationStatus status, int) {
            switch (status) {
            case QWebEnginePage::NormalTerminationStatus:
                return;
            case QWebEnginePage::KilledTerminationStatus:
                emit pageStopped(QStringLiteral("its renderer was killed"));
                return;
            case QWebEnginePage::CrashedTerminationStatus:
                emit pageStopped(QStringLiteral("its renderer crashed"));
                return;
            case QWebEnginePage::AbnormalTerminationStatus:
                emit pageStopped(QStringLiteral("its renderer ended"));
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
    load(QUrl(url));
}
