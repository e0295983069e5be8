#include "app/main_f.h"
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
#include "discovery/device_row.h"
#include "discovery/device_search.h"
#include "platform/netinfo.h"
#include "webview/web_engine.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTimer>
#include <QWindow>

#include <functional>

const QString Tmain::Title = QStringLiteral("Orvex - DLNA Manager 1.0");
const QString Tmain::NoDevicesNotice = QStringLiteral("No devices found. Please Re-scan");
const QString Tmain::NoNetworkMessage = QStringLiteral(
    "Δεν βρέθηκε σύνδεση δικτύου! Η εφαρμογή θα τερματισθεί.Ανοίξτε πρώτα το WI-FI και εκκινήστε πάλι την εφαρμογή.");

namespace {

const QString PromptRow = QStringLiteral("Please select station");

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
{
    FormCreate();
}

Tmain::~Tmain() = default;

// Every handler runs inside the failure boundary. The outermost one starts the
// user action's deadline; handlers that run inside it (a change event set off by
// the refresh, say) share that deadline.
template <typename Handler> void Tmain::handle(Handler handler)
{
    const bool outermost = !m_action;
    if (outermost)
        m_action = deadlineIn(ActionBudget);
    failureBoundary([&] { (this->*handler)(); });
    if (outermost)
        m_action.reset();
}

void Tmain::connectHandlers()
{
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

    connect(TabControl1->tabBar(), &QTabBar::tabBarClicked, this, [this](int index) {
        if (TabControl1->widget(index) != web_i)
            return;
        m_guardTripped = false;
        handle(&Tmain::web_iClick);
        // The tab bar switches to the clicked page only after this signal; the
        // no-device guard's ADV page must win over it.
        if (m_guardTripped)
            QMetaObject::invokeMethod(
                this, [this] { TabControl1->setCurrentWidget(adv); }, Qt::QueuedConnection);
    });
}

// ---------------------------------------------------------------- start-up and end

void Tmain::FormCreate()
{
    buildWindow();
    TabControl1->setCurrentWidget(sett);
    TabControl1->setEnabled(false);
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
    ShowNotice(QStringLiteral("Please wait. Application loading..."), 3000);
}

void Tmain::startupTimer()
{
    startup.setEnabled(false);
    const QString gateway = GetGatewayIP();
    if (gateway.isEmpty()) {
        errorbox::show(NoNetworkMessage);
        terminateApplication();
        return;
    }
    const auto wifi = platform::wifiName();
    const QString ssid = wifi.state == platform::WifiName::State::Named ? QString::fromStdString(wifi.ssid)
        : wifi.state == platform::WifiName::State::NotWireless          ? QStringLiteral("none")
                                                                        : QStringLiteral("unknown");
    rout_ip->setText(gateway + QStringLiteral(" - ") + QStringLiteral("SSID: ") + ssid);
    DevicePrefix = QStringLiteral("Device: ");
    stat->setText(DevicePrefix);
    failureBoundary(
        [this] {
            SearchDevices();
            TabControl1->setCurrentWidget(sett);
        },
        [this] { regainPages(); });
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
    m_devices.clear();
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

void Tmain::SearchDevices()
{
    m_devices.clear();
    dlist->removeRows();
    m_shownRow = -1;
    SearchReport report;
    try {
        report = searchDevicesOn(
            ud,
            [this](const QString &reply, const QString &address, Deadline readDeadline) {
                AddDeviceFromResponse(reply, address, readDeadline);
            },
            m_action.value_or(deadlineIn(ActionBudget)));
    } catch (...) {
        dlist->selectRow(0);
        throw;
    }
    dlist->selectRow(0);
    searchtim.setEnabled(true);
    if (report.skipped > 0)
        m_skipNotice = QStringLiteral("Skipped %1 responder(s): ").arg(report.skipped) + report.firstSkipMessage;
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

// Reads one SSDP reply into a row of the device table. The row goes into the
// table and the list together, only once name, address and port are all known.
void Tmain::AddDeviceFromResponse(const QString &reply, const QString &address, Deadline readDeadline)
{
    const auto row = deviceFromReply(reply, address, readDeadline, std::bind_front(&HttpClient::getNamed, &hdown));
    if (!row)
        return;
    dlist->addItem(row->name);
    m_devices.append(*row);
}

// ---------------------------------------------------------------- command channel

// With rows but none selected (after a failed refresh, when the pages
// describe no box) the guard trips too: a command must name its box.
bool Tmain::noDeviceGuard(int ms)
{
    if (dlist->count() > 0 && dlist->currentRow() >= 0)
        return true;
    ShowNotice(NoDevicesNotice, ms);
    TabControl1->setCurrentWidget(adv);
    m_guardTripped = true;
    return false;
}

// The device-table row at the selected row of `dlist`.
const DeviceRow &Tmain::selectedDevice() const
{
    const int row = dlist->currentRow();
    if (row < 0 || row >= m_devices.size())
        throw Failure::indexOutOfBounds(row);
    return m_devices.at(row);
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
    for (const DeviceRow &device : m_devices)
        addresses << device.address;
    return addresses;
}

QStringList Tmain::devicePorts() const
{
    QStringList ports;
    for (const DeviceRow &device : m_devices)
        ports << device.port;
    return ports;
}

// The clients as the action under way uses them: its deadline, replies in the banner.
CommandChannel Tmain::channel()
{
    return CommandChannel(ht, hdown, m_action.value_or(deadlineIn(ActionBudget)),
        [this](const QString &line, int ms) { ShowNotice(quoted(line), ms); });
}

QString Tmain::statusLine() const
{
    const int row = dlist->currentRow();
    const QString name = row >= 0 && row < dlist->count() ? dlist->item(row)->text() : QString();
    return DevicePrefix + name + QStringLiteral(" IP: ") + selectedIP();
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
    TabControl1->setEnabled(true);
}

// ---------------------------------------------------------------- refresh

void Tmain::dlistItemClick()
{
    TabControl1->setEnabled(false);
    webradio->clearRows();
    dladr->clearRows();
    searchtim.setEnabled(true);
}

void Tmain::searchtimTimer()
{
    Stations = StationList();
    searchtim.setEnabled(false);
    if (dlist->count() == 0) {
        m_shownRow = -1;
        ShowStickyNotice(NoDevicesNotice);
        TabControl1->setCurrentWidget(adv);
        TabControl1->setEnabled(true);
        showSkipNotice();
        return;
    }
    failureBoundary(
        [this] {
            const QString a = selectedIP();
            const CommandChannel c = channel();
            Stations = commands::sortedStations(commands::readStationFiles(c, a));

            QStringList rows = Stations.texts();
            rows.prepend(PromptRow);
            webradio->setRows(rows);
            dladr->setRows(rows);
            stat->setText(statusLine());
            m_shownRow = dlist->currentRow();

            if (dlnavol->setRealValueQuietly(commands::readInteger(c, a, endpoints::dlnaVolumeFile())))
                dlnavolChange();
            if (airvol->setRealValueQuietly(commands::readInteger(c, a, endpoints::systemVolumeFile())))
                airvolChange();
            dlnavolChange();
            airvolChange();

            const int n = commands::readInteger(c, a, endpoints::orvexIndexFile());
            webradio->setRow(n); // runs webradioChange while LastRadioIndex still holds the earlier row
            LastRadioIndex = n;
            const int m = commands::readInteger(c, a, endpoints::dlnaIndexFile());
            dladr->setRow(m);
            LastDlnaIndex = m;

            TabControl1->setCurrentWidget(sett);
            TabControl1->setEnabled(true);
        },
        [this] { regainPages(); });
    showSkipNotice();
}

// ---------------------------------------------------------------- ORVEX page

void Tmain::Button4Click()
{
    if (!noDeviceGuard(2000))
        return;
    commands::startOrvex(channel(), selectedBox());
}

void Tmain::Button5Click()
{
    if (!noDeviceGuard(3000))
        return;
    commands::stopOrvex(channel(), selectedBox());
}

void Tmain::airvolChange()
{
    if (!noDeviceGuard(2000))
        return;
    commands::setSystemVolume(channel(), selectedBox(), volumeText(airvol->realValue()));
    vollab->setText(QStringLiteral("System volume: ") + volumeText(airvol->realValue()));
}

void Tmain::webradioChange()
{
    if (webradio->row() == 0)
        webradio->setRow(LastRadioIndex);
}

void Tmain::webradioClosePopup()
{
    if (!noDeviceGuard(3000))
        return;
    const int row = webradio->row();
    if (row == LastRadioIndex)
        return;
    const Box box = selectedBox();
    const TWeblist &station = Stations.at(row - 1);
    commands::chooseRadioStation(channel(), box, row, station.IP);
    LastRadioIndex = row;
}

// ---------------------------------------------------------------- DLNA page

void Tmain::startdlnaClick()
{
    if (!noDeviceGuard(3000))
        return;
    commands::stopOrvex(channel(), selectedBox(), 1000);
    dladrClosePopup();
    commands::playDlna(channel(), selectedBox());
}

void Tmain::stopdlnaClick()
{
    if (!noDeviceGuard(3000))
        return;
    commands::stopDlna(channel(), selectedBox());
    stat->setText(statusLine());
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
    const Box box = selectedBox();
    const int row = dladr->row();
    const TWeblist &station = Stations.at(row - 1);
    commands::chooseDlnaStream(channel(), box, row, station.IP);
    LastDlnaIndex = row;
}

void Tmain::cbdlnaChange()
{
    Panel6->setVisible(cbdlna->isChecked());
}

void Tmain::dlnavolChange()
{
    if (!noDeviceGuard(3000))
        return;
    commands::setDlnaVolume(channel(), selectedBox(), volumeText(dlnavol->realValue()));
    voldlna->setText(QStringLiteral("DLNA volume: ") + volumeText(dlnavol->realValue()));
}

// ---------------------------------------------------------------- ADV page

void Tmain::Button6Click()
{
    if (!noDeviceGuard(3000))
        return;
    commands::restart(channel(), selectedBox());
}

void Tmain::Button7Click()
{
    if (!noDeviceGuard(3000))
        return;
    commands::shutdown(channel(), selectedBox());
}

void Tmain::Button9Click()
{
    TabControl1->setEnabled(false);
    webradio->clearRows();
    dladr->clearRows();
    failureBoundary(
        [this] {
            SearchDevices();
            TabControl1->setCurrentWidget(sett);
        },
        [this] { regainPages(); });
}

void Tmain::exit_bClick()
{
    terminateApplication();
}

// ---------------------------------------------------------------- WEB page

void Tmain::web_iClick()
{
    if (!noDeviceGuard(3000))
        return;
    web_i->loadDevicePage(endpoints::devicePage(selectedIP()));
}
