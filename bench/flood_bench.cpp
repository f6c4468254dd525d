// What one report costs the list code for every kind of report a hostile network can send,
// against a plain refresh of a known device in the same run: the device list and the rows of
// the scanner (and of the windows' model), fed datagrams directly, without sockets.
//
//   norvik-bench-flood [--reports N]
//
// Each kind sends N reports (20,000 unless given), the floods of made-up devices 10 N. Run
// bare it prints nanoseconds per report; under callgrind (bench/flood-instructions.sh) each
// kind is a dump of its own, and the script prints instructions per report.
#include <valgrind/callgrind.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "device_list.h"
#include "device_report.h"
#include "memory_list_view.h"
#include "pcedit.h"
#include "protocol_3297.h"
#include "report_bytes.h"
#include "user_messages.h"

namespace {

using norvik::test::Bytes;
using norvik::test::Device;

class QuietMessages : public norvik::UserMessages {
public:
    void ShowMessage(norvik::MessageStyle, std::u16string_view) override { ++shown; }
    void WriteOutput(std::string_view) override {}
    void WriteDiagnostic(std::string_view) override {}
    long shown = 0;
};

struct List {
    norvik::DeviceList devices;
    norvik::MemoryListView view;
    std::atomic<int> busy{0};
    QuietMessages messages;
    norvik::ReportContext context() { return {devices, view, busy, messages}; }
};

Device Numbered(std::uint32_t i, std::uint8_t first_octet = 10) {
    Device d;
    d.mac = {0x02,
             0x4E,
             static_cast<std::uint8_t>(i >> 24),
             static_cast<std::uint8_t>(i >> 16),
             static_cast<std::uint8_t>(i >> 8),
             static_cast<std::uint8_t>(i)};
    d.ip = {first_octet, static_cast<std::uint8_t>(i >> 16), static_cast<std::uint8_t>(i >> 8),
            static_cast<std::uint8_t>(i)};
    d.Named("cam-" + std::to_string(i));
    return d;
}

// Lists n devices, as a search of a large network would.
void ListDevices(List& list, std::uint32_t n) {
    for (std::uint32_t i = 0; i < n; ++i) {
        norvik::pcedit::HandleDatagram(list.context(), norvik::test::PcEditReport(Numbered(i)));
    }
}

struct Kind {
    const char* name;
    // Makes the list as the kind finds it, and the reports it sends.
    std::function<std::vector<Bytes>(List&, std::size_t)> prepare;
    bool over_3297 = false;
    // A flood of made-up devices is measured whole, ten times as many reports as the others:
    // its first 16,384 make devices, the rest find the list full.
    bool whole_flood = false;
};

struct Measured {
    std::size_t reports;
    double nanoseconds_each;
};

// The datagrams of one kind go through the handler as the receive loop hands them over.
Measured Run(const Kind& kind, std::size_t reports) {
    List list;
    const std::vector<Bytes> datagrams =
        kind.prepare(list, kind.whole_flood ? 10 * reports : reports);
    const auto start = std::chrono::steady_clock::now();
    CALLGRIND_ZERO_STATS;
    CALLGRIND_TOGGLE_COLLECT;
    for (const Bytes& datagram : datagrams) {
        if (kind.over_3297) {
            // The receive loop's look before the lock, then the handling.
            if (norvik::p3297::IsLoginFailedReport(datagram)) {
                list.messages.ShowMessage(norvik::MessageStyle::kApplication,
                                          norvik::p3297::kLoginFailedMessage);
            }
            norvik::p3297::HandleDatagram(list.context(), datagram);
        } else {
            norvik::pcedit::HandleDatagram(list.context(), datagram);
        }
    }
    CALLGRIND_TOGGLE_COLLECT;
    CALLGRIND_DUMP_STATS_AT(kind.name);
    const std::chrono::duration<double, std::nano> took = std::chrono::steady_clock::now() - start;
    return {datagrams.size(), took.count() / static_cast<double>(datagrams.size())};
}

std::vector<Kind> Kinds() {
    constexpr std::uint32_t kListed = 4096;
    return {
        {"plain-refresh",
         [](List& list, std::size_t n) {
             ListDevices(list, kListed);
             std::vector<Bytes> reports;
             for (std::size_t i = 0; i < n; ++i) {
                 reports.push_back(norvik::test::PcEditReport(Numbered(i % kListed)));
             }
             return reports;
         }},
        {"spoofed-new-devices",
         [](List&, std::size_t n) {
             std::vector<Bytes> reports;
             for (std::size_t i = 0; i < n; ++i) {
                 reports.push_back(norvik::test::PcEditReport(Numbered(i)));
             }
             return reports;
         },
         false, true},
        {"first-octet-0-one-mac",
         [](List&, std::size_t n) {
             return std::vector<Bytes>(n, norvik::test::PcEditReport(Numbered(1, 0)));
         },
         false, true},
        {"one-new-device",
         [](List& list, std::size_t n) {
             // What each of the flood's first devices costs: the list filling, never full.
             ListDevices(list, kListed);
             std::vector<Bytes> reports;
             for (std::size_t i = 0; i < std::min(n, norvik::DeviceList::kMaxDevices - kListed);
                  ++i) {
                 reports.push_back(norvik::test::PcEditReport(Numbered(kListed + i)));
             }
             return reports;
         }},
        {"junk-name-relists",
         [](List& list, std::size_t n) {
             ListDevices(list, kListed);
             Device junk = Numbered(kListed / 2);
             junk.name[15] = 'J';  // after the name's NUL: re-listed at every report
             return std::vector<Bytes>(n, norvik::test::PcEditReport(junk));
         }},
        {"type-3-reports",
         [](List& list, std::size_t n) {
             for (std::uint32_t i = 0; i < kListed; ++i) {
                 norvik::p3297::HandleDatagram(list.context(),
                                               norvik::test::Report3297(Numbered(i)));
             }
             std::vector<Bytes> reports;
             for (std::size_t i = 0; i < n; ++i) {
                 reports.push_back(norvik::test::Report3297(Numbered(i % kListed), 3));
             }
             return reports;
         },
         true},
        {"random-junk",
         [](List& list, std::size_t n) {
             ListDevices(list, kListed);
             std::mt19937 random(4022);
             std::vector<Bytes> junk;
             for (std::size_t i = 0; i < n; ++i) {
                 Bytes datagram(std::uniform_int_distribution<std::size_t>(0, 1000)(random));
                 for (auto& byte : datagram) {
                     byte = static_cast<std::uint8_t>(random());
                 }
                 if (i % 2 == 0 && datagram.size() >= 5) {
                     std::memcpy(datagram.data(), "IPCam", 5);  // past the magic test
                 }
                 junk.push_back(std::move(datagram));
             }
             return junk;
         }},
    };
}

}  // namespace

int main(int argc, char** argv) {
    std::size_t reports = 20000;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--reports") == 0 && i + 1 < argc) {
            reports = std::stoul(argv[++i]);
        } else {
            std::fprintf(stderr, "usage: norvik-bench-flood [--reports N]\n");
            return 2;
        }
    }
    double plain = 0;
    std::printf("%-22s %8s %12s %10s\n", "kind", "reports", "ns/report", "to plain");
    for (const Kind& kind : Kinds()) {
        const Measured measured = Run(kind, reports);
        if (plain == 0) {
            plain = measured.nanoseconds_each;
        }
        std::printf("%-22s %8zu %12.0f %10.2f\n", kind.name, measured.reports,
                    measured.nanoseconds_each, measured.nanoseconds_each / plain);
    }
    return 0;
}
