#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "discovery.h"
#include "list_lock.h"
#include "memory_list_view.h"
#include "onvif_search.h"
#include "option_values.h"
#include "user_messages.h"

namespace norvik::cli {

// A device's refusal of a set request, as heard.
struct Refusal {
    MacAddress mac{};
    std::string text;     // the protocol's text, UTF-8
    std::string meaning;  // what it means, in English
};

// The refusals heard, in the order heard. Anyone on the LAN can send one, so only the first
// kMaxKept are kept: a flood cannot grow a program that runs for months (norvik-watch) without
// end. Those past it are still said on standard error.
class RefusalLog {
public:
    static constexpr std::size_t kMaxKept = DeviceList::kMaxDevices;
    void Add(Refusal refusal);
    std::vector<Refusal> All();

private:
    std::mutex mutex_;
    std::vector<Refusal> kept_;
};

// The search the window makes, without a window: both receive threads, the list and its rows
// in memory; every message, the senders' lines included, on standard error, so that standard
// output carries the program's data alone. Programs that list devices also search for ONVIF
// cameras, which the window does not list.
class DeviceSearch {
public:
    using Seconds = std::chrono::duration<double>;

    // program: starts each line said; trace: also write the trace to standard error;
    // announcements: also hear the ONVIF cameras' Hello and Bye between searches.
    DeviceSearch(const char* program, bool trace, SearchProtocols protocols = {},
                 bool announcements = false);
    ~DeviceSearch();
    DeviceSearch(const DeviceSearch&) = delete;
    DeviceSearch& operator=(const DeviceSearch&) = delete;

    // Starts the receive threads, which broadcast the searches through every card. The exit
    // code to end with when that fails (said on standard error). Whether the searches went out
    // is known after the first Wait: SendFailure.
    std::optional<int> Start();
    // Waits until `until` holds (asked every 50 ms) or the time is up; the exit code to end
    // with when a receive socket failed.
    std::optional<int> Wait(Seconds time, const std::function<bool()>& until = {});
    // Forgets every device and broadcasts the searches again, as Search Device does, but
    // with the search request the receive threads start with: a new search, whatever was
    // sent before.
    void SearchAgain();
    // The ONVIF cameras heard since the last search (none unless asked for).
    std::vector<OnvifDevice> Cameras();
    // The cameras' Hello and Bye heard since the last call (with announcements).
    std::vector<OnvifSearch::Announcement> TakeAnnouncements();
    bool announcements_waiting();
    // Broadcasts a PCEdit request through every card, as Submit does; false when it went out
    // through none (SendFailure says why).
    bool SendPcEdit(ByteSpan request);
    // Why the receive threads ended the search, for the person: Wait gave an exit code.
    std::string SocketFailure();
    // Why a search or request since the last call went out through no card at all ("the
    // search to port 4022 could not be sent: Network is unreachable (error 101)"), or nothing.
    std::optional<std::string> SendFailure();
    void Stop();

    // Says on standard error why nothing may have come, when nothing at all arrived in a wait
    // of `seconds` (usually a firewall; see nothing_arrived.h).
    void SayIfNothingArrived(double seconds);

    // Copies, taken under LIST LOCK.
    std::vector<DeviceRecord> Devices();
    std::optional<DeviceRecord> Find(const MacAddress& mac);
    // The refusals heard since the start, in the order heard (RefusalLog).
    std::vector<Refusal> Refusals();

    // Datagrams received on any port since the start; none after a wait usually means a
    // firewall (see nothing_arrived.h).
    std::uint64_t arrivals() const { return discovery_.arrivals() + onvif_.arrivals(); }
    // Datagrams dropped for the reason since the start, as the trace tells of each.
    std::uint64_t dropped(DropReason reason) const {
        return discovery_.dropped(reason) + onvif_.dropped(reason);
    }
    DeviceList& devices() { return discovery_.devices(); }
    MemoryListView& view() { return view_; }
    ListLock& lock() { return lock_; }

private:
    void ProbeOnvif();

    // Messages on standard error; what the network code only tells (refusals, requests not
    // sent) is kept for the program too.
    class Messages : public ConsoleUserMessages {
    public:
        explicit Messages(const char* program) : ConsoleUserMessages(stderr), program_(program) {}
        void ShowRefusal(const MacAddress& mac, std::u16string_view text) override;
        void ShowMessage(MessageStyle style, std::u16string_view text) override;
        void WriteOutput(std::string_view line) override;
        void RequestNotSent(std::uint16_t port, int error) override;
        void PortNotBound(std::uint16_t port, int error) override;
        std::optional<std::string> TakeSendFailure();
        std::string socket_failure();
        std::vector<Refusal> refusals() { return refusals_.All(); }

    private:
        const char* program_;
        std::mutex mutex_;
        std::optional<std::string> send_failure_;
        std::string socket_failure_;
        RefusalLog refusals_;
    };

    const char* program_;
    ListLock lock_;
    MemoryListView view_;
    Messages messages_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::optional<int> failure_exit_code_;
    SearchProtocols protocols_;
    Discovery discovery_;
    OnvifSearch onvif_;
    bool started_ = false;
};

}  // namespace norvik::cli
