#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "device_json.h"
#include "device_list.h"
#include "onvif_device.h"

// What norvik-watch keeps between searches: the devices by MAC (a camera whose MAC is not known
// by its endpoint), and what changed.
namespace norvik::cli {

// One device as a search heard it (or a saved scan holds it): the scanner's record without
// list_index, and its warnings.
struct HeardDevice {
    // The MAC as the record has it ("00:11:22:aa:bb:cc"), or for a camera whose MAC is not
    // known its EndpointKey.
    std::string key;
    Json device;
    std::vector<std::string> warnings;
};

// The key of a camera whose MAC is not known: "endpoint " and its endpoint, so that no
// endpoint a network sends can pass for a MAC and take another device's place.
std::string EndpointKey(const std::string& endpoint);

// A scanner's record (SiteDeviceJson, CameraJson) as the watch keeps it: without the row of
// the search that heard it, by its MAC, or by its endpoint when the MAC is not known.
HeardDevice MakeHeardDevice(Json record, std::vector<std::string> warnings);

enum class WatchEventKind { kAdded, kChanged, kLost, kBack };

// "added", "changed", "lost", "back".
const char* WatchEventName(WatchEventKind kind);

struct WatchEvent {
    WatchEventKind kind = WatchEventKind::kAdded;
    HeardDevice device;  // as heard now; for kLost as last heard
    Json changes;        // kChanged: {"field":{"old":...,"new":...}}, the fields that differ
};

// The fields that differ between two records, as a changed event names them. The card a device
// was heard on is not one: a PC with two cards on one LAN hears it on either; nor is a field the
// old record lacks (a saved scan of an earlier version has no "protocols").
Json DeviceChanges(const Json& old_device, const Json& new_device);

class DeviceWatch {
public:
    struct Entry {
        HeardDevice device;
        std::uint64_t last_heard = 0;  // the search that last heard it; 0: never (a baseline's)
        int missed = 0;                // searches in a row that did not hear it
        bool lost = false;
        bool from_baseline = false;  // not yet compared with a search
    };

    // lost_after: searches in a row without a device that make it lost (at least 1);
    // capacity: devices kept at most, the one heard longest ago forgotten first.
    explicit DeviceWatch(int lost_after, std::size_t capacity = DeviceList::kMaxDevices);

    // Devices known before the first search, from a saved scan. The first search compares
    // with them: one it does not hear is lost at once, one that differs changed, and one
    // that is the same gives no event.
    void SetBaseline(const std::vector<HeardDevice>& devices);

    // The events of one search, given the devices it heard in the order found: added,
    // changed and back for those heard in that order (back before changed), then lost by MAC.
    // A camera is one device whether the neighbour table knew its MAC or not: kept by its
    // endpoint until its MAC is known, then by its MAC, which it keeps while the table
    // forgets it.
    std::vector<WatchEvent> AfterSearch(const std::vector<HeardDevice>& heard);
    // Gives each camera whose MAC the neighbour table does not know (any more) the MAC it is
    // kept by, before a search's devices are made of them: a device that answers in its own
    // protocol and in ONVIF then stays one device, as when the table knew the MAC.
    void RememberMacs(std::vector<OnvifDevice>& cameras);

    // A camera's Hello, heard between searches: added or back at once; nothing when it is
    // kept and answering.
    std::optional<WatchEvent> AfterHello(const HeardDevice& device);
    // A camera's Bye: the device with this endpoint is lost at once; nothing when none is kept
    // or it is lost already.
    std::optional<WatchEvent> AfterBye(const std::string& endpoint);

    const std::map<std::string, Entry>& devices() const { return devices_; }
    std::uint64_t searches() const { return searches_; }
    // Devices heard by the last search.
    std::size_t heard_last() const { return heard_last_; }
    // New devices not kept because every kept device was heard by the same search.
    std::uint64_t not_kept() const { return not_kept_; }

private:
    bool MakeRoom();
    // The kept device whose record has this endpoint.
    std::map<std::string, Entry>::iterator WithEndpoint(const Json& endpoint);
    // The kept device a search heard, by its key or its camera's endpoint; `device` gets the
    // key it is kept by, and the MAC it is known by when the search did not know it.
    std::map<std::string, Entry>::iterator Kept(HeardDevice& device);
    void Heard(Entry& entry, const HeardDevice& device);

    int lost_after_;
    std::size_t capacity_;
    std::uint64_t searches_ = 0;
    std::size_t heard_last_ = 0;
    std::uint64_t not_kept_ = 0;
    std::map<std::string, Entry> devices_;
    // (last_heard, MAC) of every kept device: the first is the one to forget first.
    std::set<std::pair<std::uint64_t, std::string>> by_age_;
    // The key of each kept camera by its endpoint, for its Bye.
    std::map<std::string, std::string> key_by_endpoint_;
};

}  // namespace norvik::cli
