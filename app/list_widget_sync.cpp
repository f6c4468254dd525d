#include "list_widget_sync.h"

#include <QTreeWidget>
#include <cstdint>

#include "list_lock.h"
#include "qt_text.h"
#include "queued_list_view.h"

namespace norvik {

ListWidgetSync::ListWidgetSync(QTreeWidget* widget, QueuedListView& rows, ListLock& lock)
    : widget_(widget), rows_(rows), lock_(lock) {}

bool ListWidgetSync::step() {
    return apply(changesPerStep);
}

void ListWidgetSync::syncAll() {
    while (apply(SIZE_MAX)) {
    }
}

void ListWidgetSync::reload() {
    std::vector<MemoryListView::Row> rows;
    {
        std::lock_guard guard(lock_);
        rows = rows_.ReloadRows();
    }
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(rows.size()));
    for (const MemoryListView::Row& row : rows) {
        auto* item = new QTreeWidgetItem;
        for (int column = 0; column < MemoryListView::kColumnCount; ++column) {
            item->setText(column, toQString(row[static_cast<std::size_t>(column)]));
        }
        items.append(item);
    }
    widget_->clear();
    widget_->addTopLevelItems(items);
}

bool ListWidgetSync::apply(std::size_t limit) {
    QueuedListView::Update update = rows_.TakeUpdate(limit);
    if (update.reload) {
        reload();
        return false;
    }
    const std::vector<QueuedListView::Change>& changes = update.changes;
    // Rows appended one after another go in together: one insert for a whole burst.
    QList<QTreeWidgetItem*> appended;
    const auto flushAppended = [&] {
        widget_->addTopLevelItems(appended);
        appended.clear();
    };
    const auto itemAt = [&](int row) -> QTreeWidgetItem* {
        const int inWidget = widget_->topLevelItemCount();
        if (row < inWidget) {
            return widget_->topLevelItem(row);
        }
        return row - inWidget < appended.size() ? appended[row - inWidget] : nullptr;
    };
    for (const QueuedListView::Change& change : changes) {
        const int inWidget = widget_->topLevelItemCount();
        switch (change.kind) {
            case QueuedListView::Change::kInsert: {
                auto* item = new QTreeWidgetItem;
                item->setText(0, toQString(change.text));
                if (change.item == inWidget + appended.size()) {
                    appended.append(item);
                } else {
                    flushAppended();
                    widget_->insertTopLevelItem(change.item, item);
                }
                break;
            }
            case QueuedListView::Change::kSetText:
                if (QTreeWidgetItem* item = itemAt(change.item)) {
                    item->setText(change.column, toQString(change.text));
                }
                break;
            case QueuedListView::Change::kDelete:
                flushAppended();
                delete widget_->takeTopLevelItem(change.item);
                break;
            case QueuedListView::Change::kDeleteAll:
                qDeleteAll(appended);
                appended.clear();
                widget_->clear();
                break;
        }
    }
    flushAppended();
    return update.more;
}

}  // namespace norvik
