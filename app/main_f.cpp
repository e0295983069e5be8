#include "app/main_f.h"
#include "app/accessibility.h"
#include "app/banner.h"
#include "app/device_list.h"
#include "app/error_box.h"
#include "app/media_actions.h"
#include "app/page_lock.h"
#include "app/page_tabs.h"
#include "app/station_combo.h"
#include "app/volume_slider.h"
#include "app/web_page.h"
#include "base/device_text.h"
#include "control/endpoints.h"
#include "control/volume.h"
#include "platform/netinfo.h"
#include "platform/wifi_name.h"
#include "webview/web_engine.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTabBar>
#include <QTimer>
#include <QWindow>

#include <functional>

QString Tmain::Title()
{
    return tr("Orvex - DLNA Manager 1.0");
}

QString Tmain::NoDevicesNotice()
{
    return tr("No devices found. Please Re-scan");
}

QString Tmain::NoNetworkMessage()
{
    return tr("Δεν βρέθηκε σύνδεση δικτύου! Η εφαρμογή θα τερματισθεί.Ανοίξτε πρώτα το WI-FI και εκκινήστε πάλι "
              "την εφαρμογή.");
}

namespace {

// Where a 600 by 700 window starts when it is centred on the screen's desktop.
QPoint centredOrigin(const QScreen *screen)
{
    const QRect area = screen->availableGeometry();
    return { area.x() + (area.width() - 600) / 2, area.y() + (area.height() - 700) / 2 };
}

} // namespace

Tmain::Tmain(QWidget *parent)
    : Tmain(Options {}, parent)
{
}

Tmain::Tmain(const Options &options, QWidget *parent)
    : QWidget(parent)
    , m_options(options)
    , m_session(std::make_unique<DeviceSession>())
{
    FormCreate();
}

// The action under way ends first, while everything its results go to still stands.
Tmain::~Tmain()
{
    m_session.reset();
}

// Every handler runs inside the failure boundary. While an error box is open
// no handler starts: those that come (a timer) run once it has closed.
template <typename Handler> void Tmain::handle(Handler handler)
{
    if (m_errorBoxes->isOpen()) {
        m_waiting.push_back([this, handler] { handle(handler); });
        return;
    }
    try {
        if constexpr (std::is_member_function_pointer_v<Handler>)
            (this->*handler)();
        else
            handler();
    } catch (...) {
        showError(withFullStop(failureMessage(std::current_exception())));
    }
}

// The error box, modal to the window, opened without waiting for it; a later
// one waits behind it.
void Tmain::showError(const QString &message)
{
    m_errorBoxes->show(message);
}

// While an error box is open no action starts; once the last one has closed,
// what waited runs.
void Tmain::errorBoxesOpen(bool open)
{
    m_session->hold(open);
    if (open)
        return;
    for (auto waiting = std::exchange(m_waiting, {}); const auto &run : waiting)
        run();
}

// What the window does when a session action has ended: a failure's message,
// with the box it came from, is shown and `afterFailure` runs; a cancelled
// action gives the pages back as a failed refresh does. `afterEnd` runs in
// every case, last.
DeviceSession::Ended Tmain::whenEnded(std::function<void()> afterFailure, std::function<void()> afterEnd)
{
    return [this, afterFailure, afterEnd](const JobResult &result) {
        if (result.cancelled) {
            regainPages();
            ShowNotice(tr("Cancelled"), 3000);
        } else if (!result.failure.isEmpty()) {
            QString message = withFullStop(result.failure);
            if (!result.box.address.isEmpty())
                message += u'\n' + tr("Box: %1 (%2)").arg(quoted(result.box.name), result.box.address);
            showError(message);
            if (afterFailure)
                afterFailure();
        }
        if (afterEnd)
            afterEnd();
    };
}

bool Tmain::busy() const
{
    return m_pageLock->busy();
}

void Tmain::setPagesEnabled(bool enabled)
{
    m_pageLock->setPagesEnabled(enabled);
}

void Tmain::cancelAction()
{
    m_session->cancel();
}

void Tmain::connectHandlers()
{
    connect(m_errorBoxes, &ErrorBoxes::openChanged, this, &Tmain::errorBoxesOpen);
    connect(m_session.get(), &DeviceSession::busyChanged, m_pageLock, &PageLock::setBusy);
    connect(m_session.get(), &DeviceSession::notice, this,
        [this](const QString &line, int ms) { ShowNotice(quoted(line), ms); });
    connectSession();
    connectMediaPlayer();
    connect(cancelLink, &QLabel::linkActivated, this, &Tmain::cancelAction);
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &Tmain::cancelAction);

    connect(&startup, &RuleTimer::timeout, this, [this] { handle(&Tmain::startupTimer); });
    connect(&searchtim, &RuleTimer::timeout, this, [this] { handle(&Tmain::searchtimTimer); });
    connect(&bannerTimer(), &RuleTimer::timeout, this, [this] { handle(&Tmain::mtimerTimer); });

    connect(dlist, &QListWidget::itemClicked, this, [this] { handle(&Tmain::dlistItemClick); });
    connect(dlist, &DeviceList::rowChosen, this, [this] { handle(&Tmain::dlistItemClick); });

    connect(Button4, &QPushButton::clicked, this, [this] { handle(&Tmain::Button4Click); });
    connect(Button5, &QPushButton::clicked, this, [this] { handle(&Tmain::Button5Click); });
    connect(airvol, &VolumeSlider::changed, this, [this] { handle(&Tmain::airvolChange); });
    connect(webradio, &StationCombo::changed, this, [this] { handle(&Tmain::webradioChange); });
    // The choice is acted on once the list has closed, not inside its hiding.
    connect(
        webradio, &StationCombo::popupClosed, this, [this] { handle(&Tmain::webradioClosePopup); },
        Qt::QueuedConnection);

    connect(startdlna, &QPushButton::clicked, this, [this] { handle(&Tmain::startdlnaClick); });
    connect(stopdlna, &QPushButton::clicked, this, [this] { handle(&Tmain::stopdlnaClick); });
    connect(dladr, &StationCombo::changed, this, [this] { handle(&Tmain::dladrChange); });
    connect(
        dladr, &StationCombo::popupClosed, this, [this] { handle(&Tmain::dladrClosePopup); }, Qt::QueuedConnection);
    connect(cbdlna, &QCheckBox::stateChanged, this, [this] { handle(&Tmain::cbdlnaChange); });
    connect(dlnavol, &VolumeSlider::changed, this, [this] { handle(&Tmain::dlnavolChange); });

    connect(Button6, &QPushButton::clicked, this, [this] { handle(&Tmain::Button6Click); });
    connect(Button7, &QPushButton::clicked, this, [this] { handle(&Tmain::Button7Click); });
    connect(Button9, &QPushButton::clicked, this, [this] { handle(&Tmain::Button9Click); });
    connect(exit_b, &QPushButton::clicked, this, [this] { handle(&Tmain::exit_bClick); });

    // WEB loads the box's page however it is reached: a click on its tab,
    // Ctrl+Tab or the arrows on the tab bar. A click on WEB while it is shown
    // changes no page and loads it again.
    connect(TabControl1, &QTabWidget::currentChanged, this, [this] {
        if (TabControl1->currentWidget() == web_i)
            openWebPage();
    });
    connect(TabControl1->tabBar(), &QTabBar::tabBarClicked, this, [this](int index) {
        if (TabControl1->widget(index) == web_i && TabControl1->currentWidget() == web_i)
            openWebPage();
    });
}

// ---------------------------------------------------------------- start-up and end

void Tmain::FormCreate()
{
    installAccessibility();
    buildWindow();
    // At the first time, the device list on the SET page, else the page tabs.
    m_pageLock = new PageLock(this, TabControl1, busyRow, [this] {
        if (TabControl1->currentWidget() == sett)
            dlist->setFocus();
        else
            TabControl1->tabBar()->setFocus();
    });
    m_errorBoxes = new ErrorBoxes(this);
    m_media = std::make_unique<MediaActions>(*m_session, m_selected,
        MediaActions::Window {
            [this] { return pagesLoaded(); },
            [this] { return whenEnded(); },
            [this] { raiseWindow(); },
            [this] { exit_bClick(); },
        });
    m_player = new MediaPlayer(*m_media, this);
    TabControl1->setCurrentWidget(sett);
    setPagesEnabled(false);
    // The engine itself starts at the first WEB click; a missing engine still
    // ends window creation.
    if (m_options.webView)
        checkWebEngineInstalled();
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
        | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(600, 700);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(centredOrigin(screen));
    connectHandlers();
}

void Tmain::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    fitFrame();
    FormShow();
}

// The outer size, frame included, is 600 by 700, centred on the desktop. On
// X11 the window manager tells the frame's size only some time after the
// first show, so the size is set once the frame is known.
void Tmain::fitFrame()
{
    const QWindow *window = windowHandle();
    const QMargins frame = window ? window->frameMargins() : QMargins();
    if (frame.isNull()) {
        if (++m_frameChecks < 50) // a second; no frame at all without a window manager
            QTimer::singleShot(20, this, &Tmain::fitFrame);
        return;
    }
    setFixedSize(600 - frame.left() - frame.right(), 700 - frame.top() - frame.bottom());
    if (const QScreen *screen = window->screen())
        windowHandle()->setFramePosition(centredOrigin(screen));
}

void Tmain::FormShow()
{
    startup.setEnabled(true);
    ShowNotice(tr("Please wait. Application loading..."), 3000);
}

void Tmain::startupTimer()
{
    startup.setEnabled(false);
    const QString gateway = GetGatewayIP();
    if (gateway.isEmpty()) {
        m_errorBoxes->show(NoNetworkMessage(), [this] { terminateApplication(); });
        return;
    }
    DevicePrefix = tr("Device: ");
    stat->setText(DevicePrefix);
    // The system bus is asked beside the search: a bus that does not answer
    // costs a second at most, and the name "unknown".
    platform::readWifiName(this, std::chrono::milliseconds(1000), [this, gateway](const platform::WifiName &wifi) {
        const QString ssid = wifi.state == platform::WifiName::State::Named ? QString::fromStdString(wifi.ssid)
            : wifi.state == platform::WifiName::State::NotWireless          ? tr("none")
                                                                            : tr("unknown");
        rout_ip->setText(tr("%1 - SSID: %2").arg(gateway, ssid));
    });
    SearchDevices();
    m_session->listenForAnnouncements();
}

QString Tmain::GetGatewayIP()
{
    return QString::fromLocal8Bit(platform::defaultGateway()).left(16);
}

void Tmain::closeEvent(QCloseEvent *event)
{
    FormClose();
    event->accept();
}

void Tmain::FormClose()
{
    m_session->cancel();
    m_session->clearDevices();
    m_selected.showNone();
    web_i->release();
    terminateApplication();
}

void Tmain::terminateApplication()
{
    startup.halt();
    searchtim.halt();
    bannerTimer().halt();
    QCoreApplication::quit();
}

// ---------------------------------------------------------------- banner

void Tmain::ShowNotice(const QString &text, int ms)
{
    infolab->showNotice(text, ms);
}

void Tmain::ShowStickyNotice(const QString &text)
{
    infolab->showStickyNotice(text);
}

QRgb Tmain::bannerColor() const
{
    return infolab->color();
}

RuleTimer &Tmain::bannerTimer()
{
    return infolab->timer();
}

void Tmain::mtimerTimer()
{
    infolab->showTitle();
}

// ---------------------------------------------------------------- discovery

// The search runs beside the window; each box is listed as its description
// comes in. The list's first row is chosen and the refresh armed once the
// search has ended, whether or not it failed.
void Tmain::SearchDevices()
{
    dlist->removeRows();
    m_selected.showNone();
    m_session->search(whenEnded([this] {
        dlist->selectRow(0);
        regainPages();
    }));
}

// The refresh's own notices would replace the search's skip notice at once,
// so it comes after them, with a count of its own.
void Tmain::showSkipNotice()
{
    if (m_skipNotice.isEmpty())
        return;
    bannerTimer().setEnabled(false);
    ShowNotice(std::exchange(m_skipNotice, QString()), 3000);
}

// A row of the device table that the search has read: listed by its name.
void Tmain::AddDeviceFromResponse(const DeviceRow &row)
{
    dlist->addItem(row.name);
}

// A box that answered the search late or announced itself: listed, and said
// in the banner. When the search found nothing, the first one to come is
// chosen and its pages loaded, as a search's first row is.
void Tmain::announcedDevice(const DeviceRow &row)
{
    ShowNotice(tr("Found %1").arg(quoted(row.name)), 3000);
    if (dlist->count() != 1 || dlist->currentRow() >= 0 || m_selected.shown())
        return;
    dlist->selectRow(0);
    dlistItemClick();
    TabControl1->setCurrentWidget(sett);
}

// A box that says goodbye leaves the list, unless it is the one in use: its
// failure shows at the next action. The selection stays on the same box.
void Tmain::deviceLeaving(const QString &location)
{
    const auto &rows = devices();
    const auto at = std::find_if(
        rows.cbegin(), rows.cend(), [&location](const DeviceRow &row) { return row.location == location; });
    if (at == rows.cend())
        return;
    const int row = int(at - rows.cbegin());
    if (row == dlist->currentRow() || m_selected.isShown(*at))
        return;
    m_session->removeDevice(location);
    dlist->removeRow(row);
}

// What the session's actions found, shown in the pages.
void Tmain::connectSession()
{
    DeviceSession *session = m_session.get();
    connect(session, &DeviceSession::deviceFound, this, &Tmain::AddDeviceFromResponse);
    connect(session, &DeviceSession::deviceAnnounced, this, &Tmain::announcedDevice);
    connect(session, &DeviceSession::deviceLeaving, this, &Tmain::deviceLeaving);
    connect(session, &DeviceSession::searched, this, [this](const SearchReport &report) {
        dlist->selectRow(0);
        searchtim.setEnabled(true);
        TabControl1->setCurrentWidget(sett);
        if (report.skipped > 0)
            m_skipNotice = tr("Skipped %1 responder(s): %2").arg(report.skipped).arg(report.firstSkipMessage);
    });
    connect(session, &DeviceSession::stationsRead, this,
        [this](const DeviceRow &row, const std::shared_ptr<StationList> &stations) {
            m_selected.show(row, std::move(*stations));
            QStringList rows = m_selected.stations().texts();
            rows.prepend(tr("Please select station"));
            webradio->setRows(rows);
            dladr->setRows(rows);
            stat->setText(statusLine());
        });
    connect(session, &DeviceSession::volumeSent, this, [this](DeviceSession::Volume which, double value) {
        if (which == DeviceSession::Volume::System) {
            m_selected.systemVolume = value;
            airvol->setRealValueQuietly(value);
            vollab->setText(tr("System volume: %1").arg(volumeText(value)));
        } else {
            dlnavol->setRealValueQuietly(value);
            voldlna->setText(tr("DLNA volume: %1").arg(volumeText(value)));
        }
    });
    connect(session, &DeviceSession::orvexRowRead, this, [this](int row) {
        webradio->setRow(row); // runs webradioChange while LastRadioIndex still holds the earlier row
        m_selected.LastRadioIndex = row;
    });
    connect(session, &DeviceSession::dlnaRowRead, this, [this](int row) {
        dladr->setRow(row);
        m_selected.LastDlnaIndex = row;
        TabControl1->setCurrentWidget(sett);
        setPagesEnabled(true);
    });
    connect(session, &DeviceSession::radioStationChosen, this, [this](int row) {
        m_selected.LastRadioIndex = row;
        webradio->setRow(row); // the media keys choose without the list
    });
    connect(session, &DeviceSession::dlnaStreamChosen, this, [this](int row) { m_selected.LastDlnaIndex = row; });
    connect(session, &DeviceSession::dlnaStopped, this, [this] { stat->setText(statusLine()); });

    connect(session, &DeviceSession::orvexStarted, this, [this] { m_selected.playing = SelectedBox::Playing::Orvex; });
    connect(session, &DeviceSession::dlnaStarted, this, [this] { m_selected.playing = SelectedBox::Playing::Dlna; });
    for (auto stopped : { &DeviceSession::orvexStopped, &DeviceSession::dlnaStopped })
        connect(session, stopped, this, [this] { m_selected.playing = SelectedBox::Playing::Nothing; });
}

// The media player looks at the box again after each change it shows.
void Tmain::connectMediaPlayer()
{
    DeviceSession *session = m_session.get();
    for (auto changed : { &DeviceSession::orvexStarted, &DeviceSession::orvexStopped, &DeviceSession::dlnaStarted,
             &DeviceSession::dlnaStopped })
        connect(session, changed, m_player, &MediaPlayer::stateChanged);
    connect(session, &DeviceSession::orvexRowRead, m_player, &MediaPlayer::stateChanged);
    connect(session, &DeviceSession::radioStationChosen, m_player, &MediaPlayer::stateChanged);
    connect(session, &DeviceSession::stationsRead, m_player, &MediaPlayer::stateChanged);
    connect(session, &DeviceSession::volumeSent, m_player, &MediaPlayer::stateChanged);
    connect(dlist, &QListWidget::currentRowChanged, m_player, &MediaPlayer::stateChanged);
    connect(m_pageLock, &PageLock::pagesEnabledChanged, m_player, &MediaPlayer::stateChanged);
    m_player->publish();
}

// ---------------------------------------------------------------- command channel

// With rows but none selected (after a failed refresh, when the pages
// describe no box) the guard trips too: a command must name its box.
bool Tmain::noDeviceGuard(int ms)
{
    if (dlist->count() > 0 && dlist->currentRow() >= 0)
        return true;
    ShowNotice(NoDevicesNotice(), ms);
    TabControl1->setCurrentWidget(adv);
    m_guardTripped = true;
    return false;
}

// The device-table row at the selected row of `dlist`.
const DeviceRow &Tmain::selectedDevice() const
{
    const int row = dlist->currentRow();
    if (row < 0 || row >= devices().size())
        throw Failure::indexOutOfBounds(row);
    return devices().at(row);
}

QString Tmain::selectedIP() const
{
    return selectedDevice().address;
}

// The selected box with its renderer port and its name.
Box Tmain::selectedBox() const
{
    return boxOf(selectedDevice());
}

QStringList Tmain::deviceIPs() const
{
    QStringList addresses;
    for (const DeviceRow &device : devices())
        addresses << device.address;
    return addresses;
}

QStringList Tmain::devicePorts() const
{
    QStringList ports;
    for (const DeviceRow &device : devices())
        ports << device.port;
    return ports;
}

// The row of the box the pages describe; -1 for none.
int Tmain::shownRow() const
{
    const auto &rows = devices();
    for (int i = 0; i < rows.size(); ++i) {
        if (m_selected.isShown(rows.at(i)))
            return i;
    }
    return -1;
}

// A box is selected, its pages are loaded and describe it.
bool Tmain::pagesLoaded() const
{
    const int row = dlist->currentRow();
    return m_pageLock->pagesEnabled() && row >= 0 && row == shownRow();
}

QString Tmain::statusLine() const
{
    const auto &shown = m_selected.shown();
    return shown ? tr("%1%2 IP: %3").arg(DevicePrefix, shown->name, shown->address) : DevicePrefix;
}

// After a failed search or refresh the user gets the pages back on the ADV page,
// so "Search for devices" works again; nothing is left pending. The selection
// goes back to the box the pages describe, so commands never go to a box that
// the window does not name; when they describe none, no row is selected and
// the status line names no box.
void Tmain::regainPages()
{
    searchtim.setEnabled(false);
    const int shown = shownRow();
    if (dlist->currentRow() != shown) {
        dlist->selectRow(shown);
        if (shown < 0)
            stat->setText(DevicePrefix);
    }
    TabControl1->setCurrentWidget(adv);
    setPagesEnabled(true);
}

// ---------------------------------------------------------------- refresh

void Tmain::dlistItemClick()
{
    setPagesEnabled(false);
    webradio->clearRows();
    dladr->clearRows();
    searchtim.setEnabled(true);
}

// The refresh reads the box's stations, volumes and chosen stations beside the
// window and sends both volumes back, in the order of the requests as ever;
// the pages follow each step. A volume that differs from its slider is sent
// once more right away.
void Tmain::searchtimTimer()
{
    searchtim.setEnabled(false);
    if (dlist->count() == 0) {
        m_selected.showNone();
        ShowStickyNotice(NoDevicesNotice());
        TabControl1->setCurrentWidget(adv);
        setPagesEnabled(true);
        showSkipNotice();
        return;
    }
    DeviceRow row;
    try {
        row = selectedDevice();
    } catch (...) {
        showError(withFullStop(failureMessage(std::current_exception())));
        regainPages();
        showSkipNotice();
        return;
    }
    m_session->refresh(row, dlnavol->realValue(), airvol->realValue(),
        whenEnded([this] { regainPages(); }, [this] { showSkipNotice(); }));
}

// ---------------------------------------------------------------- ORVEX page

void Tmain::Button4Click()
{
    if (!noDeviceGuard(2000))
        return;
    m_session->startOrvex(selectedBox(), whenEnded());
}

void Tmain::Button5Click()
{
    if (!noDeviceGuard(3000))
        return;
    m_session->stopOrvex(selectedBox(), whenEnded());
}

void Tmain::airvolChange()
{
    if (!noDeviceGuard(2000))
        return;
    m_session->setVolume(DeviceSession::Volume::System, selectedBox(), airvol->realValue(), whenEnded());
}

void Tmain::webradioChange()
{
    if (webradio->row() == 0)
        webradio->setRow(m_selected.LastRadioIndex);
}

// The stream address of a station row, found before anything is sent: a row
// without a station fails here, with the list's message.
QString Tmain::streamAddress(int row) const
{
    const auto station = m_selected.station(row);
    if (!station)
        throw Failure::indexOutOfBounds(qsizetype(row) - 1);
    return station->IP;
}

void Tmain::webradioClosePopup()
{
    if (!noDeviceGuard(3000))
        return;
    const int row = webradio->row();
    if (row == m_selected.LastRadioIndex)
        return;
    m_session->chooseRadioStation(selectedBox(), row, streamAddress(row), whenEnded());
}

// ---------------------------------------------------------------- DLNA page

void Tmain::startdlnaClick()
{
    if (!noDeviceGuard(3000))
        return;
    const int row = dladr->row();
    m_session->startDlna(selectedBox(), row, streamAddress(row), whenEnded());
}

void Tmain::stopdlnaClick()
{
    if (!noDeviceGuard(3000))
        return;
    m_session->stopDlna(selectedBox(), whenEnded());
}

void Tmain::dladrChange()
{
    if (dladr->row() == 0)
        dladr->setRow(m_selected.LastDlnaIndex);
}

void Tmain::dladrClosePopup()
{
    if (!noDeviceGuard(3000))
        return;
    const int row = dladr->row();
    m_session->chooseDlnaStream(selectedBox(), row, streamAddress(row), whenEnded());
}

void Tmain::cbdlnaChange()
{
    Panel6->setVisible(cbdlna->isChecked());
}

void Tmain::dlnavolChange()
{
    if (!noDeviceGuard(3000))
        return;
    m_session->setVolume(DeviceSession::Volume::Dlna, selectedBox(), dlnavol->realValue(), whenEnded());
}

// ---------------------------------------------------------------- ADV page

void Tmain::Button6Click()
{
    if (!noDeviceGuard(3000))
        return;
    m_session->restart(selectedBox(), whenEnded());
}

void Tmain::Button7Click()
{
    if (!noDeviceGuard(3000))
        return;
    m_session->shutdown(selectedBox(), whenEnded());
}

void Tmain::Button9Click()
{
    setPagesEnabled(false);
    webradio->clearRows();
    dladr->clearRows();
    SearchDevices();
}

void Tmain::exit_bClick()
{
    terminateApplication();
}

// ---------------------------------------------------------------- WEB page

// The WEB tab's handler; when the no-device guard sends the user to ADV,
// that page wins over the tab bar's own switch, which may still follow.
void Tmain::openWebPage()
{
    m_guardTripped = false;
    handle(&Tmain::web_iClick);
    if (m_guardTripped)
        QMetaObject::invokeMethod(
            this, [this] { TabControl1->setCurrentWidget(adv); }, Qt::QueuedConnection);
}

void Tmain::web_iClick()
{
    if (!noDeviceGuard(3000))
        return;
    web_i->loadDevicePage(endpoints::devicePage(selectedIP()));
}

// ---------------------------------------------------------------- media player

// What Wayland allows: the desktop decides (the activation protocol, which
// Qt uses for activateWindow()).
void Tmain::raiseWindow()
{
    showNormal();
    raise();
    activateWindow();
}
