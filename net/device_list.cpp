#include "device_list.h"

#include <new>

namespace norvik {

DeviceRecord* DeviceList::AllocateRecord() {
    return new (std::nothrow) DeviceRecord{};
}

DeviceList::DeviceList(RecordAllocator allocate) : allocate_(allocate) {}

DeviceList::~DeviceList() {
    FreeAllRecords();
}

std::size_t DeviceList::MacHash::operator()(const MacAddress& mac) const noexcept {
    std::uint64_t key = 0;
    for (const std::uint8_t octet : mac) {
        key = key << 8 | octet;
    }
    return std::hash<std::uint64_t>{}(key);
}

DeviceRecord* DeviceList::FindByMac(const MacAddress& mac) const {
    const auto found = by_mac_.find(mac);
    if (found == by_mac_.end() || found->second.addressed.empty()) {
        return nullptr;
    }
    return found->second.addressed.begin()->second;
}

DeviceRecord* DeviceList::FindByMacIncludingUnaddressed(const MacAddress& mac) const {
    const auto found = by_mac_.find(mac);
    return found == by_mac_.end() ? nullptr : found->second.first;
}

DeviceRecord* DeviceList::AppendRecord(const MacAddress& mac) {
    if (full()) {
        ++dropped_devices_;
        return nullptr;
    }
    DeviceRecord* record = allocate_();
    if (record == nullptr) {
        return nullptr;
    }
    try {
        MacRecords& records = by_mac_[mac];
        order_.emplace(record, appended_);
        if (records.first == nullptr) {
            records.first = record;
        }
    } catch (const std::bad_alloc&) {
        order_.erase(record);
        delete record;
        return nullptr;
    }
    ++appended_;
    ++size_;
    record->mac = mac;
    record->list_index = -1;
    record->next = nullptr;
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
        auto& by_order = by_mac_.at(record.mac).addressed;
        if (addressed) {
            by_order.emplace(order_.at(&record), &record);
        } else {
            by_order.erase(order_.at(&record));
        }
    }
    record.ip = ip;
}

void DeviceList::InsertRow(int list_index, ListView& view, const RowTexts& texts) {
    const int row = view.InsertItem(view.ItemCount(), RowNumberText(list_index));
    view.SetItemText(row, 1, texts.name);
    view.SetItemText(row, 2, texts.address);
}

void DeviceList::ListRecord(DeviceRecord& record, ListView& view, const RowTexts& texts) {
    if (record.list_index != -1) {
        return;
    }
    record.list_index = view.ItemCount();
    InsertRow(record.list_index, view, texts);
}

void DeviceList::DeleteRowOf(const DeviceRecord& record, ListView& view) const {
    const int row = view.FindItemNumbered(record.list_index + 1);
    if (row >= 0) {
        view.DeleteItem(row);
    }
}

void DeviceList::RelistRecord(DeviceRecord& record, ListView& view, const RowTexts& texts) {
    DeleteRowOf(record, view);
    InsertRow(record.list_index, view, texts);
}

void DeviceList::FreeAllRecords() {
    DeviceRecord* r = head_;
    while (r != nullptr) {
        DeviceRecord* next = r->next;
        delete r;
        r = next;
    }
    by_mac_.clear();
    order_.clear();
    size_ = 0;
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
