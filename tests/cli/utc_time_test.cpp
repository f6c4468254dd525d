// Times as the event lines and the audit log write them.
#include "utc_time.h"

#include <gtest/gtest.h>

namespace norvik::cli {
namespace {

TEST(UtcTime, TimesAreUtcToTheSecondOverEveryCalendarEdge) {
    EXPECT_EQ(UtcTimeText(0), "1970-01-01T00:00:00Z");
    EXPECT_EQ(UtcTimeText(-1), "1969-12-31T23:59:59Z");
    EXPECT_EQ(UtcTimeText(951782400), "2000-02-29T00:00:00Z");  // a century's leap day
    EXPECT_EQ(UtcTimeText(1796712060), "2026-12-08T06:41:00Z");
    EXPECT_EQ(UtcTimeText(4102444799), "2099-12-31T23:59:59Z");
}

}  // namespace
}  // namespace norvik::cli
