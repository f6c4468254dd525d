#include "submit_checks.h"

namespace norvik {

bool InOneSubnet(const Ipv4& a, const Ipv4& b, const Ipv4& netmask) {
    for (std::size_t i = 0; i < a.size(); ++i) {
        if ((a[i] & netmask[i]) != (b[i] & netmask[i])) {
            return false;
        }
    }
    return true;
}

bool RefusedAddress(const Ipv4& ip) {
    return ip[3] == 0 || ip[3] == 255;
}

bool NeedsSubnetQuestion(const pcedit::SetValues& values) {
    return !InOneSubnet(values.ip, values.gateway, values.netmask) &&
           values.gateway != Ipv4{0, 0, 0, 0};
}

}  // namespace norvik
