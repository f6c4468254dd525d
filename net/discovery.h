#pragma once

#include <atomic>
#include <chrono>

#include "device_list.h"
#include "device_report.h"
#include "list_lock.h"
#include "list_view.h"
#include "receive_thread.h"
#include "request_buffer.h"
#include "user_messages.h"

namespace norvik {

// The PCEdit protocol's side of the receive thread.
class PcEditReceiver : public ReceiveProtocol {
public:
    PcEditReceiver(RequestBuffer& request, UserMessages& messages)
        : request_(request), messages_(messages) {}
    std::uint16_t port() const override;
    void SendStartupSearch() override;
    void Prefetch(const ReportContext& context, ByteSpan datagram) override;
    DatagramOutcome Handle(const ReportContext& context, ByteSpan datagram,
                           std::uint32_t interface_index) override;

private:
    RequestBuffer& request_;
    UserMessages& messages_;
};

// The 3297 protocol's side of the receive thread.
class Receiver3297 : public ReceiveProtocol {
public:
    Receiver3297(RequestBuffer& request, UserMessages& messages)
        : request_(request), messages_(messages) {}
    std::uint16_t port() const override;
    void SendStartupSearch() override;
    void Inspect(ByteSpan datagram) override;
    void Prefetch(const ReportContext& context, ByteSpan datagram) override;
    DatagramOutcome Handle(const ReportContext& context, ByteSpan datagram,
                           std::uint32_t interface_index) override;

private:
    RequestBuffer& request_;
    UserMessages& messages_;
};

// Everything device discovery shares between the two receive threads and the commands: the
// device list with its rows, the receive-busy flag and both request buffers.
class Discovery {
public:
    Discovery(ListLock& lock, ListView& view, UserMessages& messages,
              SocketFailureHandler on_socket_failure);
    ~Discovery();
    Discovery(const Discovery&) = delete;
    Discovery& operator=(const Discovery&) = delete;

    struct Started {
        bool receiver_3297 = false;
        bool pcedit_receiver = false;
    };
    // Starts the 3297 receive thread, then the PCEdit one; a program that searches in one
    // protocol only starts that one's.
    Started Start(bool start_3297 = true, bool start_pcedit = true);
    // Tells both receive threads to stop: from then on neither touches the list or the list
    // view. Does not wait.
    void RequestStop();
    // Stops both receive threads and waits for them.
    void Stop();
    // Waits until both receive sockets are bound; false on time-out or failure.
    bool WaitUntilListening(std::chrono::milliseconds timeout);

    // Datagrams other than requests received on either port since the start. None after a
    // search's wait usually means a firewall on this computer drops the reports.
    std::uint64_t arrivals() const { return pcedit_thread_.arrivals() + thread_3297_.arrivals(); }
    // Datagrams dropped on either port since the start for the reason.
    std::uint64_t dropped(DropReason reason) const {
        return pcedit_thread_.dropped(reason) + thread_3297_.dropped(reason);
    }

    ListLock& lock() { return lock_; }
    ListView& view() { return view_; }
    UserMessages& messages() { return messages_; }
    DeviceList& devices() { return devices_; }
    std::atomic<int>& receive_busy() { return receive_busy_; }
    RequestBuffer& pcedit_request() { return pcedit_request_; }
    RequestBuffer& request_3297() { return request_3297_; }
    ReportContext report_context() { return {devices_, view_, receive_busy_, messages_}; }

private:
    ListLock& lock_;
    ListView& view_;
    UserMessages& messages_;
    DeviceList devices_;
    std::atomic<int> receive_busy_{0};
    RequestBuffer pcedit_request_;
    RequestBuffer request_3297_;
    PcEditReceiver pcedit_receiver_;
    Receiver3297 receiver_3297_;
    ReceiveThread pcedit_thread_;
    ReceiveThread thread_3297_;
};

}  // namespace norvik
