#include "webview/cookie_file.h"

#include <QDateTime>
#include <QFile>
#include <QSaveFile>
#include <QUrl>
#include <QWebEngineCookieStore>

namespace {

// The address a cookie belongs to, as the store wants it to accept the cookie.
QUrl originOf(const QNetworkCookie &cookie)
{
    QString host = cookie.domain();
    if (host.startsWith(u'.'))
        host.remove(0, 1);
    QUrl origin;
    origin.setScheme(cookie.isSecure() ? QStringLiteral("https") : QStringLiteral("http"));
    origin.setHost(host);
    origin.setPath(cookie.path().isEmpty() ? QStringLiteral("/") : cookie.path());
    return origin;
}

} // namespace

CookieFile::CookieFile(const QString &path, QWebEngineCookieStore *store, QObject *parent)
    : QObject(parent)
    , m_path(path)
{
    connect(store, &QWebEngineCookieStore::cookieAdded, this, &CookieFile::added);
    connect(store, &QWebEngineCookieStore::cookieRemoved, this, &CookieFile::removed);
    for (const QNetworkCookie &cookie : read(path))
        store->setCookie(cookie, originOf(cookie));
}

QList<QNetworkCookie> CookieFile::read(const QString &path)
{
    QList<QNetworkCookie> cookies;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return cookies;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (const QByteArray &line : file.read(MaxFileBytes).split('\n')) {
        for (const QNetworkCookie &cookie : QNetworkCookie::parseCookies(line)) {
            if (cookie.expirationDate().isValid() && cookie.expirationDate() < now)
                continue;
            if (cookies.size() < MaxCookies)
                cookies.append(cookie);
        }
    }
    return cookies;
}

bool CookieFile::write(const QString &path, const QList<QNetworkCookie> &cookies)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    for (const QNetworkCookie &cookie : cookies)
        file.write(cookie.toRawForm(QNetworkCookie::Full) + '\n');
    return file.commit();
}

void CookieFile::added(const QNetworkCookie &cookie)
{
    forget(cookie);
    m_cookies.append(cookie);
    write(m_path, m_cookies);
}

void CookieFile::removed(const QNetworkCookie &cookie)
{
    forget(cookie);
    write(m_path, m_cookies);
}

void CookieFile::forget(const QNetworkCookie &cookie)
{
    m_cookies.removeIf([&cookie](const QNetworkCookie &kept) { return kept.hasSameIdentifier(cookie); });
}
