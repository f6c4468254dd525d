#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "device_record.h"
#include "network_interfaces.h"
#include "wire.h"

namespace norvik {

#ifdef _WIN32
using NativeSocket = std::uintptr_t;
#else
using NativeSocket = int;
#endif

// Makes the socket layer ready for use, where the platform needs that; false if it cannot be.
bool StartSockets();

// The error code of the calling thread's last failed socket call (errno, or the Windows
// Sockets error code).
int LastSocketError();
// That code as the system words it, for a person: "Network is unreachable (error 101)".
std::string SocketErrorText(int code);

// What the socket layer tells of one datagram received.
struct ReceivedDatagram {
    int length = -1;        // -1 when the receive failed or the datagram was too long
    bool too_long = false;  // longer than its buffer: dropped whole, never cut
    Ipv4 source{};
    std::uint16_t source_port = 0;
    std::uint32_t interface_index = 0;  // the card it came in on; 0 when not known
};

// An IPv4 datagram socket; the only door to the network for the rest of the program.
class UdpSocket {
public:
    UdpSocket() = default;
    ~UdpSocket() { Close(); }
    UdpSocket(UdpSocket&& other) noexcept;
    UdpSocket& operator=(UdpSocket&& other) noexcept;
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    // An unbound datagram socket; check valid() and LastSocketError().
    static UdpSocket Open();
    bool valid() const;

    bool SetReuseAddress();
    bool SetBroadcast();
    // Binds to every local address (0.0.0.0) on the given port.
    bool Bind(std::uint16_t port);
    // Asks the system to tell on which card each datagram comes in.
    bool ReportArrivalCard();
    // From now on sends through this card only, whatever the routes say: a broadcast to
    // 255.255.255.255 otherwise leaves through the card of the default route alone.
    bool SendThrough(const NetworkInterface& card);
    // Sends one datagram to 255.255.255.255 on the given port; the byte count or -1.
    int SendBroadcast(ByteSpan datagram, std::uint16_t port);
    // Sends one datagram to the address and port (a multicast group's too); the byte count or -1.
    int SendTo(ByteSpan datagram, const Ipv4& address, std::uint16_t port);
    // Multicast sent from now on leaves through this card.
    bool SetMulticastCard(const NetworkInterface& card);
    // Receives what is sent to the multicast group on the card with this address (0.0.0.0:
    // the card the routes choose).
    bool JoinMulticastGroup(const Ipv4& group, const Ipv4& card_address);
    // Blocks until a datagram can be read, or until Shutdown is called.
    void WaitReadable();
    // Receives the datagrams that wait, one into each buffer, without waiting for any: as many
    // as have come, up to the number of buffers, in one system call where the platform allows
    // it. Returns how many it received (0 when none waits); received[i] tells of each one.
    std::size_t ReceiveWaiting(std::span<const MutableByteSpan> buffers,
                               std::span<ReceivedDatagram> received);
    // Wakes a thread that waits on this socket; safe to call from another thread.
    void Shutdown();
    void Close();

private:
#ifdef _WIN32
    static constexpr NativeSocket kInvalid = ~NativeSocket{0};
#else
    static constexpr NativeSocket kInvalid = -1;
#endif
    explicit UdpSocket(NativeSocket handle) : handle_(handle) {}

    // Atomic because Shutdown may come from another thread while this one waits.
    std::atomic<NativeSocket> handle_{kInvalid};
    // The card SendThrough chose; 0 for the routes' choice.
    std::uint32_t card_index_ = 0;
    Ipv4 card_address_{};
#ifdef _WIN32
    static constexpr long kShutdownPollMicroseconds = 50'000;
    std::atomic<bool> shut_down_{false};
    // Windows Sockets' receive that tells the arrival card; found at run time, as it must be.
    void* receive_message_ = nullptr;
#endif
};

}  // namespace norvik
