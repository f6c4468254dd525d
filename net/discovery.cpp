#include "discovery.h"

#include <algorithm>

#include "broadcast_sender.h"
#include "pcedit.h"
#include "protocol_3297.h"

namespace norvik {

std::uint16_t PcEditReceiver::port() const {
    return pcedit::kPort;
}

void PcEditReceiver::SendStartupSearch() {
    const auto request = request_.Update(pcedit::BuildStartupSearch);
    SendRequest(kPcEditSender, request, messages_);
}

void PcEditReceiver::Prefetch(const ReportContext& context, ByteSpan datagram) {
    context.devices.PrefetchMac(DatagramReader(datagram).Bytes<6>(pcedit::report::kMac));
}

DatagramOutcome PcEditReceiver::Handle(const ReportContext& context, ByteSpan datagram,
                                       std::uint32_t interface_index) {
    return pcedit::HandleDatagram(context, datagram, interface_index);
}

std::uint16_t Receiver3297::port() const {
    return p3297::kPort;
}

void Receiver3297::SendStartupSearch() {
    const auto request = request_.Update(p3297::BuildSearchRequest);
    SendRequest(k3297Sender, request, messages_);
}

void Receiver3297::Inspect(ByteSpan datagram) {
    if (p3297::IsLoginFailedReport(datagram)) {
        messages_.ShowRefusal(DatagramReader(datagram).Bytes<6>(p3297::offset::kMac),
                              p3297::kLoginFailedMessage);
    }
}

void Receiver3297::Prefetch(const ReportContext& context, ByteSpan datagram) {
    context.devices.PrefetchMac(DatagramReader(datagram).Bytes<6>(p3297::offset::kMac));
}

DatagramOutcome Receiver3297::Handle(const ReportContext& context, ByteSpan datagram,
                                     std::uint32_t interface_index) {
    return p3297::HandleDatagram(context, datagram, interface_index);
}

Discovery::Discovery(ListLock& lock, ListView& view, UserMessages& messages,
                     SocketFailureHandler on_socket_failure)
    : lock_(lock),
      view_(view),
      messages_(messages),
      pcedit_receiver_(pcedit_request_, messages),
      receiver_3297_(request_3297_, messages),
      pcedit_thread_(pcedit_receiver_, lock, report_context(), messages, on_socket_failure),
      thread_3297_(receiver_3297_, lock, report_context(), messages, on_socket_failure) {}

Discovery::~Discovery() {
    Stop();
}

Discovery::Started Discovery::Start(bool start_3297, bool start_pcedit) {
    Started started;
    started.receiver_3297 = !start_3297 || thread_3297_.Start();
    started.pcedit_receiver = !start_pcedit || pcedit_thread_.Start();
    return started;
}

void Discovery::RequestStop() {
    thread_3297_.RequestStop();
    pcedit_thread_.RequestStop();
}

void Discovery::Stop() {
    RequestStop();
    thread_3297_.Join();
    pcedit_thread_.Join();
}

bool Discovery::WaitUntilListening(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    const bool listening_3297 = thread_3297_.WaitUntilListening(timeout);
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    return pcedit_thread_.WaitUntilListening(std::max(left, std::chrono::milliseconds(0))) &&
           listening_3297;
}

}  // namespace norvik
