#include "row_follower.h"

#include <gtest/gtest.h>

#include "random_row_work.h"

namespace norvik {
namespace {

ListLock& Lock() {
    static ListLock lock("");  // this process's alone
    return lock;
}

// Whatever the list code did and however seldom the control caught up, the control ends with
// the list code's rows: changes replayed in order, and past the bound all the rows read afresh.
TEST(RowFollower, TheControlEndsWithTheListCodesRows) {
    for (unsigned seed = 1; seed <= 6; ++seed) {
        RowHandover rows([] {});
        test::ControlInMemory control;
        RowFollower follower(rows, Lock(), control);
        test::FollowRandomWork(Lock(), rows, follower, test::RoundSizesPastTheBound(), seed);
        EXPECT_EQ(control.misfits, 0) << "seed " << seed << ": changes for rows it lacked";
        EXPECT_EQ(control.rows, test::AllRows(Lock(), rows)) << "seed " << seed;
        EXPECT_GE(control.replaced, 1) << "the bound was never passed";
    }
}

// A step applies a bounded number of changes, so a burst never holds the window for long.
TEST(RowFollower, AStepAppliesABoundedNumberOfChanges) {
    RowHandover rows([] {});
    test::ControlInMemory control;
    RowFollower follower(rows, Lock(), control);
    std::mt19937 random(7);
    test::DoRandomRowWork(Lock(), rows, random, 0);  // a Search: one change
    {
        std::lock_guard guard(Lock());
        for (std::size_t i = 1; i < RowFollower::kChangesPerStep + 10; ++i) {
            rows.InsertItem(rows.ItemCount(), u"row");
        }
    }
    EXPECT_TRUE(follower.Step());
    EXPECT_EQ(control.rows.size(), RowFollower::kChangesPerStep - 1);
    EXPECT_FALSE(follower.Step());
    EXPECT_EQ(control.rows.size(), RowFollower::kChangesPerStep + 9);
}

}  // namespace
}  // namespace norvik
