#pragma once

// The far end of the wire for network tests, written with plain socket calls so that it
// shares no code with the socket layer under test.
#ifdef _WIN32
#include <winsock2.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

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
        SetOption(SO_BROADCAST);
        if (share) {
            SetOption(SO_REUSEADDR);
        } else {
#ifdef _WIN32
            // Windows lets a socket with SO_REUSEADDR take a port from one without it; this
            // is how a Windows program keeps its port to itself.
            SetOption(SO_EXCLUSIVEADDRUSE);
#endif
        }
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        bound_ = ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~UdpPeer() {
#ifdef _WIN32
        ::closesocket(fd_);
#else
        ::close(fd_);
#endif
    }
    UdpPeer(const UdpPeer&) = delete;
    UdpPeer& operator=(const UdpPeer&) = delete;

    bool bound() const { return bound_; }

    bool Broadcast(const std::vector<std::uint8_t>& datagram, std::uint16_t port) {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = htonl(INADDR_BROADCAST);
        return ::sendto(fd_, reinterpret_cast<const char*>(datagram.data()),
                        static_cast<int>(datagram.size()), 0, reinterpret_cast<sockaddr*>(&to),
                        sizeof to) == static_cast<int>(datagram.size());
    }

    std::optional<std::vector<std::uint8_t>> Receive(std::chrono::milliseconds timeout) {
#ifdef _WIN32
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(fd_, &readable);
        timeval wait{static_cast<long>(timeout.count() / 1000),
                     static_cast<long>(timeout.count() % 1000 * 1000)};
        if (::select(0, &readable, nullptr, nullptr, &wait) != 1) {
            return std::nullopt;
        }
#else
        pollfd waiting{fd_, POLLIN, 0};
        if (::poll(&waiting, 1, static_cast<int>(timeout.count())) != 1) {
            return std::nullopt;
        }
#endif
        std::vector<std::uint8_t> datagram(65536);
        const int n = static_cast<int>(::recv(fd_, reinterpret_cast<char*>(datagram.data()),
                                              static_cast<int>(datagram.size()), 0));
        if (n < 0) {
            return std::nullopt;
        }
        datagram.resize(static_cast<std::size_t>(n));
        return datagram;
    }

private:
    void SetOption(int option) {
        const int on = 1;
        ::setsockopt(fd_, SOL_SOCKET, option, reinterpret_cast<const char*>(&on), sizeof on);
    }

#ifdef _WIN32
    SOCKET fd_ = INVALID_SOCKET;
#else
    int fd_ = -1;
#endif
    bool bound_ = false;
};

}  // namespace norvik::test
