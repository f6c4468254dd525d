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
    if (found != by_mac_.end()) {
        for (DeviceRecord* r : found->second) {
            if (r->ip[0] != 0) {
                return r;
            }
        }
    }
    return nullptr;
}

DeviceRecord* DeviceList::FindByMacIncludingUnaddressed(const MacAddress& mac) const {
    const auto found = by_mac_.find(mac);
    return found == by_mac_.end() ? nullptr : found->second.front();
}

DeviceRecord* DeviceList::AppendRecord(const MacAddress& mac) {
    DeviceRecord* record = allocate_();
    if (record == nullptr) {
        return nullptr;
    }
    try {
        by_mac_[mac].push_back(record);
    } catch (const std::bad_alloc&) {
        delete record;
        return nullptr;
    }
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
    for (int i = 0; i < view.ItemCount(); ++i) {
        if (ReadLeadingInteger(view.ItemText(i, 0)) == record.list_index + 1) {
            view.DeleteItem(i);
            return;
        }
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
