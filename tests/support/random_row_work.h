#pragma once

#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "list_lock.h"
#include "list_view.h"
#include "memory_list_view.h"
#include "row_follower.h"
#include "row_handover.h"

namespace norvik::test {

// The list code's work on a window's rows as receive threads and Search do it, at random:
// mostly new rows at the end, some in between, texts set in every column, rows deleted; no
// operations at all stands for a Search, which deletes every row. Under LIST LOCK, as the list
// code works.
inline void DoRandomRowWork(ListLock& lock, ListView& rows, std::mt19937& random, int operations) {
    std::lock_guard guard(lock);
    if (operations == 0) {
        rows.DeleteAllItems();
    }
    for (int i = 0; i < operations; ++i) {
        const int count = rows.ItemCount();
        const int pick = static_cast<int>(random() % 100);
        const int item = count == 0 ? 0 : static_cast<int>(random() % static_cast<unsigned>(count));
        std::u16string text;
        for (const char c : std::to_string(random() % 100000)) {
            text += static_cast<char16_t>(c);
        }
        if (pick < 55 || count == 0) {
            rows.InsertItem(count, text);
        } else if (pick < 65) {
            rows.InsertItem(item, text);
        } else if (pick < 90) {
            rows.SetItemText(item, static_cast<int>(random() % 3), text);
        } else {
            rows.DeleteItem(item);
        }
    }
}

// A list control in memory, changed as a window's is; counts how often it read every row afresh.
// A change for a row it does not have (the control fell out of step with the list code) is
// counted and left out, so that a test fails on its rows rather than crashing.
class ControlInMemory : public RowControl {
public:
    void InsertRow(int item, const std::u16string& text) override {
        if (Fits(item, rows.size() + 1)) {
            rows.insert(rows.begin() + item, MemoryListView::Row{text, u"", u""});
        }
    }
    void SetText(int item, int column, const std::u16string& text) override {
        if (Fits(item, rows.size()) && Fits(column, MemoryListView::kColumnCount)) {
            rows[static_cast<std::size_t>(item)][static_cast<std::size_t>(column)] = text;
        }
    }
    void DeleteRow(int item) override {
        if (Fits(item, rows.size())) {
            rows.erase(rows.begin() + item);
        }
    }
    void DeleteAllRows() override { rows.clear(); }
    void ReplaceAllRows(const std::vector<MemoryListView::Row>& all) override {
        rows = all;
        ++replaced;
    }

    std::vector<MemoryListView::Row> rows;
    int replaced = 0;
    int misfits = 0;  // changes for rows the control did not have

private:
    bool Fits(int index, std::size_t count) {
        if (index >= 0 && static_cast<std::size_t>(index) < count) {
            return true;
        }
        ++misfits;
        return false;
    }
};

// Every row of a list view, top to bottom.
inline std::vector<MemoryListView::Row> AllRows(ListLock& lock, const ListView& rows) {
    std::lock_guard guard(lock);
    std::vector<MemoryListView::Row> all(static_cast<std::size_t>(rows.ItemCount()));
    for (std::size_t item = 0; item < all.size(); ++item) {
        for (int column = 0; column < MemoryListView::kColumnCount; ++column) {
            all[item][static_cast<std::size_t>(column)] =
                rows.ItemText(static_cast<int>(item), column);
        }
    }
    return all;
}

// Rounds of random work on the rows, of the sizes given, with a random number of the
// control's steps after each (none, some, or until nothing waits) and all of them at the end:
// what a window's list control goes through while devices report and the person clicks.
// Afterwards the control must show the list code's rows (AllRows), whatever was dropped on the
// way.
inline void FollowRandomWork(ListLock& lock, RowHandover& rows, RowFollower& follower,
                             const std::vector<int>& round_sizes, unsigned seed) {
    std::mt19937 random(seed);
    for (const int size : round_sizes) {
        DoRandomRowWork(lock, rows, random, size);
        for (unsigned steps = random() % 4; steps > 0 && follower.Step(); --steps) {
        }
    }
    follower.SyncAll();
}

// Round sizes with a Search among them that pass the hand-over's bound (however many steps
// ran before), with no Search after that to make the dropped changes moot.
inline std::vector<int> RoundSizesPastTheBound() {
    const int bound = static_cast<int>(RowHandover::kMaxPendingChanges);
    return {3, 700, 0, 1500, bound + 1, 20, bound, 5, 2000, 1};
}

}  // namespace norvik::test
