#include "mac_index.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

namespace norvik {

namespace {

bool AppendedBefore(const DeviceRecord* a, const DeviceRecord* b) {
    return a->appended < b->appended;
}

// Any packing of the six octets serves, as long as it is the same for every MAC; one copy is
// the cheapest.
std::uint64_t MacKey(const MacAddress& mac) {
    std::uint64_t key = 0;
    std::memcpy(&key, mac.data(), mac.size());
    return key;
}

// A MAC's key mixed so that MACs differing only in their last octets (one vendor's devices)
// spread over the whole table.
std::uint64_t MacHash(std::uint64_t key) {
    key ^= key >> 33;
    key *= 0xFF51AFD7ED558CCDull;
    key ^= key >> 33;
    return key;
}

}  // namespace

void AddressedRecords::Insert(DeviceRecord* record) {
    if (front_ == nullptr) {
        front_ = record;
    } else if (AppendedBefore(record, front_)) {
        rest_.insert(rest_.begin(), front_);
        front_ = record;
    } else {
        rest_.insert(std::lower_bound(rest_.begin(), rest_.end(), record, AppendedBefore), record);
    }
}

void AddressedRecords::Erase(const DeviceRecord* record) {
    if (record == front_) {
        if (rest_.empty()) {
            front_ = nullptr;
        } else {
            front_ = rest_.front();
            rest_.erase(rest_.begin());
        }
        return;
    }
    const auto found = std::lower_bound(rest_.begin(), rest_.end(), record, AppendedBefore);
    if (found != rest_.end() && *found == record) {
        rest_.erase(found);
    }
}

MacIndex::MacIndex(std::size_t capacity)
    : slots_(std::bit_ceil(capacity * 2)), capacity_(capacity) {}

std::size_t MacIndex::SlotOf(std::uint64_t key) const {
    const std::size_t mask = slots_.size() - 1;
    std::size_t slot = static_cast<std::size_t>(MacHash(key)) & mask;
    // Never more than half full, so an empty slot always ends the probe.
    while (slots_[slot].first != nullptr && slots_[slot].key != key) {
        slot = (slot + 1) & mask;
    }
    return slot;
}

MacRecords* MacIndex::Find(const MacAddress& mac) {
    MacRecords& entry = slots_[SlotOf(MacKey(mac))];
    return entry.first == nullptr ? nullptr : &entry;
}

const MacRecords* MacIndex::Find(const MacAddress& mac) const {
    const MacRecords& entry = slots_[SlotOf(MacKey(mac))];
    return entry.first == nullptr ? nullptr : &entry;
}

MacRecords* MacIndex::FindOrAdd(DeviceRecord& first) {
    const std::uint64_t key = MacKey(first.mac);
    MacRecords& entry = slots_[SlotOf(key)];
    if (entry.first == nullptr) {
        if (size_ == capacity_) {
            return nullptr;
        }
        entry.first = &first;
        entry.key = key;
        ++size_;
    }
    return &entry;
}

void MacIndex::Clear() {
    if (size_ == 0) {
        return;
    }
    std::fill(slots_.begin(), slots_.end(), MacRecords{});
    size_ = 0;
}

}  // namespace norvik
