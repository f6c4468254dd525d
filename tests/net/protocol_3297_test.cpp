#include "protocol_3297.h"

#include <gtest/gtest.h>

#include "list_fixture.h"
#include "trace.h"

namespace norvik::test {
namespace {

using Reports3297 = ListFixture;

TEST_F(Reports3297, AReportFillsEveryField) {
    Device d;
    d.Named("video-server");
    d.tag = "XY";
    d.http_port = "8080";
    d.port2 = "-1";
    d.dns1 = {1, 1, 1, 1};
    d.dns2 = {2, 2, 2, 2};
    d.dhcp = 7;
    Feed3297(Report3297(d, 2));
    ASSERT_EQ(RecordCount(), 1u);
    const DeviceRecord& r = *devices.head();
    EXPECT_EQ(r.mac, d.mac);
    EXPECT_EQ(r.tag, (DeviceTag{'X', 'Y', 0, 0}));
    EXPECT_EQ(r.ip, d.ip);
    EXPECT_EQ(r.netmask, d.netmask);
    EXPECT_EQ(r.gateway, d.gateway);
    EXPECT_EQ(r.http_port, 8080);
    EXPECT_EQ(r.port2, -1);
    EXPECT_EQ(r.dns1, d.dns1);
    EXPECT_EQ(r.dns2, d.dns2);
    EXPECT_EQ(r.dns_enabled, 1);
    EXPECT_EQ(r.dhcp_on, 1);
    EXPECT_EQ(r.dhcp_supported, 1);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"1|video-server|192.168.001.010"}));
    // A static report keeps the DHCP choice visible once the device has reported it.
    d.dhcp = 0;
    Feed3297(Report3297(d));
    EXPECT_EQ(r.dhcp_on, 0);
    EXPECT_EQ(r.dhcp_supported, 1);
}

TEST_F(Reports3297, OnlyExactlySizedReportsOfTypeOneToThreeCount) {
    Device d;
    const struct {
        Bytes datagram;
        std::string outcome;
    } dropped[] = {{Report3297(d, 3, 444), "dropped: too short"},
                   {Report3297(d, 3, 446), "dropped: wrong length (not 445 bytes)"},
                   {Report3297(d, 0), "dropped: unknown type 0"},
                   {Report3297(d, 4), "dropped: unknown type 4"}};
    for (const auto& c : dropped) {
        EXPECT_EQ(DescribeOutcome(p3297::HandleDatagram(context(), c.datagram)), c.outcome);
        EXPECT_FALSE(p3297::IsLoginFailedReport(c.datagram));
    }
    // Our own search request: its type is the character '1'.
    std::array<std::uint8_t, kRequestBufferSize> request{};
    p3297::BuildSearchRequest(request);
    EXPECT_EQ(DescribeOutcome(
                  p3297::HandleDatagram(context(), Bytes(request.begin(), request.begin() + 445))),
              "dropped: a request, not a report");
    EXPECT_TRUE(devices.empty());
    EXPECT_FALSE(p3297::IsLoginFailedReport(Report3297(d, 1)));
    // Type 3 tells of a refused setting, and is a report all the same.
    EXPECT_TRUE(p3297::IsLoginFailedReport(Report3297(d, 3)));
    EXPECT_EQ(DescribeOutcome(p3297::HandleDatagram(context(), Report3297(d, 3))),
              "new device, row 1");
    EXPECT_EQ(RecordCount(), 1u);
    EXPECT_EQ(devices.head()->dhcp_supported, 0);  // its first report was a static one
}

}  // namespace
}  // namespace norvik::test
