#include "list_view_rows.h"

#include <commctrl.h>

#include <string>

#include "utf.h"

namespace norvik {

void ListViewRows::BeginChanges() {
    SendMessageW(list_view_, WM_SETREDRAW, FALSE, 0);
}

void ListViewRows::EndChanges() {
    SendMessageW(list_view_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_view_, nullptr, TRUE);
}

void ListViewRows::PutText(int item, int column, const std::u16string& text, bool new_row) {
    std::wstring wide = ToWide(text);
    LVITEMW description{};
    description.mask = LVIF_TEXT;
    description.iItem = item;
    description.iSubItem = column;
    description.pszText = wide.data();
    SendMessageW(list_view_, new_row ? LVM_INSERTITEMW : LVM_SETITEMTEXTW,
                 new_row ? 0 : static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&description));
}

void ListViewRows::InsertRow(int item, const std::u16string& text) {
    PutText(item, 0, text, true);
}

void ListViewRows::SetText(int item, int column, const std::u16string& text) {
    PutText(item, column, text, false);
}

void ListViewRows::DeleteRow(int item) {
    SendMessageW(list_view_, LVM_DELETEITEM, static_cast<WPARAM>(item), 0);
}

void ListViewRows::DeleteAllRows() {
    SendMessageW(list_view_, LVM_DELETEALLITEMS, 0, 0);
}

void ListViewRows::ReplaceAllRows(const std::vector<MemoryListView::Row>& rows) {
    DeleteAllRows();
    SendMessageW(list_view_, LVM_SETITEMCOUNT, rows.size(), 0);  // room for them at once
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const int item = static_cast<int>(i);
        PutText(item, 0, rows[i][0], true);
        PutText(item, 1, rows[i][1], false);
        PutText(item, 2, rows[i][2], false);
    }
}

}  // namespace norvik
