#include "protocol_3297.h"

#include <gtest/gtest.h>

#include "list_fixture.h"

namespace norvik::test {
namespace {

using Reports3297 = ListFixture;

TEST(Requests3297, TheSearchRequestIs445BytesWithATextType) {
    std::array<std::uint8_t, kRequestBufferSize> buffer;
    buffer.fill(0x77);
    p3297::BuildSearchRequest(buffer);
    std::array<std::uint8_t, 445> expected{'3', '2', '9', '7', 0xBD, 0x01, '1'};
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), buffer.begin()));
    EXPECT_EQ(buffer[445], 0x77);  // only the packet's own bytes are written
}

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
}

TEST_F(Reports3297, OnlyExactlySizedReportsOfTypeOneToThreeCount) {
    Device d;
    Feed3297(Report3297(d, 1, 444));
    Feed3297(Report3297(d, 1, 446));
    Feed3297(Report3297(d, 0));
    Feed3297(Report3297(d, 4));
    // Our own search request: its type is the character '1'.
    std::array<std::uint8_t, kRequestBufferSize> request{};
    p3297::BuildSearchRequest(request);
    Feed3297(Bytes(request.begin(), request.begin() + 445));
    EXPECT_TRUE(devices.empty());
    Feed3297(Report3297(d, 3));
    EXPECT_EQ(RecordCount(), 1u);
}

TEST_F(Reports3297, AStaticReportKeepsAnEarlierDhcpSupport) {
    Device d;
    d.dhcp = 0;
    Feed3297(Report3297(d));
    EXPECT_EQ(devices.head()->dhcp_supported, 0);
    d.dhcp = 1;
    Feed3297(Report3297(d));
    d.dhcp = 0;
    Feed3297(Report3297(d));
    EXPECT_EQ(devices.head()->dhcp_on, 0);
    EXPECT_EQ(devices.head()->dhcp_supported, 1);
}

TEST(Reports3297Types, OnlyTypeThreeTellsOfARefusedSetting) {
    Device d;
    EXPECT_TRUE(p3297::IsLoginFailedReport(Report3297(d, 3)));
    EXPECT_FALSE(p3297::IsLoginFailedReport(Report3297(d, 1)));
    EXPECT_FALSE(p3297::IsLoginFailedReport(Report3297(d, 3, 444)));
}

}  // namespace
}  // namespace norvik::test
