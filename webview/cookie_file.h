#pragma once

#include <QList>
#include <QNetworkCookie>
#include <QObject>
#include <QString>
#include <QTimer>

class QWebEngineCookieStore;

// The browser's cookie store kept in one file, the only thing of the browser
// that outlives a run. The file's cookies are put into the store at start;
// changes of the store are written back at most once a second and once more
// at the end, so cookies without an expiry date survive a restart from the
// same directory too. The file is this user's alone: a link, a FIFO, a
// directory or another user's file of that name, found at start or put there
// while the program runs, is never read or written, and the cookies are then
// kept for this run only.
class CookieFile : public QObject
{
    Q_OBJECT

public:
    static constexpr const char *FileName = "orvex-cookies";
    // Bounds on what is read back and written: the file is ours, but anything
    // can sit in the current directory, and a page can set cookies in a loop.
    static constexpr qint64 MaxFileBytes = 1024 * 1024;
    static constexpr int MaxCookies = 1000;

    CookieFile(const QString &path, QWebEngineCookieStore *store, QObject *parent = nullptr);
    // Writes what changed since the last write.
    ~CookieFile() override;

    // One cookie a line, in its full raw form; expired ones and a last line
    // cut by the size bound are left out.
    static QList<QNetworkCookie> read(const QString &path);
    // The newest cookies that fit the bounds.
    static bool write(const QString &path, const QList<QNetworkCookie> &cookies);

    // How often the file was written in this run.
    int writes() const { return m_writes; }

private:
    void added(const QNetworkCookie &cookie);
    void removed(const QNetworkCookie &cookie);
    void forget(const QNetworkCookie &cookie);
    void changed();
    void flush();
    bool stillUsable();

    QString m_path;
    bool m_usable = false;
    bool m_refusalSaid = false;
    bool m_dirty = false;
    int m_writes = 0;
    QList<QNetworkCookie> m_cookies; // oldest first
    QTimer m_writeTimer;
};
