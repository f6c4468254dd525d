// What the command-line programs keep of the refusals devices send.
#include "device_search.h"

#include <gtest/gtest.h>

namespace norvik::cli {
namespace {

// Anyone on the LAN can send refusals: a flood keeps the first ones, in order, and no more, so
// that norvik-watch, which runs for months, does not grow without end.
TEST(RefusalLog, KeepsTheFirstInTheirOrderUpToItsBound) {
    RefusalLog log;
    for (std::size_t i = 0; i < RefusalLog::kMaxKept + 10; ++i) {
        const auto high = static_cast<std::uint8_t>(i >> 8);
        const auto low = static_cast<std::uint8_t>(i);
        log.Add({MacAddress{2, 0, 0, 0, high, low}, "text", "meaning"});
    }
    const std::vector<Refusal> kept = log.All();
    ASSERT_EQ(kept.size(), RefusalLog::kMaxKept);
    for (std::size_t i = 0; i < kept.size(); i += 1000) {
        EXPECT_EQ(kept[i].mac[4] * 256 + kept[i].mac[5], static_cast<int>(i % 65536)) << i;
    }
}

}  // namespace
}  // namespace norvik::cli
