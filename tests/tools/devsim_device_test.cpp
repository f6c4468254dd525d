#include "devsim/device.h"

#include <gtest/gtest.h>

namespace norvik::devsim {
namespace {

TEST(DevsimDevice, AddressesReadOnlyInTheirUsualForm) {
    EXPECT_EQ(ParseIpv4("192.168.1.10"), (Ipv4{192, 168, 1, 10}));
    EXPECT_EQ(ParseIpv4("0.0.0.0"), (Ipv4{0, 0, 0, 0}));
    EXPECT_EQ(ParseIpv4("255.255.255.255"), (Ipv4{255, 255, 255, 255}));
    for (const char* bad : {"", "1.2.3", "1.2.3.4.5", "256.1.1.1", "1..2.3", "1.2.3.4 ", " 1.2.3.4",
                            "-1.2.3.4", "+1.2.3.4", "1.2.3.0004", "a.b.c.d"}) {
        EXPECT_FALSE(ParseIpv4(bad)) << '"' << bad << '"';
    }
    EXPECT_EQ(ParseMac("00:11:22:AA:bb:Cc"), (Mac{0x00, 0x11, 0x22, 0xaa, 0xbb, 0xcc}));
    for (const char* bad : {"", "00:11:22:33:44", "00:11:22:33:44:55:66", "00-11-22-33-44-55",
                            "00:11:22:33:44:5g", "0:11:22:33:44:555"}) {
        EXPECT_FALSE(ParseMac(bad)) << '"' << bad << '"';
    }
    EXPECT_EQ(FormatMac({0x00, 0x1a, 0x2b, 0xff, 0x04, 0xc0}), "00:1a:2b:ff:04:c0");
    EXPECT_EQ(FormatIpv4({10, 0, 200, 7}), "10.0.200.7");
}

TEST(DevsimDevice, TextFieldsAreNulFilledAndBounded) {
    NameField expected{};
    expected[0] = 'c';
    expected[1] = 'a';
    EXPECT_EQ(NameFromText("ca"), expected);
    EXPECT_TRUE(NameFromText(std::string(18, 'x')));
    EXPECT_FALSE(NameFromText(std::string(19, 'x')));
    EXPECT_FALSE(
        NameFromText("\xc3\x85\xc3\x85\xc3\x85\xc3\x85\xc3\x85\xc3\x85\xc3\x85"
                     "\xc3\x85\xc3\x85x"));  // 9 two-byte letters and one more byte
    EXPECT_TRUE(TagFromText("abcd"));
    EXPECT_FALSE(TagFromText("abcde"));
}

TEST(DevsimDevice, SettingsChangeOnlyWhatTheyCarry) {
    Device device;
    device.ip = {192, 168, 1, 10};
    device.gateway = {192, 168, 1, 1};
    device.name = *NameFromText("old");
    device.http_port = 80;
    device.dhcp = 0;
    Device expected = device;

    SettingsChange change;
    change.name = *NameFromText("new");
    change.dhcp = 1;
    ApplySettings(change, device);
    expected.name = *NameFromText("new");
    expected.dhcp = 1;
    EXPECT_EQ(device, expected);

    change = {};
    change.ip = Ipv4{10, 0, 0, 5};
    change.netmask = Ipv4{255, 0, 0, 0};
    change.http_port = 8080;
    ApplySettings(change, device);
    expected.ip = {10, 0, 0, 5};
    expected.netmask = {255, 0, 0, 0};
    expected.http_port = 8080;
    EXPECT_EQ(device, expected);
}

}  // namespace
}  // namespace norvik::devsim
