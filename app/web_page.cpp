#include "app/web_page.h"
#include "app/widgets.h"
#include "webview/web_view.h"

#include <QLabel>
#include <QStackedLayout>

WebPage::WebPage(bool withBrowser, const QString &cookieDirectory, QWidget *parent)
    : QWidget(parent)
    , m_withBrowser(withBrowser)
    , m_cookieDirectory(cookieDirectory)
    , m_pages(new QStackedLayout(this))
    , m_message(plainLabel(QStringLiteral("webmsg"), QString()))
{
    setObjectName(QStringLiteral("web_i"));
    m_pages->setContentsMargins(0, 0, 0, 0);
    m_message->setAlignment(Qt::AlignCenter);
    m_message->setWordWrap(true);
    m_pages->addWidget(m_message);
}

void WebPage::loadDevicePage(const QString &url)
{
    if (!m_withBrowser)
        return;
    if (!m_view) {
        m_view = new DeviceWebView(m_cookieDirectory, this);
        m_view->setObjectName(QStringLiteral("webb1"));
        m_pages->addWidget(m_view);
        connect(m_view, &DeviceWebView::pageStopped, this, &WebPage::showStopped);
    }
    m_pages->setCurrentWidget(m_view);
    m_view->loadDevicePage(url);
}

void WebPage::release()
{
    delete m_view;
    m_view = nullptr;
}

void WebPage::showStopped(const QString &how)
{
    m_message->setText(tr("The device's page stopped: %1. Click WEB to load it again.").arg(how));
    m_pages->setCurrentWidget(m_message);
}
