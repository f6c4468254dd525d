#pragma once

#include <QString>

#include "device_record.h"

namespace norvik {

// The address of a device's web page: "http://a.b.c.d", with ":port" unless the port is 80
// or not a port at all (below 1 or above 65535).
inline QString WebPageAddress(const Ipv4& ip, int port) {
    const QString host = QString::asprintf("http://%d.%d.%d.%d", ip[0], ip[1], ip[2], ip[3]);
    if (port == 80 || port < 1 || port > 65535) {
        return host;
    }
    return host + QString::asprintf(":%d", port);
}

}  // namespace norvik
