#include "device_list_view.h"

#include <QTreeWidget>
#include <algorithm>
#include <cstdint>

#include "qt_text.h"

namespace norvik {

DeviceListView::DeviceListView(QTreeWidget* widget, std::function<void()> wake)
    : widget_(widget), wake_(std::move(wake)) {}

int DeviceListView::ItemCount() const {
    return rows_.ItemCount();
}

int DeviceListView::InsertItem(int index, std::u16string_view text) {
    const int row = rows_.InsertItem(index, text);
    Record({Change::kInsert, row, 0, std::u16string(text)});
    return row;
}

void DeviceListView::SetItemText(int item, int column, std::u16string_view text) {
    if (item < 0 || item >= rows_.ItemCount() || column < 0 ||
        column >= MemoryListView::kColumnCount) {
        return;
    }
    rows_.SetItemText(item, column, text);
    Record({Change::kSetText, item, column, std::u16string(text)});
}

std::u16string DeviceListView::ItemText(int item, int column) const {
    return rows_.ItemText(item, column);
}

void DeviceListView::DeleteItem(int item) {
    if (item < 0 || item >= rows_.ItemCount()) {
        return;
    }
    rows_.DeleteItem(item);
    Record({Change::kDelete, item, 0, {}});
}

void DeviceListView::Record(Change change) {
    std::lock_guard lock(changes_mutex_);
    changes_.push_back(std::move(change));
    if (!wake_sent_) {
        wake_sent_ = true;
        wake_();
    }
}

void DeviceListView::SyncWidgetNow() {
    while (ApplyChanges(SIZE_MAX)) {
    }
}

void DeviceListView::SyncWidget() {
    if (ApplyChanges(kChangesPerSync)) {
        wake_();  // the rest after the events waiting meanwhile
    }
}

bool DeviceListView::ApplyChanges(std::size_t limit) {
    std::vector<Change> batch;
    bool more = false;
    {
        std::lock_guard lock(changes_mutex_);
        const std::size_t count = std::min(limit, changes_.size());
        batch.assign(std::make_move_iterator(changes_.begin()),
                     std::make_move_iterator(changes_.begin() + static_cast<long>(count)));
        changes_.erase(changes_.begin(), changes_.begin() + static_cast<long>(count));
        more = !changes_.empty();
        wake_sent_ = more;
    }
    // Rows appended one after another go in together: one insert for a whole burst.
    QList<QTreeWidgetItem*> appended;
    const auto flush_appended = [&] {
        widget_->addTopLevelItems(appended);
        appended.clear();
    };
    const auto item_at = [&](int row) -> QTreeWidgetItem* {
        const int in_widget = widget_->topLevelItemCount();
        if (row < in_widget) {
            return widget_->topLevelItem(row);
        }
        return row - in_widget < appended.size() ? appended[row - in_widget] : nullptr;
    };
    for (Change& change : batch) {
        const int in_widget = widget_->topLevelItemCount();
        switch (change.kind) {
            case Change::kInsert:
                if (change.item == in_widget + appended.size()) {
                    auto* item = new QTreeWidgetItem;
                    item->setText(0, ToQString(change.text));
                    appended.append(item);
                } else {
                    flush_appended();
                    auto* item = new QTreeWidgetItem;
                    item->setText(0, ToQString(change.text));
                    widget_->insertTopLevelItem(change.item, item);
                }
                break;
            case Change::kSetText:
                if (QTreeWidgetItem* item = item_at(change.item)) {
                    item->setText(change.column, ToQString(change.text));
                }
                break;
            case Change::kDelete:
                flush_appended();
                delete widget_->takeTopLevelItem(change.item);
                break;
        }
    }
    flush_appended();
    return more;
}

}  // namespace norvik
