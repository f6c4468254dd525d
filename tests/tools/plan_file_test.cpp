// The plan file's reader on its own, and the scanner's CSV read back by it: what a file can
// get wrong without the network.
#include "plan_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <limits>

#include "device_list.h"
#include "plan_csv.h"
#include "test_files.h"
#include "text_assertions.h"
#include "utf.h"

namespace norvik::cli {
namespace {

using test::Contains;

std::vector<int> ProblemLines(const Plan& plan) {
    std::vector<int> lines;
    for (const PlanProblem& p : plan.problems) {
        lines.push_back(p.line);
    }
    return lines;
}

std::string AllProblems(const Plan& plan) {
    std::string text;
    for (const PlanProblem& p : plan.problems) {
        text += std::to_string(p.line) + ": " + p.message + '\n';
    }
    return text;
}

std::string Utf16Bytes(std::string_view utf8, bool big_endian) {
    std::string bytes = big_endian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char16_t unit : Utf8ToUtf16(utf8)) {
        const char high = static_cast<char>(unit >> 8);
        const char low = static_cast<char>(unit & 0xFF);
        bytes += big_endian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
}

std::string WithSeparator(std::string_view text, char separator) {
    std::string out(text);
    std::replace(out.begin(), out.end(), '|', separator);
    return out;
}

// What spreadsheets save: any of three separators, with Excel's sep= line or without, in
// UTF-8 with or without a byte-order mark or in UTF-16; '#' in a cell is text, quoted cells
// hold line ends, unused columns at the right end are empty.
TEST(PlanFile, ReadsWhatSpreadsheetsSaveInEverySeparatorAndEncoding) {
    // '|' stands for the separator.
    const std::string_view plan =
        "MAC| Name |ip|mode||\r\n"                                        // 1
        "# the hall\r\n"                                                  // 2
        "\r\n"                                                            // 3
        "00-11-22-AA-BB-CC|\"Hall, \"\"east\"\"; #1\"|10.0.0.2|DHCP\r\n"  // 4
        "00:11:22:aa:bb:cd| Camera #2 | |||\r\n"                          // 5
        "  # a comment after blanks\r\n"                                  // 6
        "|||\n"                                                           // 7
        "00:11:22:aa:bb:ce|\"two\nlines\"||static\n"                      // 8, 9
        "00:11:22:aa:bb:cf|'=1+2 Café||\n"                                // 10
        "00:11:22:aa:bb:d0|Camera #3 \xF0\x9F\x93\xB7";                   // 11
    struct Variant {
        char separator;
        std::string_view before;  // what comes before the header
        int encoding;             // 0 UTF-8, 1 UTF-16 LE, 2 UTF-16 BE
    };
    const Variant variants[] = {{',', "", 0},          {',', "\xEF\xBB\xBF", 0},
                                {';', "", 0},          {';', "sep=;\r\n", 0},
                                {';', "sep=;;;\n", 0}, {'\t', "\xEF\xBB\xBF", 0},
                                {',', "sep=,\n", 1},   {';', "", 2}};
    for (const Variant& v : variants) {
        const std::string utf8 = std::string(v.before) + WithSeparator(plan, v.separator);
        const std::string bytes = v.encoding == 0 ? utf8 : Utf16Bytes(utf8, v.encoding == 2);
        const Plan read = ReadPlan(bytes);
        SCOPED_TRACE(testing::Message() << "separator " << int{v.separator} << " before \""
                                        << v.before << "\" encoding " << v.encoding);
        EXPECT_TRUE(read.problems.empty()) << AllProblems(read);
        ASSERT_EQ(read.rows.size(), 5u);
        const int shift = v.before.starts_with("sep=") ? 1 : 0;
        const std::vector<std::pair<int, std::string>> expected = {
            {4, "Hall, \"east\"; #1"},
            {5, "Camera #2"},
            {8, "two\nlines"},
            {10, "=1+2 Café"},
            {11, "Camera #3 \xF0\x9F\x93\xB7"}};
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(read.rows[i].line, expected[i].first + shift);
            EXPECT_EQ(read.rows[i].edits.name, expected[i].second);
        }
        EXPECT_EQ(read.rows[0].mac, (MacAddress{0x00, 0x11, 0x22, 0xaa, 0xbb, 0xcc}));
        EXPECT_EQ(read.rows[0].edits.ip, (Ipv4{10, 0, 0, 2}));
        EXPECT_EQ(read.rows[0].edits.dhcp, true);
        // An empty cell keeps what the device reports.
        EXPECT_FALSE(read.rows[1].edits.ip.has_value());
        EXPECT_FALSE(read.rows[1].edits.dhcp.has_value());
        EXPECT_FALSE(read.rows[1].edits.port.has_value());
        EXPECT_EQ(read.rows[2].edits.dhcp, false);
    }
}

// The reader checks form only: a port out of the device's range, a name too long for it and
// one new address twice are for the run, which knows what a row changes.
TEST(PlanFile, NamesEveryBadLine) {
    const Plan plan = ReadPlan(
        "mac,name,ip,netmask,gateway,dns1,dns2,port,mode\n"            // 1
        "00:11:22:33:44:01,a,10.0.0.1,,,,,99999,\n"                    // 2 good
        "00:11:22:33:44:0g,,,,,,,,\n"                                  // 3 bad MAC
        "00:11:22:33:44:03,,10.0.0.256,,,,,,\n"                        // 4 bad address
        "00:11:22:33:44:04,,,255.255.255.0.0,,,,,\n"                   // 5 bad netmask
        "00:11:22:33:44:05,,,,,,,2147483648,\n"                        // 6 past 32 bits
        "00:11:22:33:44:06,,,,,,,1.5,\n"                               // 7 no integer
        "00:11:22:33:44:07,,,,,,,,bridge\n"                            // 8 bad mode
        "00:11:22:33:44:01,again,,,,,,,\n"                             // 9 MAC of line 2
        "00:11:22:33:44:10,,10.0.0.1,,,,,-2147483648,\n"               // 10 good
        "00:11:22:33:44:12,,,,,,,,,x\n"                                // 11 ten cells
        "00:11:22:33:44:13,12345678901234567890123456789012,,,,,,,\n"  // 12 good
        "00:11:22:33:44:14,\"a\"b,,,,,,,\n"                            // 13 after quotes
        ",x,,,,,,,\n"                                                  // 14 no MAC
        "00:11:22:33:44:15,\"bell\x07\x1b[2J\",,,,,,,\n"               // 15 control
        "00:11:22:33:44:16,x\ry,,,,,,,\n"                              // 16 CR unquoted
        "00:11:22:33:44:17,\"open,,,,,,,,\n"                           // 17 never closed
        "00:11:22:33:44:18,,,,,,,,\n");                                // in the quote
    EXPECT_EQ(ProblemLines(plan), (std::vector<int>{3, 4, 5, 6, 7, 8, 9, 11, 13, 14, 15, 16, 17}))
        << AllProblems(plan);
    ASSERT_EQ(plan.rows.size(), 3u);
    EXPECT_EQ(plan.rows[0].edits.port, 99999);
    EXPECT_EQ(plan.rows[1].edits.port, std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(plan.rows[2].edits.name, "12345678901234567890123456789012");
    ASSERT_EQ(plan.problems.size(), 13u);
    EXPECT_TRUE(Contains(plan.problems[6].message, "line 2"));
    // A message shows control characters, never passes them to the terminal.
    EXPECT_TRUE(Contains(plan.problems[10].message, "bell\\x07\\x1B[2J"));
    for (const PlanProblem& p : plan.problems) {
        EXPECT_EQ(std::count_if(p.message.begin(), p.message.end(),
                                [](char c) { return static_cast<unsigned char>(c) < 0x20; }),
                  0)
            << p.message;
    }
}

// Whatever is wrong with the file as a whole: one plain problem (or a few), never a row.
TEST(PlanFile, NamesWhatIsWrongWithTheFileOrItsHeader) {
    // Windows-1252, 82,000 lines of it: the first 20 problems, and how many more.
    std::string garbage = "mac,name\n";
    std::vector<int> garbage_lines;
    for (int i = 0; i < 82000; ++i) {
        garbage += "00:11:22:33:44:55,Caf\xE9\n";
        if (i <= static_cast<int>(kMaxPlanProblems)) {
            garbage_lines.push_back(i + 2);
        }
    }
    struct Case {
        std::string text;
        std::vector<int> lines;
        std::string_view first;  // in the first problem
        std::string_view last = "";
    };
    const Case cases[] = {
        {"mac,name,colour\n", {1, 1}, "unknown column \"colour\""},
        {"mac,ip,IP\n", {1, 1}, "column ip twice"},
        {"# only\nname,ip\n", {2, 2}, "no mac column"},
        {"mac,,name\n", {1, 1}, "column 2 has no name"},
        {"mac|name\n", {1, 1, 1}, "unknown column \"mac|name\""},
        {"", {0}, "the plan is empty"},
        {"\xEF\xBB\xBF# nothing but a comment\r\n\r\n", {0}, "the plan is empty"},
        {"sep=|\nmac|name\n", {1}, "the separator is a comma, a semicolon or a tab"},
        {"sep=;,\nmac;name\n", {1}, "the separator is a comma, a semicolon or a tab"},
        {"mac,name\n00:11:22:33:44:55,\"a\xE0\x80\xAF\"\n", {2}, "byte 0xE0"},  // overlong
        {"mac,name\n00:11:22:33:44:55,Caf\xE9\n", {2}, "byte 0xE9): save it as CSV UTF-8"},
        {"mac,name\n\n00:11:22:33:44:55,\"a\xC0\xAF\"\n", {3}, "byte 0xC0"},  // overlong
        {std::string("mac\n00:11:22:33:44:55\x00\x01\x02\x00", 25) + std::string(5000, '\n'),
         {2},
         "a NUL byte"},
        {std::string("\xFF\xFEm\0a\0c\0\n\0\x00\xD8", 12), {2}, "a lone surrogate"},
        {std::string("\xFE\xFF\x00m\x00", 5), {0}, "odd number of bytes"},
        {"mac\n\"00:11:22:33:44:55\n\n", {2}, "a quote is not closed"},
        {garbage, garbage_lines, "not UTF-8 text", "and 81980 more problems from here on"},
    };
    for (const Case& c : cases) {
        const Plan plan = ReadPlan(c.text);
        SCOPED_TRACE(c.text.substr(0, 40));
        EXPECT_TRUE(plan.rows.empty());
        EXPECT_EQ(ProblemLines(plan), c.lines) << AllProblems(plan);
        ASSERT_FALSE(plan.problems.empty());
        EXPECT_TRUE(Contains(plan.problems.front().message, c.first)) << AllProblems(plan);
        if (!c.last.empty()) {
            EXPECT_EQ(plan.problems.back().message, c.last);
        }
    }
}

// A plan is bounded by the device list: the text it may have, and the rows.
TEST(PlanFile, RefusesMoreThanAPlanCanHold) {
    const Plan large = ReadPlan(std::string(kMaxPlanBytes + 1, ' '));
    EXPECT_EQ(ProblemLines(large), std::vector<int>{0});
    EXPECT_TRUE(Contains(large.problems.front().message, "larger than 16 MiB"));

    std::string many = "mac\n";
    for (std::size_t i = 0; i <= DeviceList::kMaxDevices; ++i) {
        char mac[64];
        std::snprintf(mac, sizeof mac, "02:00:00:00:%02zx:%02zx", i >> 8, i & 0xFF);
        many += std::string(mac) + '\n';
    }
    const Plan plan = ReadPlan(many);
    EXPECT_EQ(plan.rows.size(), DeviceList::kMaxDevices);
    EXPECT_EQ(ProblemLines(plan), std::vector<int>{static_cast<int>(DeviceList::kMaxDevices) + 2});

    test::TemporaryDirectory directory;
    const auto path = directory / "plan.csv";
    test::WriteFile(path, test::RawBytes("mac\n02:00:00:00:00:01\n"));
    std::string error;
    EXPECT_EQ(ReadPlanText(path.string(), error), "mac\n02:00:00:00:00:01\n");
    test::WriteFile(path, test::RawBytes(std::string(kMaxPlanBytes + 1, '\n')));
    EXPECT_FALSE(ReadPlanText(path.string(), error).has_value());
    EXPECT_TRUE(Contains(error, "larger than 16 MiB"));
    test::WriteFile(path, test::RawBytes(std::string(kMaxPlanBytes, '\n')));
    EXPECT_TRUE(ReadPlanText(path.string(), error).has_value()) << error;
    EXPECT_FALSE(ReadPlanText((directory / "none.csv").string(), error).has_value());
    EXPECT_TRUE(Contains(error, "none.csv"));
    EXPECT_FALSE(ReadPlanText(directory.path().string(), error).has_value());
    EXPECT_TRUE(Contains(error, "a directory"));
#ifndef _WIN32
    // No size to ask for: the reading itself stops.
    EXPECT_FALSE(ReadPlanText("/dev/zero", error).has_value());
    EXPECT_TRUE(Contains(error, "larger than 16 MiB"));
#endif
}

TEST(PlanFile, APortHasNoPlusSignAndFits32Bits) {
    const Plan plan = ReadPlan("mac,port\n00:11:22:33:44:01,+80\n00:11:22:33:44:02,-2147483649\n");
    EXPECT_EQ(ProblemLines(plan), (std::vector<int>{2, 3})) << AllProblems(plan);
    EXPECT_TRUE(plan.rows.empty());
}

TEST(PlanFile, ACommentMayBeIndentedByATab) {
    const Plan plan = ReadPlan("mac,name\n\t# by hand\n00:11:22:33:44:01,a\n");
    EXPECT_TRUE(plan.problems.empty()) << AllProblems(plan);
    EXPECT_EQ(plan.rows.size(), 1u);
}

// A cell cut for a message is cut between characters: the message stays UTF-8.
TEST(PlanFile, AMessageCutsACellBetweenCharacters) {
    const Plan plan =
        ReadPlan("mac,mode\n00:11:22:33:44:01," + std::string(39, 'a') + "\xC3\xA9zz\n");
    ASSERT_EQ(plan.problems.size(), 1u) << AllProblems(plan);
    EXPECT_TRUE(IsUtf8(plan.problems[0].message)) << plan.problems[0].message;
}

DeviceRecord Record(std::uint8_t number, std::string_view name) {
    DeviceRecord d;
    d.mac = {0x02, 0x00, 0x00, 0x00, 0x00, number};
    std::copy_n(name.begin(), std::min(name.size(), d.name.size()), d.name.begin());
    // Values that are odd on a network and must come back unchanged all the same.
    const std::int32_t ports[] = {-1,
                                  0,
                                  80,
                                  99999,
                                  std::numeric_limits<std::int32_t>::min(),
                                  std::numeric_limits<std::int32_t>::max()};
    d.http_port = ports[number % std::size(ports)];
    d.ip = number % 3 == 0 ? Ipv4{0, 0, 0, 0} : Ipv4{10, 0, 0, 7};  // two with one address
    d.netmask = {255, 255, 255, 0};
    d.gateway = {10, 0, 0, number};
    d.dns_enabled = number % 2;
    d.dns1 = {8, 8, 8, number};
    d.dns2 = {0, 0, 0, 0};
    d.dhcp_supported = number % 4 == 0 ? 0 : 1;
    d.dhcp_on = number % 4 == 1 ? 1 : 0;
    // What the report carried: what it did not is written empty.
    d.reported = static_cast<std::uint8_t>((number % 5 == 0 ? 0 : kReportedPorts) |
                                           (d.dns_enabled ? kReportedDns : 0) |
                                           (d.dhcp_supported ? kReportedMode : 0));
    return d;
}

// The scanner's CSV read back as a plan changes nothing: every odd name, every value.
TEST(PlanFile, TheScannersCsvIsAPlanThatChangesNothing) {
    const std::string_view names[] = {
        "say \"hi\"",
        "two\nlines",
        "two\r\nlines",
        "tab\there",
        "Camera #1",
        "a,b",
        "a;b",
        "=1+2",
        "-5",
        "+5",
        "@SUM(A1)",
        "'quoted'",
        "'",
        "''",
        "\tlead",
        "\rlead",
        " blanks ",
        "trailing ",
        "\xC3\x84\xC3\x96\xC3\x9C\xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F\xC3\xA9\xC3\xA8",  // 18 bytes
        "Caf\xC3\xA9 \xE6\x9D\xB1\xE4\xBA\xAC",
        "",
        "plain",
        "Caf\xE9",  // Windows-1252: not UTF-8
        "\xC3\x84\xC3\x96\xC3\x9C\xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F\xC3\xA9x\xC3",  // cut at 18
        "bell\x07",
        "c1\xC2\x9B",                  // control characters
        "\xE0\x80\xAF"};               // overlong: not UTF-8
    const std::size_t unwritable = 5;  // the last ones
    std::vector<DeviceRecord> records;
    for (const std::string_view name : names) {
        records.push_back(Record(static_cast<std::uint8_t>(records.size() + 1), name));
    }
    for (const char separator : {',', ';', '\t'}) {
        SCOPED_TRACE(int{separator});
        std::string csv = PlanCsvHeader(separator);
        for (std::size_t i = 0; i < records.size(); ++i) {
            bool name_left_empty = false;
            csv += PlanCsvRow(records[i], &name_left_empty, separator);
            EXPECT_EQ(name_left_empty, i >= records.size() - unwritable) << names[i];
        }
        const Plan plan = ReadPlan(csv);
        EXPECT_TRUE(plan.problems.empty()) << AllProblems(plan) << csv;
        ASSERT_EQ(plan.rows.size(), records.size()) << csv;
        int line = 2;
        for (std::size_t i = 0; i < records.size(); ++i) {
            const DeviceRecord& d = records[i];
            const DeviceEdits& e = plan.rows[i].edits;
            SCOPED_TRACE(names[i]);
            EXPECT_EQ(plan.rows[i].line, line);
            line += static_cast<int>(std::count(names[i].begin(), names[i].end(), '\n')) + 1;
            EXPECT_EQ(plan.rows[i].mac, d.mac);
            const bool keeps_name = names[i].empty() || i >= records.size() - unwritable;
            EXPECT_EQ(e.name, keeps_name ? std::nullopt : std::optional<std::string>(names[i]));
            EXPECT_EQ(e.ip, d.ip);
            EXPECT_EQ(e.netmask, d.netmask);
            EXPECT_EQ(e.gateway, d.gateway);
            const bool dns = (d.reported & kReportedDns) != 0;
            EXPECT_EQ(e.dns1, dns ? std::optional(d.dns1) : std::nullopt);
            EXPECT_EQ(e.dns2, dns ? std::optional(d.dns2) : std::nullopt);
            EXPECT_EQ(e.port, (d.reported & kReportedPorts) != 0
                                  ? std::optional<long long>(d.http_port)
                                  : std::nullopt);
            EXPECT_EQ(e.dhcp, (d.reported & kReportedMode) != 0 ? std::optional(d.dhcp_on != 0)
                                                                : std::nullopt);
        }
    }
    // What a spreadsheet would take for a formula starts with the quote that marks text.
    const std::pair<std::string_view, std::string_view> cells[] = {
        {"=1+2", ",'=1+2,"}, {"-5", ",'-5,"},       {"@SUM(A1)", ",'@SUM(A1),"},
        {"'", ",'',"},       {"\tx", ",\"'\tx\","}, {"a=b", ",a=b,"}};
    for (const auto& [name, cell] : cells) {
        EXPECT_TRUE(Contains(PlanCsvRow(Record(1, name)), cell));
    }
}

}  // namespace
}  // namespace norvik::cli
