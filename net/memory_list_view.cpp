#include "memory_list_view.h"

#include <algorithm>

#include "device_text.h"

namespace norvik {
namespace {

constexpr std::size_t kMinimumRoom = 16;

}  // namespace

void MemoryListView::Count(std::size_t slot, int delta) {
    for (std::size_t i = slot + 1; i < counts_.size(); i += i & (~i + 1)) {
        counts_[i] += delta;
    }
}

int MemoryListView::IndexOf(std::size_t slot) const {
    // Filled slots before this one.
    int before = 0;
    for (std::size_t i = slot; i > 0; i -= i & (~i + 1)) {
        before += counts_[i];
    }
    return before;
}

std::size_t MemoryListView::SlotOf(int item) const {
    // The slot holding the (item + 1)th filled slot: the tree's usual descent.
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
    return position;  // slot index (the tree is 1-based)
}

void MemoryListView::Number(std::size_t slot) {
    std::vector<std::size_t>& slots = numbered_[ReadLeadingInteger(slots_[slot].row[0])];
    slots.insert(std::lower_bound(slots.begin(), slots.end(), slot), slot);
}

void MemoryListView::Unnumber(std::size_t slot) {
    const auto found = numbered_.find(ReadLeadingInteger(slots_[slot].row[0]));
    std::vector<std::size_t>& slots = found->second;
    slots.erase(std::lower_bound(slots.begin(), slots.end(), slot));
    if (slots.empty()) {
        numbered_.erase(found);
    }
}

void MemoryListView::Repack(std::size_t front_room, int insert_at, std::u16string_view text) {
    std::vector<Slot> old = std::move(slots_);
    const std::size_t rows = static_cast<std::size_t>(live_) + (insert_at >= 0 ? 1 : 0);
    slots_.assign(front_room + rows + std::max(rows, kMinimumRoom), Slot{});
    std::size_t next = front_room;
    int index = 0;
    const auto put_new = [&] {
        slots_[next].row[0] = text;
        slots_[next++].filled = true;
    };
    for (std::size_t i = first_; i < end_; ++i) {
        if (!old[i].filled) {
            continue;
        }
        if (index++ == insert_at) {
            put_new();
        }
        slots_[next++] = std::move(old[i]);
    }
    if (insert_at >= 0 && index <= insert_at) {
        put_new();
    }
    first_ = front_room;
    end_ = next;
    live_ = static_cast<int>(rows);
    counts_.assign(slots_.size() + 1, 0);
    numbered_.clear();
    for (std::size_t i = first_; i < end_; ++i) {
        counts_[i + 1] = 1;
        Number(i);
    }
    // The Fenwick tree built in place from its leaves.
    for (std::size_t i = 1; i < counts_.size(); ++i) {
        const std::size_t parent = i + (i & (~i + 1));
        if (parent < counts_.size()) {
            counts_[parent] += counts_[i];
        }
    }
}

int MemoryListView::InsertItem(int index, std::u16string_view text) {
    if (index < 0 || index > live_) {
        index = live_;
    }
    std::size_t slot;
    if (index == live_ && end_ < slots_.size()) {
        slot = end_++;
    } else if (index == 0 && live_ > 0 && first_ > 0) {
        slot = --first_;
    } else if (index == 0 && live_ == 0 && !slots_.empty()) {
        slot = first_ = end_ = slots_.size() / 2;
        ++end_;
    } else {
        // In the middle, or out of room: lay the rows out again around the new one, with room
        // on the side it came to.
        Repack(index == 0 ? std::max<std::size_t>(live_, kMinimumRoom) : 0, index, text);
        return index;
    }
    slots_[slot].row = Row{};
    slots_[slot].row[0] = text;
    slots_[slot].filled = true;
    Count(slot, +1);
    ++live_;
    Number(slot);
    return index;
}

void MemoryListView::SetItemText(int item, int column, std::u16string_view text) {
    if (item < 0 || item >= live_ || column < 0 || column >= kColumnCount) {
        return;
    }
    const std::size_t slot = SlotOf(item);
    if (column == 0) {
        Unnumber(slot);
    }
    slots_[slot].row[static_cast<std::size_t>(column)] = text;
    if (column == 0) {
        Number(slot);
    }
}

std::u16string MemoryListView::ItemText(int item, int column) const {
    if (item < 0 || item >= live_ || column < 0 || column >= kColumnCount) {
        return {};
    }
    return slots_[SlotOf(item)].row[static_cast<std::size_t>(column)];
}

void MemoryListView::DeleteItem(int item) {
    if (item < 0 || item >= live_) {
        return;
    }
    const std::size_t slot = SlotOf(item);
    Unnumber(slot);
    slots_[slot] = Slot{};
    Count(slot, -1);
    --live_;
    // Emptied slots are packed away once they outnumber the rows, so they cost O(1) each.
    const std::size_t span = end_ - first_;
    if (span > 2 * static_cast<std::size_t>(live_) + kMinimumRoom) {
        Repack(0);
    }
}

void MemoryListView::DeleteAllItems() {
    *this = MemoryListView();
}

int MemoryListView::FindItemNumbered(int number) const {
    const auto found = numbered_.find(number);
    return found == numbered_.end() ? -1 : IndexOf(found->second.front());
}

std::vector<MemoryListView::Row> MemoryListView::rows() const {
    std::vector<Row> rows;
    rows.reserve(static_cast<std::size_t>(live_));
    for (std::size_t i = first_; i < end_; ++i) {
        if (slots_[i].filled) {
            rows.push_back(slots_[i].row);
        }
    }
    return rows;
}

}  // namespace norvik
