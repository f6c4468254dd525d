#pragma once

// The private network's route to 255.255.255.255 over loopback, taken away and put back: a
// network where a broadcast cannot be sent, made inside the test's own namespace.
#include <arpa/inet.h>
#include <net/route.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstring>

namespace norvik::test {

// Deletes (SIOCDELRT) or adds back (SIOCADDRT) the route; whether that went through.
inline bool ChangeBroadcastRoute(unsigned long request) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_BROADCAST);
    rtentry rt{};
    std::memcpy(&rt.rt_dst, &address, sizeof address);
    std::memcpy(&rt.rt_genmask, &address, sizeof address);
    rt.rt_flags = RTF_UP | RTF_HOST;
    char device[] = "lo";
    rt.rt_dev = device;
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    const bool ok = ::ioctl(fd, request, &rt) == 0;
    ::close(fd);
    return ok;
}

}  // namespace norvik::test
