#include "devsim/description.h"

#include <gtest/gtest.h>

#include <string>

#include "devsim/device.h"

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

TEST(DevsimDescription, ReadsCommentsQuotesHexFieldsAndDefaults) {
    const auto parsed = ParseDescription(
        "# devices and raw datagrams\r\n"
        "\n"
        "  3297\tmac=00:11:22:33:44:55 ip=0.1.2.3 name=\"say \\\"hi\\\" \\\\ #1\" # trailing\r\n"
        "pcedit mac=00:11:22:33:44:66 ip=0.1.2.3 name_hex=63616d0041 tag_hex=00ff\n"
        "raw hex=495043616d port=4023\n"
        "raw port=4022 hex= length=1200 on=both");
    ASSERT_TRUE(parsed.errors.empty()) << parsed.errors[0].line << ": " << parsed.errors[0].message;
    // What a line leaves out keeps the default of a fresh device.
    Device quoted;
    quoted.protocol = Protocol::k3297;
    quoted.mac = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
    quoted.ip = {0, 1, 2, 3};
    quoted.name = *NameFromText("say \"hi\" \\ #1");
    Device hex = quoted;
    hex.protocol = Protocol::kPcEdit;
    hex.mac[5] = 0x66;
    hex.name = {'c', 'a', 'm', 0, 'A'};
    hex.tag = {0x00, 0xff, 0, 0};
    EXPECT_EQ(parsed.table.devices, (std::vector<Device>{quoted, hex}));
    // Port 4023 makes a raw datagram go out on 3297 searches, wherever port= stands.
    const RawDatagram on_3297{4023, {'I', 'P', 'C', 'a', 'm'}, RawTrigger::k3297Search, {}};
    const RawDatagram padded{4022, {}, RawTrigger::kBothSearches, 1200};
    EXPECT_EQ(parsed.table.raw, (std::vector<RawDatagram>{on_3297, padded}));
    EXPECT_EQ(RawDatagramBytes(padded), std::vector<std::uint8_t>(1200, 0));
}

TEST(DevsimDescription, ReportsEveryBadLineWithItsNumber) {
    const auto parsed = ParseDescription(
        "pcedit mac=00:11:22:33:44:01 ip=10.0.0.1\n"                           // 1 good
        "camera mac=00:11:22:33:44:02 ip=10.0.0.2\n"                           // 2 unknown kind
        "pcedit mac=00:11:22:33:44:03 ip=10.0.0.3 colour=red\n"                // 3 unknown key
        "pcedit mac=00:11:22:33:44:04 ip=10.0.0.4 name=a name_hex=61\n"        // 4 one field twice
        "pcedit ip=10.0.0.5\n"                                                 // 5 no mac
        "pcedit mac=00:11:22:33:44:06 ip=10.0.0.256\n"                         // 6 bad address
        "pcedit mac=00:11:22:33:44:07 ip=10.0.0.7 name=abcdefghijklmnopqrs\n"  // 7 19 bytes
        "pcedit mac=00:11:22:33:44:08 ip=10.0.0.8 name_hex=abc\n"              // 8 odd hex
        "pcedit mac=00:11:22:33:44:09 ip=10.0.0.9 port=100000\n"               // 9 range
        "pcedit mac=00:11:22:33:44:0a ip=10.0.0.10 length=65508\n"             // 10 range
        "pcedit mac=00:11:22:33:44:0b ip=10.0.0.11 name=\"open\n"              // 11 unclosed
        "pcedit mac=00:11:22:33:44:0c ip=10.0.0.12 name=\"a\\n\"\n"            // 12 bad escape
        "pcedit mac=00:11:22:33:44:0d ip=10.0.0.13 name=\"x\"y\n"              // 13 after the quote
        "pcedit mac=00:11:22:33:44:0e ip=10.0.0.14 static\n"                   // 14 no value
        "raw port=0 hex=00\n"                                                  // 15 bad port
        "raw port=4022 hex=00 on=never\n"                                      // 16 bad trigger
        "3297 mac=00:11:22:33:44:11 ip=10.0.0.17 length=65507 port=-9999\n");  // 17 good
    ASSERT_EQ(parsed.errors.size(), 15u);
    for (std::size_t i = 0; i < parsed.errors.size(); ++i) {
        EXPECT_EQ(parsed.errors[i].line, static_cast<int>(i) + 2) << parsed.errors[i].message;
    }
    ASSERT_EQ(parsed.table.devices.size(), 2u);
    EXPECT_EQ(parsed.table.devices[1].report_length, 65507u);
    EXPECT_NE(parsed.errors[1].message.find("colour"), std::string::npos);  // names the fault
    EXPECT_NE(parsed.errors[3].message.find("mac"), std::string::npos);
}

TEST(DevsimDescription, EveryStateReadsBackAsItself) {
    Device device;
    device.protocol = Protocol::k3297;
    device.report_type = 49;
    device.report_length = 0;
    device.reject_set = true;
    device.on_set = SetBehaviour::kRestart;
    device.restart_ms = 0;
    device.http_port = -9999;
    device.dhcp = 255;
    const NameField names[] = {
        {},
        *NameFromText("say \"hi\" \\ #1"),
        *NameFromText("\xc3\x85sg\xc3\xa5rd"),  // UTF-8
        *NameFromText("abcdefghijklmnopqr"),    // 18 bytes, no NUL
        {'c', 'a', 'm', 0, 'x'},                // junk after the NUL
        {'a', 0xc3},                            // cut in the middle of a character
        {'a', '\t', 'b'},
        {0xc0, 0x80},        // an overlong NUL
        {0xed, 0xa0, 0x80},  // a UTF-16 surrogate
    };
    DeviceTable table;
    for (const NameField& name : names) {
        device.name = name;
        device.tag = {name[0], name[1], name[2], name[3]};
        table.devices.push_back(device);
    }
    table.raw.push_back({9000, {0x49, 0x00, 0xff}, RawTrigger::k3297Search, std::nullopt});
    const std::string text = FormatTable(table);
    const auto parsed = ParseDescription(text);
    EXPECT_TRUE(parsed.errors.empty()) << text;
    EXPECT_EQ(parsed.table, table) << text;
    // What is not well-formed UTF-8 is written as hex, so that the output stays text.
    for (const char* word : {" name=\xc3\x85sg\xc3\xa5rd ", " name_hex=61c3 ", " name_hex=c080 ",
                             " name_hex=eda080 "}) {
        EXPECT_NE(text.find(word), std::string::npos) << word << " in\n" << text;
    }
}

}  // namespace
}  // namespace norvik::devsim
