#include "submit_checks.h"

namespace norvik {
namespace {

bool InOneSubnet(const Ipv4& ip, const Ipv4& gateway, const Ipv4& netmask) {
    for (std::size_t i = 0; i < ip.size(); ++i) {
        if ((ip[i] & netmask[i]) != (gateway[i] & netmask[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool RefusedAddress(const Ipv4& ip) {
    return ip[3] == 0 || ip[3] == 255;
}

bool NeedsSubnetQuestion(const pcedit::SetValues& values) {
    return !InOneSubnet(values.ip, values.gateway, values.netmask) &&
           values.gateway != Ipv4{0, 0, 0, 0};
}

}  // namespace norvik
