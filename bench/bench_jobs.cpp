// How quickly the window gets its pages back when the user cancels an action,
// and how quickly it closes, in each phase of the device work: the search in
// its silence, a description that never comes, a refresh of a box that never
// answers, and the start with a NetworkManager that never answers the Wi-Fi
// name. Prints figures, never fails. It uses only what any build of the
// window offers (its object names, busy(), the Cancel link), so the same
// file measures an earlier build as well. Run inside the private network:
//   scripts/orvex-net -- build/bench/bench_jobs
#include "../tests/hung_network_manager.h"
#include "../tests/sim_fixture.h"
#include "app/error_box.h"
#include "app/main_f.h"
#include "median.h"
#include "webview/web_engine.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QTabWidget>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

struct Phase
{
    const char *name;
    QJsonObject box; // the simulated box's switches
    // The phase is under way: what the simulator has logged, or how long
    // after the window was shown.
    std::function<bool(const SimFixture &, qint64 ms)> underWay;
};

QList<Phase> phases()
{
    const auto logged = [](const char *what) {
        return [what](const SimFixture &sim, qint64) {
            const auto http = sim.log(QStringLiteral("http"));
            return std::any_of(http.cbegin(), http.cend(), [what](const LogEntry &e) { return e.raw.contains(what); });
        };
    };
    return {
        { "search (in its silence)", { { "ssdp", QJsonObject { { "silent", true } } } },
            [](const SimFixture &sim, qint64 ms) { return !sim.log(QStringLiteral("ssdp")).isEmpty() && ms > 1400; } },
        { "description read", { { "description", QJsonObject { { "noReply", true } } } },
            logged("GET /description.xml") },
        { "refresh", { { "faults", QJsonObject { { "/orvex/desc.txt", QJsonObject { { "noReply", true } } } } } },
            logged("GET /orvex/desc.txt") },
    };
}

bool pagesBack(Tmain &window)
{
    return !window.busy() && window.findChild<QTabWidget *>(QStringLiteral("TabControl1"))->isEnabled();
}

// One window against a box of the phase, until the phase is under way.
std::unique_ptr<Tmain> windowInPhase(const Phase &phase, const SimFixture &sim)
{
    auto window = std::make_unique<Tmain>(Tmain::Options { false });
    window->show();
    QElapsedTimer clock;
    clock.start();
    while (!phase.underWay(sim, clock.elapsed()) && clock.elapsed() < 10000)
        QTest::qWait(5);
    QTest::qWait(200); // well inside the wait
    return window;
}

void cancelAndClose()
{
    for (const Phase &phase : phases()) {
        QList<double> cancel, close;
        for (int run = 0; run < 5; ++run) {
            SimFixture sim(QJsonArray { SimFixture::device(QStringLiteral("Box"), 0, 20, phase.box) });
            {
                auto window = windowInPhase(phase, sim);
                QElapsedTimer clock;
                clock.start();
                emit window->findChild<QLabel *>(QStringLiteral("cancel"))->linkActivated(QStringLiteral("cancel"));
                while (!pagesBack(*window) && clock.elapsed() < 20000)
                    QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
                cancel << double(clock.nsecsElapsed()) / 1e6;
            }
            auto window = windowInPhase(phase, sim);
            QElapsedTimer clock;
            clock.start();
            window.reset();
            close << double(clock.nsecsElapsed()) / 1e6;
        }
        std::printf("%-24s cancel to pages back: median %7.1f ms, slowest %7.1f ms; close: median %6.1f ms, slowest "
                    "%6.1f ms (5 runs)\n",
            phase.name, median(cancel), *std::max_element(cancel.begin(), cancel.end()), median(close),
            *std::max_element(close.begin(), close.end()));
        std::fflush(stdout);
    }
}

// NetworkManager's name owned by a process that never answers: when the
// search goes out after the window is shown, and how long closing takes.
void hungNetworkManager()
{
    QProcess bus;
    bus.start(QStringLiteral("dbus-daemon"), { "--session", "--nofork", "--nopidfile", "--print-address" });
    if (!bus.waitForReadyRead(5000)) {
        std::printf("wifi: no dbus-daemon\n");
        return;
    }
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", bus.readLine().trimmed());
    QProcess owner;
    if (!startHungNetworkManager(owner)) {
        std::printf("wifi: no name owner\n");
        return;
    }
    SimFixture sim(QJsonArray { SimFixture::device(QStringLiteral("Box"), 0, 20) });
    auto window = std::make_unique<Tmain>(Tmain::Options { false });
    QElapsedTimer clock;
    clock.start();
    window->show();
    while (sim.log(QStringLiteral("ssdp")).isEmpty() && clock.elapsed() < 40000)
        QTest::qWait(5);
    const qint64 searched = clock.elapsed();
    auto *line = window->findChild<QLabel *>(QStringLiteral("rout_ip"));
    while (!line->text().contains(QLatin1String("SSID")) && clock.elapsed() < 40000)
        QTest::qWait(5);
    const qint64 named = clock.elapsed();
    clock.restart();
    window.reset();
    std::printf("wifi name never answered   search out %lld ms after the show (the start-up timer: 1000 ms), router "
                "line %lld ms; close %lld ms\n",
        static_cast<long long>(searched), static_cast<long long>(named), static_cast<long long>(clock.elapsed()));
    endHungNetworkManager(owner);
    bus.kill();
    bus.waitForFinished();
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/orvex-no-bus");
    configureWebEngine();
    QApplication app(argc, argv);
    errorbox::setTestHook([](const QString &) {});
    // First: the system bus connection is made, and kept, at the first window.
    hungNetworkManager();
    cancelAndClose();
    return 0;
}
