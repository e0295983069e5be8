#pragma once

#include <QMutex>
#include <QString>
#include <QWebEnginePage>
#include <QWebEngineUrlRequestInterceptor>

#include <memory>

class QUrl;

// The one host that the device's page may reach: the host of the page that
// the last WEB click loaded. Read from the engine's own threads too.
class AllowedHost
{
public:
    void set(const QString &host);
    QString host() const;
    // An address on that host (any port) with one of the given schemes.
    bool allows(const QUrl &url, std::initializer_list<QStringView> schemes) const;

private:
    mutable QMutex m_mutex;
    QString m_host;
};

// The device's page, kept inside its box: it loads only "http" addresses on the
// box's host, hands nothing to the desktop, opens no dialog and prints nothing.
// It chooses no file either: Qt WebEngine 6.4 asks for one with a call that
// must return the choice, which a dialog could give only in an event loop of
// its own.
class DevicePage : public QWebEnginePage
{
    Q_OBJECT

public:
    DevicePage(QWebEngineProfile *profile, std::shared_ptr<const AllowedHost> allowed, QObject *parent);

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;
    void javaScriptAlert(const QUrl &securityOrigin, const QString &msg) override;
    bool javaScriptConfirm(const QUrl &securityOrigin, const QString &msg) override;
    bool javaScriptPrompt(
        const QUrl &securityOrigin, const QString &msg, const QString &defaultValue, QString *result) override;
    void javaScriptConsoleMessage(
        JavaScriptConsoleMessageLevel level, const QString &message, int lineNumber, const QString &sourceID) override;
    QStringList chooseFiles(
        FileSelectionMode mode, const QStringList &oldFiles, const QStringList &acceptedMimeTypes) override;

private:
    std::shared_ptr<const AllowedHost> m_allowed;
};

// Every request of the page (images, scripts, frames, fetch, WebSocket) goes to
// the box's host or nowhere, and only when a document of that host sent it:
// a page of another box that is still going cannot reach this one.
class DeviceRequestFilter : public QWebEngineUrlRequestInterceptor
{
    Q_OBJECT

public:
    DeviceRequestFilter(std::shared_ptr<const AllowedHost> allowed, QObject *parent);
    void interceptRequest(QWebEngineUrlRequestInfo &info) override;

private:
    std::shared_ptr<const AllowedHost> m_allowed;
};
