#include "device_watch.h"

#include "address_text.h"

namespace norvik::cli {
namespace {

// Where the device was heard, which is no setting of the device.
constexpr const char* kNotCompared = "interface";

}  // namespace

std::string EndpointKey(const std::string& endpoint) {
    return "endpoint " + endpoint;
}

HeardDevice MakeHeardDevice(Json record, std::vector<std::string> warnings) {
    HeardDevice device;
    record.erase("list_index");
    const Json& mac = record["mac"];
    device.key =
        mac.is_string() ? mac.get<std::string>() : EndpointKey(record.value("endpoint", ""));
    device.device = std::move(record);
    device.warnings = std::move(warnings);
    return device;
}

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
        // A field the old record lacks is one its writer did not know (a scan saved by an
        // earlier version): no change of the device.
        if (key == kNotCompared || changes.contains(key) || !old_device.contains(key)) {
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
    // In the record's own order; a field only the old record has comes last.
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
        const auto found = devices_.find(device.key);
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
        by_age_.emplace(0, device.key);
        devices_.emplace(device.key, std::move(entry));
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
    const Json endpoint = devices_.at(oldest->second).device.device.value("endpoint", Json());
    if (endpoint.is_string()) {
        key_by_endpoint_.erase(endpoint.get<std::string>());
    }
    devices_.erase(oldest->second);
    by_age_.erase(oldest);
    return true;
}

void DeviceWatch::Heard(Entry& entry, const HeardDevice& device) {
    by_age_.erase({entry.last_heard, device.key});
    entry.device = device;
    entry.last_heard = searches_;
    entry.missed = 0;
    entry.lost = false;
    entry.from_baseline = false;
    by_age_.emplace(searches_, device.key);
    const auto endpoint = device.device.find("endpoint");
    if (endpoint != device.device.end() && endpoint->is_string()) {
        key_by_endpoint_[endpoint->get<std::string>()] = device.key;
    }
}

std::optional<WatchEvent> DeviceWatch::AfterHello(const HeardDevice& device) {
    auto found = devices_.find(device.key);
    if (found == devices_.end()) {
        // Kept by its MAC, which the neighbour table may not know at this moment.
        found = WithEndpoint(device.device.value("endpoint", Json()));
    }
    if (found == devices_.end()) {
        if (!MakeRoom()) {
            ++not_kept_;
            return std::nullopt;
        }
        Entry& entry = devices_.emplace(device.key, Entry{}).first->second;
        by_age_.emplace(0, device.key);
        Heard(entry, device);
        return WatchEvent{WatchEventKind::kAdded, device, {}};
    }
    Entry& entry = found->second;
    if (!entry.lost) {
        return std::nullopt;  // what it says now is compared at the next search
    }
    // Its record stays as the searches heard it: a Hello tells less than a search.
    Heard(entry, entry.device);
    return WatchEvent{WatchEventKind::kBack, entry.device, {}};
}

std::optional<WatchEvent> DeviceWatch::AfterBye(const std::string& endpoint) {
    const auto found = WithEndpoint(Json(endpoint));
    if (found == devices_.end() || found->second.lost) {
        return std::nullopt;
    }
    Entry& entry = found->second;
    entry.lost = true;
    entry.missed = lost_after_;
    entry.from_baseline = false;
    return WatchEvent{WatchEventKind::kLost, entry.device, {}};
}

std::map<std::string, DeviceWatch::Entry>::iterator DeviceWatch::WithEndpoint(
    const Json& endpoint) {
    if (!endpoint.is_string()) {
        return devices_.end();
    }
    const auto key = key_by_endpoint_.find(endpoint.get<std::string>());
    if (key == key_by_endpoint_.end()) {
        return devices_.end();
    }
    const auto found = devices_.find(key->second);
    // A device heard with another endpoint since leaves an entry that no longer holds.
    const auto said = found == devices_.end() ? Json() : found->second.device.device.value(
                                                             "endpoint", Json());
    if (said != endpoint) {
        return devices_.end();
    }
    return found;
}

std::map<std::string, DeviceWatch::Entry>::iterator DeviceWatch::Kept(HeardDevice& device) {
    auto found = devices_.find(device.key);
    if (found != devices_.end()) {
        return found;
    }
    found = WithEndpoint(device.device.value("endpoint", Json()));
    if (found == devices_.end()) {
        return found;
    }
    const Json& kept_mac = found->second.device.device.value("mac", Json());
    const Json& heard_mac = device.device.value("mac", Json());
    if (heard_mac.is_null() && kept_mac.is_string()) {
        // The neighbour table has forgotten the camera's MAC since: still that device.
        device.device["mac"] = kept_mac;
        device.key = found->first;
        return found;
    }
    if (heard_mac.is_string() && kept_mac.is_null()) {
        // Its MAC is known now: kept by it from here on.
        Entry entry = std::move(found->second);
        by_age_.erase({entry.last_heard, found->first});
        devices_.erase(found);
        by_age_.emplace(entry.last_heard, device.key);
        return devices_.emplace(device.key, std::move(entry)).first;
    }
    return devices_.end();  // another MAC gives this endpoint: another device
}

void DeviceWatch::RememberMacs(std::vector<OnvifDevice>& cameras) {
    for (OnvifDevice& camera : cameras) {
        if (camera.mac) {
            continue;
        }
        const auto found = WithEndpoint(Json(camera.match.endpoint));
        if (found != devices_.end()) {
            const Json& mac = found->second.device.device.value("mac", Json());
            camera.mac = mac.is_string() ? ParseMac(mac.get<std::string>()) : std::nullopt;
        }
    }
}

std::vector<WatchEvent> DeviceWatch::AfterSearch(const std::vector<HeardDevice>& heard) {
    ++searches_;
    std::vector<WatchEvent> events;
    // A device the list holds twice (its reports said so) counts once, as last reported.
    std::map<std::string, const HeardDevice*> latest;
    for (const HeardDevice& device : heard) {
        latest[device.key] = &device;
    }
    heard_last_ = latest.size();
    for (const HeardDevice& heard_device : heard) {
        const auto is_latest = latest.find(heard_device.key);
        if (is_latest == latest.end() || is_latest->second != &heard_device) {
            continue;
        }
        HeardDevice device = heard_device;
        auto found = Kept(device);
        if (found == devices_.end()) {
            if (!MakeRoom()) {
                ++not_kept_;
                continue;
            }
            Entry& entry = devices_.emplace(device.key, Entry{}).first->second;
            by_age_.emplace(0, device.key);
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
