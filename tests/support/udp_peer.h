#pragma once

// The far end of the wire for network tests, written with plain socket calls so that it
// shares no code with the socket layer under test.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

namespace norvik::test {

class UdpPeer {
public:
    // A socket bound to the port (0: any), sharing it with others unless share is false.
    explicit UdpPeer(std::uint16_t port = 0, bool share = true) {
        fd_ = ::socket(AF_INET, SOCK_DGRAM, 0);
        const int on = 1;
        ::setsockopt(fd_, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
        if (share) {
            ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        }
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        bound_ = ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~UdpPeer() { ::close(fd_); }
    UdpPeer(const UdpPeer&) = delete;
    UdpPeer& operator=(const UdpPeer&) = delete;

    bool bound() const { return bound_; }

    bool Broadcast(const std::vector<std::uint8_t>& datagram, std::uint16_t port) {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = htonl(INADDR_BROADCAST);
        return ::sendto(fd_, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&to),
                        sizeof to) == static_cast<ssize_t>(datagram.size());
    }

    std::optional<std::vector<std::uint8_t>> Receive(std::chrono::milliseconds timeout) {
        pollfd waiting{fd_, POLLIN, 0};
        if (::poll(&waiting, 1, static_cast<int>(timeout.count())) != 1) {
            return std::nullopt;
        }
        std::vector<std::uint8_t> datagram(65536);
        const ssize_t n = ::recv(fd_, datagram.data(), datagram.size(), 0);
        if (n < 0) {
            return std::nullopt;
        }
        datagram.resize(static_cast<std::size_t>(n));
        return datagram;
    }

private:
    int fd_ = -1;
    bool bound_ = false;
};

}  // namespace norvik::test
