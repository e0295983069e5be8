#include "webview/cookie_file.h"
#include "platform/user_file.h"

#include <QDateTime>
#include <QFile>
#include <QUrl>
#include <QWebEngineCookieStore>

#include <cstdio>
#include <utility>

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

std::string nativePath(const QString &path)
{
    return QFile::encodeName(path).toStdString();
}

} // namespace

CookieFile::CookieFile(const QString &path, QWebEngineCookieStore *store, QObject *parent)
    : QObject(parent)
    , m_path(path)
{
    m_usable = stillUsable();
    // Loaded before the store is watched: putting them in changes nothing to write.
    if (m_usable) {
        m_cookies = read(path);
        for (const QNetworkCookie &cookie : std::as_const(m_cookies))
            store->setCookie(cookie, originOf(cookie));
    }
    m_writeTimer.setSingleShot(true);
    m_writeTimer.setInterval(1000);
    connect(&m_writeTimer, &QTimer::timeout, this, &CookieFile::flush);
    connect(store, &QWebEngineCookieStore::cookieAdded, this, &CookieFile::added);
    connect(store, &QWebEngineCookieStore::cookieRemoved, this, &CookieFile::removed);
}

CookieFile::~CookieFile()
{
    flush();
}

QList<QNetworkCookie> CookieFile::read(const QString &path)
{
    QList<QNetworkCookie> cookies;
    bool cut = false;
    const auto bytes = platform::readUserFile(nativePath(path), std::size_t(MaxFileBytes), &cut);
    if (!bytes)
        return cookies;
    QByteArray text = QByteArray::fromStdString(*bytes);
    // A line cut by the bound would be a cookie other than the one written.
    if (cut)
        text.truncate(text.lastIndexOf('\n') + 1);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (const QByteArray &line : text.split('\n')) {
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
    QList<QByteArray> lines;
    qint64 bytes = 0;
    for (auto cookie = cookies.crbegin(); cookie != cookies.crend() && lines.size() < MaxCookies; ++cookie) {
        const QByteArray line = cookie->toRawForm(QNetworkCookie::Full) + '\n';
        if (bytes + line.size() > MaxFileBytes)
            break;
        bytes += line.size();
        lines.prepend(line);
    }
    return platform::replaceUserFile(nativePath(path), lines.join().toStdString());
}

void CookieFile::added(const QNetworkCookie &cookie)
{
    forget(cookie);
    m_cookies.append(cookie);
    // The oldest go first: a page that sets cookies in a loop keeps the
    // newest, and memory stays flat.
    if (m_cookies.size() > MaxCookies)
        m_cookies.remove(0, m_cookies.size() - MaxCookies);
    changed();
}

void CookieFile::removed(const QNetworkCookie &cookie)
{
    forget(cookie);
    changed();
}

void CookieFile::forget(const QNetworkCookie &cookie)
{
    m_cookies.removeIf([&cookie](const QNetworkCookie &kept) { return kept.hasSameIdentifier(cookie); });
}

void CookieFile::changed()
{
    m_dirty = true;
    if (!m_writeTimer.isActive())
        m_writeTimer.start();
}

// The file is looked at again before each write: a link or another file put
// in its place while the program runs is left alone, as one found at start.
bool CookieFile::stillUsable()
{
    if (platform::userFileState(nativePath(m_path)) != platform::UserFileState::Refused)
        return true;
    if (!std::exchange(m_refusalSaid, true))
        std::fprintf(stderr, "orvex-manager: %s\n",
            qPrintable(tr("%1 is not a regular file of this user; the device page's cookies are kept for this run "
                          "only.")
                           .arg(m_path)));
    return false;
}

void CookieFile::flush()
{
    m_writeTimer.stop();
    if (!m_dirty || !m_usable)
        return;
    m_usable = stillUsable();
    if (!m_usable)
        return;
    m_dirty = false;
    ++m_writes;
    write(m_path, m_cookies);
}
