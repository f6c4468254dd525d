#pragma once

#include <windows.h>

#include <cstddef>

namespace norvik {

class QueuedListView;

// Brings the device list view control up to the rows the list code keeps: the changes it
// made are applied in order, in bounded steps, on the user-interface thread.
class ListViewSync {
public:
    ListViewSync(QueuedListView& rows) : rows_(rows) {}

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

    QueuedListView& rows_;
    HWND list_view_ = nullptr;
};

}  // namespace norvik
