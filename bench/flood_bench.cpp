// What one report costs the list code for every kind of report a hostile network can send,
// against a plain refresh of a known device in the same run: the device list and the rows of
// the scanner (and of the windows' model), fed datagrams directly, without sockets.
//
//   norvik-bench-flood [--reports N]
//   norvik-bench-flood --onvif-memory
//   bench/onvif-macs.sh [BUILD_DIR] [N]   (norvik-bench-flood --onvif-macs N)
//
// Each kind sends N reports (20,000 unless given), the floods of made-up devices 10 N. Run
// bare it prints nanoseconds per report; under callgrind (bench/flood-instructions.sh) each
// kind is a dump of its own, and the script prints instructions per report. The ONVIF kinds
// are WS-Discovery replies to the search for cameras. --onvif-memory fills the cameras' list
// to its bound with the largest replies it keeps and prints the heap it then holds;
// --onvif-macs times the MACs of N cameras looked up in a neighbour table of N entries.
#include <malloc.h>
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
#include "onvif_search.h"
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
    // Not started: no socket, only its list.
    norvik::OnvifSearch cameras{messages, true};
};

// A ProbeMatches as a camera sends it (about 1.2 KiB), its endpoint numbered; `scopes_bytes`
// pads its scopes to that many bytes.
Bytes ProbeMatch(std::uint32_t i, std::size_t scopes_bytes = 0) {
    const std::string number = std::to_string(i);
    std::string scopes =
        "onvif://www.onvif.org/type/video_encoder onvif://www.onvif.org/Profile/Streaming "
        "onvif://www.onvif.org/name/cam-" +
        number + " onvif://www.onvif.org/hardware/NV-100 onvif://www.onvif.org/location/Hall";
    while (scopes.size() < scopes_bytes) {
        scopes += " onvif://www.onvif.org/x/" + std::string(std::min<std::size_t>(
                                                                 60, scopes_bytes - scopes.size()),
                                                             'x');
    }
    if (scopes_bytes > 0) {
        scopes.resize(scopes_bytes);
    }
    const std::string text =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><SOAP-ENV:Envelope "
        "xmlns:SOAP-ENV=\"http://www.w3.org/2003/05/soap-envelope\" "
        "xmlns:wsa=\"http://schemas.xmlsoap.org/ws/2004/08/addressing\" "
        "xmlns:d=\"http://schemas.xmlsoap.org/ws/2005/04/discovery\" "
        "xmlns:dn=\"http://www.onvif.org/ver10/network/wsdl\"><SOAP-ENV:Header>"
        "<wsa:MessageID>urn:uuid:5d0c8a52-0000-4000-8000-0000" +
        number + "</wsa:MessageID><wsa:RelatesTo>urn:uuid:1</wsa:RelatesTo><wsa:To>"
        "http://schemas.xmlsoap.org/ws/2004/08/addressing/role/anonymous</wsa:To><wsa:Action>"
        "http://schemas.xmlsoap.org/ws/2005/04/discovery/ProbeMatches</wsa:Action>"
        "</SOAP-ENV:Header><SOAP-ENV:Body><d:ProbeMatches><d:ProbeMatch>"
        "<wsa:EndpointReference><wsa:Address>urn:uuid:6a1d0c1e-0000-4000-8000-" +
        number + "</wsa:Address></wsa:EndpointReference><d:Types>dn:NetworkVideoTransmitter"
        "</d:Types><d:Scopes>" +
        scopes + "</d:Scopes><d:XAddrs>http://10.0.0.5/onvif/device_service</d:XAddrs>"
        "<d:MetadataVersion>1</d:MetadataVersion></d:ProbeMatch></d:ProbeMatches>"
        "</SOAP-ENV:Body></SOAP-ENV:Envelope>";
    return Bytes(text.begin(), text.end());
}

Bytes TextBytes(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

void HandleOnvif(List& list, const Bytes& datagram, norvik::Ipv4 source = {10, 0, 0, 5}) {
    norvik::ReceivedDatagram arrival;
    arrival.length = static_cast<int>(datagram.size());
    arrival.source = source;
    list.cameras.HandleDatagram(arrival, datagram);
}

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
    bool over_onvif = false;
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
        if (kind.over_onvif) {
            HandleOnvif(list, datagram);
        } else if (kind.over_3297) {
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
        {"onvif-known-camera",
         [](List& list, std::size_t n) {
             for (std::uint32_t i = 0; i < kListed; ++i) {
                 HandleOnvif(list, ProbeMatch(i));
             }
             std::vector<Bytes> replies;
             for (std::size_t i = 0; i < n; ++i) {
                 replies.push_back(ProbeMatch(static_cast<std::uint32_t>(i % kListed)));
             }
             return replies;
         },
         false, false, true},
        {"onvif-new-endpoints",
         [](List&, std::size_t n) {
             std::vector<Bytes> replies;
             for (std::size_t i = 0; i < n; ++i) {
                 replies.push_back(ProbeMatch(static_cast<std::uint32_t>(i)));
             }
             return replies;
         },
         false, true, true},
        {"onvif-entity-bomb",
         [](List&, std::size_t n) {
             return std::vector<Bytes>(
                 n, TextBytes("<?xml version=\"1.0\"?><!DOCTYPE l [<!ENTITY a \"aaaaaaaaaa\">"
                              "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
                              "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">]><l>&c;</l>"));
         },
         false, false, true},
        {"onvif-not-a-camera",
         [](List&, std::size_t n) {
             Bytes reply = ProbeMatch(1);
             const std::string text(reply.begin(), reply.end());
             const std::string computer =
                 std::string(text).replace(text.find("dn:NetworkVideoTransmitter"), 26,
                                           "wsdp:Device");
             return std::vector<Bytes>(n, TextBytes(computer));
         },
         false, false, true},
        {"onvif-cut-replies",
         [](List&, std::size_t n) {
             // Replies cut anywhere: malformed XML, found out as far as the cut.
             const Bytes whole = ProbeMatch(1);
             std::mt19937 random(3702);
             std::vector<Bytes> replies;
             for (std::size_t i = 0; i < n; ++i) {
                 const std::size_t cut =
                     std::uniform_int_distribution<std::size_t>(0, whole.size() - 1)(random);
                 replies.emplace_back(whole.begin(), whole.begin() + static_cast<long>(cut));
             }
             return replies;
         },
         false, false, true},
    };
}

// The heap the cameras' list holds at its bound, each camera's reply as large as one kept.
int PrintOnvifMemory() {
    const std::size_t before = mallinfo2().uordblks;
    {
        List list;
        const std::size_t with_list = mallinfo2().uordblks;
        const std::size_t scopes = norvik::kMaxOnvifRecordText - 200;
        for (std::uint32_t i = 0; i < norvik::DeviceList::kMaxDevices + 1; ++i) {
            HandleOnvif(list, ProbeMatch(i, scopes));
        }
        const std::size_t full = mallinfo2().uordblks;
        const auto devices = list.cameras.Devices();
        std::printf("cameras %zu (one more dropped: %llu), reply %zu bytes, heap %.1f MiB "
                    "(%.0f bytes a camera)\n",
                    devices.size(),
                    static_cast<unsigned long long>(
                        list.cameras.dropped(norvik::DropReason::kListFull)),
                    ProbeMatch(0, scopes).size(),
                    static_cast<double>(full - with_list) / (1 << 20),
                    static_cast<double>(full - with_list) / static_cast<double>(devices.size()));
    }
    std::printf("heap after the list is gone: %+lld bytes\n",
                static_cast<long long>(mallinfo2().uordblks) - static_cast<long long>(before));
    return 0;
}

// The time the cameras' list takes to find the MACs of `count` cameras on a card's subnet
// (10.0.0.0/16 from 10.0.0.2 on), as bench/onvif-macs.sh sets up the card and its neighbour
// table.
int PrintOnvifMacs(std::uint32_t count) {
    List list;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t host = i + 2;
        HandleOnvif(list, ProbeMatch(i),
                    {10, 0, static_cast<std::uint8_t>(host >> 8), static_cast<std::uint8_t>(host)});
    }
    const auto start = std::chrono::steady_clock::now();
    const auto devices = list.cameras.Devices();
    const auto took = std::chrono::steady_clock::now() - start;
    const auto found = std::count_if(devices.begin(), devices.end(),
                                     [](const norvik::OnvifDevice& d) { return d.mac.has_value(); });
    std::printf("cameras %zu, MACs found %td, %.1f ms\n", devices.size(), found,
                std::chrono::duration<double, std::milli>(took).count());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::size_t reports = 20000;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--reports") == 0 && i + 1 < argc) {
            reports = std::stoul(argv[++i]);
        } else if (std::strcmp(argv[i], "--onvif-memory") == 0) {
            return PrintOnvifMemory();
        } else if (std::strcmp(argv[i], "--onvif-macs") == 0 && i + 1 < argc) {
            return PrintOnvifMacs(static_cast<std::uint32_t>(std::stoul(argv[++i])));
        } else {
            std::fprintf(stderr, "usage: norvik-bench-flood [--reports N | --onvif-memory | "
                                 "--onvif-macs N]\n");
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
