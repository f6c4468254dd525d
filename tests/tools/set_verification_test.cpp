// What counts as the new settings showing: the fields a device's report carries, and after a
// switch to DHCP the mode alone.
#include "verification.h"

#include <gtest/gtest.h>

namespace norvik::cli {
namespace {

DeviceRecord Camera() {
    DeviceRecord d;
    d.mac = {0x02, 0, 0, 0, 0, 1};
    d.ip = {10, 0, 0, 1};
    d.netmask = {255, 255, 255, 0};
    d.gateway = {10, 0, 0, 254};
    d.name = {'c', 'a', 'm'};
    d.http_port = 80;
    d.dns_enabled = 1;
    d.dns1 = {8, 8, 8, 8};
    d.dhcp_supported = 1;
    return d;
}

PreparedSet Prepared(const DeviceRecord& before, const DeviceEdits& edits) {
    auto prepared = PrepareSet(before, edits);
    EXPECT_TRUE(std::holds_alternative<PreparedSet>(prepared));
    return std::get<PreparedSet>(prepared);
}

std::vector<std::string> Fields(const std::vector<FieldDifference>& differs) {
    std::vector<std::string> fields;
    for (const FieldDifference& d : differs) {
        fields.push_back(d.field + ": sent " + d.sent + ", reported " + d.reported);
    }
    return fields;
}

TEST(SetVerification, NamesTheChangedFieldsTheDeviceReportsOtherwise) {
    DeviceEdits edits;
    edits.name = "hall";
    edits.ip = Ipv4{10, 0, 0, 2};
    edits.port = 8080;
    const PreparedSet sent = Prepared(Camera(), edits);
    DeviceRecord after = Camera();
    after.ip = {10, 0, 0, 2};
    after.http_port = 8080;
    // The name did not take; the netmask, not sent, differs too but does not count.
    after.netmask = {255, 255, 0, 0};
    EXPECT_EQ(Fields(Differences(sent, after)),
              std::vector<std::string>{"name: sent hall, reported cam"});
    after.name = {'h', 'a', 'l', 'l'};
    EXPECT_TRUE(Differences(sent, after).empty());
}

TEST(SetVerification, AfterASwitchToDhcpOnlyTheModeCounts) {
    DeviceEdits edits;
    edits.dhcp = true;
    edits.name = "hall";
    const PreparedSet sent = Prepared(Camera(), edits);
    DeviceRecord after = Camera();
    after.ip = {10, 0, 0, 77};  // from the DHCP server
    EXPECT_EQ(Fields(Differences(sent, after)),
              std::vector<std::string>{"mode: sent dhcp, reported static"});
    after.dhcp_on = 1;
    EXPECT_TRUE(Differences(sent, after).empty());
}

TEST(SetVerification, FieldsAShortReportLacksDoNotCount) {
    DeviceEdits edits;
    edits.dns2 = Ipv4{1, 1, 1, 1};
    edits.dhcp = false;
    DeviceRecord before = Camera();
    before.dhcp_on = 1;
    const PreparedSet sent = Prepared(before, edits);
    DeviceRecord after = Camera();  // a report without DNS servers or mode
    after.dns_enabled = 0;
    after.dhcp_supported = 0;
    EXPECT_TRUE(Differences(sent, after).empty());
    after.dns_enabled = 1;
    EXPECT_EQ(Fields(Differences(sent, after)),
              std::vector<std::string>{"dns2: sent 1.1.1.1, reported 0.0.0.0"});
}

TEST(SetVerification, TheChecksRefuseWhatSubmitRefuses) {
    const auto refused = [](DeviceEdits edits) {
        return std::holds_alternative<std::string>(PrepareSet(Camera(), edits));
    };
    DeviceEdits edits;
    edits.ip = Ipv4{10, 0, 0, 255};
    EXPECT_TRUE(refused(edits));
    edits.ip = Ipv4{10, 0, 0, 254};
    EXPECT_FALSE(refused(edits));
    edits.port = 65537;
    EXPECT_TRUE(refused(edits));
    edits.port = 65536;
    edits.name = std::string(31, 'n');
    EXPECT_FALSE(refused(edits));
    edits.name = "Ω" + std::string(31, 'n');  // 32 characters, however many bytes
    EXPECT_TRUE(refused(edits));
    // A name longer than the device's 18 bytes is cut, never inside a character.
    edits.name = std::string(17, 'n') + "Ω";
    const PreparedSet cut = Prepared(Camera(), edits);
    EXPECT_TRUE(cut.name_cut);
    EXPECT_EQ(cut.values.name[16], 'n');
    EXPECT_EQ(cut.values.name[17], 0);
}

}  // namespace
}  // namespace norvik::cli
