#pragma once

// What both platforms' sockets do with the same calls: IPv4 socket addresses built and read,
// and the options and binding every socket takes. Included by udp_socket_posix.cpp and
// udp_socket_win.cpp (one of them in any build, so the members are defined once), after the
// platform's own socket headers, which declare these calls.

#include <cstdint>
#include <cstring>

#include "udp_socket.h"

namespace norvik {
namespace socket_address {

inline sockaddr_in Ipv4SocketAddress(std::uint32_t host_order_address, std::uint16_t port) {
    sockaddr_in address;
    std::memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(host_order_address);
    return address;
}

inline in_addr InAddr(const Ipv4& address) {
    in_addr in;
    std::memcpy(&in, address.data(), sizeof in);
    return in;
}

// Where a datagram came from, read off the address the receive filled in.
inline void ReadSource(const sockaddr_in& from, ReceivedDatagram& received) {
    if (from.sin_family != AF_INET) {
        return;
    }
    std::memcpy(received.source.data(), &from.sin_addr, received.source.size());
    received.source_port = ntohs(from.sin_port);
}

// Room for the one control message the receive asks for, the arrival card.
inline constexpr std::size_t kControlRoom = 64;

}  // namespace socket_address

int UdpSocket::SendTo(ByteSpan datagram, const Ipv4& address, std::uint16_t port) {
    sockaddr_in to = socket_address::Ipv4SocketAddress(INADDR_ANY, port);
    to.sin_addr = socket_address::InAddr(address);
    const auto sent = ::sendto(handle_, reinterpret_cast<const char*>(datagram.data()),
                               static_cast<int>(datagram.size()), 0,
                               reinterpret_cast<const sockaddr*>(&to), sizeof to);
    return sent < 0 ? -1 : static_cast<int>(sent);
}

bool UdpSocket::SetMulticastCard(const NetworkInterface& card) {
    const in_addr address = socket_address::InAddr(card.address);
    return ::setsockopt(handle_, IPPROTO_IP, IP_MULTICAST_IF,
                        reinterpret_cast<const char*>(&address), sizeof address) == 0;
}

bool UdpSocket::JoinMulticastGroup(const Ipv4& group, const Ipv4& card_address) {
    ip_mreq request{};
    request.imr_multiaddr = socket_address::InAddr(group);
    request.imr_interface = socket_address::InAddr(card_address);
    return ::setsockopt(handle_, IPPROTO_IP, IP_ADD_MEMBERSHIP,
                        reinterpret_cast<const char*>(&request), sizeof request) == 0;
}

bool UdpSocket::valid() const {
    return handle_ != kInvalid;
}

bool UdpSocket::SetReuseAddress() {
    const int on = 1;
    return ::setsockopt(handle_, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&on),
                        sizeof on) == 0;
}

bool UdpSocket::SetBroadcast() {
    const int on = 1;
    return ::setsockopt(handle_, SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&on),
                        sizeof on) == 0;
}

bool UdpSocket::Bind(std::uint16_t port) {
    const sockaddr_in address = socket_address::Ipv4SocketAddress(INADDR_ANY, port);
    return ::bind(handle_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

}  // namespace norvik
