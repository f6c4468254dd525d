// The neighbour table as Linux writes it in /proc/net/arp: only a resolved entry of the card
// asked about gives a MAC.
#include "neighbour_table.h"

#include <gtest/gtest.h>

#include <string>

namespace norvik {
namespace {

NetworkInterface Card(std::string name) {
    NetworkInterface card;
    card.index = 7;
    card.name = std::move(name);
    return card;
}

TEST(NeighbourTable, OnlyAResolvedEntryOfTheCardGivesItsMac) {
    const NeighbourTable table = NeighbourTable::FromArpText(
        "IP address       HW type     Flags       HW address            Mask     Device\n"
        "192.168.1.50     0x1         0x2         00:11:22:aa:bb:cc     *        eth0\n"
        "192.168.1.51     0x1         0x6         02:00:00:00:01:C9     *        eth0\n"
        "192.168.1.52     0x1         0x0         00:00:00:00:00:00     *        eth0\n"
        "192.168.1.53     0x1         0x2         00:00:00:00:00:00     *        eth0\n"
        "192.168.1.54     0x1         0x2         00:11:22:33:44        *        eth0\n"
        "192.168.1.55     0x1         0x2         00:11:22:33:44:55:66  *        eth0\n"
        "10.0.0.9         0x1         0x2         00:11:22:33:44:09     *        eth1\n"
        "192.168.1.56 0x1 0x2\n"
        "192.168.1.57     0x1         0x0         00:11:22:33:44:57     *        eth0\n");
    const NetworkInterface eth0 = Card("eth0");
    EXPECT_EQ(table.Find({192, 168, 1, 50}, eth0),
              (MacAddress{0x00, 0x11, 0x22, 0xaa, 0xbb, 0xcc}));
    // A permanent entry is resolved too; hexadecimal digits in either case.
    EXPECT_EQ(table.Find({192, 168, 1, 51}, eth0), (MacAddress{0x02, 0, 0, 0, 0x01, 0xc9}));
    // Incomplete, all zeros, a MAC cut short or too long, a line cut short, and a failed entry
    // that still shows the MAC it last had.
    for (const std::uint8_t last : {52, 53, 54, 55, 56, 57}) {
        EXPECT_EQ(table.Find({192, 168, 1, last}, eth0), std::nullopt) << int{last};
    }
    // Another card's entry, and an address the table does not hold.
    EXPECT_EQ(table.Find({10, 0, 0, 9}, eth0), std::nullopt);
    EXPECT_EQ(table.Find({10, 0, 0, 9}, Card("eth1")), (MacAddress{0, 0x11, 0x22, 0x33, 0x44, 9}));
    EXPECT_EQ(table.Find({192, 168, 1, 50}, Card("eth1")), std::nullopt);
    EXPECT_EQ(NeighbourTable::FromArpText("").Find({192, 168, 1, 50}, eth0), std::nullopt);
}

}  // namespace
}  // namespace norvik
