#pragma once

#include <cstdint>

#include "devsim/device.h"

namespace norvik::devsim {

// Where generated devices start: device i gets the address and the MAC i steps further.
struct GeneratorBase {
    Ipv4 first_ip{192, 168, 1, 100};
    Mac first_mac{0x02, 0x4e, 0x56, 0x00, 0x00, 0x01};  // locally administered
};

// A plain device of the given protocol whose MAC, address and name follow from its index, so
// that devices of different indexes never share any of them.
Device GenerateDevice(Protocol protocol, std::uint32_t index, const GeneratorBase& base);

}  // namespace norvik::devsim
