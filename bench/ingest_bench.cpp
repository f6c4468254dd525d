// How fast the receive loops take in reports, against the fastest loops the socket interface
// allows on this machine: a bare recvfrom loop and a bare recvmmsg loop of the same batch size.
// Only the receiver is timed. The reports are queued first, in a receive buffer large enough
// for all of them, while the receiver is held (the receive loops by LIST LOCK, the bare loops
// by a mutex of their own); the clock runs from its release to the last report handled. Runs
// in a private network namespace of its own.
//
//   norvik-bench-ingest [--trials K] [--sizes 256,1024,4096,16384] [--handle-nothing]
//
// --handle-nothing puts a receive loop in place of the two that drops every datagram without
// looking at it: what is left is the loop itself, LIST LOCK and the datagram's source and card,
// the least the receive loops can cost while they take LIST LOCK for every datagram.
//
// For each size, protocol and kind (new devices, refreshes of known ones) the three receivers
// take turns, trial after trial; each figure is the median of its trials (default 7).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "discovery.h"
#include "list_lock.h"
#include "memory_list_view.h"
#include "private_network.h"
#include "receive_thread.h"
#include "report_bytes.h"
#include "user_messages.h"

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = norvik::test::Bytes;
using namespace std::chrono_literals;

struct Protocol {
    const char* name;
    std::uint16_t port;
};
constexpr Protocol kProtocols[] = {{"pcedit", 4022}, {"3297", 4023}};

// Room for every queued report: the kernel charges each datagram far more than its bytes.
constexpr int kReceiveBufferBytes = 256 << 20;

// A lock shared as the program's is, but apart from any copy that runs for real.
const std::string g_lock_path = "/tmp/norvik-bench-list-lock-" + std::to_string(::getpid());

// Says nothing, and takes the time the receive loops handled the last report: they ask
// whether anybody traces once a datagram, after handling it, on their own thread. So the loops
// stop their clock themselves, as the bare loops do, with no thread watching them.
class Stopwatch : public norvik::UserMessages {
public:
    void ShowMessage(norvik::MessageStyle, std::u16string_view) override {}
    void WriteOutput(std::string_view) override {}
    void WriteDiagnostic(std::string_view) override {}
    bool tracing() const override {
        if (handled_.fetch_add(1) + 1 == target_) {
            end_ = Clock::now();
            done_ = true;
        }
        return false;
    }

    // Starts counting the datagrams handled from now, up to count.
    void Expect(std::uint64_t count) {
        done_ = false;
        target_ = count;
        handled_ = 0;
    }
    // The time the last one was handled; false if it was not within the time-out.
    bool WaitForLast(Clock::time_point& end) const {
        const auto give_up = Clock::now() + 10s;
        while (!done_ && Clock::now() < give_up) {
            std::this_thread::sleep_for(1ms);
        }
        end = end_;
        return done_;
    }

private:
    mutable std::atomic<std::uint64_t> handled_{0};
    std::atomic<std::uint64_t> target_{0};
    mutable std::atomic<bool> done_{false};
    mutable Clock::time_point end_;
};

// The reports of count devices, each with a MAC, address and name of its own.
std::vector<Bytes> Reports(const Protocol& protocol, int count) {
    std::vector<Bytes> reports;
    for (int i = 0; i < count; ++i) {
        norvik::test::Device d;
        const auto high = static_cast<std::uint8_t>(i >> 8);
        const auto low = static_cast<std::uint8_t>(i);
        d.mac = {0x02, 0x4E, 0, 0, high, low};
        d.WithIp({10, 7, high, low}).Named("cam-" + std::to_string(i));
        reports.push_back(protocol.port == 4022 ? norvik::test::PcEditReport(d)
                                                : norvik::test::Report3297(d));
    }
    return reports;
}

// Datagrams this namespace's UDP dropped, a full receive buffer among the reasons: counted
// as they arrive, unlike InDatagrams, which counts what the program has read.
long UdpDropped() {
    std::ifstream snmp("/proc/net/snmp");
    std::string line;
    std::vector<std::string> names;
    while (std::getline(snmp, line)) {
        if (line.rfind("Udp: ", 0) != 0) {
            continue;
        }
        std::istringstream fields(line.substr(5));
        const std::vector<std::string> values{std::istream_iterator<std::string>(fields), {}};
        if (names.empty()) {
            names = values;
            continue;
        }
        const auto at = std::find(names.begin(), names.end(), "InErrors");
        return at == names.end() ? -1
                                 : std::stol(values[static_cast<std::size_t>(at - names.begin())]);
    }
    return -1;
}

// The bytes waiting in the receive queues of the sockets on the port (/proc/net/udp).
long QueuedBytes(std::uint16_t port) {
    std::ifstream udp("/proc/net/udp");
    std::string line;
    std::getline(udp, line);  // the headings
    long queued = 0;
    char port_hex[8];
    std::snprintf(port_hex, sizeof port_hex, ":%04X", port);
    while (std::getline(udp, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state, queues;
        fields >> slot >> local >> remote >> state >> queues;
        if (local.size() >= 5 && local.compare(local.size() - 5, 5, port_hex) == 0) {
            queued += std::stol(queues.substr(queues.find(':') + 1), nullptr, 16);
        }
    }
    return queued;
}

// Sends the reports to the port by broadcast, as the devices do, and waits until the kernel
// has queued them all: the receive queues stop growing. False if any was dropped.
bool SendAndQueue(const std::vector<Bytes>& reports, std::uint16_t port) {
    const long dropped_before = UdpDropped();
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_BROADCAST);
    for (const Bytes& report : reports) {
        ::sendto(fd, report.data(), report.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    }
    ::close(fd);
    for (long last = -1, now = QueuedBytes(port); now != last; now = QueuedBytes(port)) {
        last = now;
        std::this_thread::sleep_for(2ms);
    }
    return UdpDropped() == dropped_before;
}

// Gives every socket of ours on the port the large receive buffer. The receive loops make
// their sockets themselves, so they are found by their port; SO_RCVBUFFORCE because the
// namespace's net.core.rmem_max cannot be raised from inside it.
void EnlargeReceiveBuffers(std::uint16_t port) {
    for (int fd = 3; fd < 1024; ++fd) {
        sockaddr_in bound{};
        socklen_t length = sizeof bound;
        if (::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length) == 0 &&
            bound.sin_family == AF_INET && ntohs(bound.sin_port) == port) {
            ::setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &kReceiveBufferBytes,
                         sizeof kReceiveBufferBytes);
        }
    }
}

// One timed drain: nanoseconds from the release to the last report handled, or -1.
using Drain = double;

// Queues the reports while `lock` holds the receive loops, then times the drain from its release
// to the last report handled.
Drain TimedDrain(norvik::ListLock& lock, Stopwatch& stopwatch, const std::vector<Bytes>& reports,
                 std::uint16_t port) {
    Clock::time_point start;
    {
        std::unique_lock held(lock);
        stopwatch.Expect(reports.size());
        if (!SendAndQueue(reports, port)) {
            return -1;
        }
        start = Clock::now();
    }
    Clock::time_point end;
    if (!stopwatch.WaitForLast(end)) {
        return -1;
    }
    const std::chrono::duration<double, std::nano> took = end - start;
    return took.count();
}

// The receive loops with the list code. New devices: an empty list; refreshes: the same
// reports once more, after they listed every device.
Drain DrainReceiveLoops(const Protocol& protocol, const std::vector<Bytes>& reports, bool refresh) {
    norvik::ListLock lock(g_lock_path);
    norvik::MemoryListView view;
    Stopwatch stopwatch;
    norvik::Discovery discovery(lock, view, stopwatch, [](int) {});
    discovery.Start();
    if (!discovery.WaitUntilListening(5s)) {
        return -1;
    }
    EnlargeReceiveBuffers(protocol.port);
    std::this_thread::sleep_for(20ms);  // our own search requests have come back
    Clock::time_point end;
    if (refresh) {
        stopwatch.Expect(reports.size());
        if (!SendAndQueue(reports, protocol.port) || !stopwatch.WaitForLast(end)) {
            return -1;
        }
    }
    const Drain took = TimedDrain(lock, stopwatch, reports, protocol.port);
    discovery.Stop();
    return took;
}

// What a receive loop costs when its protocol drops every datagram unread.
class HandleNothing : public norvik::ReceiveProtocol {
public:
    explicit HandleNothing(std::uint16_t port) : port_(port) {}
    std::uint16_t port() const override { return port_; }
    void SendStartupSearch() override {}
    norvik::DatagramOutcome Handle(const norvik::ReportContext&, norvik::ByteSpan,
                                   std::uint32_t) override {
        return norvik::DatagramOutcome::Dropped(norvik::DropReason::kWrongMagic);
    }

private:
    std::uint16_t port_;
};

// One receive loop with a protocol that handles nothing; the same drain as the real loops'.
Drain DrainLoopHandlingNothing(const Protocol& protocol, const std::vector<Bytes>& reports) {
    norvik::ListLock lock(g_lock_path);
    norvik::MemoryListView view;
    norvik::DeviceList devices;
    std::atomic<int> busy{0};
    Stopwatch stopwatch;
    HandleNothing nothing(protocol.port);
    const norvik::ReportContext context{devices, view, busy, stopwatch};
    norvik::ReceiveThread thread(nothing, lock, context, stopwatch, [](int) {});
    if (!thread.Start() || !thread.WaitUntilListening(5s)) {
        return -1;
    }
    EnlargeReceiveBuffers(protocol.port);
    return TimedDrain(lock, stopwatch, reports, protocol.port);
}

// A bare loop that only receives: recvfrom one datagram a call, or recvmmsg up to the receive
// loops' batch a call.
Drain DrainBareLoop(const Protocol& protocol, const std::vector<Bytes>& reports, bool batched) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &kReceiveBufferBytes, sizeof kReceiveBufferBytes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(protocol.port);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    std::mutex hold;
    std::unique_lock held(hold);
    Clock::time_point end;
    const std::size_t count = reports.size();
    std::thread loop([&] {
        constexpr std::size_t kBatch = norvik::ReceiveThread::kBatch;
        static std::uint8_t buffers[kBatch][norvik::ReceiveThread::kReceiveBufferSize];
        std::lock_guard released(hold);
        std::size_t received = 0;
        if (batched) {
            iovec parts[kBatch];
            mmsghdr messages[kBatch];
            sockaddr_in from[kBatch];
            while (received < count) {
                for (std::size_t i = 0; i < kBatch; ++i) {
                    parts[i] = {buffers[i], sizeof buffers[i]};
                    messages[i] = {};
                    messages[i].msg_hdr.msg_name = &from[i];
                    messages[i].msg_hdr.msg_namelen = sizeof from[i];
                    messages[i].msg_hdr.msg_iov = &parts[i];
                    messages[i].msg_hdr.msg_iovlen = 1;
                }
                const int got = ::recvmmsg(fd, messages, kBatch, 0, nullptr);
                received += got > 0 ? static_cast<std::size_t>(got) : 0;
            }
        } else {
            sockaddr_in from{};
            while (received < count) {
                socklen_t length = sizeof from;
                if (::recvfrom(fd, buffers[0], sizeof buffers[0], 0,
                               reinterpret_cast<sockaddr*>(&from), &length) >= 0) {
                    ++received;
                }
            }
        }
        end = Clock::now();
    });
    const bool queued = SendAndQueue(reports, protocol.port);
    const Clock::time_point start = Clock::now();
    held.unlock();
    loop.join();
    ::close(fd);
    const std::chrono::duration<double, std::nano> took = end - start;
    return queued ? took.count() : -1;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

std::vector<int> ParseSizes(const std::string& text) {
    std::vector<int> sizes;
    std::istringstream parts(text);
    for (std::string part; std::getline(parts, part, ',');) {
        sizes.push_back(std::stoi(part));
    }
    return sizes;
}

}  // namespace

int main(int argc, char** argv) {
    int trials = 7;
    std::vector<int> sizes{256, 1024, 4096, 16384};
    bool handle_nothing = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--handle-nothing") == 0) {
            handle_nothing = true;
        } else if (i + 1 < argc && std::strcmp(argv[i], "--trials") == 0) {
            trials = std::max(1, std::atoi(argv[++i]));
        } else if (i + 1 < argc && std::strcmp(argv[i], "--sizes") == 0) {
            sizes = ParseSizes(argv[++i]);
        } else {
            // A mistyped option must not start a run that measures something else.
            std::fprintf(stderr,
                         "usage: norvik-bench-ingest [--trials K] [--sizes 256,1024,4096,16384] "
                         "[--handle-nothing]\n");
            return std::strcmp(argv[i], "--help") == 0 ? 0 : 2;
        }
    }
    const auto entered =
        norvik::netns::EnterPrivateNetwork(norvik::netns::BroadcastRoute::kLoopback);
    if (!entered.entered) {
        std::fprintf(stderr, "norvik-bench-ingest: no private network namespace: %s\n",
                     entered.reason.c_str());
        return 77;
    }
    std::printf(
        "Reports queued, then drained; the median of %d trials, in reports/s and ns a report.%s\n",
        trials, handle_nothing ? " The loops handle nothing." : "");
    std::vector<std::string> summary;
    for (const int count : sizes) {
        for (const Protocol& protocol : kProtocols) {
            const std::vector<Bytes> reports = Reports(protocol, count);
            for (const bool refresh : {false, true}) {
                std::vector<double> loops, recvfrom_ns, recvmmsg_ns;
                int failed = 0;
                for (int trial = 0; trial < trials; ++trial) {
                    // The three take turns, so that a slow spell of the machine hits all alike.
                    // Handling nothing, a refresh is the same as a new device.
                    const double a = handle_nothing ? DrainLoopHandlingNothing(protocol, reports)
                                                    : DrainReceiveLoops(protocol, reports, refresh);
                    const double b = DrainBareLoop(protocol, reports, false);
                    const double c = DrainBareLoop(protocol, reports, true);
                    if (a < 0 || b < 0 || c < 0) {
                        ++failed;
                        continue;
                    }
                    loops.push_back(a);
                    recvfrom_ns.push_back(b);
                    recvmmsg_ns.push_back(c);
                }
                const auto rate = [&](double ns) { return ns > 0 ? count * 1e9 / ns : 0; };
                const double l = Median(loops), f = Median(recvfrom_ns), m = Median(recvmmsg_ns);
                const char* kind = refresh ? "refresh" : "new";
                std::printf(
                    "N=%-5d %-6s %-7s loops %8.0f/s %6.0f ns | recvfrom %8.0f/s %6.0f ns | "
                    "recvmmsg %8.0f/s %6.0f ns%s\n",
                    count, protocol.name, kind, rate(l), l / count, rate(f), f / count, rate(m),
                    m / count,
                    failed > 0 ? (" (" + std::to_string(failed) + " trials lost reports)").c_str()
                               : "");
                char line[256];
                std::snprintf(line, sizeof line,
                              "N=%d %s %s: loops %.0f /s, recvfrom %.0f /s, recvmmsg %.0f /s, "
                              "ratio_recvmmsg %.2f, ratio_recvfrom %.2f",
                              count, protocol.name, kind, rate(l), rate(f), rate(m),
                              m > 0 && l > 0 ? m / l : 0, f > 0 && l > 0 ? f / l : 0);
                summary.push_back(line);
                std::fflush(stdout);
            }
        }
    }
    for (const std::string& line : summary) {
        std::printf("%s\n", line.c_str());
    }
    ::unlink(g_lock_path.c_str());
    return 0;
}
