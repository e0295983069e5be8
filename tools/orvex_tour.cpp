// orvex-tour: the demo without a person. Starts the real window, waits for the
// simulated devices to be listed and loaded, walks through the pages (a volume
// change, a station, the DLNA volume, the device's web page) and saves a
// screenshot of each step into the directory given as the only argument.

#include "app/error_box.h"
#include "app/main_f.h"
#include "app/station_combo.h"
#include "app/style.h"
#include "app/volume_slider.h"
#include "webview/web_engine.h"
#include "webview/web_view.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QWebEnginePage>

#include <cstdio>

namespace {

void wait(int ms)
{
    QTest::qWait(ms);
}

bool waitFor(const std::function<bool()> &condition, int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > ms)
            return false;
        wait(20);
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    configureWebEngine();
    QApplication app(argc, argv);
    applyStyle(app);
    const QDir shots(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("demo-shots"));
    QDir().mkpath(shots.absolutePath());
    errorbox::setTestHook([](const QString &text) { std::fprintf(stderr, "error box: %s\n", qPrintable(text)); });

    Tmain window;
    window.show();
    int step = 0;
    auto shoot = [&](const char *name) {
        wait(300);
        const QRect frame = window.frameGeometry();
        const QPixmap pixmap = window.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
        const QString file
            = shots.filePath(QStringLiteral("%1-%2.png").arg(++step, 2, 10, QLatin1Char('0')).arg(QLatin1String(name)));
        pixmap.save(file);
        std::printf("saved %s\n", qPrintable(file));
    };
    auto tabs = window.findChild<QTabWidget *>(QStringLiteral("TabControl1"));
    auto page = [&](int index) {
        tabs->setCurrentIndex(index);
        wait(100);
    };

    wait(500);
    shoot("loading");
    if (!waitFor([&] { return tabs->isEnabled() && !window.searchTimer().isEnabled(); }, 15000)) {
        std::fprintf(stderr, "orvex-tour: the pages never came up\n");
        return 1;
    }
    shoot("devices");

    page(0);
    shoot("orvex");
    auto *airvol = window.findChild<VolumeSlider *>(QStringLiteral("airvol"));
    airvol->setFocus();
    for (int i = 0; i < 10; ++i) {
        QTest::keyClick(airvol, Qt::Key_Right);
        waitFor([&] { return !window.busy(); }, 15000);
    }
    shoot("volume");

    auto *webradio = window.findChild<StationCombo *>(QStringLiteral("webradio"));
    webradio->showPopup();
    wait(200);
    webradio->view()->setCurrentIndex(webradio->model()->index(4, 0));
    shoot("station-list");
    QTest::keyClick(webradio->view(), Qt::Key_Return);
    wait(50); // the choice is acted on once the list has closed
    waitFor([&] { return !window.busy(); }, 15000);
    shoot("station");

    page(1);
    shoot("dlna");
    page(3);
    window.findChild<QCheckBox *>(QStringLiteral("cbdlna"))->setChecked(true);
    shoot("adv");

    // The click makes the view; its first load finishes after the click returns.
    QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(4).center());
    bool loaded = false;
    if (auto *web = window.findChild<DeviceWebView *>(QStringLiteral("webb1")))
        QObject::connect(web, &QWebEngineView::loadFinished, [&](bool ok) { loaded = ok; });
    if (!waitFor([&] { return loaded; }, 10000))
        std::fprintf(stderr, "orvex-tour: the device page did not load\n");
    wait(700);
    shoot("web");

    page(2);
    shoot("set");
    window.close();
    return 0;
}
