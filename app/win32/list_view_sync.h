#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

namespace norvik {

class ListLock;
class QueuedListView;

// Brings the device list view control up to the rows the list code keeps: the changes it
// made are applied in order, in bounded steps, on the user-interface thread; after too many
// the control reads all the rows afresh (under LIST LOCK) instead.
class ListViewSync {
public:
    ListViewSync(QueuedListView& rows, ListLock& lock) : rows_(rows), lock_(lock) {}

    void Attach(HWND list_view) { list_view_ = list_view; }
    // Applies at most kChangesPerStep changes; true if more are waiting.
    bool Step();
    // Applies every waiting change, after a command of the person's own.
    void SyncAll();

    // The most changes applied in one step, so a burst of thousands of rows never holds the
    // user-interface thread for long.
    static constexpr std::size_t kChangesPerStep = 1024;

private:
    bool Apply(std::size_t limit);
    void Reload();
    // Puts a text into a cell, in a new row (column 0 only) or an existing one.
    void PutText(int item, int column, const std::u16string& text, bool new_row);

    QueuedListView& rows_;
    ListLock& lock_;
    HWND list_view_ = nullptr;
};

}  // namespace norvik
