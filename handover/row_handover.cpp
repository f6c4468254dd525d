#include "row_handover.h"

#include <algorithm>
#include <iterator>

namespace norvik {

RowHandover::RowHandover(std::function<void()> wake) : wake_(std::move(wake)) {}

int RowHandover::ItemCount() const {
    return rows_.ItemCount();
}

int RowHandover::InsertItem(int index, std::u16string text) {
    const int row = rows_.InsertItem(index, text);
    Record({Change::kInsert, row, 0, std::move(text)});
    return row;
}

void RowHandover::SetItemText(int item, int column, std::u16string text) {
    if (item < 0 || item >= rows_.ItemCount() || column < 0 ||
        column >= MemoryListView::kColumnCount) {
        return;
    }
    rows_.SetItemText(item, column, text);
    Record({Change::kSetText, item, column, std::move(text)});
}

std::u16string RowHandover::ItemText(int item, int column) const {
    return rows_.ItemText(item, column);
}

void RowHandover::DeleteItem(int item) {
    if (item < 0 || item >= rows_.ItemCount()) {
        return;
    }
    rows_.DeleteItem(item);
    Record({Change::kDelete, item, 0, {}});
}

void RowHandover::DeleteAllItems() {
    rows_.DeleteAllItems();
    {
        // What waited is moot: every row goes.
        std::lock_guard lock(changes_mutex_);
        changes_.clear();
        reload_ = false;
    }
    Record({Change::kDeleteAll, 0, 0, {}});
}

int RowHandover::FindItemNumbered(int number) const {
    return rows_.FindItemNumbered(number);
}

void RowHandover::Record(Change change) {
    std::lock_guard lock(changes_mutex_);
    if (!reload_) {
        if (changes_.size() < kMaxPendingChanges) {
            changes_.push_back(std::move(change));
        } else {
            changes_.clear();
            reload_ = true;
        }
    }
    if (!wake_sent_) {
        wake_sent_ = true;
        wake_();
    }
}

RowHandover::Update RowHandover::TakeUpdate(std::size_t limit) {
    std::lock_guard lock(changes_mutex_);
    Update update;
    if (reload_) {
        update.reload = true;
    } else {
        const auto count = static_cast<std::ptrdiff_t>(std::min(limit, changes_.size()));
        update.changes.assign(std::make_move_iterator(changes_.begin()),
                              std::make_move_iterator(changes_.begin() + count));
        changes_.erase(changes_.begin(), changes_.begin() + count);
        update.more = !changes_.empty();
    }
    // While some wait, the taker comes back for them by itself; a new change then needs no
    // wake-up of its own.
    wake_sent_ = update.more || update.reload;
    return update;
}

std::vector<MemoryListView::Row> RowHandover::ReloadRows() {
    std::lock_guard lock(changes_mutex_);
    changes_.clear();
    reload_ = false;
    wake_sent_ = false;
    return rows_.rows();
}

}  // namespace norvik
