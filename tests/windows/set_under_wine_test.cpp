// norvik-set.exe under Wine against the Linux device simulator, in the private network of
// tools/wine/norvik-wine: the same request as the Linux program's, and the device set.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>

#include "norvik_wine.h"
#include "subprocess.h"
#include "test_files.h"

namespace norvik::test {
namespace {

using namespace std::chrono_literals;

std::string WindowsSet() {
    return WindowsBuildDir() + "/cli/set/norvik-set.exe";
}

ProcessOptions SetCommand(std::vector<std::string> args, bool windows) {
    if (windows) {
        args.insert(args.begin(), {NORVIK_RUN_WINDOWS_PROGRAM, WindowsSet()});
    } else {
        args.insert(args.begin(), NORVIK_TOOL_NORVIK_SET);
    }
    ProcessOptions options = Command(std::move(args));
    options.timeout = 90s;  // Wine's first start in a run takes a while
    return options;
}

std::string RequestLine(const std::string& dry_run) {
    const std::size_t at = dry_run.find("request\t");
    return at == std::string::npos ? "" : dry_run.substr(at, dry_run.find('\n', at) - at);
}

// A plan as a spreadsheet in much of Europe saves it (a byte-order mark, Excel's sep= line,
// semicolons, CR LF, a '#' in a name): the Windows program reads it as the Linux one does.
TEST(SetUnderWine, SetsADeviceWithTheLinuxProgramsRequestAndReadsASpreadsheetsPlan) {
    if (!InsideNorvikWine()) {
        GTEST_SKIP() << "not inside tools/wine/norvik-wine: no Windows program runs here";
    }
    ASSERT_TRUE(std::filesystem::exists(WindowsSet())) << WindowsSet();
    BackgroundProcess devices(
        Command({NORVIK_TOOL_NORVIK_DEVSIM, "--file",
                 std::string(NORVIK_TEST_DATA_DIR) + "/devsim/wine_scan.txt"}));
    ASSERT_TRUE(devices.WaitForOutput("ready\n", 10s));
    const TemporaryDirectory directory;
    const auto plan = directory / "plan.csv";
    std::ofstream(plan, std::ios::binary)
        << "\xEF\xBB\xBFsep=;\r\nmac;name;port\r\n00:11:22:33:55:01;Camera #1;8080\r\n";
    // A name beyond ASCII, through the wide command line.
    const std::vector<std::string> edits = {"00:11:22:33:55:01", "--name",    "Cámara 2", "--ip",
                                            "192.168.1.60",      "--timeout", "5"};
    std::vector<std::string> dry = edits;
    dry.push_back("--dry-run");
    for (const bool from_plan : {false, true}) {
        SCOPED_TRACE(from_plan ? "plan" : "options");
        const auto plan_in = [&](const std::string& drive) {
            return std::vector<std::string>{"--plan", drive + plan.string(), "--dry-run",
                                            "--timeout", "5"};
        };
        const ProcessResult linux_dry =
            RunProcess(SetCommand(from_plan ? plan_in("") : dry, false));
        const ProcessResult windows_dry =
            RunProcess(SetCommand(from_plan ? plan_in("Z:") : dry, true));
        EXPECT_EQ(linux_dry.exit_code, 0) << linux_dry.err;
        EXPECT_EQ(windows_dry.exit_code, 0) << windows_dry.err;
        EXPECT_FALSE(RequestLine(linux_dry.out).empty()) << linux_dry.out;
        EXPECT_EQ(RequestLine(windows_dry.out), RequestLine(linux_dry.out));
    }

    // The audit log in a folder the Windows program makes, with the lines the Linux one writes.
    const auto log = directory / "audit" / "audit.jsonl";
    std::vector<std::string> set = edits;
    set.insert(set.end(), {"--json", "--reason", "Wine", "--audit", "Z:" + log.string()});
    const ProcessResult run = RunProcess(SetCommand(set, true));
    EXPECT_EQ(run.exit_code, 0) << run.err;
    const nlohmann::json json = nlohmann::json::parse(run.out, nullptr, false);
    ASSERT_FALSE(json.is_discarded()) << run.out;
    EXPECT_EQ(json.at("outcome"), "applied");
    EXPECT_EQ(json.at("after").at("name"), "Cámara 2");
    EXPECT_EQ(json.at("after").at("ip"), "192.168.1.60");
    std::ifstream audit(log, std::ios::binary);
    std::vector<nlohmann::json> lines;
    for (std::string line; std::getline(audit, line);) {
        lines.push_back(nlohmann::json::parse(line, nullptr, false));
    }
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].value("event", ""), "sent");
    EXPECT_EQ(lines[0].value("program", ""), "norvik-set");
    EXPECT_EQ(lines[0].value("reason", ""), "Wine");
    EXPECT_FALSE(lines[0].value("user", "").empty());
    EXPECT_FALSE(lines[0].value("host", "").empty());
    EXPECT_EQ(lines[0].value("change", "").size(), 32u);
    EXPECT_EQ(lines[0]["before"], json["before"]);
    EXPECT_EQ(lines[0]["request"], json["request"]);
    EXPECT_EQ(lines[1].value("change", "x"), lines[0].value("change", "y"));
    EXPECT_EQ(lines[1].value("outcome", ""), "applied");
    EXPECT_EQ(lines[1]["after"], json["after"]);

    const ProcessResult bad = RunProcess(SetCommand({"00:11:22:33:55:01", "--port", "x"}, true));
    EXPECT_EQ(bad.exit_code, 2);
}

}  // namespace
}  // namespace norvik::test
