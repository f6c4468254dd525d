#include "device_list.h"

#include <limits>
#include <new>
#include <utility>

namespace norvik {

std::unique_ptr<DeviceRecord[]> DeviceList::AllocateChunk() {
    return std::unique_ptr<DeviceRecord[]>(new (std::nothrow) DeviceRecord[kRecordsPerChunk]);
}

DeviceList::DeviceList(ChunkAllocator allocate) : allocate_(allocate) {
    // Room for a full list's chunks up front: the list of them never grows in a flood.
    chunks_.reserve((kMaxDevices + kRecordsPerChunk - 1) / kRecordsPerChunk);
}

DeviceList::~DeviceList() = default;

DeviceRecord* DeviceList::FindByMac(const MacAddress& mac) const {
    const MacRecords* records = by_mac_.Find(mac);
    return records == nullptr ? nullptr : records->addressed.front();
}

DeviceRecord* DeviceList::FindByMacIncludingUnaddressed(const MacAddress& mac) const {
    const MacRecords* records = by_mac_.Find(mac);
    return records == nullptr ? nullptr : records->first;
}

DeviceRecord* DeviceList::AppendRecord(const MacAddress& mac) {
    if (full()) {
        ++dropped_devices_;
        return nullptr;
    }
    const std::size_t chunk = size_ / kRecordsPerChunk;
    if (chunk == chunks_.size()) {
        std::unique_ptr<DeviceRecord[]> records = allocate_();
        if (records == nullptr) {
            return nullptr;
        }
        chunks_.push_back(std::move(records));
    }
    DeviceRecord* record = &chunks_[chunk][size_ % kRecordsPerChunk];
    *record = DeviceRecord{};
    record->mac = mac;
    by_mac_.FindOrAdd(*record);  // never full while the list is not
    record->appended = appended_++;
    ++size_;
    if (head_ == nullptr) {
        head_ = record;
    } else {
        tail_->next = record;
    }
    tail_ = record;
    return record;
}

void DeviceList::SetAddress(DeviceRecord& record, const Ipv4& ip) {
    const bool was_addressed = record.ip[0] != 0;
    const bool addressed = ip[0] != 0;
    if (addressed != was_addressed) {
        // The index first: should it run out of memory, the record is left as it was.
        AddressedRecords& in_order = by_mac_.Find(record.mac)->addressed;
        if (addressed) {
            in_order.Insert(&record);
        } else {
            in_order.Erase(&record);
        }
    }
    record.ip = ip;
}

void DeviceList::InsertRow(int list_index, ListView& view, RowTexts texts) {
    const int row = view.InsertItem(view.ItemCount(), RowNumberText(list_index));
    view.SetItemText(row, 1, std::move(texts.name));
    view.SetItemText(row, 2, std::move(texts.address));
}

void DeviceList::ListRecord(DeviceRecord& record, ListView& view, RowTexts texts) {
    if (record.list_index != -1) {
        return;
    }
    record.list_index = next_list_index_++;
    InsertRow(record.list_index, view, std::move(texts));
}

void DeviceList::RenumberRecord(DeviceRecord& record, ListView& view, RowTexts texts) {
    DeleteRowOf(record, view);
    // Re-numbering reports may come without end while the list lives (a window left open for
    // days): before the numbers could run out, a row keeps its own, still one device's.
    constexpr int kLastRenumbering = std::numeric_limits<int>::max() - int{kMaxDevices};
    if (record.list_index + 1 != next_list_index_ && next_list_index_ < kLastRenumbering) {
        record.list_index = next_list_index_++;
    }
    InsertRow(record.list_index, view, std::move(texts));
}

void DeviceList::DeleteRowOf(const DeviceRecord& record, ListView& view) const {
    const int row = view.FindItemNumbered(record.list_index + 1);
    if (row >= 0) {
        view.DeleteItem(row);
    }
}

void DeviceList::RelistRecord(DeviceRecord& record, ListView& view, RowTexts texts) {
    DeleteRowOf(record, view);
    InsertRow(record.list_index, view, std::move(texts));
}

void DeviceList::FreeAllRecords() {
    by_mac_.Clear();
    size_ = 0;
    next_list_index_ = 0;
    head_ = nullptr;
    tail_ = nullptr;
    selected_ = nullptr;
}

DeviceRecord* DeviceList::LookupByRowNumber(int n) const {
    for (DeviceRecord* r = head_; r != nullptr; r = r->next) {
        if (r->list_index + 1 == n) {
            return r;
        }
    }
    return nullptr;
}

}  // namespace norvik
