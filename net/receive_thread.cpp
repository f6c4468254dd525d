#include "receive_thread.h"

#include <new>
#include <string>
#include <system_error>

namespace norvik {
namespace {

enum class FailedStep { kNone, kSocket, kReuseAddress, kBind };

struct ReceiveSocket {
    UdpSocket socket;
    FailedStep failed_step = FailedStep::kNone;
    int error = 0;
    std::uint16_t port = 0;
};

// Sets the socket up without a word, so that it can be bound before the search request goes
// out (no early reply is lost) while its messages still come after the sender's.
ReceiveSocket SetUpReceiveSocket(std::uint16_t port) {
    ReceiveSocket result{UdpSocket::Open()};
    result.port = port;
    if (!result.socket.valid()) {
        result.failed_step = FailedStep::kSocket;
    } else if (!result.socket.SetReuseAddress()) {
        result.failed_step = FailedStep::kReuseAddress;
    } else if (!result.socket.Bind(port)) {
        result.failed_step = FailedStep::kBind;
    } else {
        // Without it the trace and the device records just do not name the card.
        result.socket.ReportArrivalCard();
    }
    if (result.failed_step != FailedStep::kNone) {
        result.error = LastSocketError();
        result.socket.Close();
    }
    return result;
}

void ShowSetupFailure(const ReceiveSocket& setup, UserMessages& messages) {
    const auto show = [&](const char* format) {
        messages.ShowMessage(MessageStyle::kPlain, ErrorMessage(format, setup.error));
    };
    switch (setup.failed_step) {
        case FailedStep::kSocket:
            show("ERROR:  %d socket() failed");
            show("ERROR:  %d SOCKET test fails");
            break;
        case FailedStep::kReuseAddress:
            show("ERROR:  %d setsockopt( SO_REUSEADDR )");
            break;
        case FailedStep::kBind:
            show("ERROR:  %d bind() failed");
            messages.PortNotBound(setup.port, setup.error);
            break;
        case FailedStep::kNone:
            break;
    }
}

}  // namespace

ReceiveThread::ReceiveThread(ReceiveProtocol& protocol, ListLock& lock,
                             const ReportContext& context, UserMessages& messages,
                             SocketFailureHandler on_socket_failure)
    : protocol_(protocol),
      lock_(lock),
      context_(context),
      messages_(messages),
      on_socket_failure_(std::move(on_socket_failure)) {
    for (std::size_t i = 0; i < kBatch; ++i) {
        buffer_spans_[i] = buffers_[i];
    }
}

ReceiveThread::~ReceiveThread() {
    RequestStop();
    Join();
}

bool ReceiveThread::Start() {
    try {
        thread_ = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void ReceiveThread::RequestStop() {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    if (socket_.valid()) {
        socket_.Shutdown();
    }
}

void ReceiveThread::Join() {
    if (thread_.joinable()) {
        thread_.join();
    }
}

bool ReceiveThread::WaitUntilListening(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    setup_done_.wait_for(lock, timeout, [this] { return setup_finished_; });
    return listening_;
}

void ReceiveThread::Run() {
    ReceiveSocket setup = SetUpReceiveSocket(protocol_.port());
    {
        std::lock_guard lock(mutex_);
        socket_ = std::move(setup.socket);
    }
    protocol_.SendStartupSearch();
    const bool failed = setup.failed_step != FailedStep::kNone;
    {
        std::lock_guard lock(mutex_);
        setup_finished_ = true;
        listening_ = !failed;
    }
    setup_done_.notify_all();
    if (failed) {
        ShowSetupFailure(setup, messages_);
        on_socket_failure_(kSocketFailureExitCode);
        return;
    }
    ReceiveLoop();
}

void ReceiveThread::ReceiveLoop() {
    std::atomic<int>& busy = context_.receive_busy;
    // The flag only tells the Search command whether to drop a press; nothing is ordered by it,
    // and a plain store costs a burst far less than a fenced one twice a datagram.
    while (!stopping()) {
        busy.store(0, std::memory_order_relaxed);
        // In a burst the next datagrams are already there, taken in one go; only an empty
        // socket is waited on.
        while (next_ == received_) {
            received_ = socket_.ReceiveWaiting(buffer_spans_, received_datagrams_);
            next_ = 0;
            if (received_ == 0) {
                socket_.WaitReadable();
                if (stopping()) {
                    return;
                }
            }
        }
        const ReceivedDatagram& arrival = received_datagrams_[next_];
        const MutableByteSpan buffer = buffer_spans_[next_++];
        busy.store(1, std::memory_order_relaxed);
        // A failed receive, or a datagram too long for the buffer, is dropped; the lock is
        // taken all the same, as for every other datagram.
        const bool received = arrival.length >= 0;
        // The bytes past its end read as 0, as from a buffer zeroed before it came.
        const ByteSpan datagram =
            ByteSpan(buffer).first(received ? static_cast<std::size_t>(arrival.length) : 0);
        if (received) {
            protocol_.Inspect(datagram);
        }
        // The next datagram of the batch, if any, readied while this one is handled.
        if (next_ < received_ && received_datagrams_[next_].length > 0) {
            protocol_.Prefetch(
                context_, ByteSpan(buffer_spans_[next_])
                              .first(static_cast<std::size_t>(received_datagrams_[next_].length)));
        }
        DatagramOutcome outcome = DatagramOutcome::Dropped(
            arrival.too_long ? DropReason::kTooLong : DropReason::kReceiveFailed);
        {
            std::lock_guard list_lock(lock_);
            // After a stop the list may already be freed and the list view gone.
            if (stopping()) {
                break;
            }
            if (received) {
                try {
                    outcome = protocol_.Handle(context_, datagram, arrival.interface_index);
                } catch (const std::bad_alloc&) {
                    // Out of memory for this datagram: it is dropped, the loop goes on.
                    outcome = DatagramOutcome::Dropped(DropReason::kNoMemory);
                }
            }
        }
        if (received && !(outcome.kind == DatagramOutcome::Kind::kDropped &&
                          outcome.reason == DropReason::kRequest)) {
            ++arrivals_;
        }
        if (outcome.kind == DatagramOutcome::Kind::kDropped) {
            const auto reason = static_cast<std::size_t>(outcome.reason);
            if (reason < kDropReasonCount) {
                dropped_[reason].fetch_add(1, std::memory_order_relaxed);
            }
        }
        // Written after LIST LOCK is given back: a slow trace file must not hold up the list.
        if (messages_.tracing()) {
            Trace(arrival, outcome);
        }
    }
}

void ReceiveThread::Trace(const ReceivedDatagram& arrival, const DatagramOutcome& outcome) {
    std::string card = InterfaceName(arrival.interface_index);
    if (card.empty()) {
        card = arrival.interface_index == 0 ? "?" : "#" + std::to_string(arrival.interface_index);
    }
    const std::string length = arrival.length >= 0 ? std::to_string(arrival.length) : "?";
    messages_.WriteTrace(TraceClock() + " port " + std::to_string(protocol_.port()) + " from " +
                         DottedAddress(arrival.source) + ":" + std::to_string(arrival.source_port) +
                         " on " + card + ", " + length + " bytes: " + DescribeOutcome(outcome) +
                         "\n");
}

}  // namespace norvik
