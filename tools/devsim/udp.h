#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace norvik::devsim {

// An IPv4 UDP socket that closes itself.
class UdpSocket {
public:
    UdpSocket() = default;
    explicit UdpSocket(int fd) : fd_(fd) {}
    ~UdpSocket();
    UdpSocket(UdpSocket&& other) noexcept;
    UdpSocket& operator=(UdpSocket&& other) noexcept;
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    int fd() const { return fd_; }
    bool is_open() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// Bound to the port on every local address, sharing it with the program and other
// simulators (SO_REUSEADDR), so that broadcasts reach all of them. Closed and the reason in
// error when that fails.
UdpSocket OpenSharedReceiver(std::uint16_t port, std::string& error);

// A socket allowed to broadcast, bound to a port of its own so that its datagrams can be told
// apart when they come back.
UdpSocket OpenBroadcastSender(std::uint16_t& local_port, std::string& error);

// Sends one datagram to 255.255.255.255; 0, or the errno of the failure.
int SendBroadcast(const UdpSocket& socket, std::uint16_t port,
                  std::span<const std::uint8_t> datagram);

}  // namespace norvik::devsim
