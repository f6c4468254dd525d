#include "devsim/network_guard.h"

#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace norvik::devsim {

std::string RealNetworkInterfaces() {
    struct if_nameindex* interfaces = ::if_nameindex();
    if (interfaces == nullptr) {
        return std::string("cannot list the network interfaces: ") + std::strerror(errno);
    }
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        ::if_freenameindex(interfaces);
        return std::string("cannot inspect the network interfaces: ") + std::strerror(errno);
    }
    std::string found;
    for (const struct if_nameindex* i = interfaces; i->if_index != 0; ++i) {
        ifreq request{};
        std::strncpy(request.ifr_name, i->if_name, IFNAMSIZ - 1);
        if (::ioctl(fd, SIOCGIFFLAGS, &request) != 0) {
            // An interface that cannot be inspected counts as a way out.
            found += std::string(found.empty() ? "" : ", ") + i->if_name + " (unknown state)";
            continue;
        }
        const bool up = (request.ifr_flags & IFF_UP) != 0;
        const bool loopback = (request.ifr_flags & IFF_LOOPBACK) != 0;
        if (up && !loopback) {
            found += std::string(found.empty() ? "" : ", ") + i->if_name;
        }
    }
    ::close(fd);
    ::if_freenameindex(interfaces);
    return found.empty() ? found : "interfaces other than loopback are up: " + found;
}

}  // namespace norvik::devsim
