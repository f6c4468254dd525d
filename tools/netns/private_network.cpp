#include "private_network.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <net/if.h>
#include <net/route.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace norvik::netns {
namespace {

std::string ErrnoText(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

bool WriteFile(const char* path, const std::string& text) {
    int fd = ::open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(fd);
    return ok;
}

bool EnterNamespaces(std::string& reason) {
    if (::unshare(CLONE_NEWNET) == 0) {
        return true;
    }
    const int plain_error = errno;
    // Without the right to make a network namespace, a user namespace grants it.
    const uid_t uid = ::geteuid();
    const gid_t gid = ::getegid();
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNET) != 0) {
        reason = std::string("cannot create a private network namespace (") +
                 std::strerror(plain_error) + "; with a user namespace: " + std::strerror(errno) +
                 ")";
        return false;
    }
    WriteFile("/proc/self/setgroups", "deny");
    if (!WriteFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1\n") ||
        !WriteFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1\n")) {
        reason = ErrnoText("cannot map the user into the new user namespace");
        return false;
    }
    return true;
}

bool BringUpLoopback(int fd, std::string& reason) {
    ifreq ifr{};
    std::strncpy(ifr.ifr_name, "lo", IFNAMSIZ - 1);
    if (::ioctl(fd, SIOCGIFFLAGS, &ifr) != 0) {
        reason = ErrnoText("cannot read the loopback interface's flags");
        return false;
    }
    // Multicast too: WS-Discovery's searches and announcements go to 239.255.255.250.
    ifr.ifr_flags = static_cast<short>(ifr.ifr_flags | IFF_UP | IFF_MULTICAST);
    if (::ioctl(fd, SIOCSIFFLAGS, &ifr) != 0) {
        reason = ErrnoText("cannot bring the loopback interface up");
        return false;
    }
    return true;
}

bool AddLoopbackRoute(int fd, std::uint32_t destination, std::uint32_t mask, const char* what,
                      std::string& reason) {
    rtentry rt{};
    sockaddr_in dst{};
    dst.sin_family = AF_INET;
    dst.sin_addr.s_addr = htonl(destination);
    sockaddr_in genmask = dst;
    genmask.sin_addr.s_addr = htonl(mask);
    std::memcpy(&rt.rt_dst, &dst, sizeof dst);
    std::memcpy(&rt.rt_genmask, &genmask, sizeof genmask);
    rt.rt_flags = RTF_UP | (mask == 0xffffffffu ? RTF_HOST : 0);
    char device[] = "lo";
    rt.rt_dev = device;
    if (::ioctl(fd, SIOCADDRT, &rt) != 0) {
        reason = ErrnoText((std::string("cannot route ") + what + " over loopback").c_str());
        return false;
    }
    return true;
}

bool AddBroadcastRoutes(int fd, std::string& reason) {
    return AddLoopbackRoute(fd, INADDR_BROADCAST, 0xffffffffu, "255.255.255.255", reason) &&
           AddLoopbackRoute(fd, 0xef000000u, 0xff000000u, "239.0.0.0/8", reason);
}

}  // namespace

bool NetworkTestsRequired() {
    const char* required = std::getenv("NORVIK_REQUIRE_NETWORK_TESTS");
    return required != nullptr && std::string_view(required) == "1";
}

EnterResult EnterPrivateNetwork(BroadcastRoute route) {
    EnterResult result;
    if (!EnterNamespaces(result.reason)) {
        return result;
    }
    int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        result.reason = ErrnoText("cannot open a configuration socket");
        return result;
    }
    bool ok = BringUpLoopback(fd, result.reason) &&
              (route == BroadcastRoute::kNone || AddBroadcastRoutes(fd, result.reason));
    ::close(fd);
    // Scripts started inside check this against their own namespace before they send.
    struct stat own {};
    if (ok && ::stat("/proc/self/ns/net", &own) == 0) {
        ::setenv("NORVIK_PRIVATE_NETNS", std::to_string(own.st_ino).c_str(), 1);
    }
    result.entered = ok;
    return result;
}

}  // namespace norvik::netns
