#include "device_warnings.h"

#include <map>
#include <set>

#include "ip_address.h"
#include "submit_checks.h"

namespace norvik::cli {
namespace {

bool Contiguous(const Ipv4& netmask) {
    const std::uint32_t mask = PackedAddress(netmask);
    // Ones then zeros: the inverted mask plus one is a power of two (or 0 for 255.255.255.255).
    const std::uint32_t host = ~mask;
    return (host & (host + 1)) == 0;
}

}  // namespace

std::vector<std::vector<std::string>> DeviceWarnings(std::span<const DeviceRecord> devices,
                                                     std::span<const NetworkInterface> cards) {
    std::map<Ipv4, std::set<MacAddress>> macs_by_ip;
    for (const DeviceRecord& d : devices) {
        macs_by_ip[d.ip].insert(d.mac);
    }
    constexpr Ipv4 kNoAddress{0, 0, 0, 0};
    std::vector<std::vector<std::string>> warnings;
    for (const DeviceRecord& d : devices) {
        std::vector<std::string>& w = warnings.emplace_back();
        if (d.ip == kNoAddress) {
            w.push_back("no-address");
            continue;
        }
        if (d.ip[0] == 169 && d.ip[1] == 254) {
            w.push_back("link-local");
        }
        if (macs_by_ip[d.ip].size() > 1) {
            w.push_back("duplicate-ip");
        }
        bool reachable = false;
        for (const NetworkInterface& card : cards) {
            reachable = reachable || InOneSubnet(d.ip, card.address, card.netmask);
        }
        if (!reachable) {
            w.push_back("outside-every-card");
        }
        pcedit::SetValues values;
        values.ip = d.ip;
        values.gateway = d.gateway;
        values.netmask = d.netmask;
        if (NeedsSubnetQuestion(values)) {
            w.push_back("gateway-outside-subnet");
        }
        if (!Contiguous(d.netmask)) {
            w.push_back("netmask-not-contiguous");
        }
    }
    return warnings;
}

}  // namespace norvik::cli
