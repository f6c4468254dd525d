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
    // The MAC's six octets as one number, so that a probe compares the slot without reading
    // the record.
    std::uint64_t key = 0;
};

// The device list's records by MAC: a table of fixed size, open addressing with linear probing,
// made once, so that adding a device allocates nothing. Entries are only ever removed all
// together.
class MacIndex {
public:
    // Holds at most `capacity` MACs, in a table at most half full.
    explicit MacIndex(std::size_t capacity);

    MacRecords* Find(const MacAddress& mac);
    const MacRecords* Find(const MacAddress& mac) const;
    // The entry for the MAC of `first`, made with it as first record if there is none; null when
    // the index holds its capacity of MACs already.
    MacRecords* FindOrAdd(DeviceRecord& first);
    void Clear();

private:
    std::size_t SlotOf(std::uint64_t key) const;

    std::vector<MacRecords> slots_;
    std::size_t capacity_;
    std::size_t size_ = 0;
};

}  // namespace norvik
