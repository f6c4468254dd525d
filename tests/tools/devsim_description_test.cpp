#include "devsim/description.h"

#include <gtest/gtest.h>

#include <string>

namespace norvik::devsim {
namespace {

NameField NameBytes(std::initializer_list<std::uint8_t> bytes) {
    NameField field{};
    std::copy(bytes.begin(), bytes.end(), field.begin());
    return field;
}

TEST(DevsimDescription, ReadsDevicesAndRawDatagrams) {
    const auto good = ParseDescription(
        "# three devices and two raw datagrams\r\n"
        "\n"
        "pcedit mac=00:11:22:33:44:55 ip=192.168.1.10 netmask=255.255.0.0 gateway=192.168.1.1 "
        "name=cam-1 port=8080 port2=554 dns1=8.8.8.8 dns2=8.8.4.4 dhcp=1 tag=IPC # trailing\r\n"
        "  3297\tmac=00:11:22:33:44:66 ip=0.1.2.3 name=\"Front \\\"door\\\" \\\\ 1\" type=3 "
        "length=444 reject_set=1\n"
        "pcedit mac=00:11:22:33:44:77 ip=10.0.0.1 name_hex=63616d0041 tag_hex=00ff\n"
        "raw hex=495043616d port=4023\n"
        "raw port=4022 hex= length=1200 on=both");
    ASSERT_TRUE(good.errors.empty()) << good.errors[0].line << ": " << good.errors[0].message;
    ASSERT_EQ(good.table.devices.size(), 3u);
    ASSERT_EQ(good.table.raw.size(), 2u);

    Device first;
    first.protocol = Protocol::kPcEdit;
    first.mac = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
    first.ip = {192, 168, 1, 10};
    first.netmask = {255, 255, 0, 0};
    first.gateway = {192, 168, 1, 1};
    first.name = *NameFromText("cam-1");
    first.http_port = 8080;
    first.port2 = 554;
    first.dns1 = {8, 8, 8, 8};
    first.dns2 = {8, 8, 4, 4};
    first.dhcp = 1;
    first.tag = *TagFromText("IPC");
    EXPECT_EQ(good.table.devices[0], first);

    const Device& second = good.table.devices[1];
    EXPECT_EQ(second.protocol, Protocol::k3297);
    EXPECT_EQ(second.ip, (Ipv4{0, 1, 2, 3}));
    EXPECT_EQ(second.name, *NameFromText("Front \"door\" \\ 1"));
    EXPECT_EQ(second.report_type, 3);
    EXPECT_EQ(second.report_length, 444u);
    EXPECT_TRUE(second.reject_set);
    // Defaults of what the line leaves out.
    EXPECT_EQ(second.netmask, (Ipv4{255, 255, 255, 0}));
    EXPECT_EQ(second.gateway, (Ipv4{0, 0, 0, 0}));
    EXPECT_EQ(second.http_port, 80);
    EXPECT_EQ(second.port2, 0);
    EXPECT_EQ(second.dhcp, 0);
    EXPECT_EQ(second.tag, TagField{});

    EXPECT_EQ(good.table.devices[2].name, NameBytes({'c', 'a', 'm', 0, 'A'}));
    EXPECT_EQ(good.table.devices[2].tag, (TagField{0x00, 0xff, 0, 0}));
    EXPECT_FALSE(good.table.devices[2].report_type);

    // Port 4023 makes a raw datagram go out on 3297 searches, wherever port= stands.
    EXPECT_EQ(good.table.raw[0].port, 4023);
    EXPECT_EQ(good.table.raw[0].bytes, (std::vector<std::uint8_t>{'I', 'P', 'C', 'a', 'm'}));
    EXPECT_EQ(good.table.raw[0].on, RawTrigger::k3297Search);
    EXPECT_EQ(RawDatagramBytes(good.table.raw[1]), std::vector<std::uint8_t>(1200, 0));
    EXPECT_EQ(good.table.raw[1].on, RawTrigger::kBothSearches);
}

TEST(DevsimDescription, ReportsEveryBadLineWithItsNumber) {
    const std::string text =
        "pcedit mac=00:11:22:33:44:01 ip=10.0.0.1\n"                            // 1 good
        "camera mac=00:11:22:33:44:02 ip=10.0.0.2\n"                            // 2 unknown kind
        "pcedit mac=00:11:22:33:44:03 ip=10.0.0.3 colour=red\n"                 // 3 unknown key
        "pcedit mac=00:11:22:33:44:04 ip=10.0.0.4 ip=10.0.0.5\n"                // 4 twice
        "pcedit ip=10.0.0.6\n"                                                  // 5 no mac
        "3297 mac=00:11:22:33:44:07\n"                                          // 6 no ip
        "pcedit mac=00:11:22:33:44:08 ip=10.0.0.256\n"                          // 7 bad address
        "pcedit mac=00:11:22:33:44 ip=10.0.0.9\n"                               // 8 bad MAC
        "pcedit mac=00:11:22:33:44:0a ip=10.0.0.10 name=abcdefghijklmnopqrs\n"  // 9 19 bytes
        "pcedit mac=00:11:22:33:44:0b ip=10.0.0.11 name_hex=abc\n"              // 10 odd hex
        "pcedit mac=00:11:22:33:44:0c ip=10.0.0.12 port=100000\n"               // 11 port range
        "pcedit mac=00:11:22:33:44:0d ip=10.0.0.13 name=\"open\n"         // 12 no closing quote
        "pcedit mac=00:11:22:33:44:0e ip=10.0.0.14 name=\"a\\n\"\n"       // 13 bad escape
        "pcedit mac=00:11:22:33:44:0f ip=10.0.0.15 static\n"              // 14 not key=value
        "pcedit mac=00:11:22:33:44:10 ip=10.0.0.16 length=65508\n"        // 15 too long
        "raw port=4022\n"                                                 // 16 no hex
        "raw port=0 hex=00\n"                                             // 17 bad port
        "raw port=4022 hex=00 on=never\n"                                 // 18 bad trigger
        "pcedit mac=00:11:22:33:44:11 ip=10.0.0.17 name=\"x\"y\n"         // 19 after the quote
        "pcedit mac=00:11:22:33:44:12 ip=10.0.0.18 dhcp=256 tag=abcde\n"  // 20 bad dhcp
        "pcedit mac=00:11:22:33:44:13 ip=10.0.0.19 name=a name_hex=61\n"  // 21 both
        "3297 mac=00:11:22:33:44:14 ip=10.0.0.20\n";                      // 22 good
    const auto parsed = ParseDescription(text);
    std::vector<int> lines;
    for (const auto& error : parsed.errors) {
        lines.push_back(error.line);
        EXPECT_FALSE(error.message.empty());
    }
    std::vector<int> expected;
    for (int line = 2; line <= 21; ++line) {
        expected.push_back(line);
    }
    EXPECT_EQ(lines, expected);
    ASSERT_EQ(parsed.table.devices.size(), 2u);
    EXPECT_EQ(parsed.table.devices[1].mac[5], 0x14);
    EXPECT_TRUE(parsed.table.raw.empty());

    // The messages name what is wrong.
    ASSERT_EQ(parsed.errors.size(), expected.size());
    EXPECT_NE(parsed.errors[1].message.find("colour"), std::string::npos);
    EXPECT_NE(parsed.errors[3].message.find("mac"), std::string::npos);
    EXPECT_NE(parsed.errors[4].message.find("ip"), std::string::npos);
    EXPECT_NE(parsed.errors[7].message.find("18 bytes"), std::string::npos);
}

TEST(DevsimDescription, EveryStateReadsBackAsItself) {
    DeviceTable table;
    Device plain;
    plain.mac = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
    plain.ip = {192, 168, 1, 10};
    plain.name = *NameFromText("cam-1");
    table.devices.push_back(plain);

    Device odd = plain;
    odd.protocol = Protocol::k3297;
    odd.report_type = 49;
    odd.report_length = 0;
    odd.reject_set = true;
    odd.http_port = -9999;
    odd.dhcp = 255;
    const NameField names[] = {
        *NameFromText(""),
        *NameFromText("Front door"),
        *NameFromText("say \"hi\" \\ #1"),
        *NameFromText("\xc3\x85sg\xc3\xa5rd"),  // UTF-8
        *NameFromText("abcdefghijklmnopqr"),    // 18 bytes, no NUL
        NameBytes({'c', 'a', 'm', 0, 'x'}),     // junk after the NUL
        NameBytes({'a', 0xc3}),                 // cut in the middle of a character
        NameBytes({'a', '\t', 'b'}),
        NameBytes({0xed, 0xa0, 0x80}),  // a UTF-16 surrogate
    };
    for (const NameField& name : names) {
        odd.name = name;
        odd.tag = {name[0], name[1], name[2], name[3]};
        table.devices.push_back(odd);
    }
    table.raw.push_back({4022, {0x49, 0x00, 0xff}, RawTrigger::kPcEditSearch, std::nullopt});
    table.raw.push_back({4023, {}, RawTrigger::kBothSearches, 1200});
    table.raw.push_back({9000, {0x01}, RawTrigger::k3297Search, std::nullopt});

    const std::string text = FormatTable(table);
    const auto parsed = ParseDescription(text);
    ASSERT_TRUE(parsed.errors.empty())
        << parsed.errors[0].line << ": " << parsed.errors[0].message << "\n"
        << text;
    EXPECT_EQ(parsed.table, table) << text;
    // What is not well-formed UTF-8 is written as hex, so the output stays text.
    EXPECT_NE(text.find(" name_hex=61c3 "), std::string::npos) << text;
    EXPECT_NE(text.find(" name_hex=eda080 "), std::string::npos) << text;
    EXPECT_NE(text.find(" name=\xc3\x85sg\xc3\xa5rd "), std::string::npos) << text;
}

TEST(DevsimDescription, DeviceLineIsTheOneTheOutputShows) {
    Device device;
    device.mac = {0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e};
    device.ip = {192, 168, 1, 10};
    device.gateway = {192, 168, 1, 1};
    device.name = *NameFromText("Front door");
    device.dns1 = {8, 8, 8, 8};
    EXPECT_EQ(FormatDevice(device),
              "pcedit mac=00:1a:2b:3c:4d:5e ip=192.168.1.10 netmask=255.255.255.0 "
              "gateway=192.168.1.1 name=\"Front door\" port=80 port2=0 dns1=8.8.8.8 "
              "dns2=0.0.0.0 dhcp=0 tag=\"\"");
    device.name = NameBytes({'c', 'a', 'm', 0, 'x'});
    device.tag = *TagFromText("IPC");
    device.report_length = 49;
    EXPECT_EQ(FormatDevice(device),
              "pcedit mac=00:1a:2b:3c:4d:5e ip=192.168.1.10 netmask=255.255.255.0 "
              "gateway=192.168.1.1 name_hex=63616d0078 port=80 port2=0 dns1=8.8.8.8 "
              "dns2=0.0.0.0 dhcp=0 tag=IPC length=49");
}

}  // namespace
}  // namespace norvik::devsim
