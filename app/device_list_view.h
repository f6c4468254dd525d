#pragma once

#include <QString>
#include <functional>
#include <mutex>
#include <vector>

#include "list_view.h"
#include "memory_list_view.h"

class QTreeWidget;

namespace norvik {

// The dialog's device list view. The list code (the receive threads, and the dialog's own
// commands, all under LIST LOCK) works on rows held here; the widget follows them on the
// user-interface thread shortly after. So a receive thread never waits for the user-interface
// thread, and the user-interface thread can always take LIST LOCK without a deadlock.
class DeviceListView : public ListView {
public:
    // wake asks the user-interface thread to call SyncWidget soon; any thread calls it.
    DeviceListView(QTreeWidget* widget, std::function<void()> wake);

    // The list view's operations, on the rows; call them with LIST LOCK held.
    int ItemCount() const override;
    int InsertItem(int index, std::u16string_view text) override;
    void SetItemText(int item, int column, std::u16string_view text) override;
    std::u16string ItemText(int item, int column) const override;
    void DeleteItem(int item) override;

    // Brings the widget a step closer to the rows, at most kChangesPerSync changes, and comes
    // back for the rest. User-interface thread only.
    void SyncWidget();
    // Brings the widget wholly up to date, after a command of the user's own.
    void SyncWidgetNow();

    // The most changes applied to the widget in one go, so a burst of thousands of rows
    // never holds the user-interface thread for long.
    static constexpr std::size_t kChangesPerSync = 1024;

private:
    struct Change {
        enum Kind { kInsert, kSetText, kDelete } kind;
        int item;
        int column;
        std::u16string text;
    };

    void Record(Change change);
    // Applies up to limit changes; true if more are waiting.
    bool ApplyChanges(std::size_t limit);

    QTreeWidget* widget_;
    std::function<void()> wake_;
    MemoryListView rows_;
    std::mutex changes_mutex_;
    std::vector<Change> changes_;  // not yet applied to the widget, oldest first
    bool wake_sent_ = false;
};

}  // namespace norvik
