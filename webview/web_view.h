#pragma once

#include <QPointer>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <functional>
#include <memory>

class AllowedHost;
class ClipboardGuard;
class CookieFile;
class PageInput;
class QFileDialog;
class QTemporaryDir;
class QWebEngineDownloadRequest;
class QWebEngineProfile;

// The browser view `webb1` of the WEB page. Its profile keeps nothing on disk
// but its cookies: those, without an expiry date too, are kept in a file in
// the directory given at creation, so the device's pages find them again
// after a restart from the same directory. The page renders in the engine's
// own renderer process, and it reaches the host of the box whose page the
// last WEB click loaded and nothing else: no other host (every connection of
// the engine goes through the program's gate), no desktop program, no file,
// no clipboard, no dialog but a download's save dialog right after the
// user's click in the page.
class DeviceWebView : public QWebEngineView
{
    Q_OBJECT

public:
    DeviceWebView(const QString &cookieDirectory, QWidget *parent);
    // The page goes before the profile it was made with.
    ~DeviceWebView() override;

    // Loads the device's page (a whole "http://" address) in a page of its
    // own: the page before is ended first (its renderer gone, whatever it was
    // doing), and only then may the page reach the new address's host.
    void loadDevicePage(const QString &url);
    QString allowedHost() const;

signals:
    // The renderer process ended with the page in it; a short plain text
    // says how.
    void pageStopped(const QString &how);

private:
    void replacePage();
    void whenRendererGone(qint64 pid, std::function<void()> then);
    void downloadRequested(QWebEngineDownloadRequest *download);
    void endSaveDialog();

    std::shared_ptr<AllowedHost> m_allowed;
    QWebEngineProfile *m_profile;
    CookieFile *m_cookies;
    PageInput *m_input;
    ClipboardGuard *m_clipboard;
    int m_loads = 0; // WEB clicks so far: a wait for an older one is dropped
    // Downloads: one save dialog at a time, none after the user cancelled one
    // until the next WEB click; the file waits in a folder of the program's
    // own until the user has said where it goes.
    QPointer<QFileDialog> m_saveDialog;
    bool m_downloadsRefused = false;
    std::unique_ptr<QTemporaryDir> m_downloads;
};
