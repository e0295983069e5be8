#pragma once

#include <QString>
#include <QWidget>

class DeviceWebView;
class QLabel;
class QStackedLayout;

// The WEB page `web_i`: the box's own page in the browser view `webb1`, or a
// short plain message in `webmsg` when the view's renderer has ended. The
// browser engine and its renderer start with the first page loaded, not with
// the window; its cookies live in the directory given at creation.
class WebPage : public QWidget
{
    Q_OBJECT

public:
    WebPage(bool withBrowser, const QString &cookieDirectory, QWidget *parent = nullptr);

    // Shows the view and loads the address into it, making the view the first
    // time. Nothing without a browser (tests without a display engine).
    void loadDevicePage(const QString &url);
    // Lets the view and its engine browser go; the page stays empty.
    void release();

private:
    void showStopped(const QString &how);

    bool m_withBrowser;
    QString m_cookieDirectory;
    QStackedLayout *m_pages;
    QLabel *m_message;
    DeviceWebView *m_view = nullptr;
};
