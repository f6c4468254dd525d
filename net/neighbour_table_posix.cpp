#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "neighbour_table.h"

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

NeighbourTable NeighbourTable::Read() {
    // The kernel's table of this network namespace. Through self: /proc/net is missing where
    // /proc shows processes alone, as it does for the systemd service (ProcSubset=pid).
    std::ifstream file("/proc/self/net/arp");
    std::ostringstream text;
    text << file.rdbuf();
    return FromArpText(text.str());
}

NeighbourTable NeighbourTable::FromArpText(std::string_view text) {
    NeighbourTable table;
    std::istringstream lines{std::string(text)};
    std::string line;
    std::getline(lines, line);  // the heading
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string ip, hardware_type, flags, mac_text, mask, device;
        if (!(fields >> ip >> hardware_type >> flags >> mac_text >> mask >> device) ||
            (std::strtol(flags.c_str(), nullptr, 16) & kArpComplete) == 0) {
            continue;
        }
        // Keyed by the address as the kernel writes it, which is how DottedAddress writes it.
        const std::optional<MacAddress> mac = ReadMac(mac_text);
        if (mac && *mac != MacAddress{}) {
            table.macs_.emplace(std::pair(device, ip), *mac);
        }
    }
    return table;
}

std::string NeighbourTable::CardKey(const NetworkInterface& card) {
    return card.name;
}

}  // namespace norvik
