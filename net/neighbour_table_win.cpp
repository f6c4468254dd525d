// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>
#include <netioapi.h>
// clang-format on

#include <cstring>

#include "neighbour_table.h"

namespace norvik {

NeighbourTable NeighbourTable::Read() {
    NeighbourTable table;
    MIB_IPNET_TABLE2* rows = nullptr;
    if (::GetIpNetTable2(AF_INET, &rows) != NO_ERROR) {
        return table;
    }
    for (ULONG i = 0; i < rows->NumEntries; ++i) {
        const MIB_IPNET_ROW2& row = rows->Table[i];
        // Incomplete and unreachable entries hold no address yet; stale ones still hold the
        // last.
        if (row.PhysicalAddressLength != 6 || row.State == NlnsUnreachable ||
            row.State == NlnsIncomplete) {
            continue;
        }
        Ipv4 address{};
        std::memcpy(address.data(), &row.Address.Ipv4.sin_addr, address.size());
        MacAddress mac{};
        std::memcpy(mac.data(), row.PhysicalAddress, mac.size());
        if (mac != MacAddress{}) {
            table.macs_.emplace(
                std::pair(std::to_string(row.InterfaceIndex), DottedAddress(address)), mac);
        }
    }
    ::FreeMibTable(rows);
    return table;
}

std::string NeighbourTable::CardKey(const NetworkInterface& card) {
    return std::to_string(card.index);
}

}  // namespace norvik
