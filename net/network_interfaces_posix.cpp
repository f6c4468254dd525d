#include "network_interfaces.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <algorithm>
#include <cstring>

namespace norvik {

std::vector<NetworkInterface> BroadcastInterfaces() {
    std::vector<NetworkInterface> found;
    ifaddrs* all = nullptr;
    if (::getifaddrs(&all) != 0) {
        return found;
    }
    for (const ifaddrs* i = all; i != nullptr; i = i->ifa_next) {
        const unsigned flags = i->ifa_flags;
        if (i->ifa_addr == nullptr || i->ifa_addr->sa_family != AF_INET || (flags & IFF_UP) == 0 ||
            (flags & IFF_LOOPBACK) != 0 || (flags & IFF_BROADCAST) == 0) {
            continue;
        }
        const unsigned index = ::if_nametoindex(i->ifa_name);
        // A card with several addresses is searched once, through its first.
        if (index == 0 || std::any_of(found.begin(), found.end(), [&](const NetworkInterface& c) {
                return c.index == index;
            })) {
            continue;
        }
        const auto octets = [](const sockaddr* address) {
            Ipv4 ip{};
            if (address != nullptr) {
                const auto* in = reinterpret_cast<const sockaddr_in*>(address);
                std::memcpy(ip.data(), &in->sin_addr, ip.size());
            }
            return ip;
        };
        found.push_back({index, i->ifa_name, octets(i->ifa_addr), octets(i->ifa_netmask)});
    }
    ::freeifaddrs(all);
    return found;
}

std::string InterfaceName(std::uint32_t index) {
    char name[IF_NAMESIZE];
    if (index == 0 || ::if_indextoname(index, name) == nullptr) {
        return {};
    }
    return name;
}

}  // namespace norvik
