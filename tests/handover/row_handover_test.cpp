#include "row_handover.h"

#include <gtest/gtest.h>

namespace norvik {
namespace {

// Changes wait in order for the user-interface thread, which is woken once, not for each.
TEST(RowHandover, ChangesWaitInOrderAndOneWakeUpServesMany) {
    int wakes = 0;
    RowHandover rows([&] { ++wakes; });
    rows.InsertItem(0, u"1");
    rows.SetItemText(0, 1, u"cam");
    rows.InsertItem(0, u"2");
    rows.SetItemText(7, 1, u"no such row");  // not a change
    EXPECT_EQ(wakes, 1);
    RowHandover::Update first = rows.TakeUpdate(2);
    ASSERT_EQ(first.changes.size(), 2u);
    EXPECT_TRUE(first.more);
    EXPECT_EQ(first.changes[0].kind, RowHandover::Change::kInsert);
    EXPECT_EQ(first.changes[1].text, u"cam");
    const RowHandover::Update rest = rows.TakeUpdate(10);
    ASSERT_EQ(rest.changes.size(), 1u);
    EXPECT_FALSE(rest.more);
    EXPECT_EQ(rest.changes[0].text, u"2");
    rows.DeleteItem(0);
    EXPECT_EQ(wakes, 2);  // nothing was waiting any more: the next change wakes again
}

// Past the bound the changes are dropped and the control is told to read the rows afresh; a
// Search's deletion of every row makes what waited moot.
TEST(RowHandover, PastTheBoundTheControlReadsTheRowsAfresh) {
    RowHandover rows([] {});
    for (std::size_t i = 0; i <= RowHandover::kMaxPendingChanges; ++i) {
        rows.InsertItem(rows.ItemCount(), u"row");
    }
    const RowHandover::Update update = rows.TakeUpdate(10);
    EXPECT_TRUE(update.reload);
    EXPECT_TRUE(update.changes.empty());
    EXPECT_EQ(rows.ReloadRows().size(), RowHandover::kMaxPendingChanges + 1);
    EXPECT_FALSE(rows.TakeUpdate(10).reload);

    for (std::size_t i = 0; i <= RowHandover::kMaxPendingChanges; ++i) {
        rows.SetItemText(0, 1, u"renamed");
    }
    rows.DeleteAllItems();
    rows.InsertItem(0, u"1");
    const RowHandover::Update after_search = rows.TakeUpdate(10);
    EXPECT_FALSE(after_search.reload);
    ASSERT_EQ(after_search.changes.size(), 2u);
    EXPECT_EQ(after_search.changes[0].kind, RowHandover::Change::kDeleteAll);
}

}  // namespace
}  // namespace norvik
