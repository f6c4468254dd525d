#include "devsim/udp.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace norvik::devsim {
namespace {

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

int SendBroadcast(const UdpSocket& socket, std::uint16_t port,
                  std::span<const std::uint8_t> datagram) {
    const sockaddr_in to = Ipv4Address(INADDR_BROADCAST, port);
    const ssize_t sent = ::sendto(socket.fd(), datagram.data(), datagram.size(), 0,
                                  reinterpret_cast<const sockaddr*>(&to), sizeof to);
    return sent < 0 ? errno : 0;
}

}  // namespace norvik::devsim
