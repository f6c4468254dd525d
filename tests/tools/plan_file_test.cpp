// The plan file's reader on its own: what a file can get wrong without the network.
#include "plan_file.h"

#include <gtest/gtest.h>

namespace norvik::cli {
namespace {

std::vector<int> ProblemLines(const Plan& plan) {
    std::vector<int> lines;
    for (const PlanProblem& p : plan.problems) {
        lines.push_back(p.line);
    }
    return lines;
}

TEST(PlanFile, ReadsWhatASpreadsheetSavesWithOrWithoutAByteOrderMark) {
    for (const std::string bom : {"", "\xEF\xBB\xBF"}) {
        const Plan plan = ReadPlan(bom +
                                   "MAC, Name ,ip,mode\r\n"
                                   "# the hall\r\n"
                                   "\r\n"
                                   "00-11-22-AA-BB-CC,\"Hall, \"\"east\"\" #1\",10.0.0.2,DHCP\r\n"
                                   "00:11:22:aa:bb:cd, spaced , ,  # keeps the rest\r\n"
                                   ",,,\n"
                                   "00:11:22:aa:bb:ce,\" kept \",,static");
        EXPECT_TRUE(plan.problems.empty()) << plan.problems.front().message;
        ASSERT_EQ(plan.rows.size(), 3u);
        EXPECT_EQ(plan.rows[0].line, 4);
        EXPECT_EQ(plan.rows[0].mac, (MacAddress{0x00, 0x11, 0x22, 0xaa, 0xbb, 0xcc}));
        EXPECT_EQ(plan.rows[0].edits.name, "Hall, \"east\" #1");
        EXPECT_EQ(plan.rows[0].edits.ip, (Ipv4{10, 0, 0, 2}));
        EXPECT_EQ(plan.rows[0].edits.dhcp, true);
        EXPECT_EQ(plan.rows[1].edits.name, "spaced");
        // An empty cell keeps what the device reports.
        EXPECT_FALSE(plan.rows[1].edits.ip.has_value());
        EXPECT_FALSE(plan.rows[1].edits.dhcp.has_value());
        EXPECT_FALSE(plan.rows[1].edits.port.has_value());
        EXPECT_EQ(plan.rows[2].edits.name, " kept ");
        EXPECT_EQ(plan.rows[2].edits.dhcp, false);
    }
}

TEST(PlanFile, NamesEveryBadLine) {
    const Plan plan = ReadPlan(
        "mac,name,ip,netmask,gateway,dns1,dns2,port,mode\n"            // 1
        "00:11:22:33:44:01,a,10.0.0.1,,,,,65536,\n"                    // 2 good, the highest port
        "00:11:22:33:44:0g,,,,,,,,\n"                                  // 3 bad MAC
        "00:11:22:33:44:03,,10.0.0.256,,,,,,\n"                        // 4 bad address
        "00:11:22:33:44:04,,,255.255.255.0.0,,,,,\n"                   // 5 bad netmask
        "00:11:22:33:44:05,,,,,,,65537,\n"                             // 6 port out of range
        "00:11:22:33:44:06,,,,,,,-1,\n"                                // 7 port out of range
        "00:11:22:33:44:07,,,,,,,,bridge\n"                            // 8 bad mode
        "00:11:22:33:44:01,again,,,,,,,\n"                             // 9 the MAC of line 2
        "00:11:22:33:44:10,,10.0.0.1,,,,,,\n"                          // 10 the address of line 2
        "00:11:22:33:44:11,\"open,,,,,,,,\n"                           // 11 a quote not closed
        "00:11:22:33:44:12,,,,,,,,,\n"                                 // 12 ten cells
        "00:11:22:33:44:13,12345678901234567890123456789012,,,,,,,\n"  // 13 32 characters
        "00:11:22:33:44:14,\"a\"b,,,,,,,\n"                            // 14 text after the quotes
        ",x,,,,,,,\n");                                                // 15 no MAC
    EXPECT_EQ(ProblemLines(plan), (std::vector<int>{3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));
    ASSERT_EQ(plan.rows.size(), 1u);
    EXPECT_EQ(plan.rows[0].edits.port, 65536);
    EXPECT_NE(plan.problems[6].message.find("line 2"), std::string::npos);
    EXPECT_NE(plan.problems[7].message.find("10.0.0.1 of line 2"), std::string::npos);
}

TEST(PlanFile, NamesWhatIsWrongWithTheHeader) {
    EXPECT_EQ(ProblemLines(ReadPlan("mac,name,colour\n")), std::vector<int>{1});
    EXPECT_EQ(ProblemLines(ReadPlan("mac,ip,IP\n")), std::vector<int>{1});
    EXPECT_EQ(ProblemLines(ReadPlan("# only\nname,ip\n")), std::vector<int>{2});
    EXPECT_EQ(ProblemLines(ReadPlan("")), std::vector<int>{0});
    EXPECT_EQ(ProblemLines(ReadPlan("\xEF\xBB\xBF# nothing but a comment\r\n")),
              std::vector<int>{0});
}

}  // namespace
}  // namespace norvik::cli
