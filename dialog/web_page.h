#pragma once

#include <string>

#include "device_record.h"

namespace norvik {

// The address of a device's web page: "http://a.b.c.d", with ":port" unless the port is 80
// or not a port at all (below 1 or above 65535).
std::u16string WebPageAddress(const Ipv4& ip, int port);

}  // namespace norvik
