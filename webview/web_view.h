#pragma once

#include <QWebEngineView>

class QWebEngineProfile;

// The browser view `webb1` of the WEB page. Its profile keeps cookies, those
// without an expiry date too, in the directory given at creation, so the
// device's pages find them again after a restart from the same directory.
class DeviceWebView : public QWebEngineView
{
    Q_OBJECT

public:
    DeviceWebView(const QString &storageDirectory, QWidget *parent);
    // The page goes before the profile it was made with.
    ~DeviceWebView() override;

    // Loads the device's page (a whole "http://" address).
    void loadDevicePage(const QString &url);

private:
    QWebEngineProfile *m_profile;
};
