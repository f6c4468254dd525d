#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "device_record.h"
#include "network_interfaces.h"
#include "trace.h"

namespace norvik {

// The system's neighbour (ARP) table, read once for all the cameras of a search: on Linux the
// kernel writes the whole table out for every read, and a site's table read again for each of
// its cameras would cost seconds.
class NeighbourTable {
public:
    static NeighbourTable Read();
#ifndef _WIN32
    // /proc/net/arp's text: "IP address  HW type  Flags  HW address  Mask  Device" lines.
    static NeighbourTable FromArpText(std::string_view text);
#endif

    // The MAC the table holds for this IPv4 address on this card, if it holds a resolved entry
    // for it. The caller makes sure the address is on the card's subnet: beyond a router the
    // table would give the router's MAC.
    std::optional<MacAddress> Find(const Ipv4& address, const NetworkInterface& card) const {
        const auto found = macs_.find(std::pair(CardKey(card), DottedAddress(address)));
        return found != macs_.end() ? std::optional(found->second) : std::nullopt;
    }

private:
    // The card as the table names it: Linux by its name, Windows by its index.
    static std::string CardKey(const NetworkInterface& card);

    // By card and dotted address.
    std::map<std::pair<std::string, std::string>, MacAddress> macs_;
};

}  // namespace norvik
