#include "webview/device_page.h"

#include <QAuthenticator>
#include <QCoreApplication>
#include <QUrl>

void AllowedHost::set(const QString &host)
{
    const QMutexLocker lock(&m_mutex);
    m_host = host;
}

QString AllowedHost::host() const
{
    const QMutexLocker lock(&m_mutex);
    return m_host;
}

bool AllowedHost::allows(const QUrl &url, std::initializer_list<QStringView> schemes) const
{
    const QString scheme = url.scheme();
    if (std::none_of(schemes.begin(), schemes.end(), [&scheme](QStringView s) { return scheme == s; }))
        return false;
    const QMutexLocker lock(&m_mutex);
    return !m_host.isEmpty() && url.host().compare(m_host, Qt::CaseInsensitive) == 0;
}

DevicePage::DevicePage(QWebEngineProfile *profile, std::shared_ptr<const AllowedHost> allowed, QObject *parent)
    : QWebEnginePage(profile, parent)
    , m_allowed(std::move(allowed))
{
    // Nothing the page asks for beyond showing itself is granted, and no
    // question reaches the user: HTTP authentication is cancelled (an empty
    // authenticator), certificate errors and full screen are refused by
    // default, permissions are denied.
    const auto cancel = [](const QUrl &, QAuthenticator *authenticator) { *authenticator = QAuthenticator(); };
    connect(this, &QWebEnginePage::authenticationRequired, this, cancel);
    connect(this, &QWebEnginePage::proxyAuthenticationRequired, this,
        [](const QUrl &, QAuthenticator *authenticator, const QString &) { *authenticator = QAuthenticator(); });
    connect(this, &QWebEnginePage::featurePermissionRequested, this,
        [this](const QUrl &origin, Feature feature) { setFeaturePermission(origin, feature, PermissionDeniedByUser); });
}

bool DevicePage::acceptNavigationRequest(const QUrl &url, NavigationType, bool isMainFrame)
{
    if (m_allowed->allows(url, { u"http" }))
        return true;
    // A frame of the box's own page may start empty.
    return !isMainFrame && (url == QUrl(QStringLiteral("about:blank")) || url == QUrl(QStringLiteral("about:srcdoc")));
}

void DevicePage::javaScriptAlert(const QUrl &, const QString &) { }

bool DevicePage::javaScriptConfirm(const QUrl &, const QString &msg)
{
    // The engine asks its leave-page question through this call: the answer
    // is "leave", so that the page can never veto the program's own reload.
    // The engine's own text in the language it speaks (kept out of this
    // program's catalogs: the engine's translation decides it).
    static const char *const engineContext = "QWebEnginePage";
    static const QString leavePage = QCoreApplication::translate(
        engineContext, "Are you sure you want to leave this page? Changes that you made may not be saved.");
    return msg == leavePage;
}

bool DevicePage::javaScriptPrompt(const QUrl &, const QString &, const QString &, QString *)
{
    return false; // the page's prompt() gives null
}

void DevicePage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString &, int, const QString &) { }

QStringList DevicePage::chooseFiles(FileSelectionMode, const QStringList &, const QStringList &)
{
    return {}; // as if the user had cancelled
}

DeviceRequestFilter::DeviceRequestFilter(std::shared_ptr<const AllowedHost> allowed, QObject *parent)
    : QWebEngineUrlRequestInterceptor(parent)
    , m_allowed(std::move(allowed))
{
}

void DeviceRequestFilter::interceptRequest(QWebEngineUrlRequestInfo &info)
{
    // The program's own loads have no initiator; a page's requests have the
    // origin of the document that made them.
    const QUrl initiator = info.initiator();
    const bool fromTheBox = initiator.isEmpty() || m_allowed->allows(initiator, { u"http" });
    if (!fromTheBox || !m_allowed->allows(info.requestUrl(), { u"http", u"ws" }))
        info.block(true);
}
