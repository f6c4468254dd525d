#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <unordered_map>
#include <vector>

#include "device_record.h"
#include "device_text.h"
#include "list_view.h"

namespace norvik {

// Every device that answered since the list was last emptied, in order of discovery. Records
// are appended at the tail and only ever freed all together, so a pointer to a record stays
// valid until the next FreeAllRecords. The receive loops change it under LIST LOCK.
class DeviceList {
public:
    // Makes a zero-filled record (released with delete), or returns null when memory is short.
    using RecordAllocator = DeviceRecord* (*)();

    explicit DeviceList(RecordAllocator allocate = &AllocateRecord);
    ~DeviceList();
    DeviceList(const DeviceList&) = delete;
    DeviceList& operator=(const DeviceList&) = delete;

    // The first record from head with this MAC, skipping records whose first address octet
    // is 0; null if none.
    DeviceRecord* FindByMac(const MacAddress& mac) const;
    // The first record from head with this MAC, whatever its address.
    DeviceRecord* FindByMacIncludingUnaddressed(const MacAddress& mac) const;
    // A new unlisted record for the device with this MAC at the tail; null (and the list
    // unchanged) when none can be made.
    DeviceRecord* AppendRecord(const MacAddress& mac);
    // Gives an unlisted record the row after the last one; a listed record is left alone.
    void ListRecord(DeviceRecord& record, ListView& view, const RowTexts& texts);
    // Moves a listed record's row to the end with new texts; its row number stays.
    void RelistRecord(DeviceRecord& record, ListView& view, const RowTexts& texts);
    // Deletes the first row whose number is the record's, if any.
    void DeleteRowOf(const DeviceRecord& record, ListView& view) const;
    // Appends a row numbered list_index + 1 with the given texts.
    void InsertRow(int list_index, ListView& view, const RowTexts& texts);
    void FreeAllRecords();
    // The first record from head whose row number is n; null if none.
    DeviceRecord* LookupByRowNumber(int n) const;

    bool empty() const { return head_ == nullptr; }
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

    static DeviceRecord* AllocateRecord();

private:
    struct MacHash {
        std::size_t operator()(const MacAddress& mac) const noexcept;
    };

    RecordAllocator allocate_;
    // Every record by its MAC, in list order, so that finding a device does not walk a list
    // of thousands for every report. Lookups still give what a walk from head would give.
    std::unordered_map<MacAddress, std::vector<DeviceRecord*>, MacHash> by_mac_;
    DeviceRecord* head_ = nullptr;
    DeviceRecord* tail_ = nullptr;
    DeviceRecord* selected_ = nullptr;
};

}  // namespace norvik
