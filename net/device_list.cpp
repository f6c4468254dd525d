#include "device_list.h"

#include <algorithm>
#include <new>
#include <utility>

namespace norvik {

DeviceRecord* DeviceList::AllocateRecord() {
    return new (std::nothrow) DeviceRecord{};
}

DeviceList::DeviceList(RecordAllocator allocate) : allocate_(allocate) {
    // Room for a full list up front: the index never grows while a flood fills it.
    by_mac_.reserve(kMaxDevices);
}

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
    return found == by_mac_.end() ? nullptr : found->second.addressed.front();
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
        if (records.first == nullptr) {
            records.first = record;
        }
    } catch (const std::bad_alloc&) {
        delete record;
        return nullptr;
    }
    record->appended = appended_++;
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
        AddressedRecords& in_order = by_mac_.at(record.mac).addressed;
        if (addressed) {
            in_order.Insert(&record);
        } else {
            in_order.Erase(&record);
        }
    }
    record.ip = ip;
}

namespace {

bool AppendedBefore(const DeviceRecord* a, const DeviceRecord* b) {
    return a->appended < b->appended;
}

}  // namespace

void DeviceList::AddressedRecords::Insert(DeviceRecord* record) {
    if (front_ == nullptr) {
        front_ = record;
    } else if (AppendedBefore(record, front_)) {
        rest_.insert(rest_.begin(), front_);
        front_ = record;
    } else {
        rest_.insert(std::lower_bound(rest_.begin(), rest_.end(), record, AppendedBefore), record);
    }
}

void DeviceList::AddressedRecords::Erase(const DeviceRecord* record) {
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

void DeviceList::InsertRow(int list_index, ListView& view, RowTexts texts) {
    const int row = view.InsertItem(view.ItemCount(), RowNumberText(list_index));
    view.SetItemText(row, 1, std::move(texts.name));
    view.SetItemText(row, 2, std::move(texts.address));
}

void DeviceList::ListRecord(DeviceRecord& record, ListView& view, RowTexts texts) {
    if (record.list_index != -1) {
        return;
    }
    record.list_index = view.ItemCount();
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
    DeviceRecord* r = head_;
    while (r != nullptr) {
        DeviceRecord* next = r->next;
        delete r;
        r = next;
    }
    by_mac_.clear();
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
