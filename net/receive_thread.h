#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

#include "device_report.h"
#include "list_lock.h"
#include "udp_socket.h"
#include "user_messages.h"
#include "wire.h"

namespace norvik {

// What sets one protocol's receive thread apart from the other's.
class ReceiveProtocol {
public:
    virtual ~ReceiveProtocol() = default;
    virtual std::uint16_t port() const = 0;
    // Builds the protocol's search request and broadcasts it.
    virtual void SendStartupSearch() = 0;
    // Sees each datagram before LIST LOCK is taken, so that a message it shows never holds
    // up the other loop or another running copy.
    virtual void Inspect(ByteSpan datagram) { (void)datagram; }
    // Handles each datagram with LIST LOCK held; interface_index is the card it came in on (0
    // when not known).
    virtual DatagramOutcome Handle(const ReportContext& context, ByteSpan datagram,
                                   std::uint32_t interface_index) = 0;
};

// A receive socket that could not be set up ends the process with this code.
inline constexpr int kSocketFailureExitCode = 1;
// Called on the receive thread, after the failure's messages, to end the process.
using SocketFailureHandler = std::function<void(int exit_code)>;

// The receive thread both protocols share: it binds its port, broadcasts its search request
// and then handles one datagram at a time under LIST LOCK until it is stopped.
class ReceiveThread {
public:
    // Datagrams longer than this are dropped whole.
    static constexpr std::size_t kReceiveBufferSize = 1000;
    // Datagrams taken from the socket in one go, when a burst has left several waiting.
    static constexpr std::size_t kBatch = 32;

    ReceiveThread(ReceiveProtocol& protocol, ListLock& lock, const ReportContext& context,
                  UserMessages& messages, SocketFailureHandler on_socket_failure);
    ~ReceiveThread();
    ReceiveThread(const ReceiveThread&) = delete;
    ReceiveThread& operator=(const ReceiveThread&) = delete;

    // False when no thread could be started.
    bool Start();
    // From then on the thread leaves the list and the list view alone and ends soon.
    void RequestStop();
    void Join();
    // Waits until the socket is bound; false on time-out or when the set-up failed.
    bool WaitUntilListening(std::chrono::milliseconds timeout);
    // Datagrams received so far that are not requests: anything a device (or anyone) sent to
    // this port, listed or dropped. Requests, this program's own included, do not count.
    std::uint64_t arrivals() const { return arrivals_.load(); }
    // Datagrams dropped so far for the reason, requests (our own too) included.
    std::uint64_t dropped(DropReason reason) const {
        return dropped_[static_cast<std::size_t>(reason)].load(std::memory_order_relaxed);
    }

private:
    void Run();
    void ReceiveLoop();
    void Trace(const ReceivedDatagram& received, const DatagramOutcome& outcome);
    bool stopping() const { return stopping_.load(); }

    ReceiveProtocol& protocol_;
    ListLock& lock_;
    ReportContext context_;
    UserMessages& messages_;
    SocketFailureHandler on_socket_failure_;

    std::mutex mutex_;  // guards the fields below and the publication of socket_
    std::condition_variable setup_done_;
    bool setup_finished_ = false;
    bool listening_ = false;
    std::atomic<bool> stopping_{false};
    std::atomic<std::uint64_t> arrivals_{0};
    // Counted without a lock: whoever reads them (a metrics file) never holds up this loop.
    std::array<std::atomic<std::uint64_t>, kDropReasonCount> dropped_{};
    UdpSocket socket_;
    // The datagrams of the last batch, and how far the loop has handled them.
    std::array<std::array<std::uint8_t, kReceiveBufferSize>, kBatch> buffers_{};
    std::array<MutableByteSpan, kBatch> buffer_spans_{};
    std::array<ReceivedDatagram, kBatch> received_datagrams_{};
    std::size_t received_ = 0;
    std::size_t next_ = 0;
    std::thread thread_;
};

}  // namespace norvik
