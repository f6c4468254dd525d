#pragma once

#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "list_view.h"
#include "memory_list_view.h"

namespace norvik {

// The device list view of a window, handed over between the list code and the user-interface
// thread. The list code (the receive threads, and the dialog's own commands, all under LIST
// LOCK) works on rows held here; the window's list control follows them on the user-interface
// thread shortly after, change by change (RowFollower). So a receive thread never waits for the
// user-interface thread, and the user-interface thread can always take LIST LOCK without a
// deadlock.
//
// However fast reports come, at most kMaxPendingChanges changes wait: past that they are
// dropped, and the control reads all the rows afresh instead of replaying them.
class RowHandover : public ListView {
public:
    struct Change {
        enum Kind { kInsert, kSetText, kDelete, kDeleteAll } kind;
        int item;
        int column;
        std::u16string text;
    };
    // What the control does next.
    struct Update {
        bool reload = false;          // read every row afresh (ReloadRows)
        std::vector<Change> changes;  // else apply these, oldest first
        bool more = false;            // and come back for more
    };

    static constexpr std::size_t kMaxPendingChanges = 4096;

    // wake asks the user-interface thread to take the changes soon; any thread calls it.
    explicit RowHandover(std::function<void()> wake);

    // The list view's operations, on the rows; call them with LIST LOCK held.
    int ItemCount() const override;
    int InsertItem(int index, std::u16string text) override;
    void SetItemText(int item, int column, std::u16string text) override;
    std::u16string ItemText(int item, int column) const override;
    void DeleteItem(int item) override;
    void DeleteAllItems() override;
    int FindItemNumbered(int number) const override;

    // The oldest changes the control has not yet seen, at most limit of them, or the word to
    // reload. User-interface thread.
    Update TakeUpdate(std::size_t limit);
    // Every row, top to bottom, for a control that rebuilds itself; what was waiting is then
    // moot. User-interface thread, with LIST LOCK held.
    std::vector<MemoryListView::Row> ReloadRows();

private:
    void Record(Change change);

    std::function<void()> wake_;
    MemoryListView rows_;
    std::mutex changes_mutex_;     // guards what follows
    std::vector<Change> changes_;  // not yet taken, oldest first
    bool reload_ = false;
    bool wake_sent_ = false;
};

}  // namespace norvik
