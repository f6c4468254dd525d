#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "neighbour_table.h"
#include "trace.h"

namespace norvik {
namespace {

constexpr int kArpComplete = 0x2;  // ATF_COM

std::optional<MacAddress> ReadMac(const std::string& text) {
    MacAddress mac{};
    unsigned parts[6];
    char end = 0;
    if (std::sscanf(text.c_str(), "%2x:%2x:%2x:%2x:%2x:%2x%c", &parts[0], &parts[1], &parts[2],
                    &parts[3], &parts[4], &parts[5], &end) != 6) {
        return std::nullopt;
    }
    for (int i = 0; i < 6; ++i) {
        mac[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(parts[i]);
    }
    return mac;
}

}  // namespace

std::optional<MacAddress> NeighbourMac(const Ipv4& address, const NetworkInterface& card) {
    // The kernel's table of this network namespace:
    // "IP address  HW type  Flags  HW address  Mask  Device".
    std::ifstream table("/proc/net/arp");
    const std::string wanted = DottedAddress(address);
    std::string line;
    std::getline(table, line);  // the heading
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string ip, hardware_type, flags, mac, mask, device;
        if (!(fields >> ip >> hardware_type >> flags >> mac >> mask >> device) || ip != wanted ||
            device != card.name) {
            continue;
        }
        if ((std::strtol(flags.c_str(), nullptr, 16) & kArpComplete) == 0) {
            return std::nullopt;
        }
        const auto read = ReadMac(mac);
        if (read && *read != MacAddress{}) {
            return read;
        }
        return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace norvik
