#include "pcedit.h"

#include <gtest/gtest.h>

#include "list_fixture.h"

namespace norvik::test {
namespace {

using PcEditReports = ListFixture;

TEST_F(PcEditReports, AFullReportFillsEveryField) {
    Device d;
    d.Named("cam-1");
    d.tag = "ABCD";
    d.http_port = "8080";
    d.port2 = "554";
    d.dns1 = {1, 2, 3, 4};
    d.dns2 = {5, 6, 7, 8};
    d.dhcp = 1;
    FeedPcEdit(PcEditReport(d));
    ASSERT_EQ(RecordCount(), 1u);
    const DeviceRecord& r = *devices.head();
    EXPECT_EQ(r.tag, (DeviceTag{'A', 'B', 'C', 'D'}));
    EXPECT_EQ(r.ip, d.ip);
    EXPECT_EQ(r.mac, d.mac);
    EXPECT_EQ(r.netmask, d.netmask);
    EXPECT_EQ(r.gateway, d.gateway);
    EXPECT_EQ(r.name, d.name);
    EXPECT_EQ(r.http_port, 8080);
    EXPECT_EQ(r.port2, 554);
    EXPECT_EQ(r.dns1, d.dns1);
    EXPECT_EQ(r.dns2, d.dns2);
    EXPECT_EQ(r.dns_enabled, 1);
    EXPECT_EQ(r.dhcp_on, 1);
    EXPECT_EQ(r.dhcp_supported, 1);
    EXPECT_EQ(r.list_index, 0);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"1|cam-1|192.168.001.010"}));
}

TEST_F(PcEditReports, ShortAndForeignDatagramsAreDropped) {
    Device d;
    FeedPcEdit(PcEditReport(d, 49));
    Bytes wrong_magic = PcEditReport(d);
    wrong_magic[4] = 'X';
    FeedPcEdit(wrong_magic);
    // Our own search request comes back to us as a broadcast.
    std::array<std::uint8_t, kRequestBufferSize> request{};
    pcedit::BuildStartupSearch(request);
    FeedPcEdit(Bytes(request.begin(), request.begin() + 74));
    FeedPcEdit(PcEditReport(d, 70, 2));
    FeedPcEdit(PcEditReport(d, 70, 255));
    EXPECT_TRUE(devices.empty());
    EXPECT_EQ(view.ItemCount(), 0);
}

TEST_F(PcEditReports, TheLengthDecidesWhichGroupsAreRead) {
    Device d;
    d.dns1 = {9, 9, 9, 9};
    d.dhcp = 1;
    FeedPcEdit(PcEditReport(d.WithMacLastOctet(1), 70));  // the first record, in an empty list
    FeedPcEdit(PcEditReport(d.WithMacLastOctet(2), 50));
    FeedPcEdit(PcEditReport(d.WithMacLastOctet(3), 69));
    FeedPcEdit(PcEditReport(d.WithMacLastOctet(4), 70));
    ASSERT_EQ(RecordCount(), 4u);
    const DeviceRecord& r50 = *devices.head()->next;
    EXPECT_EQ(r50.http_port, 0);
    EXPECT_EQ(r50.port2, 0);
    EXPECT_EQ(r50.dns_enabled, 0);
    EXPECT_EQ(r50.dns1, (Ipv4{0, 0, 0, 0}));
    EXPECT_EQ(r50.dhcp_supported, 0);
    EXPECT_EQ(r50.dhcp_on, 0);
    const DeviceRecord& r69 = *r50.next;
    EXPECT_EQ(r69.http_port, 80);
    EXPECT_EQ(r69.dns_enabled, 1);
    EXPECT_EQ(r69.dns1, d.dns1);
    EXPECT_EQ(r69.dhcp_supported, 0);
    const DeviceRecord& r70 = *r69.next;
    EXPECT_EQ(r70.dhcp_supported, 1);
    EXPECT_EQ(r70.dhcp_on, 1);
}

TEST_F(PcEditReports, OnlyTheRecordMadeInAnEmptyListTakesThePortsOfAShortReport) {
    Device d;
    d.http_port = "80";
    FeedPcEdit(PcEditReport(d.WithMacLastOctet(1), 55));
    FeedPcEdit(PcEditReport(d.WithMacLastOctet(2), 55));
    ASSERT_EQ(RecordCount(), 2u);
    EXPECT_EQ(devices.head()->http_port, 80);
    EXPECT_EQ(devices.tail()->http_port, 0);
    // The same short report again: the record was not made now, so 0.
    FeedPcEdit(PcEditReport(d.WithMacLastOctet(1), 55));
    EXPECT_EQ(devices.head()->http_port, 0);
}

TEST_F(PcEditReports, ShortReportsKeepWhatTheirMissingGroupsWouldHaveChanged) {
    Device d;
    d.dns1 = {7, 7, 7, 7};
    d.dhcp = 1;
    FeedPcEdit(PcEditReport(d, 70));
    FeedPcEdit(PcEditReport(d, 60));
    const DeviceRecord& r = *devices.head();
    EXPECT_EQ(r.dns_enabled, 0);
    EXPECT_EQ(r.dns1, d.dns1);  // the servers stay
    EXPECT_EQ(r.dhcp_supported, 0);
    EXPECT_EQ(r.dhcp_on, 1);  // and so does the DHCP choice
}

TEST_F(PcEditReports, PortFieldsAreReadTheWayAtoiReadsThem) {
    const struct {
        std::string field;
        int port;
    } cases[] = {{std::string("80\0\0\0", 5), 80},
                 {"123x", 123},
                 {std::string(5, '\0'), 0},
                 {"  42", 42},
                 {"-7", -7},
                 {"65536", 65536},
                 {"+12", 12},
                 {"x12", 0},
                 {"99999", 99999}};
    std::uint8_t octet = 1;
    for (const auto& c : cases) {
        Device d;
        d.http_port = c.field;
        d.port2 = c.field;
        d.WithMacLastOctet(octet++);
        FeedPcEdit(PcEditReport(d));
        EXPECT_EQ(devices.tail()->http_port, c.port) << "field \"" << c.field << "\"";
        EXPECT_EQ(devices.tail()->port2, c.port) << "field \"" << c.field << "\"";
    }
}

TEST_F(PcEditReports, ThePortFieldEndsAfterFiveCharacters) {
    Device d;
    Bytes report = PcEditReport(d);
    const char digits[] = "1234567890";  // runs on into the second port field
    std::memcpy(report.data() + 50, digits, 10);
    FeedPcEdit(report);
    EXPECT_EQ(devices.head()->http_port, 12345);
    EXPECT_EQ(devices.head()->port2, 67890);
}

TEST_F(PcEditReports, RenumberingMovesTheRowAndChangesOnlyGatewayNameAndNumber) {
    Device a, b, c;
    a.WithMacLastOctet(1).Named("a");
    b.WithMacLastOctet(2).Named("b");
    c.WithMacLastOctet(3).Named("c");
    FeedPcEdit(PcEditReport(a));
    FeedPcEdit(PcEditReport(b));
    FeedPcEdit(PcEditReport(c));
    Device renumbered = a;
    renumbered.Named("a2").WithIp({10, 1, 1, 1});
    renumbered.gateway = {10, 1, 1, 254};
    renumbered.http_port = "81";
    FeedPcEdit(PcEditReport(renumbered, 70, 1));

    const DeviceRecord& r = *devices.head();
    EXPECT_EQ(r.list_index, 2);  // the item count after its row was deleted
    EXPECT_EQ(r.gateway, renumbered.gateway);
    EXPECT_EQ(r.name, renumbered.name);
    EXPECT_EQ(r.ip, a.ip);  // not changed
    EXPECT_EQ(r.http_port, 80);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"2|b|192.168.001.010", "3|c|192.168.001.010",
                                                "3|a2|010.001.001.001"}));
    // Row 3 is now two records' number; the first from head wins a lookup.
    EXPECT_EQ(devices.LookupByRowNumber(3), devices.head());
    EXPECT_EQ(RecordCount(), 3u);
}

TEST_F(PcEditReports, RenumberingFindsDevicesWithoutAnAddressAndDropsUnknownOnes) {
    Device zero;
    zero.WithIp({0, 1, 2, 3}).Named("z");
    FeedPcEdit(PcEditReport(zero));
    Device unknown;
    unknown.WithMacLastOctet(0x99);
    FeedPcEdit(PcEditReport(unknown, 70, 1));
    EXPECT_EQ(Rows(), (std::vector<std::string>{"1|z|000.001.002.003"}));
    zero.Named("z2");
    FeedPcEdit(PcEditReport(zero, 50, 1));
    EXPECT_EQ(Rows(), (std::vector<std::string>{"1|z2|000.001.002.003"}));
    EXPECT_EQ(RecordCount(), 1u);
}

TEST(PcEditRequests, StartupSearchAndSearchCommandBytes) {
    std::array<std::uint8_t, kRequestBufferSize> buffer{};
    pcedit::BuildStartupSearch(buffer);
    std::array<std::uint8_t, 74> expected{'P', 'C', 'E', 'd', 'i', 't'};
    expected[6] = 2;
    expected[25] = 2;
    expected[32] = 2;
    expected[60] = 2;
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), buffer.begin()));
    EXPECT_TRUE(std::all_of(buffer.begin() + 74, buffer.end(), [](auto b) { return b == 0; }));

    // The Search command writes only the magic and bytes 6 and 25; the rest is re-sent.
    auto after_submit = buffer;
    after_submit.fill(0x5A);
    pcedit::PrepareSearchCommand(after_submit);
    for (std::size_t i = 0; i < after_submit.size(); ++i) {
        const std::uint8_t want = i < 6 ? expected[i] : (i == 6 || i == 25) ? 2 : 0x5A;
        ASSERT_EQ(after_submit[i], want) << "byte " << i;
    }
    auto fresh = buffer;
    pcedit::PrepareSearchCommand(fresh);
    EXPECT_EQ(fresh, buffer);  // before any Submit it equals the start-up request
}

}  // namespace
}  // namespace norvik::test
