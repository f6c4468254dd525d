#include "devsim/device.h"

#include <gtest/gtest.h>

namespace norvik::devsim {
namespace {

TEST(DevsimDevice, AddressesReadOnlyInTheirUsualForm) {
    EXPECT_EQ(ParseIpv4("192.168.1.10"), (Ipv4{192, 168, 1, 10}));
    EXPECT_EQ(ParseIpv4("255.255.255.255"), (Ipv4{255, 255, 255, 255}));
    for (const char* bad :
         {"", "1.2.3", "1.2.3.4.5", "256.1.1.1", "1..2.3", "1.2.3.4 ", "-1.2.3.4", "1.2.3.0004"}) {
        EXPECT_FALSE(ParseIpv4(bad)) << '"' << bad << '"';
    }
    EXPECT_EQ(ParseMac("00:11:22:AA:bb:Cc"), (Mac{0x00, 0x11, 0x22, 0xaa, 0xbb, 0xcc}));
    for (const char* bad : {"00:11:22:33:44", "00:11:22:33:44:55:66", "00-11-22-33-44-55",
                            "00:11:22:33:44:5g", "0:11:22:33:44:555"}) {
        EXPECT_FALSE(ParseMac(bad)) << '"' << bad << '"';
    }
}

}  // namespace
}  // namespace norvik::devsim
