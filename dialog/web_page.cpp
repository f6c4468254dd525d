#include "web_page.h"

#include <cstdio>

#include "utf.h"

namespace norvik {

std::u16string WebPageAddress(const Ipv4& ip, int port) {
    char address[40];
    if (port == 80 || port < 1 || port > 65535) {
        std::snprintf(address, sizeof address, "http://%d.%d.%d.%d", ip[0], ip[1], ip[2], ip[3]);
    } else {
        std::snprintf(address, sizeof address, "http://%d.%d.%d.%d:%d", ip[0], ip[1], ip[2], ip[3],
                      port);
    }
    return Utf8ToUtf16(address);
}

}  // namespace norvik
