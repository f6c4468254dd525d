#pragma once

#include <QtGlobal>

#include "device_record.h"

namespace norvik {

// The IP address controls take and give an address a.b.c.d as (a << 24) | (b << 16) |
// (c << 8) | d.
inline quint32 PackedAddress(const Ipv4& address) {
    return quint32{address[0]} << 24 | quint32{address[1]} << 16 | quint32{address[2]} << 8 |
           quint32{address[3]};
}

inline Ipv4 UnpackedAddress(quint32 packed) {
    return {static_cast<std::uint8_t>(packed >> 24), static_cast<std::uint8_t>(packed >> 16),
            static_cast<std::uint8_t>(packed >> 8), static_cast<std::uint8_t>(packed)};
}

}  // namespace norvik
