// Addresses as people copy them from labels, switches and plan files.
#include "address_text.h"

#include <gtest/gtest.h>

namespace norvik::cli {
namespace {

constexpr MacAddress kMac{0x00, 0x1a, 0x07, 0x10, 0x00, 0x01};

TEST(AddressText, MacInEveryFormItIsPrinted) {
    const char* const forms[] = {
        "00:1a:07:10:00:01", "00-1A-07-10-00-01", "001A07100001",      "001a07100001",
        "001a.0710.0001",    "001A.0710.0001",    "00:1A:07:10:00:01", " \t00:1a:07:10:00:01\t ",
        "  001a.0710.0001",  "001A07100001\t",
    };
    for (const char* form : forms) {
        EXPECT_EQ(ParseMac(form), kMac) << '"' << form << '"';
    }
    EXPECT_EQ(ParseMac("ff:FF:fe:dc:ba:98"), (MacAddress{0xff, 0xff, 0xfe, 0xdc, 0xba, 0x98}));
}

TEST(AddressText, MacRefusesWhatIsNotOneForm) {
    const char* const bad[] = {
        "",
        "   ",
        "00:1a:07-10:00:01",  // mixed separators
        "00-1a-07-10-00:01",
        "001a.0710-0001",
        "0:1a:07:10:00:01",  // a missing leading zero
        "00:1a:07:10:00:1",
        "1a07100001",
        "01a.0710.0001",
        "00:1a:07:10:00:01:02",
        "00:1a:07:10:00",
        "001A071000011",
        "001A0710000",
        "00:1a:07:10:00:0g",
        "001a07100g01",
        "001a.0710.000g",
        "0:01a:07:10:00:01",
        "001:a0:71:00:00:1a",
        "00.1a.07.10.00.01",
        "001a:0710:0001",
        "0010.a071.0000.1",
        "00 1a 07 10 00 01",
        "00:1a:07:10:00:01x",
        "00:1a:07:10:00:01\n",
        "+01a07100001",
        "00:1a:07:10: 0:01",
        "00001a07100001",
    };
    for (const char* text : bad) {
        EXPECT_FALSE(ParseMac(text)) << '"' << text << '"';
    }
}

TEST(AddressText, Ipv4IsFourDecimalOctets) {
    EXPECT_EQ(ParseIpv4("192.168.1.10"), (Ipv4{192, 168, 1, 10}));
    EXPECT_EQ(ParseIpv4("0.0.0.0"), (Ipv4{0, 0, 0, 0}));
    EXPECT_EQ(ParseIpv4(" \t255.255.255.255 \t"), (Ipv4{255, 255, 255, 255}));
    EXPECT_EQ(ParseIpv4("010.001.0.9"), (Ipv4{10, 1, 0, 9}));
    const char* const bad[] = {
        "",          "  ",       "1.2.3",     "1.2.3.4.5",  "256.1.1.1", "1.2.3.256",  "1..2.3",
        "1.2.3.",    ".1.2.3",   "+1.2.3.4",  "1.+2.3.4",   "-1.2.3.4",  "1.2.3.0004", "1.2.3.4x",
        "1.2.3.4\n", "1. 2.3.4", "0x1.2.3.4", "1.2.3.4/24", "1,2,3,4",   "999.1.1.1",  "1.2.3.4 5",
    };
    for (const char* text : bad) {
        EXPECT_FALSE(ParseIpv4(text)) << '"' << text << '"';
    }
}

}  // namespace
}  // namespace norvik::cli
