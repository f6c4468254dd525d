#include "devsim/udp.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace norvik::devsim {
namespace {

constexpr std::uint16_t kWsDiscoveryPortNumber = 3702;

std::string ErrnoText(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

sockaddr_in Ipv4Address(std::uint32_t host_order_address, std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(host_order_address);
    return address;
}

bool SetOption(int fd, int option) {
    const int on = 1;
    return ::setsockopt(fd, SOL_SOCKET, option, &on, sizeof on) == 0;
}

}  // namespace

UdpSocket::~UdpSocket() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

UdpSocket::UdpSocket(UdpSocket&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

UdpSocket& UdpSocket::operator=(UdpSocket&& other) noexcept {
    if (this != &other) {
        UdpSocket old(std::exchange(fd_, std::exchange(other.fd_, -1)));
    }
    return *this;
}

UdpSocket OpenSharedReceiver(std::uint16_t port, std::string& error) {
    UdpSocket socket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    const std::string where = "port " + std::to_string(port);
    if (!socket.is_open()) {
        error = ErrnoText("cannot open a socket for " + where);
        return {};
    }
    if (!SetOption(socket.fd(), SO_REUSEADDR)) {
        error = ErrnoText("cannot share " + where);
        return {};
    }
    const sockaddr_in address = Ipv4Address(INADDR_ANY, port);
    if (::bind(socket.fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        error = ErrnoText("cannot bind " + where);
        return {};
    }
    return socket;
}

UdpSocket OpenBroadcastSender(std::uint16_t& local_port, std::string& error) {
    UdpSocket socket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (!socket.is_open()) {
        error = ErrnoText("cannot open the sending socket");
        return {};
    }
    if (!SetOption(socket.fd(), SO_BROADCAST)) {
        error = ErrnoText("cannot allow broadcasts");
        return {};
    }
    sockaddr_in address = Ipv4Address(INADDR_ANY, 0);
    socklen_t size = sizeof address;
    if (::bind(socket.fd(), reinterpret_cast<const sockaddr*>(&address), size) != 0 ||
        ::getsockname(socket.fd(), reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        error = ErrnoText("cannot bind the sending socket");
        return {};
    }
    local_port = ntohs(address.sin_port);
    return socket;
}

UdpSocket OpenWsDiscoveryResponder(std::vector<in_addr>& joined, std::string& error) {
    UdpSocket socket = OpenSharedReceiver(kWsDiscoveryPortNumber, error);
    if (!socket.is_open()) {
        return {};
    }
    ifaddrs* interfaces = nullptr;
    if (::getifaddrs(&interfaces) != 0) {
        error = ErrnoText("cannot list the interfaces");
        return {};
    }
    in_addr group{};
    ::inet_pton(AF_INET, "239.255.255.250", &group);
    for (const ifaddrs* i = interfaces; i != nullptr; i = i->ifa_next) {
        if (i->ifa_addr == nullptr || i->ifa_addr->sa_family != AF_INET ||
            (i->ifa_flags & IFF_UP) == 0 || (i->ifa_flags & IFF_MULTICAST) == 0) {
            continue;
        }
        ip_mreq request{};
        request.imr_multiaddr = group;
        request.imr_interface = reinterpret_cast<const sockaddr_in*>(i->ifa_addr)->sin_addr;
        if (::setsockopt(socket.fd(), IPPROTO_IP, IP_ADD_MEMBERSHIP, &request, sizeof request) ==
            0) {
            joined.push_back(request.imr_interface);
        }
    }
    ::freeifaddrs(interfaces);
    if (joined.empty()) {
        error = "no interface that is up can join 239.255.255.250";
        return {};
    }
    return socket;
}

int SendTo(const UdpSocket& socket, const sockaddr_in& to, std::span<const std::uint8_t> datagram) {
    const ssize_t sent = ::sendto(socket.fd(), datagram.data(), datagram.size(), 0,
                                  reinterpret_cast<const sockaddr*>(&to), sizeof to);
    return sent < 0 ? errno : 0;
}

int SendToGroupThrough(const UdpSocket& socket, const in_addr& interface,
                       std::span<const std::uint8_t> datagram) {
    if (::setsockopt(socket.fd(), IPPROTO_IP, IP_MULTICAST_IF, &interface, sizeof interface) !=
        0) {
        return errno;
    }
    sockaddr_in to = Ipv4Address(0, kWsDiscoveryPortNumber);
    ::inet_pton(AF_INET, "239.255.255.250", &to.sin_addr);
    return SendTo(socket, to, datagram);
}

std::string SourceAddressFor(const sockaddr_in& to) {
    UdpSocket probe(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    sockaddr_in local{};
    socklen_t size = sizeof local;
    char text[INET_ADDRSTRLEN] = "0.0.0.0";
    if (probe.is_open() &&
        ::connect(probe.fd(), reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0 &&
        ::getsockname(probe.fd(), reinterpret_cast<sockaddr*>(&local), &size) == 0) {
        ::inet_ntop(AF_INET, &local.sin_addr, text, sizeof text);
    }
    return text;
}

int SendBroadcast(const UdpSocket& socket, std::uint16_t port,
                  std::span<const std::uint8_t> datagram) {
    const sockaddr_in to = Ipv4Address(INADDR_BROADCAST, port);
    const ssize_t sent = ::sendto(socket.fd(), datagram.data(), datagram.size(), 0,
                                  reinterpret_cast<const sockaddr*>(&to), sizeof to);
    return sent < 0 ? errno : 0;
}

}  // namespace norvik::devsim
