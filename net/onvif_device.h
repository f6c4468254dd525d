#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "device_record.h"
#include "ws_discovery.h"

namespace norvik {

// One ONVIF camera as its last ProbeMatch or Hello told of it. Nothing here is fetched from the
// addresses it names: it is what the camera said, and where it said it from.
struct OnvifDevice {
    WsDiscoveryMatch match;
    OnvifScopeFields fields;  // read from match.scopes
    Ipv4 source{};            // the address the reply came from
    std::uint32_t interface_index = 0;  // the card it came in on; 0 when not known
    // From the system's neighbour table, when the source is on the subnet of one of this PC's
    // cards; nothing otherwise (beyond a router the table holds the router's MAC).
    std::optional<MacAddress> mac;
};

}  // namespace norvik
