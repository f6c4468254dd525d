#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "device_record.h"

namespace norvik {

// A network card that requests can be broadcast through.
struct NetworkInterface {
    std::uint32_t index = 0;  // the system's interface index, never 0
    std::string name;         // Linux: its name; Windows: its friendly name (UTF-8)
    Ipv4 address{};           // its first IPv4 address
    Ipv4 netmask{};           // that address's subnet mask
};

// Every IPv4 interface that is up, not loopback and able to broadcast, in the system's order,
// each once. Read afresh for every request, so a card plugged in or taken down is seen at the
// next search.
std::vector<NetworkInterface> BroadcastInterfaces();

// The cards the two protocols' requests go out through: BroadcastInterfaces(), then on Linux
// every card that is up with a link, can broadcast and has no IPv4 address (its address and
// netmask 0.0.0.0 here), unless it is a port of another link (a bridge's, a bond's), which is
// searched through that link. A camera switch without a DHCP server leaves the card cabled to
// it without an address on Linux; its devices still hear the search, which leaves with another
// card's address as its source, and their broadcast reports come back through the card.
// Windows gives such a card an address of 169.254.0.0/16, so there both lists are the same.
std::vector<NetworkInterface> SendingInterfaces();

// The name of the interface with this index, as NetworkInterface names it; empty when there
// is none (any more), or for index 0.
std::string InterfaceName(std::uint32_t index);

}  // namespace norvik
