#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include "discovery.h"
#include "list_lock.h"
#include "memory_list_view.h"
#include "user_messages.h"

namespace norvik::cli {

// The search the window makes, without a window: both receive threads, the list and its rows
// in memory, messages on standard error and the senders' lines on `output`.
class DeviceSearch {
public:
    using Seconds = std::chrono::duration<double>;

    // diagnostics: where the senders' lines go (standard output, unless that must carry a
    // document alone); trace: also write the trace to standard error.
    DeviceSearch(std::FILE* diagnostics, bool trace);
    ~DeviceSearch();
    DeviceSearch(const DeviceSearch&) = delete;
    DeviceSearch& operator=(const DeviceSearch&) = delete;

    // Starts the receive threads, which broadcast both searches through every card. The exit
    // code to end with when that fails (said on standard error).
    std::optional<int> Start(const char* program);
    // Waits until `until` holds (asked every 50 ms) or the time is up; the exit code to end
    // with when a receive socket failed.
    std::optional<int> Wait(Seconds time, const std::function<bool()>& until = {});
    // Forgets every device and broadcasts both searches again, as Search Device does, but
    // with the search request the receive threads start with: a new search, whatever was
    // sent before.
    void SearchAgain();
    // Broadcasts a PCEdit request through every card, as Submit does.
    void SendPcEdit(ByteSpan request);
    void Stop();

    // Copies, taken under LIST LOCK.
    std::vector<DeviceRecord> Devices();
    std::optional<DeviceRecord> Find(const MacAddress& mac);

    // Datagrams received on either port since the start; none after a wait usually means a
    // firewall (see nothing_arrived.h).
    std::uint64_t arrivals() const { return discovery_.arrivals(); }
    // Datagrams dropped for the reason since the start, as the trace tells of each.
    std::uint64_t dropped(DropReason reason) const { return discovery_.dropped(reason); }
    DeviceList& devices() { return discovery_.devices(); }
    MemoryListView& view() { return view_; }
    ListLock& lock() { return lock_; }

private:
    ListLock lock_;
    MemoryListView view_;
    ConsoleUserMessages messages_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::optional<int> failure_exit_code_;
    Discovery discovery_;
    bool started_ = false;
};

}  // namespace norvik::cli
