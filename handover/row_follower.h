#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "memory_list_view.h"

namespace norvik {

class ListLock;
class RowHandover;

// A window's list control, as far as following the rows needs it. Each toolkit has one.
class RowControl {
public:
    virtual ~RowControl() = default;
    // Around the changes of one step, so that the control can draw them once.
    virtual void BeginChanges() {}
    virtual void EndChanges() {}
    // A new row at item with its column-0 text; item is at most the row count.
    virtual void InsertRow(int item, const std::u16string& text) = 0;
    virtual void SetText(int item, int column, const std::u16string& text) = 0;
    virtual void DeleteRow(int item) = 0;
    virtual void DeleteAllRows() = 0;
    // Every row afresh, top to bottom.
    virtual void ReplaceAllRows(const std::vector<MemoryListView::Row>& rows) = 0;
};

// Brings a list control up to the rows the list code keeps: the changes it made are applied in
// order, in bounded steps, on the user-interface thread; after too many the control reads all
// the rows afresh (under LIST LOCK) instead.
class RowFollower {
public:
    RowFollower(RowHandover& rows, ListLock& lock, RowControl& control);

    // Applies at most kChangesPerStep changes; true if more are waiting.
    bool Step();
    // Applies every waiting change, after a command of the person's own.
    void SyncAll();

    // The most changes applied in one step, so a burst of thousands of rows never holds the
    // user-interface thread for long.
    static constexpr std::size_t kChangesPerStep = 1024;

private:
    bool Apply(std::size_t limit);

    RowHandover& rows_;
    ListLock& lock_;
    RowControl& control_;
};

}  // namespace norvik
