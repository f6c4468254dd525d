// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>
#include <netioapi.h>
// clang-format on

#include <cstring>

#include "neighbour_table.h"

namespace norvik {

std::optional<MacAddress> NeighbourMac(const Ipv4& address, const NetworkInterface& card) {
    MIB_IPNET_ROW2 row{};
    row.Address.si_family = AF_INET;
    std::memcpy(&row.Address.Ipv4.sin_addr, address.data(), address.size());
    row.InterfaceIndex = card.index;
    // Incomplete and unreachable entries hold no address yet; stale ones still hold the last.
    if (::GetIpNetEntry2(&row) != NO_ERROR || row.PhysicalAddressLength != 6 ||
        row.State == NlnsUnreachable || row.State == NlnsIncomplete) {
        return std::nullopt;
    }
    MacAddress mac{};
    std::memcpy(mac.data(), row.PhysicalAddress, mac.size());
    if (mac == MacAddress{}) {
        return std::nullopt;
    }
    return mac;
}

}  // namespace norvik
