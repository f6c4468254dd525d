#include "pcedit.h"

#include <gtest/gtest.h>

#include <tuple>

#include "list_fixture.h"

namespace norvik::test {
namespace {

using PcEditReports = ListFixture;

TEST_F(PcEditReports, AFullReportFillsEveryField) {
    Device d;
    d.Named("cam-1");
    d.tag = "ABCD";
    // The second port's digits follow at once: reading stops after five.
    d.http_port = "99999";
    d.port2 = "554";
    d.dns1 = {1, 2, 3, 4};
    d.dns2 = {5, 6, 7, 8};
    d.dhcp = 2;  // any byte but 0 is DHCP
    FeedPcEdit(PcEditReport(d));
    ASSERT_EQ(RecordCount(), 1u);
    const DeviceRecord& r = *devices.head();
    EXPECT_EQ(r.tag, (DeviceTag{'A', 'B', 'C', 'D'}));
    EXPECT_EQ(r.ip, d.ip);
    EXPECT_EQ(r.mac, d.mac);
    EXPECT_EQ(r.netmask, d.netmask);
    EXPECT_EQ(r.gateway, d.gateway);
    EXPECT_EQ(r.name, d.name);
    EXPECT_EQ(r.http_port, 99999);
    EXPECT_EQ(r.port2, 554);
    EXPECT_EQ(r.dns1, d.dns1);
    EXPECT_EQ(r.dns2, d.dns2);
    EXPECT_EQ(r.dns_enabled, 1);
    EXPECT_EQ(r.dhcp_on, 1);
    EXPECT_EQ(r.dhcp_supported, 1);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"1|cam-1|192.168.001.010"}));
}

// A device that is not the list's first reports at each length in turn: a group that its
// report lacks clears the group's flag and keeps the values it would have carried.
TEST_F(PcEditReports, TheLengthDecidesWhichGroupsAreRead) {
    Device d;
    d.port2 = "554";
    d.dns1 = {9, 9, 9, 9};
    d.dhcp = 1;
    FeedPcEdit(PcEditReport(d.WithMacLastOctet(1)));
    const struct {
        std::size_t length;
        // http_port, port2, dns_enabled, dns1[0], dhcp_supported, dhcp_on
        std::tuple<int, int, int, int, int, int> fields;
    } cases[] = {{50, {0, 0, 0, 0, 0, 0}},
                 {70, {80, 554, 1, 9, 1, 1}},
                 {60, {80, 554, 0, 9, 0, 1}},
                 {69, {80, 554, 1, 9, 0, 1}},
                 {59, {0, 0, 0, 9, 0, 1}}};
    for (const auto& c : cases) {
        FeedPcEdit(PcEditReport(d.WithMacLastOctet(2), c.length));
        const DeviceRecord& r = *devices.tail();
        EXPECT_EQ(std::tuple(r.http_port, r.port2, r.dns_enabled, int{r.dns1[0]},
                             int{r.dhcp_supported}, int{r.dhcp_on}),
                  c.fields)
            << c.length << " bytes";
    }
    EXPECT_EQ(RecordCount(), 2u);
}

TEST_F(PcEditReports, OnlyTheRecordMadeInAnEmptyListTakesThePortsOfAShortReport) {
    Device d;
    FeedPcEdit(PcEditReport(d.WithMacLastOctet(1), 55));
    FeedPcEdit(PcEditReport(d.WithMacLastOctet(2), 55));
    ASSERT_EQ(RecordCount(), 2u);
    EXPECT_EQ(devices.head()->http_port, 80);
    EXPECT_EQ(devices.tail()->http_port, 0);
    // The same short report again: the record was not made now, so 0.
    FeedPcEdit(PcEditReport(d.WithMacLastOctet(1), 55));
    EXPECT_EQ(devices.head()->http_port, 0);
}

TEST_F(PcEditReports, RenumberingMovesTheRowAndChangesOnlyGatewayNameAndNumber) {
    Device a, b, c;
    FeedPcEdit(PcEditReport(a.WithMacLastOctet(1).Named("a")));
    FeedPcEdit(PcEditReport(b.WithMacLastOctet(2).Named("b")));
    FeedPcEdit(PcEditReport(c.WithMacLastOctet(3).Named("c")));
    Device renumbered = a;
    renumbered.Named("a2").WithIp({10, 1, 1, 1});
    renumbered.gateway = {10, 1, 1, 254};
    renumbered.http_port = "81";
    renumbered.port2 = "555";
    renumbered.netmask = {255, 0, 0, 0};
    renumbered.dns1 = {1, 1, 1, 1};
    renumbered.dns2 = {9, 9, 9, 9};
    renumbered.tag = "ZZ";
    renumbered.dhcp = 1;
    const auto unchanged = [](const DeviceRecord& x) {
        return std::tuple(x.ip, x.netmask, x.dns1, x.dns2, x.tag, x.http_port, x.port2,
                          x.dhcp_on, x.dhcp_supported);
    };
    const auto before = unchanged(*devices.head());
    FeedPcEdit(PcEditReport(renumbered, 70, 1));

    const DeviceRecord& r = *devices.head();
    EXPECT_EQ(r.list_index, 3);  // after row 3's: no other row has that number
    EXPECT_EQ(r.gateway, renumbered.gateway);
    EXPECT_EQ(r.name, renumbered.name);
    EXPECT_EQ(unchanged(r), before);
    EXPECT_EQ(r.http_port, 80);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"2|b|192.168.001.010", "3|c|192.168.001.010",
                                                "4|a2|010.001.001.001"}));
    // A click on c's row finds c, not the device moved past it.
    EXPECT_EQ(devices.LookupByRowNumber(3), devices.tail());
    EXPECT_EQ(devices.LookupByRowNumber(4), devices.head());
    // The last row keeps its number; a device heard next takes the one after.
    FeedPcEdit(PcEditReport(renumbered.Named("a3"), 70, 1));
    Device d;
    FeedPcEdit(PcEditReport(d.WithMacLastOctet(4).Named("d")));
    EXPECT_EQ(Rows(), (std::vector<std::string>{"2|b|192.168.001.010", "3|c|192.168.001.010",
                                                "4|a3|010.001.001.001", "5|d|192.168.001.010"}));
    EXPECT_EQ(RecordCount(), 4u);
}

TEST_F(PcEditReports, RenumberingFindsDevicesWithoutAnAddressAndDropsUnknownOnes) {
    Device zero;
    FeedPcEdit(PcEditReport(zero.WithIp({0, 1, 2, 3}).Named("z")));
    Device unknown;
    FeedPcEdit(PcEditReport(unknown.WithMacLastOctet(0x99), 70, 1));
    EXPECT_EQ(Rows(), (std::vector<std::string>{"1|z|000.001.002.003"}));
    FeedPcEdit(PcEditReport(zero.Named("z2"), 50, 1));
    EXPECT_EQ(Rows(), (std::vector<std::string>{"1|z2|000.001.002.003"}));
    EXPECT_EQ(RecordCount(), 1u);
}

// After a Submit the buffer holds that request: all of it but these bytes goes out again.
TEST(PcEditRequests, TheSearchCommandWritesOnlyTheMagicAndBytes6And25) {
    std::array<std::uint8_t, kRequestBufferSize> buffer;
    buffer.fill(0x5A);
    pcedit::PrepareSearchCommand(buffer);
    const std::string magic = "PCEdit";
    for (std::size_t i = 0; i < buffer.size(); ++i) {
        const int want = i < 6 ? magic[i] : (i == 6 || i == 25) ? 2 : 0x5A;
        ASSERT_EQ(buffer[i], want) << "byte " << i;
    }
}

}  // namespace
}  // namespace norvik::test
