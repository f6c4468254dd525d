#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "device_record.h"

namespace norvik {

// A device's records whose first address octet is not 0, in list order. Reports never append
// a second such record of one MAC (they find the first), so there is nearly always one, kept
// without an allocation of its own.
class AddressedRecords {
public:
    DeviceRecord* front() const { return front_; }
    void Insert(DeviceRecord* record);
    void Erase(const DeviceRecord* record);

private:
    DeviceRecord* front_ = nullptr;
    std::vector<DeviceRecord*> rest_;  // after front_, in list order
};

// A device's records, so that finding one never walks the list.
struct MacRecords {
    DeviceRecord* first = nullptr;  // whatever its address; its MAC is the entry's key
    AddressedRecords addressed;
};

// The device list's records by MAC: a table of fixed size, open addressing with linear probing,
// made once, so that adding a device allocates nothing. Entries are only ever removed all
// together. A slot is one number, the MAC and its entry's place together, so that the table
// stays small enough for the caches (256 KB for a full list) and a probe reads nothing else.
class MacIndex {
public:
    // Holds at most `capacity` MACs (no more than kMostMacs), in a table at most half full.
    explicit MacIndex(std::size_t capacity);

    static constexpr std::size_t kMostMacs = 0xFFFF;

    MacRecords* Find(const MacAddress& mac);
    const MacRecords* Find(const MacAddress& mac) const;
    // The entry for the MAC of `first`, made with it as first record if there is none; null when
    // the index holds its capacity of MACs already.
    MacRecords* FindOrAdd(DeviceRecord& first);
    void Clear();
    // Asks the processor to fetch the slot where the MAC's probe starts, so that a lookup soon
    // after does not wait for memory. Reads only where the table lies, which never changes once
    // it is made: any thread may call it, without LIST LOCK.
    void Prefetch(const MacAddress& mac) const;

private:
    // The slot that holds the MAC, or the empty slot where it would go.
    std::size_t SlotOf(std::uint64_t mac) const;

    // The MAC in the upper 48 bits, its entry's place + 1 in the lower 16; 0 for an empty slot.
    std::vector<std::uint64_t> slots_;
    // In the order the MACs came; room for capacity_ made once, so entries never move.
    std::vector<MacRecords> entries_;
    std::size_t capacity_;
};

}  // namespace norvik
