#include "devsim/burst.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "devsim/output.h"
#include "devsim/packets.h"
#include "devsim/udp.h"

namespace norvik::devsim {
namespace {

using Clock = std::chrono::steady_clock;

// A full socket buffer is waited out; this long without progress is a failure.
constexpr auto kGiveUpAfter = std::chrono::seconds(5);

Protocol ProtocolOf(BurstProtocol protocol, std::uint32_t index) {
    switch (protocol) {
        case BurstProtocol::kPcEdit:
            return Protocol::kPcEdit;
        case BurstProtocol::k3297:
            return Protocol::k3297;
        case BurstProtocol::kBoth:
            break;
    }
    return index % 2 == 0 ? Protocol::kPcEdit : Protocol::k3297;
}

bool IsTransient(int error) {
    return error == ENOBUFS || error == EAGAIN || error == EWOULDBLOCK || error == EINTR;
}

}  // namespace

int RunBurst(const BurstSettings& settings) {
    std::string error;
    std::uint16_t local_port = 0;
    const UdpSocket sender = OpenBroadcastSender(local_port, error);
    if (!sender.is_open()) {
        std::fprintf(stderr, "norvik-devsim: %s\n", error.c_str());
        return 1;
    }
    const std::uint64_t total = std::uint64_t{settings.devices} * settings.rounds;
    const auto start = Clock::now();
    // Each report has its own due time from the start, so a late wake-up is caught up at
    // once instead of slowing every following report.
    const std::chrono::duration<double> interval(settings.rate > 0 ? 1.0 / settings.rate : 0);
    for (std::uint64_t sent = 0; sent < total; ++sent) {
        const auto index = static_cast<std::uint32_t>(sent % settings.devices);
        const Device device =
            GenerateDevice(ProtocolOf(settings.protocol, index), index, settings.base);
        const auto report = BuildReport(device);
        if (settings.rate > 0) {
            std::this_thread::sleep_until(
                start + std::chrono::duration_cast<Clock::duration>(interval * double(sent)));
        }
        const auto first_try = Clock::now();
        int failure = SendBroadcast(sender, ReportPort(device), report);
        while (IsTransient(failure) && Clock::now() - first_try < kGiveUpAfter) {
            std::this_thread::sleep_for(std::chrono::microseconds(100));
            failure = SendBroadcast(sender, ReportPort(device), report);
        }
        if (failure != 0) {
            std::fprintf(stderr, "norvik-devsim: report %llu of %llu not sent: %s\n",
                         static_cast<unsigned long long>(sent + 1),
                         static_cast<unsigned long long>(total), std::strerror(failure));
            return 1;
        }
    }
    const std::chrono::duration<double> elapsed = Clock::now() - start;
    char line[96];
    std::snprintf(line, sizeof line, "sent %llu in %.3f seconds",
                  static_cast<unsigned long long>(total), elapsed.count());
    PrintLine(line);
    return 0;
}

}  // namespace norvik::devsim
