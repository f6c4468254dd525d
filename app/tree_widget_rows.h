#pragma once

#include <QList>

#include "row_follower.h"

class QTreeWidget;
class QTreeWidgetItem;

namespace norvik {

// The device list widget as the rows' follower changes it. Rows appended one after another go
// in together: one insert for a whole burst.
class TreeWidgetRows : public RowControl {
public:
    explicit TreeWidgetRows(QTreeWidget* widget) : widget_(widget) {}

    void EndChanges() override;
    void InsertRow(int item, const std::u16string& text) override;
    void SetText(int item, int column, const std::u16string& text) override;
    void DeleteRow(int item) override;
    void DeleteAllRows() override;
    void ReplaceAllRows(const std::vector<MemoryListView::Row>& rows) override;

private:
    void flushAppended();
    QTreeWidgetItem* itemAt(int row) const;

    QTreeWidget* widget_;
    QList<QTreeWidgetItem*> appended_;  // after the widget's rows, not yet in it
};

}  // namespace norvik
