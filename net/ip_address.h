#pragma once

#include <cstdint>

#include "device_record.h"

namespace norvik {

// An address a.b.c.d packed as (a << 24) | (b << 16) | (c << 8) | d, as the windows' IP
// address controls take and give it.
inline std::uint32_t PackedAddress(const Ipv4& address) {
    return std::uint32_t{address[0]} << 24 | std::uint32_t{address[1]} << 16 |
           std::uint32_t{address[2]} << 8 | std::uint32_t{address[3]};
}

inline Ipv4 UnpackedAddress(std::uint32_t packed) {
    return {static_cast<std::uint8_t>(packed >> 24), static_cast<std::uint8_t>(packed >> 16),
            static_cast<std::uint8_t>(packed >> 8), static_cast<std::uint8_t>(packed)};
}

}  // namespace norvik
