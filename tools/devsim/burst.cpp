#include "devsim/burst.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

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

// Round r of a churning burst: the address's last octet moves up by r and the name tells the
// round, so every report of a new round is a changed device.
void Churn(Device& device, int round) {
    device.ip[3] = static_cast<std::uint8_t>(device.ip[3] + round);
    const std::string name = "dev-" + std::to_string(device.mac[4] << 8 | device.mac[5]) + "-r" +
                             std::to_string(round % 1000);
    device.name.fill(0);
    std::copy_n(name.begin(), std::min(name.size(), device.name.size()), device.name.begin());
}

// Datagrams a network may carry to the devices' ports besides reports: random bytes of
// random length, some with a report's magic in front.
std::vector<std::uint8_t> Junk(std::mt19937& random) {
    std::vector<std::uint8_t> bytes(random() % 1200);
    for (auto& b : bytes) {
        b = static_cast<std::uint8_t>(random());
    }
    if (bytes.size() >= 5 && random() % 2 == 0) {
        std::copy_n(random() % 2 == 0 ? "IPCam" : "3297\xBD", 5, bytes.begin());
    }
    return bytes;
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
    std::mt19937 random(12345);  // the same junk every run
    const auto start = Clock::now();
    // Each report has its own due time from the start, so a late wake-up is caught up at
    // once instead of slowing every following report.
    const std::chrono::duration<double> interval(settings.rate > 0 ? 1.0 / settings.rate : 0);
    for (std::uint64_t sent = 0; sent < total; ++sent) {
        const auto index = static_cast<std::uint32_t>(sent % settings.devices);
        Device device = GenerateDevice(ProtocolOf(settings.protocol, index), index, settings.base);
        if (settings.churn) {
            Churn(device, static_cast<int>(sent / settings.devices));
        }
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
        if (failure == 0 && settings.junk_every > 0 && (sent + 1) % settings.junk_every == 0) {
            const std::uint16_t port = random() % 2 == 0 ? wire::kPcEditPort : wire::k3297Port;
            SendBroadcast(sender, port, Junk(random));  // junk may be lost like any datagram
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
