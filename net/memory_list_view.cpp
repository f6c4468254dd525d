#include "memory_list_view.h"

#include <algorithm>

#include "device_list.h"
#include "device_text.h"

namespace norvik {
namespace {

constexpr std::size_t kMinimumRoom = 16;

std::size_t LowestBit(std::size_t i) {
    return i & (~i + 1);
}

}  // namespace

void MemoryListView::Count(std::size_t slot, int delta) {
    for (std::size_t i = slot + 1; i < counts_.size(); i += LowestBit(i)) {
        counts_[i] += delta;
    }
}

int MemoryListView::IndexOf(std::size_t slot) const {
    // Filled slots before this one.
    int before = 0;
    for (std::size_t i = slot; i > 0; i -= LowestBit(i)) {
        before += counts_[i];
    }
    return before;
}

std::size_t MemoryListView::SlotOf(int item) const {
    if (item == live_ - 1 && slots_[end_ - 1] != kNone) {
        return end_ - 1;  // the last row, which the list code fills right after adding it
    }
    // The slot of the (item + 1)th filled slot: the tree's usual descent.
    std::size_t position = 0;
    int remaining = item + 1;
    std::size_t step = 1;
    while (step * 2 < counts_.size()) {
        step *= 2;
    }
    for (; step > 0; step /= 2) {
        if (position + step < counts_.size() && counts_[position + step] < remaining) {
            position += step;
            remaining -= counts_[position];
        }
    }
    return position;  // the tree is 1-based: its position is the slot's index
}

std::uint32_t& MemoryListView::FirstNumbered(int number) {
    if (number >= 0 && number < kDenseNumbers) {
        const auto at = static_cast<std::size_t>(number);
        if (at >= first_numbered_.size()) {
            first_numbered_.resize(std::max(at + 1, 2 * first_numbered_.size()), kNone);
        }
        return first_numbered_[at];
    }
    return numbered_.try_emplace(number, kNone).first->second;
}

std::uint32_t MemoryListView::FirstNumbered(int number) const {
    if (number >= 0 && number < kDenseNumbers) {
        const auto at = static_cast<std::size_t>(number);
        return at < first_numbered_.size() ? first_numbered_[at] : kNone;
    }
    const auto found = numbered_.find(number);
    return found == numbered_.end() ? kNone : found->second;
}

void MemoryListView::Number(std::uint32_t id) {
    std::uint32_t& first = FirstNumbered(ReadLeadingInteger(stored_[id].row[0]));
    stored_[id].same_number = first;
    first = id;
}

void MemoryListView::Unnumber(std::uint32_t id) {
    std::uint32_t* link = &FirstNumbered(ReadLeadingInteger(stored_[id].row[0]));
    while (*link != id) {
        link = &stored_[*link].same_number;
    }
    *link = stored_[id].same_number;
}

void MemoryListView::Repack(std::size_t front_room, int gap_at) {
    std::vector<std::uint32_t> old = std::move(slots_);
    const std::size_t rows = static_cast<std::size_t>(live_) + (gap_at >= 0 ? 1 : 0);
    slots_.assign(front_room + rows + std::max(rows, kMinimumRoom), kNone);
    std::size_t next = front_room;
    int index = 0;
    for (std::size_t i = first_; i < end_; ++i) {
        if (old[i] != kNone) {
            if (index++ == gap_at) {
                ++next;
            }
            stored_[old[i]].slot = next;
            slots_[next++] = old[i];
        }
    }
    first_ = front_room;
    end_ = next;
    counts_.assign(slots_.size() + 1, 0);
    for (std::size_t i = first_; i < end_; ++i) {
        counts_[i + 1] = slots_[i] != kNone ? 1 : 0;
    }
    // The Fenwick tree built in place from its leaves.
    for (std::size_t i = 1; i < counts_.size(); ++i) {
        if (const std::size_t parent = i + LowestBit(i); parent < counts_.size()) {
            counts_[parent] += counts_[i];
        }
    }
}

void MemoryListView::Fill(std::size_t slot, std::u16string text) {
    std::uint32_t id;
    if (free_ids_.empty()) {
        id = static_cast<std::uint32_t>(stored_.size());
        stored_.emplace_back();
    } else {
        id = free_ids_.back();
        free_ids_.pop_back();
    }
    Stored& stored = stored_[id];
    stored.row[0] = std::move(text);
    stored.row[1].clear();
    stored.row[2].clear();
    stored.slot = slot;
    slots_[slot] = id;
    Count(slot, +1);
    ++live_;
    Number(id);
}

int MemoryListView::InsertItem(int index, std::u16string text) {
    if (index < 0 || index > live_) {
        index = live_;
    }
    if (index == live_) {
        if (end_ == slots_.size()) {
            Repack(0);
        }
        Fill(end_++, std::move(text));
    } else if (index == 0) {
        if (first_ == 0) {
            // Room at the top for as many rows again: the sort puts every row there.
            Repack(std::max(static_cast<std::size_t>(live_), kMinimumRoom));
        }
        Fill(--first_, std::move(text));
    } else {
        // In the middle, which the list code never does: the rows laid out afresh, with a free
        // slot at the new row's place.
        Repack(0, index);
        Fill(first_ + static_cast<std::size_t>(index), std::move(text));
    }
    return index;
}

void MemoryListView::SetItemText(int item, int column, std::u16string text) {
    if (item < 0 || item >= live_ || column < 0 || column >= kColumnCount) {
        return;
    }
    const std::uint32_t id = slots_[SlotOf(item)];
    if (column == 0) {
        Unnumber(id);
    }
    stored_[id].row[static_cast<std::size_t>(column)] = std::move(text);
    if (column == 0) {
        Number(id);
    }
}

std::u16string MemoryListView::ItemText(int item, int column) const {
    if (item < 0 || item >= live_ || column < 0 || column >= kColumnCount) {
        return {};
    }
    return stored_[slots_[SlotOf(item)]].row[static_cast<std::size_t>(column)];
}

void MemoryListView::DeleteItem(int item) {
    if (item < 0 || item >= live_) {
        return;
    }
    const std::size_t slot = SlotOf(item);
    const std::uint32_t id = slots_[slot];
    Unnumber(id);
    free_ids_.push_back(id);
    slots_[slot] = kNone;
    Count(slot, -1);
    --live_;
    // Emptied slots are packed away once they outnumber the rows, so they cost O(1) each.
    if (end_ - first_ > 2 * static_cast<std::size_t>(live_) + kMinimumRoom) {
        Repack(0);
    }
}

MemoryListView::MemoryListView() {
    // Room for a full device list's rows, so that the rows of a flood's new devices never move.
    stored_.reserve(DeviceList::kMaxDevices);
}

void MemoryListView::DeleteAllItems() {
    *this = MemoryListView();
}

int MemoryListView::FindItemNumbered(int number) const {
    const std::uint32_t first = FirstNumbered(number);
    if (first == kNone) {
        return -1;
    }
    std::size_t top = slots_.size();
    for (std::uint32_t id = first; id != kNone; id = stored_[id].same_number) {
        top = std::min(top, stored_[id].slot);
    }
    return IndexOf(top);
}

std::vector<MemoryListView::Row> MemoryListView::rows() const {
    std::vector<Row> rows;
    rows.reserve(static_cast<std::size_t>(live_));
    for (std::size_t i = first_; i < end_; ++i) {
        if (slots_[i] != kNone) {
            rows.push_back(stored_[slots_[i]].row);
        }
    }
    return rows;
}

}  // namespace norvik
