#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include <netinet/in.h>

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

// UDP 3702 shared with any other responder (SO_REUSEADDR), in the WS-Discovery group on every
// IPv4 interface that is up and can multicast; `joined` gets their addresses. Closed and the
// reason in error when it cannot be bound or joins no interface.
UdpSocket OpenWsDiscoveryResponder(std::vector<in_addr>& joined, std::string& error);

// Sends one datagram to the address; 0, or the errno of the failure.
int SendTo(const UdpSocket& socket, const sockaddr_in& to, std::span<const std::uint8_t> datagram);
// Sends one datagram to the WS-Discovery group through the interface with this address.
int SendToGroupThrough(const UdpSocket& socket, const in_addr& interface,
                       std::span<const std::uint8_t> datagram);
// The address this host sends from to reach `to` (the routes' choice), as text.
std::string SourceAddressFor(const sockaddr_in& to);

// Sends one datagram to 255.255.255.255; 0, or the errno of the failure.
int SendBroadcast(const UdpSocket& socket, std::uint16_t port,
                  std::span<const std::uint8_t> datagram);

}  // namespace norvik::devsim
