#pragma once

#include <cstddef>
#include <string_view>

#include "device_record.h"
#include "set_request.h"

// Submit's checks on the edited values. The windows and norvik-set make them through this
// one code, so that a value one refuses the other refuses too.
namespace norvik {

// The limits of the dialog's data exchange: at most kNameMaxChars characters (UTF-16 code
// units, as the Name edit counts them), a port from kPortMin to kPortMax.
inline constexpr int kNameMaxChars = 31;
inline constexpr int kPortMin = 0;
inline constexpr int kPortMax = 65536;  // not 65535: what the dialog has always let through

inline bool NameFits(std::u16string_view name) {
    return name.size() <= static_cast<std::size_t>(kNameMaxChars);
}
inline bool PortInRange(long long port) {
    return port >= kPortMin && port <= kPortMax;
}

// Whether two addresses lie in one subnet of this netmask.
bool InOneSubnet(const Ipv4& a, const Ipv4& b, const Ipv4& netmask);

// An address whose last octet is 0 or 255 is never sent.
bool RefusedAddress(const Ipv4& ip);

// Whether the person is asked before sending: a gateway other than 0.0.0.0 outside the
// address's subnet.
bool NeedsSubnetQuestion(const pcedit::SetValues& values);

}  // namespace norvik
