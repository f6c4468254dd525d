#include "list_view_sync.h"

#include <commctrl.h>

#include <cstdint>
#include <string>

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

bool ListViewSync::Apply(std::size_t limit) {
    bool more = false;
    const std::vector<QueuedListView::Change> changes = rows_.TakeChanges(limit, more);
    if (list_view_ == nullptr || changes.empty()) {
        return more;
    }
    // One repaint for the whole step, not one for each row.
    SendMessageW(list_view_, WM_SETREDRAW, FALSE, 0);
    for (const QueuedListView::Change& change : changes) {
        std::wstring text = ToWide(change.text);
        LVITEMW item{};
        item.iItem = change.item;
        item.iSubItem = change.column;
        item.pszText = text.data();
        switch (change.kind) {
            case QueuedListView::Change::kInsert:
                item.mask = LVIF_TEXT;
                SendMessageW(list_view_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
                break;
            case QueuedListView::Change::kSetText:
                SendMessageW(list_view_, LVM_SETITEMTEXTW, static_cast<WPARAM>(change.item),
                             reinterpret_cast<LPARAM>(&item));
                break;
            case QueuedListView::Change::kDelete:
                SendMessageW(list_view_, LVM_DELETEITEM, static_cast<WPARAM>(change.item), 0);
                break;
        }
    }
    SendMessageW(list_view_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_view_, nullptr, TRUE);
    return more;
}

}  // namespace norvik
