// How fast a burst of device reports can arrive before the receive loops lose any, measured
// against a bare recvfrom loop on the same traffic. Runs in a private network namespace of its
// own; the device simulator sends the bursts.
//
//   norvik-bench-ingest [--devsim PATH] [--trials K] [--sizes 256,1024,4096]
//
// Default: 5 trials per rate.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <QProcess>
#include <QStringList>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "discovery.h"
#include "list_lock.h"
#include "memory_list_view.h"
#include "private_network.h"
#include "user_messages.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

struct Protocol {
    const char* name;
    std::uint16_t port;
};
constexpr Protocol kProtocols[] = {{"pcedit", 4022}, {"3297", 4023}};

struct Burst {
    int sent_rate = 0;  // what the simulator achieved
    bool ok = false;
};

std::string g_devsim;
// A lock shared as the program's is, but apart from any copy that runs for real.
std::string g_lock_path = "/tmp/norvik-bench-list-lock-" + std::to_string(::getpid());

// Sends one burst and returns the rate it was sent at.
Burst SendBurst(int count, const Protocol& protocol, int rate) {
    QStringList args{"--burst", QString::number(count), "--protocol", protocol.name};
    args << "--rate" << QString::number(rate);
    QProcess devsim;
    devsim.start(QString::fromStdString(g_devsim), args);
    Burst burst;
    if (!devsim.waitForFinished(120000) || devsim.exitCode() != 0) {
        std::fprintf(stderr, "devsim failed: %s\n", devsim.readAllStandardError().constData());
        return burst;
    }
    double seconds = 0;
    const QByteArray out = devsim.readAllStandardOutput();
    int sent = 0;
    if (std::sscanf(out.constData(), "sent %d in %lf seconds", &sent, &seconds) == 2) {
        // Printed to the millisecond: a burst quicker than that counts as half of one.
        burst.sent_rate = static_cast<int>(sent / std::max(seconds, 0.0005));
        burst.ok = sent == count;
    }
    return burst;
}

// Waits until a count stops growing.
template <typename Count>
int Settled(Count count) {
    int last = count();
    auto still_since = Clock::now();
    const auto give_up = Clock::now() + 3s;
    while (Clock::now() - still_since < 100ms && Clock::now() < give_up) {
        std::this_thread::sleep_for(5ms);
        const int now = count();
        if (now != last) {
            last = now;
            still_since = Clock::now();
        }
    }
    return last;
}

// The receive loops with the list code: how many distinct devices got a record.
int IngestWithReceiveLoops(int count, const Protocol& protocol, int rate, int& sent_rate) {
    norvik::ListLock lock(g_lock_path);
    norvik::MemoryListView view;
    norvik::ConsoleUserMessages messages;
    norvik::Discovery discovery(lock, view, messages, [](int) {});
    discovery.Start();
    if (!discovery.WaitUntilListening(5s)) {
        std::fprintf(stderr, "receive sockets not ready\n");
        return -1;
    }
    std::this_thread::sleep_for(20ms);  // our own search requests have come back
    const Burst burst = SendBurst(count, protocol, rate);
    sent_rate = burst.sent_rate;
    const int records = Settled([&] {
        std::lock_guard guard(lock);
        return static_cast<int>(
            std::distance(discovery.devices().begin(), discovery.devices().end()));
    });
    discovery.Stop();
    return burst.ok ? records : -1;
}

// A bare loop on the same port that only counts what arrives.
int IngestWithBareLoop(int count, const Protocol& protocol, int rate, int& sent_rate) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(protocol.port);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    // Blocking receives, one system call a datagram; the time-out only lets it stop.
    const timeval tick{0, 20000};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tick, sizeof tick);
    std::atomic<int> received{0};
    std::atomic<bool> stop{false};
    std::thread loop([&] {
        std::uint8_t buffer[1000];
        while (!stop) {
            if (::recvfrom(fd, buffer, sizeof buffer, 0, nullptr, nullptr) >= 0) {
                received.fetch_add(1, std::memory_order_relaxed);
            }
        }
    });
    const Burst burst = SendBurst(count, protocol, rate);
    sent_rate = burst.sent_rate;
    const int got = Settled([&] { return received.load(); });
    stop = true;
    loop.join();
    ::close(fd);
    return burst.ok ? got : -1;
}

struct Ladder {
    int best_rate = 0;          // the highest rate with nothing lost in every trial
    bool sender_limit = false;  // the simulator could send no faster, and nothing was lost
    std::string detail;
};

// The highest rate at which most trials lose nothing, to within 10 %: the rate doubles from
// 10,000 a second until a rate loses reports, then the gap is halved until it is narrow. A
// rate the simulator cannot reach ends the search at what it reached. Most trials, not every
// one: on a shared machine a pause of a few milliseconds now and then overflows any receive
// buffer, whatever loop reads it.
template <typename Ingest>
Ladder FindHighestRate(int count, const Protocol& protocol, int trials, Ingest ingest) {
    Ladder ladder;
    // Whether nothing was lost at this rate; the rate the simulator reached, in offered.
    const auto lossless = [&](int rate, int& offered) {
        int clean = 0;
        std::string losses;
        offered = rate;
        for (int trial = 0; trial < trials; ++trial) {
            int sent_rate = 0;
            const int got = ingest(count, protocol, rate, sent_rate);
            const int lost = got < 0 ? count : count - got;
            clean += lost == 0 ? 1 : 0;
            losses += (trial == 0 ? "" : ",") + std::to_string(lost);
            offered = std::min(offered, sent_rate);
        }
        ladder.detail += " " + std::to_string(rate) + ":" + losses;
        return 2 * clean > trials;
    };
    int good = 0;
    int bad = 0;
    for (int rate = 10000;; rate *= 2) {
        int offered = 0;
        if (!lossless(rate, offered)) {
            bad = rate;
            break;
        }
        good = offered;
        if (offered < rate * 9 / 10) {
            ladder.sender_limit = true;
            ladder.best_rate = good;
            return ladder;
        }
    }
    while (bad > good + good / 10) {
        const int middle = good + (bad - good) / 2;
        int offered = 0;
        if (!lossless(middle, offered)) {
            bad = middle;
        } else if (offered < middle * 9 / 10) {
            ladder.sender_limit = true;  // the simulator's pace, not the loop's
            good = std::max(good, offered);
            break;
        } else {
            good = middle;
        }
    }
    ladder.best_rate = good;
    return ladder;
}

std::vector<int> ParseSizes(const char* text) {
    std::vector<int> sizes;
    for (const QString& part : QString(text).split(',')) {
        sizes.push_back(part.toInt());
    }
    return sizes;
}

}  // namespace

int main(int argc, char** argv) {
    const auto entered =
        norvik::netns::EnterPrivateNetwork(norvik::netns::BroadcastRoute::kLoopback);
    if (!entered.entered) {
        std::fprintf(stderr, "norvik-bench-ingest: no private network namespace: %s\n",
                     entered.reason.c_str());
        return 77;
    }
    g_devsim = NORVIK_DEVSIM_PATH;
    int trials = 5;
    std::vector<int> sizes{256, 1024, 4096};
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--devsim") == 0) {
            g_devsim = argv[i + 1];
        } else if (std::strcmp(argv[i], "--trials") == 0) {
            trials = std::max(1, std::atoi(argv[i + 1]));
        } else if (std::strcmp(argv[i], "--sizes") == 0) {
            sizes = ParseSizes(argv[i + 1]);
        }
    }
    std::printf(
        "Highest burst rate (reports/s) with 0 lost in most of %d trials; per rate, the "
        "reports lost in each trial.\n",
        trials);
    bool bars_met = true;
    for (const int count : sizes) {
        for (const Protocol& protocol : kProtocols) {
            const Ladder loops = FindHighestRate(count, protocol, trials, IngestWithReceiveLoops);
            const Ladder bare = FindHighestRate(count, protocol, trials, IngestWithBareLoop);
            const double ratio =
                bare.best_rate > 0 ? static_cast<double>(loops.best_rate) / bare.best_rate : 0;
            std::printf("N=%-5d %-7s receive loops %7d/s%s  bare recvfrom %7d/s%s  ratio %.2f\n",
                        count, protocol.name, loops.best_rate, loops.sender_limit ? "+" : "",
                        bare.best_rate, bare.sender_limit ? "+" : "", ratio);
            std::printf("        loops:%s\n        bare: %s\n", loops.detail.c_str(),
                        bare.detail.c_str());
            std::fflush(stdout);
            if (count == 4096 && (loops.best_rate < 50000 || ratio < 1.0)) {
                bars_met = false;
            }
        }
    }
    std::printf("(+: as fast as the simulator could send, nothing lost)\n");
    std::printf("Bars (N=4096: 0 lost at 50000/s, ratio >= 1.0): %s\n",
                bars_met ? "met" : "NOT met");
    ::unlink(g_lock_path.c_str());
    return bars_met ? 0 : 1;
}
