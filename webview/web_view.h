#pragma once

#include <QWebEnginePage>
#include <QWebEngineView>

#include <memory>

class AllowedHost;
class CookieFile;
class QWebEngineProfile;

// The browser view `webb1` of the WEB page. Its profile keeps nothing on disk
// but its cookies: those, without an expiry date too, are kept in a file in
// the directory given at creation, so the device's pages find them again
// after a restart from the same directory. The page renders in the engine's
// own renderer process, and it reaches the host of the box whose page the
// last WEB click loaded and nothing else: no other host, no desktop program,
// no dialog, no file.
class DeviceWebView : public QWebEngineView
{
    Q_OBJECT

public:
    DeviceWebView(const QString &cookieDirectory, QWidget *parent);
    // The page goes before the profile it was made with.
    ~DeviceWebView() override;

    // Loads the device's page (a whole "http://" address); from now on the
    // page may reach that address's host alone.
    void loadDevicePage(const QString &url);
    QString allowedHost() const;

signals:
    // The renderer process ended with the page in it; a short plain text
    // says how.
    void pageStopped(const QString &how);

private:
    std::shared_ptr<AllowedHost> m_allowed;
    QWebEngineProfile *m_profile;
    CookieFile *m_cookies;
    bool m_askingWhereToSave = false;
};
