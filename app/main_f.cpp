#include "app/main_f.h"
#include "app/device_list.h"
#include "app/error_box.h"
#include "app/page_tabs.h"
#include "app/station_combo.h"
#include "app/volume_slider.h"
#include "base/device_text.h"
#include "control/device_commands.h"
#include "control/endpoints.h"
#include "control/volume.h"
#include "discovery/device_row.h"
#include "discovery/device_search.h"
#include "platform/netinfo.h"
#include "webview/web_engine.h"
#include "webview/web_view.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStackedLayout>
#include <QTabBar>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include <functional>

const QString Tmain::Title = QStringLiteral("Orvex - DLNA Manager 1.0");
const QString Tmain::NoDevicesNotice = QStringLiteral("No devices found. Please Re-scan");
const QString Tmain::NoNetworkMessage = QStringLiteral(
    "Δεν βρέθηκε σύνδεση δικτύου! Η εφαρμογή θα τερματισθεί.Ανοίξτε πρώτα το WI-FI και εκκινήστε πάλι την εφαρμογή.");

namespace {

constexpr QRgb TitleColor = 0xFF0000FF;
constexpr QRgb NoticeColor = 0xFFFF0000;
const QString PromptRow = QStringLiteral("Please select station");

// A control with margins around it at a fixed height, as the pages place them.
QWidget *placed(QWidget *control, int left, int top, int right, int height)
{
    auto *box = new QWidget;
    auto *layout = new QHBoxLayout(box);
    layout->setContentsMargins(left, top, right, 0);
    layout->addWidget(control);
    control->setFixedHeight(height);
    box->setFixedHeight(top + height);
    return box;
}

QPushButton *pageButton(const QString &name, const QString &text)
{
    auto *button = new QPushButton(text);
    button->setObjectName(name);
    button->setFocusPolicy(Qt::ClickFocus); // not a tab stop
    return button;
}

// Every label shows its text as plain text: names, replies and network names
// come from boxes and the system and are never read as markup.
QLabel *label(const QString &name, const QString &text)
{
    auto *l = new QLabel(text);
    l->setObjectName(name);
    l->setTextFormat(Qt::PlainText);
    return l;
}

// Two buttons 137 wide at the left and right edges of a 64-high panel.
QWidget *buttonPanel(const QString &name, QPushButton *left, QPushButton *right)
{
    auto *panel = new QWidget;
    panel->setObjectName(name);
    panel->setFixedHeight(64);
    auto *layout = new QHBoxLayout(panel);
    layout->setContentsMargins(15, 0, 15, 0);
    for (auto *b : { left, right }) {
        b->setFixedWidth(137);
        b->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    }
    layout->addWidget(left);
    layout->addStretch();
    layout->addWidget(right);
    return panel;
}

// Where a 600 by 700 window starts when it is centred on the screen's desktop.
QPoint centredOrigin(const QScreen *screen)
{
    const QRect area = screen->availableGeometry();
    return { area.x() + (area.width() - 600) / 2, area.y() + (area.height() - 700) / 2 };
}

QWidget *scrolling(QWidget *content)
{
    auto *area = new QScrollArea;
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->setWidget(content);
    return area;
}

} // namespace

Tmain::Tmain(QWidget *parent)
    : Tmain(Options {}, parent)
{
}

Tmain::Tmain(const Options &options, QWidget *parent)
    : QWidget(parent)
    , m_options(options)
    , m_bannerColor(TitleColor)
{
    FormCreate();
}

Tmain::~Tmain() = default;

// ---------------------------------------------------------------- layout

void Tmain::buildWindow()
{
    setObjectName(QStringLiteral("Tmain"));
    setWindowTitle(QStringLiteral("Orvex Manager V1.0"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto *header = new QFrame;
    header->setObjectName(QStringLiteral("HeaderToolBar"));
    header->setFixedHeight(48);
    auto *headerLayout = new QHBoxLayout(header);
    headerLayout->setContentsMargins(0, 0, 0, 0);
    infolab = label(QStringLiteral("infolab"), Title);
    infolab->setAlignment(Qt::AlignCenter);
    setBannerColor(TitleColor);
    headerLayout->addWidget(infolab);
    layout->addWidget(header);

    TabControl1 = new PageTabs;
    TabControl1->setObjectName(QStringLiteral("TabControl1"));
    orvexPage = buildOrvexPage();
    dln = buildDlnaPage();
    sett = buildSetPage();
    adv = buildAdvPage();
    web_i = new QWidget;
    web_i->setObjectName(QStringLiteral("web_i"));
    // The browser view fills the page; when its renderer ends, a short plain
    // message takes its place until the next WEB click.
    webPages = new QStackedLayout(web_i);
    webPages->setContentsMargins(0, 0, 0, 0);
    webmsg = label(QStringLiteral("webmsg"), QString());
    webmsg->setAlignment(Qt::AlignCenter);
    webmsg->setWordWrap(true);
    webPages->addWidget(webmsg);
    TabControl1->addTab(orvexPage, QStringLiteral("ORVEX"));
    TabControl1->addTab(dln, QStringLiteral("DLNA"));
    TabControl1->addTab(sett, QStringLiteral("SET"));
    TabControl1->addTab(adv, QStringLiteral("ADV"));
    TabControl1->addTab(web_i, QStringLiteral("WEB"));
    layout->addWidget(TabControl1, 1);

    auto *status = new QFrame;
    status->setObjectName(QStringLiteral("Status"));
    status->setFixedHeight(22);
    auto *statusLayout = new QHBoxLayout(status);
    statusLayout->setContentsMargins(3, 0, 0, 0);
    stat = label(QStringLiteral("stat"), QStringLiteral("Status"));
    statusLayout->addWidget(stat);
    layout->addWidget(status);
}

QWidget *Tmain::buildOrvexPage()
{
    auto *content = new QWidget;
    auto *v = new QVBoxLayout(content);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    v->addSpacing(17);
    Button4 = pageButton(QStringLiteral("Button4"), QStringLiteral("Start Orvex"));
    Button5 = pageButton(QStringLiteral("Button5"), QStringLiteral("Stop Orvex"));
    v->addWidget(buttonPanel(QStringLiteral("Panel4"), Button4, Button5));
    vollab = label(QStringLiteral("vollab"), QStringLiteral("System volume: 0"));
    v->addWidget(placed(vollab, 30, 15, 120, 28));
    airvol = new VolumeSlider(20);
    airvol->setObjectName(QStringLiteral("airvol"));
    v->addWidget(placed(airvol, 30, 10, 30, 32));
    v->addWidget(placed(label(QStringLiteral("Label5"), QStringLiteral("Select preset web radio")), 20, 15, 30, 23));
    webradio = new StationCombo;
    webradio->setObjectName(QStringLiteral("webradio"));
    webradio->setFocusPolicy(Qt::ClickFocus);
    v->addWidget(placed(webradio, 20, 15, 20, 32));
    v->addStretch();
    auto *page = scrolling(content);
    page->setObjectName(QStringLiteral("orvex"));
    return page;
}

QWidget *Tmain::buildDlnaPage()
{
    auto *content = new QWidget;
    auto *v = new QVBoxLayout(content);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    v->addSpacing(17);
    startdlna = pageButton(QStringLiteral("startdlna"), QStringLiteral("Start DLNA"));
    stopdlna = pageButton(QStringLiteral("stopdlna"), QStringLiteral("Stop DLNA"));
    v->addWidget(buttonPanel(QStringLiteral("Panel3"), startdlna, stopdlna));
    v->addWidget(placed(label(QStringLiteral("Label6"), QStringLiteral("Select preset web radio")), 20, 15, 30, 23));
    dladr = new StationCombo;
    dladr->setObjectName(QStringLiteral("dladr"));
    dladr->setFocusPolicy(Qt::ClickFocus);
    v->addWidget(placed(dladr, 20, 15, 20, 32));
    // Text buffers of the description reader; never shown.
    tt = new QPlainTextEdit(content);
    tt->setObjectName(QStringLiteral("tt"));
    tt->hide();
    mm = new QPlainTextEdit(content);
    mm->setObjectName(QStringLiteral("mm"));
    mm->hide();
    v->addStretch();
    auto *page = scrolling(content);
    page->setObjectName(QStringLiteral("dln"));
    return page;
}

QWidget *Tmain::buildSetPage()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("sett"));
    auto *v = new QVBoxLayout(page);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    v->addSpacing(10); // Splitter2

    auto *panel1 = new QWidget;
    panel1->setObjectName(QStringLiteral("Panel1"));
    panel1->setFixedHeight(25);
    auto *h = new QHBoxLayout(panel1);
    h->setContentsMargins(5, 0, 5, 0);
    h->setSpacing(0);
    auto *label1 = label(QStringLiteral("Label1"), QStringLiteral("Router IP:"));
    label1->setFixedWidth(81);
    rout_ip = label(QStringLiteral("rout_ip"), QStringLiteral("No IP found"));
    rout_ip->setMinimumWidth(232);
    h->addWidget(label1);
    h->addWidget(rout_ip, 1);
    v->addWidget(panel1);
    v->addSpacing(10); // Splitter1

    auto *panel2 = new QFrame;
    panel2->setObjectName(QStringLiteral("Panel2"));
    auto *pv = new QVBoxLayout(panel2);
    pv->setContentsMargins(5, 0, 5, 5);
    pv->setSpacing(5);
    auto *label2 = label(QStringLiteral("Label2"), QStringLiteral("Select Device"));
    label2->setFixedHeight(25);
    pv->addWidget(label2);
    dlist = new DeviceList;
    dlist->setObjectName(QStringLiteral("dlist"));
    dlist->addItem(QStringLiteral("No devices found"));
    pv->addWidget(dlist, 1);
    auto *outer = new QHBoxLayout;
    outer->setContentsMargins(2, 5, 2, 5);
    outer->addWidget(panel2);
    v->addLayout(outer, 1);
    return page;
}

QWidget *Tmain::buildAdvPage()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("adv"));
    auto *v = new QVBoxLayout(page);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    v->addSpacing(17); // Splitter5
    Button6 = pageButton(QStringLiteral("Button6"), QStringLiteral("Restart device"));
    Button7 = pageButton(QStringLiteral("Button7"), QStringLiteral("Shutdown device"));
    v->addWidget(buttonPanel(QStringLiteral("Panel5"), Button6, Button7));

    cbdlna = new QCheckBox(QStringLiteral("Enable DLNA volume control"));
    cbdlna->setObjectName(QStringLiteral("cbdlna"));
    v->addWidget(placed(cbdlna, 10, 10, 0, 22));

    // Panel6 sits 10 in from each side, and the slider 10 in from the panel's
    // sides: the slider spans 20 to 580, its label starts at 20.
    Panel6 = new QWidget;
    Panel6->setObjectName(QStringLiteral("Panel6"));
    Panel6->setFixedHeight(49);
    auto *p6 = new QVBoxLayout(Panel6);
    p6->setContentsMargins(10, 0, 10, 0);
    p6->setSpacing(0);
    dlnavol = new VolumeSlider(100);
    dlnavol->setObjectName(QStringLiteral("dlnavol"));
    dlnavol->setFixedHeight(32);
    p6->addWidget(dlnavol);
    voldlna = label(QStringLiteral("voldlna"), QStringLiteral("DLNA volume: 0"));
    voldlna->setFixedSize(148, 17);
    p6->addWidget(voldlna);
    Panel6->hide();
    auto *panel6Place = new QHBoxLayout;
    panel6Place->setContentsMargins(10, 15, 10, 0);
    panel6Place->addWidget(Panel6);
    v->addLayout(panel6Place);

    v->addStretch();
    v->addWidget(placed(label(QStringLiteral("Label3"), QStringLiteral("Rescan for devices")), 16, 0, 16, 23));
    v->addSpacing(3);
    Button9 = pageButton(QStringLiteral("Button9"), QStringLiteral("Search for devices"));
    v->addWidget(placed(Button9, 15, 0, 15, 70));
    v->addSpacing(10);
    exit_b = new QPushButton(QStringLiteral("Εξοδος/exit"));
    exit_b->setObjectName(QStringLiteral("exit_b"));
    v->addWidget(placed(exit_b, 15, 0, 15, 70));
    v->addSpacing(10);
    return page;
}

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
    connect(&mtimer, &RuleTimer::timeout, this, [this] { handle(&Tmain::mtimerTimer); });

    connect(dlist, &QListWidget::itemClicked, this, [this] { handle(&Tmain::dlistItemClick); });
    connect(dlist, &DeviceList::rowChosen, this, [this] { handle(&Tmain::dlistItemClick); });

    connect(Button4, &QPushButton::clicked, this, [this] { handle(&Tmain::Button4Click); });
    connect(Button5, &QPushButton::clicked, this, [this] { handle(&Tmain::Button5Click); });
    connect(airvol, &VolumeSlider::changed, this, [this] { handle(&Tmain::airvolChange); });
    connect(webradio, &StationCombo::changed, this, [this] { handle(&Tmain::webradioChange); });
    connect(webradio, &StationCombo::popupClosed, this, [this] { handle(&Tmain::webradioClosePopup); });

    connect(startdlna, &QPushButton::clicked, this, [this] { handle(&Tmain::startdlnaClick); });
    connect(stopdlna, &QPushButton::clicked, this, [this] { handle(&Tmain::stopdlnaClick); });
    connect(dladr, &StationCombo::changed, this, [this] { handle(&Tmain::dladrChange); });
    connect(dladr, &StationCombo::popupClosed, this, [this] { handle(&Tmain::dladrClosePopup); });
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
    if (m_options.webView) {
        // Starting the engine comes before the window is shown; its cookie store
        // lives in the current directory as it is now.
        checkWebEngineInstalled();
        webb1 = new DeviceWebView(QDir::currentPath(), web_i);
        webb1->setObjectName(QStringLiteral("webb1"));
        webPages->addWidget(webb1);
        webPages->setCurrentWidget(webb1);
        connect(webb1, &DeviceWebView::pageStopped, this, [this](const QString &how) {
            webmsg->setText(QStringLiteral("The device's page stopped: %1. Click WEB to load it again.").arg(how));
            webPages->setCurrentWidget(webmsg);
        });
    }
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
    DeviceIPs.clear();
    StationUrls.clear();
    StationDescs.clear();
    DevicePorts.clear();
    Stations = StationList();
    delete webb1;
    webb1 = nullptr;
    terminateApplication();
}

void Tmain::terminateApplication()
{
    startup.halt();
    searchtim.halt();
    mtimer.halt();
    QCoreApplication::quit();
}

// ---------------------------------------------------------------- banner

void Tmain::ShowNotice(const QString &text, int ms)
{
    ShowStickyNotice(text);
    mtimer.setInterval(ms);
    mtimer.setEnabled(true);
}

// The banner's font colour is its own, not the style's.
void Tmain::setBannerColor(QRgb color)
{
    m_bannerColor = color;
    infolab->setStyleSheet(QStringLiteral("color: %1;").arg(QColor::fromRgba(color).name()));
}

void Tmain::ShowStickyNotice(const QString &text)
{
    setBannerColor(NoticeColor);
    infolab->setText(text);
}

void Tmain::mtimerTimer()
{
    mtimer.setEnabled(false);
    setBannerColor(TitleColor);
    infolab->setText(Title);
}

// ---------------------------------------------------------------- discovery

void Tmain::SearchDevices()
{
    DeviceIPs.clear();
    DevicePorts.clear();
    dlist->removeRows();
    m_shownRow = -1;
    tt->clear();
    mm->clear();
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
    mtimer.setEnabled(false);
    ShowNotice(std::exchange(m_skipNotice, QString()), 3000);
}

// Reads one SSDP reply into a row of the device table. The row goes into the
// three sequences together, only once name, address and port are all known.
void Tmain::AddDeviceFromResponse(const QString &reply, const QString &address, Deadline readDeadline)
{
    const auto row = deviceFromReply(reply, address, readDeadline, std::bind_front(&HttpClient::getNamed, &hdown));
    if (!row)
        return;
    dlist->addItem(row->name);
    DeviceIPs.append(row->address);
    DevicePorts.append(row->port);
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

// The entry of a device-table list at the selected row of `dlist`.
QString Tmain::selectedEntry(const QStringList &list) const
{
    const int row = dlist->currentRow();
    if (row < 0 || row >= list.size())
        throw Failure::indexOutOfBounds(row);
    return list.at(row);
}

QString Tmain::selectedIP() const
{
    return selectedEntry(DeviceIPs);
}

// The selected box with its renderer port, as the DLNA commands need it.
Box Tmain::selectedBox() const
{
    const QString port = selectedEntry(DevicePorts);
    return { selectedIP(), port };
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
            const StationFiles files = commands::readStationFiles(c, a);
            StationDescs = files.descs;
            StationUrls = files.urls;
            Stations = commands::sortedStations(files);

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
    dlist->removeRows();
    DeviceIPs.clear();
    DevicePorts.clear();
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
    const QString page = endpoints::devicePage(selectedIP());
    if (webb1) {
        webPages->setCurrentWidget(webb1);
        webb1->loadDevicePage(page);
    }
}
