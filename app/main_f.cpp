#include "app/main_f.h"
#include "app/accessibility.h"
#include "app/banner.h"
#include "app/device_list.h"
#include "app/error_box.h"
#include "app/page_tabs.h"
#include "app/station_combo.h"
#include "app/volume_slider.h"
#include "app/web_page.h"
#include "base/device_text.h"
#include "control/device_commands.h"
#include "control/endpoints.h"
#include "control/volume.h"
#include "platform/netinfo.h"
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
    , m_session(new DeviceSession)
{
    FormCreate();
}

// The action under way ends first, while everything its results go to still stands.
Tmain::~Tmain()
{
    delete m_session;
}

// Every handler runs inside the failure boundary. While an error box is open
// no handler starts: those that come (a timer) run once it has closed.
template <typename Handler> void Tmain::handle(Handler handler)
{
    if (m_errorBoxOpen) {
        m_waiting.push_back([this, handler] { handle(handler); });
        return;
    }
    try {
        if constexpr (std::is_member_function_pointer_v<Handler>)
            (this->*handler)();
        else
            handler();
    } catch (...) {
        showError(failureMessage(std::current_exception()));
    }
}

// The error box, modal; no handler starts behind it.
void Tmain::showError(const QString &message)
{
    m_errorBoxOpen = true;
    errorbox::show(withFullStop(message));
    m_errorBoxOpen = false;
}

// What the window does when a session action has ended: a failure's message
// is shown and `afterFailure` runs; a cancelled action gives the pages back as
// a failed refresh does. `afterEnd` runs in every case, last.
DeviceSession::Ended Tmain::whenEnded(std::function<void()> afterFailure, std::function<void()> afterEnd)
{
    return [this, afterFailure, afterEnd](const QString &failure, bool cancelled) {
        if (cancelled) {
            regainPages();
            ShowNotice(tr("Cancelled"), 3000);
        } else if (!failure.isEmpty()) {
            showError(failure);
            if (afterFailure)
                afterFailure();
        }
        if (afterEnd)
            afterEnd();
        for (auto waiting = std::exchange(m_waiting, {}); const auto &run : waiting)
            run();
    };
}

// While an action runs the pages and the device list take no input (they are
// still painted); after 300 ms the window shows that it is busy.
void Tmain::setBusy(bool busy)
{
    m_busy = busy;
    applyPagesEnabled();
    if (busy) {
        m_busyShown.start();
        return;
    }
    m_busyShown.stop();
    busyRow->hide();
    unsetCursor();
}

void Tmain::showBusy()
{
    busyRow->show();
    setCursor(Qt::WaitCursor);
}

void Tmain::setPagesEnabled(bool enabled)
{
    m_pagesEnabled = enabled;
    applyPagesEnabled();
    m_player->stateChanged();
}

// The pages take input when the handlers left them enabled and no action
// runs. Disabled pages lose the keyboard focus; the control that had it gets
// it back when they return (at the first time, the device list).
void Tmain::applyPagesEnabled()
{
    const bool enabled = m_pagesEnabled && !m_busy;
    QWidget *focus = focusWidget();
    const bool focusInPages = focus && TabControl1->isAncestorOf(focus);
    if (!enabled && focusInPages)
        m_pagesFocus = focus;
    TabControl1->setEnabled(enabled);
    if (!enabled || focusInPages || (focus && focus->isVisible() && focus->isEnabled()))
        return;
    if (m_pagesFocus && m_pagesFocus->isVisible() && m_pagesFocus->isEnabled())
        m_pagesFocus->setFocus();
    else if (TabControl1->currentWidget() == sett)
        dlist->setFocus();
    else
        TabControl1->tabBar()->setFocus();
}

bool Tmain::busy() const
{
    return m_busy;
}

void Tmain::cancelAction()
{
    m_session->cancel();
}

void Tmain::connectHandlers()
{
    connect(m_session, &DeviceSession::busyChanged, this, &Tmain::setBusy);
    connect(
        m_session, &DeviceSession::notice, this, [this](const QString &line, int ms) { ShowNotice(quoted(line), ms); });
    connectSession();
    m_busyShown.setSingleShot(true);
    m_busyShown.setInterval(300);
    connect(&m_busyShown, &QTimer::timeout, this, &Tmain::showBusy);
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
    m_player = new MediaPlayer(*this, this);
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
        errorbox::show(NoNetworkMessage());
        terminateApplication();
        return;
    }
    DevicePrefix = tr("Device: ");
    stat->setText(DevicePrefix);
    m_gateway = gateway;
    m_session->readWifiName(); // the system bus is asked beside the window too
    SearchDevices();
    m_session->listenForAnnouncements([this] { return noGestureUnderWay(); });
}

// Work the user did not ask for (a box that announced itself) waits while an
// error box or another dialog is open and while a drag or an open list is
// under way.
bool Tmain::noGestureUnderWay() const
{
    return !m_errorBoxOpen && !QApplication::activeModalWidget() && !QApplication::activePopupWidget()
        && QGuiApplication::mouseButtons() == Qt::NoButton;
}

void Tmain::whenNoGesture(std::function<void()> run)
{
    if (noGestureUnderWay())
        run();
    else
        QTimer::singleShot(250, this, [this, run] { whenNoGesture(run); });
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
    Stations = StationList();
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
    m_shownRow = -1;
    m_playing = Playing::Nothing;
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

// What the session's actions found, shown in the pages.
void Tmain::connectSession()
{
    connect(m_session, &DeviceSession::wifiNameRead, this,
        [this](const QString &ssid) { rout_ip->setText(tr("%1 - SSID: %2").arg(m_gateway, ssid)); });
    connect(m_session, &DeviceSession::deviceFound, this, &Tmain::AddDeviceFromResponse);
    connect(m_session, &DeviceSession::deviceAnnounced, this,
        [this](const DeviceRow &row) { ShowNotice(tr("Found %1").arg(quoted(row.name)), 3000); });
    connect(m_session, &DeviceSession::searched, this, [this](const SearchReport &report) {
        dlist->selectRow(0);
        searchtim.setEnabled(true);
        TabControl1->setCurrentWidget(sett);
        if (report.skipped > 0)
            m_skipNotice = tr("Skipped %1 responder(s): %2").arg(report.skipped).arg(report.firstSkipMessage);
    });
    connect(m_session, &DeviceSession::stationsRead, this, [this](const std::shared_ptr<StationList> &stations) {
        Stations = std::move(*stations);
        QStringList rows = Stations.texts();
        rows.prepend(tr("Please select station"));
        webradio->setRows(rows);
        dladr->setRows(rows);
        stat->setText(statusLine());
        m_shownRow = dlist->currentRow();
    });
    connect(m_session, &DeviceSession::volumeSent, this, [this](DeviceSession::Volume which, double value) {
        if (which == DeviceSession::Volume::System) {
            airvol->setRealValueQuietly(value);
            vollab->setText(tr("System volume: %1").arg(volumeText(value)));
        } else {
            dlnavol->setRealValueQuietly(value);
            voldlna->setText(tr("DLNA volume: %1").arg(volumeText(value)));
        }
    });
    connect(m_session, &DeviceSession::orvexRowRead, this, [this](int row) {
        webradio->setRow(row); // runs webradioChange while LastRadioIndex still holds the earlier row
        LastRadioIndex = row;
    });
    connect(m_session, &DeviceSession::dlnaRowRead, this, [this](int row) {
        dladr->setRow(row);
        LastDlnaIndex = row;
        TabControl1->setCurrentWidget(sett);
        setPagesEnabled(true);
    });
    connect(m_session, &DeviceSession::radioStationChosen, this, [this](int row) { LastRadioIndex = row; });
    connect(m_session, &DeviceSession::dlnaStreamChosen, this, [this](int row) { LastDlnaIndex = row; });
    connect(m_session, &DeviceSession::dlnaStopped, this, [this] { stat->setText(statusLine()); });

    connect(m_session, &DeviceSession::orvexStarted, this, [this] { m_playing = Playing::Orvex; });
    connect(m_session, &DeviceSession::dlnaStarted, this, [this] { m_playing = Playing::Dlna; });
    for (auto stopped : { &DeviceSession::orvexStopped, &DeviceSession::dlnaStopped })
        connect(m_session, stopped, this, [this] { m_playing = Playing::Nothing; });
    // The media player looks at the pages after each of these.
    for (auto changed : { &DeviceSession::orvexStarted, &DeviceSession::orvexStopped, &DeviceSession::dlnaStarted,
             &DeviceSession::dlnaStopped })
        connect(m_session, changed, m_player, &MediaPlayer::stateChanged);
    connect(m_session, &DeviceSession::stationsRead, m_player, &MediaPlayer::stateChanged);
    connect(m_session, &DeviceSession::orvexRowRead, m_player, &MediaPlayer::stateChanged);
    connect(m_session, &DeviceSession::radioStationChosen, m_player, &MediaPlayer::stateChanged);
    connect(m_session, &DeviceSession::volumeSent, m_player, &MediaPlayer::stateChanged);
    connect(airvol, &VolumeSlider::changed, m_player, &MediaPlayer::stateChanged);
    connect(dlist, &QListWidget::currentRowChanged, m_player, &MediaPlayer::stateChanged);
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

// The selected box with its renderer port, as the DLNA commands need it.
Box Tmain::selectedBox() const
{
    const DeviceRow &device = selectedDevice();
    return { device.address, device.port };
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

QString Tmain::statusLine() const
{
    const int row = dlist->currentRow();
    const QString name = row >= 0 && row < dlist->count() ? dlist->item(row)->text() : QString();
    return tr("%1%2 IP: %3").arg(DevicePrefix, name, selectedIP());
}

// After a failed search or refresh the user gets the pages back on the ADV page,
// so "Search for devices" works again; nothing is left pending. The selection
// goes back to the row the pages describe, so commands never go to a box that
// the window does not name; when they describe none, no row is selected and
// the status line names no box.
void Tmain::regainPages()
{
    searchtim.setEnabled(false);
    if (dlist->currentRow() != m_shownRow) {
        dlist->selectRow(m_shownRow);
        if (m_shownRow < 0)
            stat->setText(DevicePrefix);
    }
    TabControl1->setCurrentWidget(adv);
    setPagesEnabled(true);
}

// ---------------------------------------------------------------- refresh

void Tmain::dlistItemClick()
{
    m_playing = Playing::Nothing; // another box: what it plays is not known
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
    Stations = StationList();
    searchtim.setEnabled(false);
    if (dlist->count() == 0) {
        m_shownRow = -1;
        ShowStickyNotice(NoDevicesNotice());
        TabControl1->setCurrentWidget(adv);
        setPagesEnabled(true);
        showSkipNotice();
        return;
    }
    Box box;
    try {
        box = selectedBox();
    } catch (...) {
        showError(failureMessage(std::current_exception()));
        regainPages();
        showSkipNotice();
        return;
    }
    m_session->refresh(box, dlnavol->realValue(), airvol->realValue(),
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
        webradio->setRow(LastRadioIndex);
}

// The stream address of a station row, as the list stands when the action is
// asked; a row outside the list fails where the request would be made.
DeviceSession::StationAddress Tmain::stationAddress(int row) const
{
    if (row < 1 || row > Stations.size())
        return [row]() -> QString { throw Failure::indexOutOfBounds(qsizetype(row) - 1); };
    return [ip = Stations.at(row - 1).IP] { return ip; };
}

void Tmain::webradioClosePopup()
{
    if (!noDeviceGuard(3000))
        return;
    const int row = webradio->row();
    if (row == LastRadioIndex)
        return;
    m_session->chooseRadioStation(selectedBox(), row, stationAddress(row), whenEnded());
}

// ---------------------------------------------------------------- DLNA page

void Tmain::startdlnaClick()
{
    if (!noDeviceGuard(3000))
        return;
    const int row = dladr->row();
    m_session->startDlna(selectedBox(), row, stationAddress(row), whenEnded());
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
        dladr->setRow(LastDlnaIndex);
}

void Tmain::dladrClosePopup()
{
    if (!noDeviceGuard(3000))
        return;
    const int row = dladr->row();
    m_session->chooseDlnaStream(selectedBox(), row, stationAddress(row), whenEnded());
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

// The selected box as the media player sees it: controllable once its pages
// are loaded, the web radio's station, the system volume.
MediaState Tmain::mediaState() const
{
    MediaState state;
    const int row = dlist->currentRow();
    state.canControl = m_pagesEnabled && row >= 0 && row == m_shownRow;
    state.playing = m_playing != Playing::Nothing;
    state.volume = airvol->realValue() / 100.0;
    state.stations = int(Stations.size());
    state.station = LastRadioIndex - 1;
    if (state.station >= 0 && state.station < state.stations) {
        state.title = Stations.at(state.station).Description;
        state.url = Stations.at(state.station).IP;
    }
    if (m_shownRow >= 0 && m_shownRow < dlist->count())
        state.box = dlist->item(m_shownRow)->text();
    return state;
}

// Each call acts as the click it stands for, once no gesture is under way.
void Tmain::mediaPlay()
{
    whenNoGesture([this] { handle(&Tmain::Button4Click); });
}

// Stops what the program last started; the web radio when that is not known.
void Tmain::mediaStop()
{
    whenNoGesture([this] { handle(m_playing == Playing::Dlna ? &Tmain::stopdlnaClick : &Tmain::Button5Click); });
}

// The next or previous station, chosen as in the list.
void Tmain::mediaStep(int by)
{
    whenNoGesture([this, by] {
        handle([this, by] {
            const int row = LastRadioIndex + by;
            if (row < 1 || row > Stations.size())
                return;
            webradio->setRow(row);
            webradioClosePopup();
        });
    });
}

void Tmain::mediaSetVolume(double volume)
{
    whenNoGesture([this, volume] {
        handle([this, volume] {
            airvol->setRealValueQuietly(qRound(volume * 100));
            airvolChange();
        });
    });
}

void Tmain::mediaRaise()
{
    showNormal();
    raise();
    activateWindow();
}

// As the exit button, even while an error box is open.
void Tmain::mediaQuit()
{
    exit_bClick();
}
