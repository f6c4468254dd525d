#pragma once

#include <optional>

#include "device_record.h"
#include "network_interfaces.h"

namespace norvik {

// The MAC address the system's neighbour (ARP) table holds for this IPv4 address on this card,
// if it holds a resolved entry for it. The caller makes sure the address is on the card's
// subnet: beyond a router the table would give the router's MAC.
std::optional<MacAddress> NeighbourMac(const Ipv4& address, const NetworkInterface& card);

}  // namespace norvik
