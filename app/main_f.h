#pragma once

#include "app/media_player.h"
#include "app/rule_timer.h"
#include "control/stations.h"
#include "discovery/device_row.h"
#include "session/device_session.h"
#include "session/selected_box.h"

#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class Banner;
class ErrorBoxes;
class MediaActions;
class PageLock;
class DeviceList;
class PageTabs;
class QCheckBox;
class QLabel;
class QPushButton;
class StationCombo;
class VolumeSlider;
class WebPage;

// The program's one window: header banner, the five pages and the status bar,
// with the handlers that drive the selected Orvex device.
class Tmain : public QWidget
{
    Q_OBJECT

public:
    struct Options
    {
        bool webView = true; // tests without a display engine leave the WEB page empty
    };

    // Window creation; throws when the browser engine cannot be started.
    explicit Tmain(QWidget *parent = nullptr);
    Tmain(const Options &options, QWidget *parent = nullptr);
    ~Tmain() override;

    // Banner.
    void ShowNotice(const QString &text, int ms);
    void ShowStickyNotice(const QString &text);
    QRgb bannerColor() const;

    // Read access for the tests and the demo.
    const QList<DeviceRow> &devices() const { return m_session->devices(); }
    QStringList deviceIPs() const;
    QStringList devicePorts() const;
    const StationList &stations() const { return m_selected.stations(); }
    int lastRadioIndex() const { return m_selected.LastRadioIndex; }
    int lastDlnaIndex() const { return m_selected.LastDlnaIndex; }
    RuleTimer &searchTimer() { return searchtim; }
    RuleTimer &bannerTimer();
    // An action runs beside the window (the pages take no input meanwhile).
    bool busy() const;
    // The selected box as the desktop's media player.
    MediaPlayer &mediaPlayer() { return *m_player; }

    static QString Title();
    static QString NoDevicesNotice();
    static QString NoNetworkMessage();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildWindow();
    QWidget *buildOrvexPage();
    QWidget *buildDlnaPage();
    QWidget *buildSetPage();
    QWidget *buildAdvPage();
    void connectHandlers();
    template <typename Handler> void handle(Handler handler);
    void showError(const QString &message);
    void errorBoxesOpen(bool open);
    DeviceSession::Ended whenEnded(std::function<void()> afterFailure = {}, std::function<void()> afterEnd = {});
    void connectSession();
    void connectMediaPlayer();
    void cancelAction();
    void setPagesEnabled(bool enabled);

    // Start-up and end.
    void FormCreate();
    void FormShow();
    void fitFrame();
    void startupTimer();
    QString GetGatewayIP();
    void FormClose();
    void terminateApplication();
    void raiseWindow();

    // Banner timer.
    void mtimerTimer();

    // Discovery.
    void SearchDevices();
    void AddDeviceFromResponse(const DeviceRow &row);
    void announcedDevice(const DeviceRow &row);
    void deviceLeaving(const QString &location);
    void showSkipNotice();

    // Command channel.
    bool noDeviceGuard(int ms);
    const DeviceRow &selectedDevice() const;
    QString selectedIP() const;
    Box selectedBox() const;
    QString streamAddress(int row) const;
    int shownRow() const;
    bool pagesLoaded() const;
    QString statusLine() const;
    void regainPages();

    // Refresh.
    void dlistItemClick();
    void searchtimTimer();

    // ORVEX page.
    void Button4Click();
    void Button5Click();
    void airvolChange();
    void webradioChange();
    void webradioClosePopup();

    // DLNA page and DLNA volume.
    void startdlnaClick();
    void stopdlnaClick();
    void dladrChange();
    void dladrClosePopup();
    void cbdlnaChange();
    void dlnavolChange();

    // ADV page.
    void Button6Click();
    void Button7Click();
    void Button9Click();
    void exit_bClick();

    // WEB page.
    void web_iClick();
    void openWebPage();

    Options m_options;
    bool m_shownOnce = false;
    int m_frameChecks = 0;
    bool m_guardTripped = false;
    // The device work, on a worker thread of its own; it goes first when the
    // window does, or when window creation fails.
    std::unique_ptr<DeviceSession> m_session;
    // The box the pages describe and what is known of it.
    SelectedBox m_selected;
    PageLock *m_pageLock = nullptr; // the pages take input when no action runs
    ErrorBoxes *m_errorBoxes = nullptr;
    std::vector<std::function<void()>> m_waiting; // handlers held while an error box is open
    // What the last search skipped, shown once the refresh after it is done.
    QString m_skipNotice;
    std::unique_ptr<MediaActions> m_media;
    MediaPlayer *m_player = nullptr;

    Banner *infolab = nullptr;
    QWidget *busyRow = nullptr; // a thin progress line and "Cancel" under the banner
    QLabel *cancelLink = nullptr;
    QLabel *stat = nullptr;
    PageTabs *TabControl1 = nullptr;
    QWidget *orvexPage = nullptr;
    QWidget *dln = nullptr;
    QWidget *sett = nullptr;
    QWidget *adv = nullptr;
    WebPage *web_i = nullptr;
    QPushButton *Button4 = nullptr;
    QPushButton *Button5 = nullptr;
    QLabel *vollab = nullptr;
    VolumeSlider *airvol = nullptr;
    StationCombo *webradio = nullptr;
    QPushButton *startdlna = nullptr;
    QPushButton *stopdlna = nullptr;
    StationCombo *dladr = nullptr;
    QLabel *rout_ip = nullptr;
    DeviceList *dlist = nullptr;
    QPushButton *Button6 = nullptr;
    QPushButton *Button7 = nullptr;
    QCheckBox *cbdlna = nullptr;
    QWidget *Panel6 = nullptr;
    QLabel *voldlna = nullptr;
    VolumeSlider *dlnavol = nullptr;
    QPushButton *Button9 = nullptr;
    QPushButton *exit_b = nullptr;

    RuleTimer startup;
    RuleTimer searchtim;

    QString DevicePrefix;
};
