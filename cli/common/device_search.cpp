#include "device_search.h"

#include <string>

#include "broadcast_sender.h"
#include "console_text.h"
#include "exit_codes.h"
#include "pcedit.h"
#include "protocol_3297.h"
#include "udp_socket.h"

namespace norvik::cli {
namespace {

constexpr std::chrono::milliseconds kPollInterval{50};

}  // namespace

DeviceSearch::DeviceSearch(std::FILE* diagnostics, bool trace)
    : lock_(ListLock::DefaultPath()),
      messages_(diagnostics),
      discovery_(lock_, view_, messages_, [this](int exit_code) {
          std::lock_guard guard(mutex_);
          failure_exit_code_ = exit_code;
          changed_.notify_all();
      }) {
    if (trace) {
        messages_.TraceTo(stderr);
    }
}

DeviceSearch::~DeviceSearch() {
    Stop();
}

std::optional<int> DeviceSearch::Start(const char* program) {
    if (!StartSockets()) {
        WriteText(stderr, std::string(program) + ": cannot start the socket layer\n");
        return kExitNetworkError;
    }
    started_ = true;
    const auto started = discovery_.Start();
    if (!started.receiver_3297 || !started.pcedit_receiver) {
        WriteText(stderr, std::string(program) + ": cannot start a receive thread\n");
        return kExitNetworkError;
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
    SendRequest(kPcEditSender, pcedit_request, messages_);
    SendRequest(k3297Sender, request_3297, messages_);
}

void DeviceSearch::SendPcEdit(ByteSpan request) {
    SendRequest(kPcEditSender, request, messages_);
}

void DeviceSearch::Stop() {
    if (started_) {
        discovery_.Stop();
        started_ = false;
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

}  // namespace norvik::cli
