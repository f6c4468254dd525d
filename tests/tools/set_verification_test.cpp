// What norvik-set sends for a device's edits and what counts as the new settings showing: only
// what the edits change is checked, a value the report cannot show is sent and never claimed.
#include "verification.h"

#include <gtest/gtest.h>

#include <type_traits>

#include "pcedit.h"
#include "set_report.h"
#include "text_assertions.h"

namespace norvik::cli {
namespace {

using test::Contains;

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
    d.reported = kReportedPorts | kReportedDns | kReportedMode;
    return d;
}

// A PCEdit device whose 69-byte report has no mode byte.
DeviceRecord WithoutMode() {
    DeviceRecord d = Camera();
    d.dhcp_supported = 0;
    d.reported = kReportedPorts | kReportedDns;
    return d;
}

PreparedSet Prepared(const DeviceRecord& before, const DeviceEdits& edits, bool force = false) {
    auto prepared = PrepareSet(before, edits, force);
    EXPECT_TRUE(std::holds_alternative<PreparedSet>(prepared)) << std::get<std::string>(prepared);
    return std::holds_alternative<PreparedSet>(prepared) ? std::get<PreparedSet>(prepared)
                                                         : PreparedSet{};
}

// Edits of one field.
template <typename T>
DeviceEdits With(std::optional<T> DeviceEdits::*field, std::type_identity_t<T> value) {
    DeviceEdits edits;
    edits.*field = std::move(value);
    return edits;
}

std::string Refusal(const DeviceRecord& before, const DeviceEdits& edits, bool force = false) {
    const auto prepared = PrepareSet(before, edits, force);
    return std::holds_alternative<std::string>(prepared) ? std::get<std::string>(prepared) : "";
}

std::vector<std::string> Fields(const Comparison& c) {
    std::vector<std::string> fields;
    for (const FieldDifference& d : c.differs) {
        fields.push_back(d.field + ": sent " + d.sent + ", reported " + d.reported);
    }
    for (const std::string& field : c.not_shown) {
        fields.push_back(field + ": not shown");
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
    EXPECT_EQ(Fields(Compare(sent, after)),
              std::vector<std::string>{"name: sent hall, reported cam"});
    after.name = {'h', 'a', 'l', 'l'};
    EXPECT_TRUE(Fields(Compare(sent, after)).empty());
}

// What the DHCP server gives does not count; the name and port, which stay the device's own, do.
TEST(SetVerification, AfterASwitchToDhcpTheServersValuesDoNotCount) {
    DeviceEdits edits;
    edits.dhcp = true;
    edits.name = "hall";
    edits.port = 8080;
    edits.dns1 = Ipv4{9, 9, 9, 9};
    edits.dns2 = Ipv4{9, 9, 9, 8};
    const PreparedSet sent = Prepared(Camera(), edits);
    DeviceRecord after = Camera();
    after.ip = {10, 0, 0, 77};  // from the DHCP server
    after.dns1 = {10, 0, 0, 254};
    after.dns2 = {10, 0, 0, 253};
    EXPECT_EQ(
        Fields(Compare(sent, after)),
        (std::vector<std::string>{"name: sent hall, reported cam", "port: sent 8080, reported 80",
                                  "mode: sent dhcp, reported static"}));
    after.dhcp_on = 1;
    after.name = {'h', 'a', 'l', 'l'};
    after.http_port = 8080;
    EXPECT_TRUE(Fields(Compare(sent, after)).empty());
}

// A value the report cannot show is sent even when the record's stale value equals it, and
// is never counted as taken: --static on a device that may be on DHCP, --dhcp, a port.
TEST(SetVerification, AValueTheReportCannotShowIsSentAndNotClaimed) {
    for (const bool dhcp : {false, true}) {
        const PreparedSet sent = Prepared(WithoutMode(), With(&DeviceEdits::dhcp, dhcp));
        ASSERT_EQ(sent.changes.size(), 1u) << dhcp;
        EXPECT_FALSE(sent.changes[0].old_value.has_value());
        EXPECT_EQ(sent.request[pcedit::request::kDhcpFlag], pcedit::kFlagSet);
        EXPECT_EQ(sent.request[pcedit::request::kDhcpValue], dhcp ? 1 : 0);
        // The device ignored it: its short report still shows no mode.
        EXPECT_EQ(Fields(Compare(sent, WithoutMode())),
                  std::vector<std::string>{"mode: not shown"});
    }
    DeviceRecord no_ports = Camera();
    no_ports.reported = 0;  // a 50-byte report: the record's port is 0, whatever the device has
    no_ports.http_port = 0;
    const PreparedSet sent = Prepared(no_ports, With(&DeviceEdits::port, 0), true);
    EXPECT_EQ(sent.request[pcedit::request::kPortFlag], pcedit::kFlagSet);
    EXPECT_EQ(Fields(Compare(sent, no_ports)), std::vector<std::string>{"port: not shown"});
    // A 3297 report always carries the mode: a static device that ignored --dhcp differs.
    DeviceRecord static_3297 = Camera();
    static_3297.dhcp_supported = 0;
    EXPECT_EQ(Fields(Compare(Prepared(static_3297, With(&DeviceEdits::dhcp, true)), static_3297)),
              std::vector<std::string>{"mode: sent dhcp, reported static"});
}

// Values the device already has are not checked, however odd: a saved scan is a plan that
// changes nothing.
TEST(SetVerification, OnlyWhatTheEditsChangeIsChecked) {
    DeviceRecord odd = Camera();
    odd.ip = {0, 0, 0, 0};
    odd.http_port = 99999;
    odd.netmask = {255, 0, 255, 0};
    DeviceEdits same;
    same.ip = odd.ip;
    same.netmask = odd.netmask;
    same.name = "cam";
    EXPECT_TRUE(Prepared(odd, same).changes.empty());
    same.port = 65536;  // within Submit's range: a change, and the stricter check sees it
    EXPECT_NE(Refusal(odd, same), "");
}

TEST(SetVerification, TheChecksRefuseWithAReasonAndForceLetsThroughOnlyTheStricterOnes) {
    struct Case {
        const char* what;
        DeviceEdits edits;
        const char* says;  // part of the refusal
        bool force_passes;
    };
    const auto ip = [](Ipv4 a) { return With(&DeviceEdits::ip, a); };
    std::string emoji;
    for (int i = 0; i < 16; ++i) {
        emoji.append("\xF0\x9F\x93\xB7");
    }
    const std::vector<Case> cases = {
        {"ends in .255", ip({10, 0, 0, 255}), "ends in .0 or .255", false},
        {"loopback", ip({127, 0, 0, 1}), "loopback", true},
        {"multicast", ip({239, 1, 2, 3}), "multicast", true},
        {"0.x", ip({0, 1, 2, 3}), "0.0.0.0/8", true},
        {"netmask", With(&DeviceEdits::netmask, {255, 0, 255, 0}), "not contiguous", true},
        {"port 0", With(&DeviceEdits::port, 0), "no web port", true},
        {"port out of Submit's range", With(&DeviceEdits::port, 65537), "not from 0 to 65536",
         false},
        {"16 emoji", With(&DeviceEdits::name, emoji), "64 bytes of UTF-8", true},
        {"not UTF-8", With(&DeviceEdits::name, "Caf\xE9"), "not UTF-8", false},
        {"control character", With(&DeviceEdits::name, "a\nb"), "control character", false},
        {"C1 control", With(&DeviceEdits::name, "a\xC2\x9B" "2J"), "control character", false},
        {"multicast gateway", With(&DeviceEdits::gateway, {224, 0, 0, 1}), "multicast", true},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(Contains(Refusal(Camera(), c.edits), c.says)) << c.what;
        EXPECT_EQ(Refusal(Camera(), c.edits, true).empty(), c.force_passes) << c.what;
    }
    // Its MAC answered from two addresses: a request would reach two devices. A request that
    // changes nothing sends nothing.
    DeviceRecord shared = Camera();
    shared.other_address_heard = true;
    shared.other_ip = {10, 0, 0, 9};
    EXPECT_EQ(Refusal(shared, With(&DeviceEdits::name, "hall")),
              "02:00:00:00:00:01 answered the search from 10.0.0.9 and from 10.0.0.1: two "
              "devices may share the MAC, and a request by MAC reaches both (give --force to "
              "send it all the same)");
    EXPECT_EQ(Prepared(shared, With(&DeviceEdits::name, "hall"), true).changes.size(), 1u);
    EXPECT_TRUE(Prepared(shared, With(&DeviceEdits::name, "cam")).changes.empty());
    // A name cut with --force, never inside a character.
    const PreparedSet set =
        Prepared(Camera(), With(&DeviceEdits::name, std::string(17, 'n') + "Ω"), true);
    EXPECT_TRUE(set.name_cut);
    EXPECT_EQ(set.values.name[16], 'n');
    EXPECT_EQ(set.values.name[17], 0);
}

TEST(SetVerification, ANewAddressForADeviceStayingOnDhcpAndHalfUnknownDnsAreRefused) {
    DeviceRecord on_dhcp = Camera();
    on_dhcp.dhcp_on = 1;
    DeviceEdits edits = With(&DeviceEdits::ip, {10, 0, 0, 9});
    EXPECT_TRUE(Contains(Refusal(on_dhcp, edits), "DHCP"));
    // Forced, the address the DHCP server gives in the next report is no proof it took.
    EXPECT_EQ(Fields(Compare(Prepared(on_dhcp, edits, true), on_dhcp)),
              std::vector<std::string>{"ip: sent 10.0.0.9, reported 10.0.0.1"});
    edits.dhcp = false;
    EXPECT_EQ(Refusal(on_dhcp, edits), "");
    // DHCP heard before, but the report now heard shows no mode: not known to stay on DHCP.
    DeviceRecord mode_unknown = WithoutMode();
    mode_unknown.dhcp_on = 1;
    EXPECT_EQ(Refusal(mode_unknown, With(&DeviceEdits::ip, {10, 0, 0, 9})), "");
    // Without DNS servers in its report, one given alone would send the other blind.
    DeviceRecord no_dns = Camera();
    no_dns.reported = kReportedPorts | kReportedMode;
    DeviceEdits dns = With(&DeviceEdits::dns1, {1, 1, 1, 1});
    EXPECT_TRUE(Contains(Refusal(no_dns, dns), "--dns1 and --dns2"));
    dns.dns2 = Ipv4{1, 0, 0, 1};
    const PreparedSet both = Prepared(no_dns, dns);
    EXPECT_EQ(both.request[pcedit::request::kDnsFlag], pcedit::kFlagSet);
}

TEST(SetVerification, AnAddressAnotherDeviceHasIsTakenUnlessItMoves) {
    DeviceRecord other = Camera();
    other.mac[5] = 9;
    other.ip = {10, 0, 0, 7};
    const std::vector<DeviceRecord> found = {Camera(), other};
    EXPECT_TRUE(TakenAddress(Camera().mac, {10, 0, 0, 7}, found).has_value());
    EXPECT_FALSE(TakenAddress(Camera().mac, {10, 0, 0, 8}, found).has_value());
    EXPECT_FALSE(
        TakenAddress(Camera().mac, {10, 0, 0, 7}, found, [](const DeviceRecord&) { return true; }));
}

// A new name is written as the device's names are: one that starts with a quote is quoted, so
// that it does not read as a quoted (odd) name.
TEST(SetReport, AnOddNewNameIsQuotedInTheChanges) {
    const PreparedSet set = Prepared(Camera(), With(&DeviceEdits::name, std::string("\"hall")));
    const std::string text = ChangesText(set);
    EXPECT_EQ(text.substr(0, text.find('\n') + 1), "name\tcam\t\"\\\"hall\"\n");
}

// Nothing to send, no request: null, not the hex of an empty buffer.
TEST(SetReport, WithoutChangesTheJsonHasNoRequest) {
    InterfaceNames names;
    const Json unsent = SetJson(Camera().mac, nullptr, PreparedSet{}, "not sent", nullptr, names);
    EXPECT_TRUE(unsent["request"].is_null()) << unsent["request"];
    const PreparedSet nothing = Prepared(Camera(), With(&DeviceEdits::name, std::string("cam")));
    ASSERT_TRUE(nothing.changes.empty());
    EXPECT_TRUE(
        SetJson(Camera().mac, nullptr, nothing, "nothing to change", nullptr, names)["request"]
            .is_null());
}

}  // namespace
}  // namespace norvik::cli
