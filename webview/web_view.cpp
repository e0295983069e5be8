#include "webview/web_view.h"

#include <QWebEnginePage>
#include <QWebEngineProfile>

DeviceWebView::DeviceWebView(const QString &storageDirectory, QWidget *parent)
    : QWebEngineView(parent)
    , m_profile(new QWebEngineProfile(QStringLiteral("orvex"), nullptr))
{
    m_profile->setPersistentStoragePath(storageDirectory);
    m_profile->setPersistentCookiesPolicy(QWebEngineProfile::ForcePersistentCookies);
    m_profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    setPage(new QWebEnginePage(m_profile, this));
}

DeviceWebView::~DeviceWebView()
{
    delete page();
    delete m_profile;
}

void DeviceWebView::loadDevicePage(const QString &url)
{
    load(QUrl(url));
}
