#include "list_widget_sync.h"

#include <QTreeWidget>
#include <cstdint>

#include "qt_text.h"
#include "queued_list_view.h"

namespace norvik {

ListWidgetSync::ListWidgetSync(QTreeWidget* widget, QueuedListView& rows)
    : widget_(widget), rows_(rows) {}

bool ListWidgetSync::step() {
    return apply(changesPerStep);
}

void ListWidgetSync::syncAll() {
    while (apply(SIZE_MAX)) {
    }
}

bool ListWidgetSync::apply(std::size_t limit) {
    bool more = false;
    const std::vector<QueuedListView::Change> changes = rows_.TakeChanges(limit, more);
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
        }
    }
    flushAppended();
    return more;
}

}  // namespace norvik
