#pragma once

#include <cstddef>

class QTreeWidget;

namespace norvik {

class ListLock;
class QueuedListView;

// Brings the device list widget up to the rows the list code keeps: the changes it made are
// applied in order, in bounded steps, on the user-interface thread; after too many the widget
// reads all the rows afresh (under LIST LOCK) instead.
class ListWidgetSync {
public:
    ListWidgetSync(QTreeWidget* widget, QueuedListView& rows, ListLock& lock);

    // Applies at most changesPerStep changes; true if more are waiting.
    bool step();
    // Applies every waiting change, after a command of the person's own.
    void syncAll();

    // The most changes applied in one step, so a burst of thousands of rows never holds the
    // user-interface thread for long.
    static constexpr std::size_t changesPerStep = 1024;

private:
    bool apply(std::size_t limit);
    void reload();

    QTreeWidget* widget_;
    QueuedListView& rows_;
    ListLock& lock_;
};

}  // namespace norvik
