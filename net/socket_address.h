#pragma once

// IPv4 socket addresses as both platforms' socket code builds and reads them. Include it after
// the platform's own socket headers, which declare sockaddr_in and the byte-order functions.

#include <cstdint>
#include <cstring>

#include "udp_socket.h"

namespace norvik::socket_address {

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

}  // namespace norvik::socket_address
