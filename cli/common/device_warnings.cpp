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

// Who has an address: the MACs, and the endpoints of cameras whose MAC is not known.
struct Holders {
    std::set<MacAddress> macs;
    std::set<std::string> endpoints;
    bool several() const { return macs.size() > 1 || endpoints.size() > 1; }
};

// shared_mac: the device's MAC answered from another address too.
void AddressWarnings(const Ipv4& ip, const Holders& holders, bool shared_mac,
                     std::span<const NetworkInterface> cards, std::vector<std::string>& w) {
    if (ip[0] == 169 && ip[1] == 254) {
        w.push_back("link-local");
    }
    if (holders.several()) {
        w.push_back("duplicate-ip");
    }
    if (shared_mac) {
        w.push_back("duplicate-mac");
    }
    bool reachable = false;
    for (const NetworkInterface& card : cards) {
        reachable = reachable || InOneSubnet(ip, card.address, card.netmask);
    }
    if (!reachable) {
        w.push_back("outside-every-card");
    }
}

}  // namespace

std::vector<std::vector<std::string>> DeviceWarnings(std::span<const DeviceRecord> devices,
                                                     std::span<const NetworkInterface> cards,
                                                     const SiteCameras& cameras) {
    std::map<Ipv4, Holders> holders;
    for (const DeviceRecord& d : devices) {
        holders[d.ip].macs.insert(d.mac);
    }
    for (const OnvifDevice* camera : cameras.alone()) {
        Holders& of_ip = holders[camera->source];
        if (camera->mac) {
            of_ip.macs.insert(*camera->mac);
        } else {
            of_ip.endpoints.insert(camera->match.endpoint);
        }
    }
    constexpr Ipv4 kNoAddress{0, 0, 0, 0};
    std::vector<std::vector<std::string>> warnings;
    for (const DeviceRecord& d : devices) {
        std::vector<std::string>& w = warnings.emplace_back();
        if (d.ip == kNoAddress) {
            w.push_back("no-address");
            continue;
        }
        AddressWarnings(d.ip, holders[d.ip], d.other_address_heard, cards, w);
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
    for (const OnvifDevice* camera : cameras.alone()) {
        std::vector<std::string>& w = warnings.emplace_back();
        if (camera->source == kNoAddress) {
            w.push_back("no-address");
            continue;
        }
        AddressWarnings(camera->source, holders[camera->source], false, cards, w);
    }
    return warnings;
}

}  // namespace norvik::cli
