#include "device_watch.h"

namespace norvik::cli {
namespace {

// Where the device was heard, which is no setting of the device.
constexpr const char* kNotCompared = "interface";

}  // namespace

const char* WatchEventName(WatchEventKind kind) {
    switch (kind) {
        case WatchEventKind::kAdded:
            return "added";
        case WatchEventKind::kChanged:
            return "changed";
        case WatchEventKind::kLost:
            return "lost";
        case WatchEventKind::kBack:
            return "back";
    }
    return "?";
}

Json DeviceChanges(const Json& old_device, const Json& new_device) {
    Json changes = Json::object();
    const auto field = [](const Json& device, const std::string& key) {
        const auto found = device.find(key);
        return found == device.end() ? Json(nullptr) : *found;
    };
    const auto compare = [&](const std::string& key) {
        if (key == kNotCompared || changes.contains(key)) {
            return;
        }
        Json old_value = field(old_device, key);
        Json new_value = field(new_device, key);
        if (old_value != new_value) {
            Json change;
            change["old"] = std::move(old_value);
            change["new"] = std::move(new_value);
            changes[key] = std::move(change);
        }
    };
    // In the record's own order; a field only one side has comes last.
    for (const auto& item : new_device.items()) {
        compare(item.key());
    }
    for (const auto& item : old_device.items()) {
        compare(item.key());
    }
    return changes;
}

DeviceWatch::DeviceWatch(int lost_after, std::size_t capacity)
    : lost_after_(lost_after < 1 ? 1 : lost_after), capacity_(capacity) {}

void DeviceWatch::SetBaseline(const std::vector<HeardDevice>& devices) {
    for (const HeardDevice& device : devices) {
        const auto found = devices_.find(device.mac);
        if (found != devices_.end()) {
            found->second.device = device;  // listed twice: the later record
            continue;
        }
        if (devices_.size() >= capacity_) {
            ++not_kept_;
            continue;
        }
        Entry entry;
        entry.device = device;
        entry.from_baseline = true;
        by_age_.emplace(0, device.mac);
        devices_.emplace(device.mac, std::move(entry));
    }
}

bool DeviceWatch::MakeRoom() {
    if (devices_.size() < capacity_) {
        return true;
    }
    const auto oldest = by_age_.begin();
    if (oldest == by_age_.end() || oldest->first == searches_) {
        return false;  // every kept device was heard just now
    }
    devices_.erase(oldest->second);
    by_age_.erase(oldest);
    return true;
}

void DeviceWatch::Heard(Entry& entry, const HeardDevice& device) {
    by_age_.erase({entry.last_heard, device.mac});
    entry.device = device;
    entry.last_heard = searches_;
    entry.missed = 0;
    entry.lost = false;
    entry.from_baseline = false;
    by_age_.emplace(searches_, device.mac);
}

std::vector<WatchEvent> DeviceWatch::AfterSearch(const std::vector<HeardDevice>& heard) {
    ++searches_;
    std::vector<WatchEvent> events;
    // A device the list holds twice (its reports said so) counts once, as last reported.
    std::map<std::string, const HeardDevice*> latest;
    for (const HeardDevice& device : heard) {
        latest[device.mac] = &device;
    }
    heard_last_ = latest.size();
    for (const HeardDevice& device : heard) {
        const auto is_latest = latest.find(device.mac);
        if (is_latest == latest.end() || is_latest->second != &device) {
            continue;
        }
        auto found = devices_.find(device.mac);
        if (found == devices_.end()) {
            if (!MakeRoom()) {
                ++not_kept_;
                continue;
            }
            Entry& entry = devices_.emplace(device.mac, Entry{}).first->second;
            by_age_.emplace(0, device.mac);
            Heard(entry, device);
            events.push_back({WatchEventKind::kAdded, device, {}});
            continue;
        }
        Entry& entry = found->second;
        if (entry.lost) {
            events.push_back({WatchEventKind::kBack, device, {}});
        }
        Json changes = DeviceChanges(entry.device.device, device.device);
        if (!changes.empty()) {
            events.push_back({WatchEventKind::kChanged, device, std::move(changes)});
        }
        Heard(entry, device);
    }
    for (auto& [mac, entry] : devices_) {
        if (entry.last_heard == searches_) {
            continue;
        }
        if (entry.missed < lost_after_) {
            ++entry.missed;
        }
        if (!entry.lost && (entry.missed >= lost_after_ || entry.from_baseline)) {
            entry.lost = true;
            events.push_back({WatchEventKind::kLost, entry.device, {}});
        }
        entry.from_baseline = false;
    }
    return events;
}

}  // namespace norvik::cli
