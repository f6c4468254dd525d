#include "device_text.h"

#include <gtest/gtest.h>

namespace norvik {
namespace {

TEST(DeviceText, LeadingIntegersAreReadLikeWtoi) {
    EXPECT_EQ(ReadLeadingInteger(u"  7x"), 7);
    EXPECT_EQ(ReadLeadingInteger(u"-3"), -3);
    EXPECT_EQ(ReadLeadingInteger(u"abc"), 0);
    EXPECT_EQ(ReadLeadingInteger(u"99999999999"), 2147483647);
    EXPECT_EQ(ReadLeadingInteger(u"-99999999999"), -2147483647 - 1);
}

TEST(DeviceText, MacAddressesAreLowerCaseHex) {
    EXPECT_EQ(MacText({0x00, 0x1A, 0xBC, 0xde, 0xF0, 0x09}), u"00:1a:bc:de:f0:09");
}

}  // namespace
}  // namespace norvik
