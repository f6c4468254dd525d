#pragma once

#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "list_view.h"
#include "memory_list_view.h"

namespace norvik {

// The device list view of a window whose list control belongs to the user-interface thread.
// The list code (the receive threads, and the dialog's own commands, all under LIST LOCK)
// works on rows held here; the control follows them on the user-interface thread shortly
// after, change by change. So a receive thread never waits for the user-interface thread, and
// the user-interface thread can always take LIST LOCK without a deadlock.
class QueuedListView : public ListView {
public:
    struct Change {
        enum Kind { kInsert, kSetText, kDelete } kind;
        int item;
        int column;
        std::u16string text;
    };

    // wake asks the user-interface thread to take the changes soon; any thread calls it.
    explicit QueuedListView(std::function<void()> wake);

    // The list view's operations, on the rows; call them with LIST LOCK held.
    int ItemCount() const override;
    int InsertItem(int index, std::u16string_view text) override;
    void SetItemText(int item, int column, std::u16string_view text) override;
    std::u16string ItemText(int item, int column) const override;
    void DeleteItem(int item) override;

    // The oldest changes the control has not yet seen, at most limit of them; more tells
    // whether others wait. User-interface thread.
    std::vector<Change> TakeChanges(std::size_t limit, bool& more);

private:
    void Record(Change change);

    std::function<void()> wake_;
    MemoryListView rows_;
    std::mutex changes_mutex_;
    std::vector<Change> changes_;  // not yet taken, oldest first
    bool wake_sent_ = false;
};

}  // namespace norvik
