// The window's layout: the header banner, the five pages with every control
// in its place, and the status bar.
#include "app/banner.h"
#include "app/device_list.h"
#include "app/main_f.h"
#include "app/page_tabs.h"
#include "app/station_combo.h"
#include "app/volume_slider.h"
#include "app/web_page.h"
#include "app/widgets.h"

#include <QCheckBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

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
    // Enter presses it as Space does (Qt does so by itself only in dialogs).
    button->setAutoDefault(true);
    return button;
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

QWidget *scrolling(QWidget *content)
{
    auto *area = new QScrollArea;
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->setWidget(content);
    area->setFocusPolicy(Qt::NoFocus); // its controls take the focus, not the area
    return area;
}

} // namespace

void Tmain::buildWindow()
{
    setObjectName(QStringLiteral("Tmain"));
    setWindowTitle(tr("Orvex Manager V1.0"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto *header = new QFrame;
    header->setObjectName(QStringLiteral("HeaderToolBar"));
    header->setFixedHeight(48);
    auto *headerLayout = new QVBoxLayout(header);
    headerLayout->setContentsMargins(0, 0, 0, 0);
    headerLayout->setSpacing(0);
    infolab = new Banner(Title());
    headerLayout->addWidget(infolab, 1);
    // Shown while an action takes longer than a moment: a thin moving line,
    // and a way to end the action (Escape does the same).
    busyRow = new QWidget;
    busyRow->setObjectName(QStringLiteral("busy"));
    auto *busyLayout = new QHBoxLayout(busyRow);
    busyLayout->setContentsMargins(8, 0, 8, 2);
    auto *progress = new QProgressBar;
    progress->setObjectName(QStringLiteral("busyline"));
    progress->setRange(0, 0);
    progress->setTextVisible(false);
    progress->setFixedHeight(3);
    progress->setAccessibleName(tr("Waiting for the box"));
    busyLayout->addWidget(progress, 1);
    cancelLink = plainLabel(QStringLiteral("cancel"), QString());
    cancelLink->setTextFormat(Qt::RichText); // our own link, no device text
    cancelLink->setText(QStringLiteral("<a href=\"cancel\">%1</a>").arg(tr("Cancel")));
    cancelLink->setAccessibleName(tr("Cancel the action"));
    cancelLink->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    cancelLink->setFocusPolicy(Qt::TabFocus);
    busyLayout->addWidget(cancelLink);
    busyRow->hide();
    headerLayout->addWidget(busyRow);
    layout->addWidget(header);

    TabControl1 = new PageTabs;
    TabControl1->setObjectName(QStringLiteral("TabControl1"));
    TabControl1->setAccessibleName(tr("Pages")); // the tab bar says which page is shown
    orvexPage = buildOrvexPage();
    dln = buildDlnaPage();
    sett = buildSetPage();
    adv = buildAdvPage();
    // The browser's cookie store lives in the current directory as it is now.
    web_i = new WebPage(m_options.webView, QDir::currentPath());
    TabControl1->addTab(orvexPage, tr("ORVEX"));
    TabControl1->addTab(dln, tr("DLNA"));
    TabControl1->addTab(sett, tr("SET"));
    TabControl1->addTab(adv, tr("ADV"));
    TabControl1->addTab(web_i, tr("WEB"));
    layout->addWidget(TabControl1, 1);

    auto *status = new QFrame;
    status->setObjectName(QStringLiteral("Status"));
    status->setFixedHeight(22);
    auto *statusLayout = new QHBoxLayout(status);
    statusLayout->setContentsMargins(3, 0, 0, 0);
    stat = plainLabel(QStringLiteral("stat"), tr("Status"));
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
    Button4 = pageButton(QStringLiteral("Button4"), tr("Start Orvex"));
    Button5 = pageButton(QStringLiteral("Button5"), tr("Stop Orvex"));
    v->addWidget(buttonPanel(QStringLiteral("Panel4"), Button4, Button5));
    vollab = plainLabel(QStringLiteral("vollab"), tr("System volume: 0"));
    v->addWidget(placed(vollab, 30, 15, 120, 28));
    airvol = new VolumeSlider(20);
    airvol->setObjectName(QStringLiteral("airvol"));
    airvol->setAccessibleName(tr("System volume"));
    vollab->setBuddy(airvol);
    v->addWidget(placed(airvol, 30, 10, 30, 32));
    auto *label5 = plainLabel(QStringLiteral("Label5"), tr("Select preset web radio"));
    v->addWidget(placed(label5, 20, 15, 30, 23));
    webradio = new StationCombo;
    webradio->setObjectName(QStringLiteral("webradio"));
    webradio->setAccessibleName(tr("Web radio station"));
    label5->setBuddy(webradio);
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
    startdlna = pageButton(QStringLiteral("startdlna"), tr("Start DLNA"));
    stopdlna = pageButton(QStringLiteral("stopdlna"), tr("Stop DLNA"));
    v->addWidget(buttonPanel(QStringLiteral("Panel3"), startdlna, stopdlna));
    auto *label6 = plainLabel(QStringLiteral("Label6"), tr("Select preset web radio"));
    v->addWidget(placed(label6, 20, 15, 30, 23));
    dladr = new StationCombo;
    dladr->setObjectName(QStringLiteral("dladr"));
    dladr->setAccessibleName(tr("DLNA stream"));
    label6->setBuddy(dladr);
    v->addWidget(placed(dladr, 20, 15, 20, 32));
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
    auto *label1 = plainLabel(QStringLiteral("Label1"), tr("Router IP:"));
    label1->setFixedWidth(81);
    rout_ip = plainLabel(QStringLiteral("rout_ip"), tr("No IP found"));
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
    auto *label2 = plainLabel(QStringLiteral("Label2"), tr("Select Device"));
    label2->setFixedHeight(25);
    pv->addWidget(label2);
    dlist = new DeviceList;
    dlist->setObjectName(QStringLiteral("dlist"));
    dlist->setAccessibleName(tr("Devices"));
    label2->setBuddy(dlist);
    dlist->addItem(tr("No devices found"));
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
    Button6 = pageButton(QStringLiteral("Button6"), tr("Restart device"));
    Button7 = pageButton(QStringLiteral("Button7"), tr("Shutdown device"));
    v->addWidget(buttonPanel(QStringLiteral("Panel5"), Button6, Button7));

    cbdlna = new QCheckBox(tr("Enable DLNA volume control"));
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
    dlnavol->setAccessibleName(tr("DLNA volume"));
    dlnavol->setFixedHeight(32);
    p6->addWidget(dlnavol);
    voldlna = plainLabel(QStringLiteral("voldlna"), tr("DLNA volume: 0"));
    voldlna->setFixedSize(148, 17);
    voldlna->setBuddy(dlnavol);
    p6->addWidget(voldlna);
    Panel6->hide();
    auto *panel6Place = new QHBoxLayout;
    panel6Place->setContentsMargins(10, 15, 10, 0);
    panel6Place->addWidget(Panel6);
    v->addLayout(panel6Place);

    v->addStretch();
    v->addWidget(placed(plainLabel(QStringLiteral("Label3"), tr("Rescan for devices")), 16, 0, 16, 23));
    v->addSpacing(3);
    Button9 = pageButton(QStringLiteral("Button9"), tr("Search for devices"));
    v->addWidget(placed(Button9, 15, 0, 15, 70));
    v->addSpacing(10);
    exit_b = pageButton(QStringLiteral("exit_b"), tr("Εξοδος/exit"));
    v->addWidget(placed(exit_b, 15, 0, 15, 70));
    v->addSpacing(10);
    return page;
}
