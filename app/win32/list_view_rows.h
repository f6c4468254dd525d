#pragma once

#include <windows.h>

#include "row_follower.h"

namespace norvik {

// The device list view control as the rows' follower changes it, drawn once a step.
class ListViewRows : public RowControl {
public:
    void Attach(HWND list_view) { list_view_ = list_view; }

    void BeginChanges() override;
    void EndChanges() override;
    void InsertRow(int item, const std::u16string& text) override;
    void SetText(int item, int column, const std::u16string& text) override;
    void DeleteRow(int item) override;
    void DeleteAllRows() override;
    void ReplaceAllRows(const std::vector<MemoryListView::Row>& rows) override;

private:
    // Puts a text into a cell, in a new row (column 0 only) or an existing one.
    void PutText(int item, int column, const std::u16string& text, bool new_row);

    HWND list_view_ = nullptr;
};

}  // namespace norvik
