#include "device_search.h"

#include <string>
#include <utility>

#include "broadcast_sender.h"
#include "console_text.h"
#include "device_text.h"
#include "exit_codes.h"
#include "nothing_arrived.h"
#include "pcedit.h"
#include "protocol_3297.h"
#include "udp_socket.h"
#include "utf.h"

namespace norvik::cli {
namespace {

constexpr std::chrono::milliseconds kPollInterval{50};

// What the protocol's refusal text says, for a person who does not read it.
std::string MeaningOf(std::u16string_view text) {
    return text == p3297::kLoginFailedMessage ? "the setting failed: wrong account or password"
                                              : "the device refused the request";
}

}  // namespace

void RefusalLog::Add(Refusal refusal) {
    std::lock_guard guard(mutex_);
    if (kept_.size() < kMaxKept) {
        kept_.push_back(std::move(refusal));
    }
}

std::vector<Refusal> RefusalLog::All() {
    std::lock_guard guard(mutex_);
    return kept_;
}

void DeviceSearch::Messages::ShowRefusal(const MacAddress& mac, std::u16string_view text) {
    Refusal refusal{mac, Utf16ToUtf8(text), MeaningOf(text)};
    WriteText(stderr, std::string(program_) + ": " + Utf16ToUtf8(MacText(mac)) + " answers \"" +
                          refusal.text + "\" (" + refusal.meaning + ")\n");
    refusals_.Add(std::move(refusal));
}

void DeviceSearch::Messages::ShowMessage(MessageStyle, std::u16string_view text) {
    WriteText(stderr, std::string(program_) + ": " + Utf16ToUtf8(text) + '\n');
}

void DeviceSearch::Messages::WriteOutput(std::string_view line) {
    WriteText(stderr, std::string(program_) + ": " + std::string(line));
}

void DeviceSearch::Messages::PortNotBound(std::uint16_t port, int error) {
    std::lock_guard guard(mutex_);
    socket_failure_ = "UDP port " + std::to_string(port) + " cannot be used: " +
                      SocketErrorText(error) +
                      ". Another program holds it without sharing it; end that program and try "
                      "again";
}

std::string DeviceSearch::Messages::socket_failure() {
    std::lock_guard guard(mutex_);
    return socket_failure_.empty() ? "a receive socket failed" : socket_failure_;
}

void DeviceSearch::Messages::RequestNotSent(std::uint16_t port, int error) {
    std::lock_guard guard(mutex_);
    if (!send_failure_) {
        send_failure_ = "the request to port " + std::to_string(port) +
                        " went out through no network card: " + SocketErrorText(error);
    }
}

std::optional<std::string> DeviceSearch::Messages::TakeSendFailure() {
    std::lock_guard guard(mutex_);
    return std::exchange(send_failure_, std::nullopt);
}

DeviceSearch::DeviceSearch(const char* program, bool trace, SearchProtocols protocols,
                           bool announcements)
    : program_(program),
      lock_(ListLock::DefaultPath()),
      messages_(program),
      discovery_(lock_, view_, messages_, [this](int exit_code) {
          std::lock_guard guard(mutex_);
          failure_exit_code_ = exit_code;
          changed_.notify_all();
      }),
      onvif_(messages_, announcements && protocols.onvif) {
    protocols_ = protocols;
    if (trace) {
        messages_.TraceTo(stderr);
    }
}

DeviceSearch::~DeviceSearch() {
    Stop();
}

std::optional<int> DeviceSearch::Start() {
    if (!StartSockets()) {
        WriteText(stderr, std::string(program_) + ": cannot start the socket layer\n");
        return kExitError;
    }
    started_ = true;
    const auto started = discovery_.Start(protocols_.p3297, protocols_.pcedit);
    if (!started.receiver_3297 || !started.pcedit_receiver) {
        WriteText(stderr, std::string(program_) + ": cannot start a receive thread\n");
        return kExitError;
    }
    if (protocols_.onvif) {
        std::string error;
        std::string unheard;
        if (!onvif_.Start(error, unheard)) {
            WriteText(stderr, std::string(program_) + ": " + error + "\n");
            return kExitError;
        }
        if (!unheard.empty()) {
            WriteText(stderr, std::string(program_) + ": " + unheard + "\n");
        }
        ProbeOnvif();
    }
    return std::nullopt;
}

std::optional<int> DeviceSearch::Wait(Seconds time, const std::function<bool()>& until) {
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::duration_cast<std::chrono::steady_clock::duration>(time);
    std::unique_lock guard(mutex_);
    while (!failure_exit_code_) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) {
            break;
        }
        if (until) {
            guard.unlock();
            const bool done = until();
            guard.lock();
            if (done) {
                break;
            }
        }
        const auto next = until ? std::min(deadline, now + kPollInterval) : deadline;
        changed_.wait_until(guard, next, [&] { return failure_exit_code_.has_value(); });
    }
    return failure_exit_code_;
}

void DeviceSearch::SearchAgain() {
    RequestBuffer::Bytes pcedit_request{};
    RequestBuffer::Bytes request_3297{};
    pcedit::BuildStartupSearch(pcedit_request);
    p3297::BuildSearchRequest(request_3297);
    {
        std::lock_guard guard(lock_);
        discovery_.devices().FreeAllRecords();
        view_.DeleteAllItems();
    }
    if (protocols_.pcedit) {
        SendRequest(kPcEditSender, pcedit_request, messages_);
    }
    if (protocols_.p3297) {
        SendRequest(k3297Sender, request_3297, messages_);
    }
    if (protocols_.onvif) {
        ProbeOnvif();
    }
}

void DeviceSearch::ProbeOnvif() {
    int error = 0;
    if (!onvif_.Probe(error)) {
        messages_.RequestNotSent(kWsDiscoveryPort, error);
    }
}

std::vector<OnvifDevice> DeviceSearch::Cameras() {
    return onvif_.Devices();
}

std::vector<OnvifSearch::Announcement> DeviceSearch::TakeAnnouncements() {
    return onvif_.TakeAnnouncements();
}

bool DeviceSearch::announcements_waiting() {
    return onvif_.announcements_waiting();
}

bool DeviceSearch::SendPcEdit(ByteSpan request) {
    return SendRequest(kPcEditSender, request, messages_) >= 0;
}

std::string DeviceSearch::SocketFailure() {
    return messages_.socket_failure();
}

std::optional<std::string> DeviceSearch::SendFailure() {
    return messages_.TakeSendFailure();
}

void DeviceSearch::Stop() {
    if (started_) {
        discovery_.Stop();
        onvif_.Stop();
        started_ = false;
    }
}

void DeviceSearch::SayIfNothingArrived(double seconds) {
    // Without a wait nothing could have come; after one, silence usually means a firewall.
    if (arrivals() == 0 && seconds > 0) {
        WriteText(stderr, NothingArrivedHere(program_, seconds));
    }
}

std::vector<DeviceRecord> DeviceSearch::Devices() {
    std::lock_guard guard(lock_);
    return std::vector<DeviceRecord>(discovery_.devices().begin(), discovery_.devices().end());
}

std::optional<DeviceRecord> DeviceSearch::Find(const MacAddress& mac) {
    std::lock_guard guard(lock_);
    // Also a device whose address starts with 0, which finding by MAC passes over.
    if (const DeviceRecord* found = discovery_.devices().FindByMacIncludingUnaddressed(mac)) {
        return *found;
    }
    return std::nullopt;
}

std::vector<Refusal> DeviceSearch::Refusals() {
    return messages_.refusals();
}

}  // namespace norvik::cli
