#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <vector>

#include "device_record.h"
#include "device_text.h"
#include "list_view.h"
#include "mac_index.h"

namespace norvik {

// Every device that answered since the list was last emptied, in order of discovery. Records
// are appended at the tail and only ever freed all together, so a pointer to a record stays
// valid until the next FreeAllRecords. They live in chunks that are kept for the next search,
// so that a new device seldom costs an allocation. The receive loops change it under LIST LOCK.
class DeviceList {
public:
    // Far more devices than one broadcast domain of cameras holds; a report that would make one
    // more is dropped, so that a flood of made-up devices cannot take all memory.
    static constexpr std::size_t kMaxDevices = 16384;

    static constexpr std::size_t kRecordsPerChunk = 256;
    // Makes a chunk of kRecordsPerChunk records, or returns null when memory is short.
    using ChunkAllocator = std::unique_ptr<DeviceRecord[]> (*)();

    explicit DeviceList(ChunkAllocator allocate = &AllocateChunk);
    ~DeviceList();
    DeviceList(const DeviceList&) = delete;
    DeviceList& operator=(const DeviceList&) = delete;

    // The first record from head with this MAC, skipping records whose first address octet
    // is 0; null if none.
    DeviceRecord* FindByMac(const MacAddress& mac) const;
    // The first record from head with this MAC, whatever its address.
    DeviceRecord* FindByMacIncludingUnaddressed(const MacAddress& mac) const;
    // Readies a coming FindByMac of this MAC (MacIndex::Prefetch); safe without LIST LOCK.
    void PrefetchMac(const MacAddress& mac) const { by_mac_.Prefetch(mac); }
    // A new unlisted record for the device with this MAC at the tail; null (and the list
    // unchanged) when none can be made: memory is short, or the list holds kMaxDevices.
    DeviceRecord* AppendRecord(const MacAddress& mac);
    // Every change of a record's address goes through here, so that finding by MAC stays right.
    void SetAddress(DeviceRecord& record, const Ipv4& ip);
    // Gives an unlisted record the row after the last one; a listed record is left alone.
    void ListRecord(DeviceRecord& record, ListView& view, RowTexts texts);
    // Moves a listed record's row to the end with new texts, under a number no other row has:
    // its own if it was the last given out, else the next one.
    void RenumberRecord(DeviceRecord& record, ListView& view, RowTexts texts);
    // Moves a listed record's row to the end with new texts; its row number stays.
    void RelistRecord(DeviceRecord& record, ListView& view, RowTexts texts);
    // Appends a row numbered list_index + 1 with the given texts.
    void InsertRow(int list_index, ListView& view, RowTexts texts);
    void FreeAllRecords();
    // The first record from head whose row number is n; null if none.
    DeviceRecord* LookupByRowNumber(int n) const;

    bool empty() const { return head_ == nullptr; }
    std::size_t size() const { return size_; }
    bool full() const { return size_ >= kMaxDevices; }
    // Reports of new devices dropped because the list was full, since the program started.
    std::uint64_t dropped_devices() const { return dropped_devices_; }
    DeviceRecord* head() const { return head_; }
    DeviceRecord* tail() const { return tail_; }
    DeviceRecord* selected() const { return selected_; }
    void set_selected(DeviceRecord* record) { selected_ = record; }

    class Iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = DeviceRecord;
        using difference_type = std::ptrdiff_t;
        using pointer = const DeviceRecord*;
        using reference = const DeviceRecord&;

        Iterator() = default;
        explicit Iterator(const DeviceRecord* record) : record_(record) {}
        reference operator*() const { return *record_; }
        pointer operator->() const { return record_; }
        Iterator& operator++() {
            record_ = record_->next;
            return *this;
        }
        Iterator operator++(int) {
            Iterator before = *this;
            ++*this;
            return before;
        }
        bool operator==(const Iterator&) const = default;

    private:
        const DeviceRecord* record_ = nullptr;
    };
    Iterator begin() const { return Iterator(head_); }
    Iterator end() const { return Iterator(); }

    static std::unique_ptr<DeviceRecord[]> AllocateChunk();

private:
    // Deletes the first row whose number is the record's, if any.
    void DeleteRowOf(const DeviceRecord& record, ListView& view) const;

    ChunkAllocator allocate_;
    std::vector<std::unique_ptr<DeviceRecord[]>> chunks_;
    MacIndex by_mac_{kMaxDevices};
    std::uint64_t appended_ = 0;
    std::size_t size_ = 0;
    // Row numbers are given out in order and never twice until the list is emptied, so that a
    // row number always names one device.
    int next_list_index_ = 0;
    std::uint64_t dropped_devices_ = 0;
    DeviceRecord* head_ = nullptr;
    DeviceRecord* tail_ = nullptr;
    DeviceRecord* selected_ = nullptr;
};

}  // namespace norvik
