#include "memory_list_view.h"

namespace norvik {

int MemoryListView::InsertItem(int index, std::u16string_view text) {
    if (index < 0 || index > ItemCount()) {
        index = ItemCount();
    }
    Row row;
    row[0] = text;
    rows_.insert(rows_.begin() + index, std::move(row));
    return index;
}

bool MemoryListView::IsCell(int item, int column) const {
    return item >= 0 && item < ItemCount() && column >= 0 && column < kColumnCount;
}

void MemoryListView::SetItemText(int item, int column, std::u16string_view text) {
    if (IsCell(item, column)) {
        rows_[static_cast<size_t>(item)][static_cast<size_t>(column)] = text;
    }
}

std::u16string MemoryListView::ItemText(int item, int column) const {
    if (!IsCell(item, column)) {
        return {};
    }
    return rows_[static_cast<size_t>(item)][static_cast<size_t>(column)];
}

void MemoryListView::DeleteItem(int item) {
    if (item >= 0 && item < ItemCount()) {
        rows_.erase(rows_.begin() + item);
    }
}

}  // namespace norvik
