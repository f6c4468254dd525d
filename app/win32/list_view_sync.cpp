#include "list_view_sync.h"

#include <commctrl.h>

#include <cstdint>
#include <string>

#include "list_lock.h"
#include "queued_list_view.h"
#include "utf.h"

namespace norvik {

bool ListViewSync::Step() {
    return Apply(kChangesPerStep);
}

void ListViewSync::SyncAll() {
    while (Apply(SIZE_MAX)) {
    }
}

void ListViewSync::PutText(int item, int column, const std::u16string& text, bool new_row) {
    std::wstring wide = ToWide(text);
    LVITEMW description{};
    description.mask = LVIF_TEXT;
    description.iItem = item;
    description.iSubItem = column;
    description.pszText = wide.data();
    SendMessageW(list_view_, new_row ? LVM_INSERTITEMW : LVM_SETITEMTEXTW,
                 new_row ? 0 : static_cast<WPARAM>(item),
                 reinterpret_cast<LPARAM>(&description));
}

void ListViewSync::Reload() {
    std::vector<MemoryListView::Row> rows;
    {
        std::lock_guard guard(lock_);
        rows = rows_.ReloadRows();
    }
    SendMessageW(list_view_, LVM_DELETEALLITEMS, 0, 0);
    SendMessageW(list_view_, LVM_SETITEMCOUNT, rows.size(), 0);  // room for them at once
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const int item = static_cast<int>(i);
        PutText(item, 0, rows[i][0], true);
        PutText(item, 1, rows[i][1], false);
        PutText(item, 2, rows[i][2], false);
    }
}

bool ListViewSync::Apply(std::size_t limit) {
    QueuedListView::Update update = rows_.TakeUpdate(limit);
    if (list_view_ == nullptr || (!update.reload && update.changes.empty())) {
        return update.more;
    }
    // One repaint for the whole step, not one for each row.
    SendMessageW(list_view_, WM_SETREDRAW, FALSE, 0);
    if (update.reload) {
        Reload();
    }
    for (const QueuedListView::Change& change : update.changes) {
        switch (change.kind) {
            case QueuedListView::Change::kInsert:
                PutText(change.item, 0, change.text, true);
                break;
            case QueuedListView::Change::kSetText:
                PutText(change.item, change.column, change.text, false);
                break;
            case QueuedListView::Change::kDelete:
                SendMessageW(list_view_, LVM_DELETEITEM, static_cast<WPARAM>(change.item), 0);
                break;
            case QueuedListView::Change::kDeleteAll:
                SendMessageW(list_view_, LVM_DELETEALLITEMS, 0, 0);
                break;
        }
    }
    SendMessageW(list_view_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_view_, nullptr, TRUE);
    return update.more;
}

}  // namespace norvik
