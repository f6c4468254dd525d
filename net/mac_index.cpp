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

// The six octets as a number below 2^48; any packing serves, as long as it is the same for
// every MAC, and two loads are the cheapest.
std::uint64_t MacKey(const MacAddress& mac) {
    std::uint32_t head;
    std::uint16_t tail;
    std::memcpy(&head, mac.data(), sizeof head);
    std::memcpy(&tail, mac.data() + sizeof head, sizeof tail);
    return static_cast<std::uint64_t>(tail) << 32 | head;
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
    : slots_(std::bit_ceil(std::min(capacity, kMostMacs) * 2)),
      capacity_(std::min(capacity, kMostMacs)) {
    entries_.reserve(capacity_);
}

std::size_t MacIndex::SlotOf(std::uint64_t mac) const {
    const std::size_t mask = slots_.size() - 1;
    std::size_t slot = static_cast<std::size_t>(MacHash(mac)) & mask;
    // Never more than half full, so an empty slot always ends the probe.
    while (slots_[slot] != 0 && slots_[slot] >> 16 != mac) {
        slot = (slot + 1) & mask;
    }
    return slot;
}

MacRecords* MacIndex::Find(const MacAddress& mac) {
    const std::uint64_t slot = slots_[SlotOf(MacKey(mac))];
    return slot == 0 ? nullptr : &entries_[(slot & 0xFFFF) - 1];
}

const MacRecords* MacIndex::Find(const MacAddress& mac) const {
    const std::uint64_t slot = slots_[SlotOf(MacKey(mac))];
    return slot == 0 ? nullptr : &entries_[(slot & 0xFFFF) - 1];
}

MacRecords* MacIndex::FindOrAdd(DeviceRecord& first) {
    const std::uint64_t mac = MacKey(first.mac);
    std::uint64_t& slot = slots_[SlotOf(mac)];
    if (slot == 0) {
        if (entries_.size() == capacity_) {
            return nullptr;
        }
        entries_.push_back({&first, {}});
        slot = mac << 16 | entries_.size();
    }
    return &entries_[(slot & 0xFFFF) - 1];
}

void MacIndex::Prefetch(const MacAddress& mac) const {
    const std::size_t mask = slots_.size() - 1;
    __builtin_prefetch(slots_.data() + (static_cast<std::size_t>(MacHash(MacKey(mac))) & mask));
}

void MacIndex::Clear() {
    if (entries_.empty()) {
        return;
    }
    std::fill(slots_.begin(), slots_.end(), 0);
    entries_.clear();
}

}  // namespace norvik
