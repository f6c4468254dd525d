#include "device_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <random>

#include "utf.h"

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

TEST(DeviceText, AddressesAreThreeDigitsAnOctetForEveryOctetValue) {
    for (int value = 0; value < 256; ++value) {
        const auto octet = static_cast<std::uint8_t>(value);
        char expected[16];
        std::snprintf(expected, sizeof expected, "%03d.%03d.%03d.%03d", value, 255 - value, 0,
                      value);
        ASSERT_EQ(AddressText({octet, static_cast<std::uint8_t>(255 - value), 0, octet}),
                  Utf8ToUtf16(std::span(reinterpret_cast<const std::uint8_t*>(expected), 15)));
    }
}

// Names read as UTF-8 up to their first NUL, whether ASCII (read unit for unit) or not: the
// same text as decoding them, for names of every kind of byte and every length up to 18.
TEST(DeviceText, NamesReadUpToTheirNulAsUtf8Decodes) {
    std::mt19937 random(7);
    constexpr std::uint8_t kTelling[] = {0, 'a', 0x7F, 0x80, 0xC3, 0xA9, 0xE8, 0xA8, 0xAD, 0xFF};
    for (int n = 0; n < 20000; ++n) {
        DeviceName name{};
        const std::size_t length = random() % 19;
        for (std::size_t i = 0; i < length; ++i) {
            name[i] = n % 2 == 0 ? static_cast<std::uint8_t>(0x20 + random() % 0x60)
                                 : kTelling[random() % std::size(kTelling)];
        }
        const auto nul = std::find(name.begin(), name.end(), std::uint8_t{0});
        ASSERT_EQ(NameText(name),
                  Utf8ToUtf16(ByteSpan(name).first(static_cast<std::size_t>(nul - name.begin()))));
    }
    EXPECT_EQ(NameText({'c', 'a', 'm', 0, 'x'}), u"cam");
    EXPECT_EQ(NameText({0xE8, 0xA8, 0xAD, 'x', 0xFF}), u"設x\uFFFD");
}

}  // namespace
}  // namespace norvik
