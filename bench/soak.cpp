// Soak: the window on the offscreen platform for many minutes while thousands of simulated
// devices of both protocols report again and again with changing addresses and names, junk
// datagrams mixed in, and Search is pressed every few seconds. Runs in a private network
// namespace of its own.
//
//   norvik-soak [--minutes M] [--devices N] [--rate R]
//
// Bars: no crash, no deadlock, the window never stalls for more than 50 ms, Search empties the
// list within 100 ms, memory flat after the warm-up, and after a last Search every device that
// reports is listed exactly once.
#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>
#include <string>
#include <thread>

#include "event_pump.h"
#include "main_dialog.h"
#include "message_box.h"
#include "private_network.h"

namespace {

using namespace std::chrono_literals;
using norvik::bench::Pump;

constexpr qint64 kStallBarMs = 50;
constexpr qint64 kSearchBarMs = 100;
constexpr int kSearchEveryMs = 3000;
constexpr double kFlatMemoryGrowth = 1.10;  // at most 10% above the size after warm-up

long ResidentKilobytes(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0) {
            return std::atol(line.c_str() + std::strlen(field));
        }
    }
    return -1;
}

struct Options {
    double minutes = 10;
    int devices = 4096;
    int rate = 20000;
};

Options ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--minutes") == 0) {
            options.minutes = std::atof(argv[i + 1]);
        } else if (std::strcmp(argv[i], "--devices") == 0) {
            options.devices = std::atoi(argv[i + 1]);
        } else if (std::strcmp(argv[i], "--rate") == 0) {
            options.rate = std::atoi(argv[i + 1]);
        }
    }
    return options;
}

QStringList BurstArguments(const Options& options, bool churn) {
    QStringList args{"--burst", QString::number(options.devices), "--protocol", "both",
                     "--rate",  QString::number(options.rate)};
    if (churn) {
        args << "--repeat"
             << "1000000"
             << "--churn"
             << "--junk-every"
             << "50";
    }
    return args;
}

}  // namespace

int main(int argc, char** argv) {
    const auto entered =
        norvik::netns::EnterPrivateNetwork(norvik::netns::BroadcastRoute::kLoopback);
    if (!entered.entered) {
        std::fprintf(stderr, "norvik-soak: no private network namespace: %s\n",
                     entered.reason.c_str());
        return 77;
    }
    const Options options = ParseOptions(argc, argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    norvik::MessageBox::answerForTests();  // nobody is there to close a box

    const std::string lock_path = "/tmp/norvik-soak-list-lock-" + std::to_string(::getpid());
    norvik::ListLock lock(lock_path);
    norvik::MainDialog dialog(lock);
    dialog.initialize();
    dialog.show();
    auto* list = dialog.findChild<QTreeWidget*>("DeviceList");
    auto* search = dialog.findChild<QPushButton*>("SearchDeviceButton");

    // The window's pulse: a 5 ms tick, and a watchdog that ends everything if it stops.
    QElapsedTimer since_tick;
    since_tick.start();
    qint64 longest_stall = 0;
    std::atomic<qint64> last_tick_ms{0};
    QElapsedTimer clock;
    clock.start();
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        longest_stall = std::max(longest_stall, since_tick.restart());
        last_tick_ms = clock.elapsed();
    });
    tick.start(5);
    std::atomic<bool> done{false};
    std::thread watchdog([&] {
        while (!done) {
            std::this_thread::sleep_for(1s);
            if (clock.elapsed() - last_tick_ms > 10000) {
                std::fprintf(stderr, "DEADLOCK: the window has not answered for 10 s\n");
                std::_Exit(2);
            }
        }
    });

    QProcess devsim;
    devsim.start(NORVIK_DEVSIM_PATH, BurstArguments(options, true));
    if (!devsim.waitForStarted()) {
        std::fprintf(stderr, "norvik-soak: cannot start %s\n", NORVIK_DEVSIM_PATH);
        return 1;
    }
    int searches = 0;
    qint64 longest_search = 0;  // from the press to the emptied list
    QTimer searcher;
    QObject::connect(&searcher, &QTimer::timeout, [&] {
        QElapsedTimer took;
        took.start();
        search->click();
        const bool emptied = list->topLevelItemCount() == 0;  // a press while busy is dropped
        if (emptied) {
            ++searches;
            longest_search = std::max(longest_search, took.elapsed());
        }
    });
    searcher.start(kSearchEveryMs);

    long rss_after_warmup = -1;
    long rss_last = -1;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        rss_last = ResidentKilobytes("VmRSS:");
        if (rss_after_warmup < 0 && clock.elapsed() > 60000) {
            rss_after_warmup = rss_last;
        }
        std::printf(
            "%6.1f min  rows %5d  searches %4d  longest stall %3lld ms  longest search %3lld ms  "
            "RSS %ld kB\n",
            clock.elapsed() / 60000.0, list->topLevelItemCount(), searches, longest_stall,
            longest_search, rss_last);
        std::fflush(stdout);
    });
    sampler.start(30000);

    const auto soak_end = static_cast<qint64>(options.minutes * 60000);
    Pump(std::chrono::milliseconds(soak_end));
    searcher.stop();
    devsim.kill();
    devsim.waitForFinished();

    // The last Search, then every device reports once more: each must be listed once.
    Pump(500ms);
    while (list->topLevelItemCount() > 0) {
        search->click();  // dropped while a receive loop is busy: pressed again
        Pump(20ms);
    }
    QProcess last_round;
    last_round.start(NORVIK_DEVSIM_PATH, BurstArguments(options, false));
    // Not waitForFinished's answer alone: it says false, too, once the events pumped meanwhile
    // have seen the simulator end.
    while (last_round.state() != QProcess::NotRunning && !last_round.waitForFinished(10)) {
        Pump(10ms);
    }
    int rows = -1;
    for (int stable_for = 0; stable_for < 20;) {
        Pump(10ms);
        const int now = list->topLevelItemCount();
        stable_for = now == rows ? stable_for + 1 : 0;
        rows = now;
    }
    std::set<QString> names;
    std::set<QString> numbers;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        names.insert(list->topLevelItem(i)->text(1));
        numbers.insert(list->topLevelItem(i)->text(0));
    }
    const bool listed_once = rows == options.devices && static_cast<int>(names.size()) == rows &&
                             static_cast<int>(numbers.size()) == rows;

    QTimer::singleShot(0, dialog.findChild<QPushButton*>("ExitButton"), &QPushButton::click);
    QApplication::processEvents();
    done = true;
    watchdog.join();
    tick.stop();
    const long peak = ResidentKilobytes("VmHWM:");
    const bool memory_flat =
        rss_after_warmup < 0 || rss_last <= static_cast<long>(rss_after_warmup * kFlatMemoryGrowth);
    std::printf(
        "soak %.1f min, %d devices at %d reports/s with junk: %d searches emptied the "
        "list\n",
        options.minutes, options.devices, options.rate, searches);
    std::printf(
        "longest stall %lld ms (bar %lld), longest search %lld ms (bar %lld)  RSS after warm-up "
        "%ld kB, at end %ld kB, peak %ld kB\n",
        longest_stall, kStallBarMs, longest_search, kSearchBarMs, rss_after_warmup, rss_last, peak);
    std::printf("after the last Search: %d rows, %zu names, %zu row numbers (want %d each)\n", rows,
                names.size(), numbers.size(), options.devices);
    ::unlink(lock_path.c_str());
    const bool ok = longest_stall <= kStallBarMs && longest_search <= kSearchBarMs && memory_flat &&
                    listed_once && dialog.isHidden() && dialog.exitCode() == 0;
    std::printf("%s\n", ok ? "bars met" : "bars NOT met");
    return ok ? 0 : 1;
}
