#pragma once

#include <atomic>
#include <cstdint>

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
    // Sends one datagram to 255.255.255.255 on the given port; the byte count or -1.
    int SendBroadcast(ByteSpan datagram, std::uint16_t port);
    // Blocks until a datagram can be read, or until Shutdown is called.
    void WaitReadable();
    // Receives the datagrams that wait, one into each buffer, without waiting for any: as many
    // as have come, up to the number of buffers, in one system call where the platform allows
    // it. Returns how many it received (0 when none waits); lengths[i] is each one's length,
    // or -1 for a failed receive or a datagram longer than its buffer (dropped, never cut).
    std::size_t ReceiveWaiting(std::span<const MutableByteSpan> buffers, std::span<int> lengths);
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
#ifdef _WIN32
    static constexpr long kShutdownPollMicroseconds = 50'000;
    std::atomic<bool> shut_down_{false};
#endif
};

}  // namespace norvik
