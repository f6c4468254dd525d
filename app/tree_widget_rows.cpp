#include "tree_widget_rows.h"

#include <QTreeWidget>

#include "qt_text.h"

namespace norvik {
namespace {

// A device names itself with any bytes. Qt draws a line feed or a line separator as a new
// line, and the list, whose rows all take the first row's height, would then show a few
// devices in its whole height; a control character is shown as "�", as bytes that are
// not UTF-8 are.
QString rowText(const std::u16string& text) {
    QString shown = toQString(text);
    for (QChar& c : shown) {
        const char16_t unit = c.unicode();
        if (unit < 0x20 || (unit >= 0x7f && unit < 0xa0) || unit == 0x2028 || unit == 0x2029) {
            c = QChar::ReplacementCharacter;
        }
    }
    return shown;
}

}  // namespace

void TreeWidgetRows::EndChanges() {
    flushAppended();
}

void TreeWidgetRows::flushAppended() {
    widget_->addTopLevelItems(appended_);
    appended_.clear();
}

QTreeWidgetItem* TreeWidgetRows::itemAt(int row) const {
    const int inWidget = widget_->topLevelItemCount();
    if (row < inWidget) {
        return widget_->topLevelItem(row);
    }
    return row - inWidget < appended_.size() ? appended_[row - inWidget] : nullptr;
}

void TreeWidgetRows::InsertRow(int item, const std::u16string& text) {
    auto* row = new QTreeWidgetItem;
    row->setText(0, rowText(text));
    if (item == widget_->topLevelItemCount() + appended_.size()) {
        appended_.append(row);
    } else {
        flushAppended();
        widget_->insertTopLevelItem(item, row);
    }
}

void TreeWidgetRows::SetText(int item, int column, const std::u16string& text) {
    if (QTreeWidgetItem* row = itemAt(item)) {
        row->setText(column, rowText(text));
    }
}

void TreeWidgetRows::DeleteRow(int item) {
    flushAppended();
    delete widget_->takeTopLevelItem(item);
}

void TreeWidgetRows::DeleteAllRows() {
    qDeleteAll(appended_);
    appended_.clear();
    widget_->clear();
}

void TreeWidgetRows::ReplaceAllRows(const std::vector<MemoryListView::Row>& rows) {
    DeleteAllRows();
    appended_.reserve(static_cast<qsizetype>(rows.size()));
    for (const MemoryListView::Row& row : rows) {
        auto* item = new QTreeWidgetItem;
        for (int column = 0; column < MemoryListView::kColumnCount; ++column) {
            item->setText(column, rowText(row[static_cast<std::size_t>(column)]));
        }
        appended_.append(item);
    }
}

}  // namespace norvik
