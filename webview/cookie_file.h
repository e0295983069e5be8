#pragma once

#include <QList>
#include <QNetworkCookie>
#include <QObject>
#include <QString>

class QWebEngineCookieStore;

// The browser's cookie store kept in one file, the only thing of the browser
// that outlives a run. The file's cookies are put into the store at start,
// and every change of the store is written back at once, so cookies without
// an expiry date survive a restart from the same directory too.
class CookieFile : public QObject
{
    Q_OBJECT

public:
    static constexpr const char *FileName = "orvex-cookies";
    // Bounds on what is read back: the file is ours, but anything can sit in
    // the current directory.
    static constexpr qint64 MaxFileBytes = 1024 * 1024;
    static constexpr int MaxCookies = 1000;

    CookieFile(const QString &path, QWebEngineCookieStore *store, QObject *parent = nullptr);

    // One cookie a line, in its full raw form; expired ones are left out.
    static QList<QNetworkCookie> read(const QString &path);
    static bool write(const QString &path, const QList<QNetworkCookie> &cookies);

private:
    void added(const QNetworkCookie &cookie);
    void removed(const QNetworkCookie &cookie);
    void forget(const QNetworkCookie &cookie);

    QString m_path;
    QList<QNetworkCookie> m_cookies;
};
