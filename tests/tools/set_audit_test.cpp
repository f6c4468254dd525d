// norvik-set's audit log against the device simulator, inside the suite's private network
// namespace: two lines for every request sent, telling what the program told; nothing sent when
// the log cannot be written; nothing written by a dry run.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>

#include "json_lines.h"
#include "simulated_devices.h"
#include "subprocess.h"
#include "test_files.h"
#include "text_assertions.h"
#include "udp_peer.h"

namespace norvik::test {
namespace {

using namespace std::chrono_literals;
using Json = nlohmann::ordered_json;

constexpr const char* kDevices =
    "pcedit mac=02:00:00:00:00:01 ip=10.0.0.1 name=good\n"
    "pcedit mac=02:00:00:00:00:02 ip=10.0.0.2 name=deaf on_set=ignore\n"
    "3297 mac=02:00:00:00:00:03 ip=10.0.0.3 name=locked reject_set=1\n"
    "pcedit mac=02:00:00:00:00:04 ip=10.0.0.4 name=gone on_set=silent\n"
    "pcedit mac=02:00:00:00:00:05 ip=10.0.0.5 name=five\n";

// With a file size limit, a write past it fails (EFBIG) instead of ending the program.
ProcessResult Set(std::vector<std::string> args, std::optional<std::size_t> file_size_limit = {}) {
    args.insert(args.begin(), NORVIK_TOOL_NORVIK_SET);
    if (file_size_limit) {
        args.insert(args.begin(), {"/bin/sh", "-c",
                                   "trap '' XFSZ; exec prlimit --fsize=" +
                                       std::to_string(*file_size_limit) + " \"$0\" \"$@\""});
    }
    ProcessOptions options = Command(std::move(args));
    options.timeout = 60s;
    return RunProcess(options);
}

std::vector<std::string> Keys(const Json& object) {
    std::vector<std::string> keys;
    for (const auto& [key, value] : object.items()) {
        keys.push_back(key);
    }
    return keys;
}

std::string ThisHost() {
    char name[256] = {};
    ::gethostname(name, sizeof name - 1);
    return name;
}

// The two lines of one change are what the program printed about it with --json, joined by
// their change id, and say who, where, when and why.
void ExpectChangeLines(const Json& sent, const Json& ended, const Json& printed,
                       const Json& reason) {
    EXPECT_EQ(Keys(sent), (std::vector<std::string>{"event", "change", "time", "user", "host",
                                                    "program", "version", "mac", "before",
                                                    "changes", "request", "reason"}));
    EXPECT_EQ(Keys(ended),
              (std::vector<std::string>{"event", "change", "time", "mac", "outcome", "after",
                                        "differs", "not_shown", "refusal", "error"}));
    EXPECT_EQ(sent["event"], "sent");
    EXPECT_EQ(ended["event"], "outcome");
    const std::string change = sent.value("change", "");
    EXPECT_EQ(change.size(), 32u);
    EXPECT_EQ(change.find_first_not_of("0123456789abcdef"), std::string::npos) << change;
    EXPECT_EQ(ended["change"], change);
    EXPECT_TRUE(IsUtcTime(sent.value("time", ""))) << sent["time"];
    EXPECT_TRUE(IsUtcTime(ended.value("time", ""))) << ended["time"];
    EXPECT_EQ(sent["user"], "root");
    EXPECT_EQ(sent["host"], ThisHost());
    EXPECT_EQ(sent["program"], "norvik-set");
    EXPECT_EQ(sent["version"], "3.0");
    EXPECT_EQ(sent["reason"], reason);
    for (const char* key : {"mac", "before", "changes", "request"}) {
        EXPECT_EQ(sent[key], printed[key]) << key;
    }
    for (const char* key : {"mac", "outcome", "after", "differs", "not_shown", "refusal"}) {
        EXPECT_EQ(ended[key], printed[key]) << key;
    }
    EXPECT_EQ(ended["error"], nullptr);
}

TEST(SetAudit, EachOutcomeLeavesTheRequestAndWhatBecameOfIt) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "the lines name the user root: run as root, as CI does";
    }
    SimulatedDevices devices(kDevices);
    const TemporaryDirectory directory;
    const auto log = directory / "audit.jsonl";
    const struct {
        std::vector<std::string> args;
        int exit_code;
        const char* outcome;
    } cases[] = {
        {{"02:00:00:00:00:01", "--name", "hall", "--reason", "ticket 17\n\"lobby\""}, 0, "applied"},
        {{"02:00:00:00:00:02", "--name", "x"}, 3, "not applied"},
        {{"02:00:00:00:00:03", "--ip", "10.0.0.33"}, 6, "refused"},
        {{"02:00:00:00:00:04", "--port", "8080"}, 4, "no answer"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = c.args;
        args.insert(args.end(),
                    {"--json", "--timeout", "1", "--verify-timeout", "3", "--audit", log.string()});
        const ProcessResult run = Set(args);
        EXPECT_EQ(run.exit_code, c.exit_code) << run.err;
        const Json printed = Json::parse(run.out, nullptr, false);
        EXPECT_EQ(printed.value("outcome", ""), c.outcome) << run.out;
        const std::vector<Json> lines = JsonLines(ReadText(log));
        ASSERT_GE(lines.size(), 2u);
        const Json reason = c.args.size() > 3 ? Json(c.args[4]) : Json(nullptr);
        ExpectChangeLines(lines[lines.size() - 2], lines.back(), printed, reason);
    }
    EXPECT_EQ(JsonLines(ReadText(log)).size(), 8u);
    // A dry run, and a run that changes nothing, write nothing.
    EXPECT_EQ(Set({"02:00:00:00:00:05", "--name", "x", "--dry-run", "--timeout", "1", "--audit",
                   log.string()})
                  .exit_code,
              0);
    EXPECT_EQ(
        Set({"02:00:00:00:00:05", "--name", "five", "--timeout", "1", "--audit", log.string()})
            .exit_code,
        0);
    EXPECT_EQ(JsonLines(ReadText(log)).size(), 8u);
    // A dry run opens no log at all: none is made where none was.
    const auto unmade = directory / "unmade.jsonl";
    EXPECT_EQ(Set({"02:00:00:00:00:05", "--name", "x", "--dry-run", "--timeout", "1", "--audit",
                   unmade.string()})
                  .exit_code,
              0);
    EXPECT_FALSE(std::filesystem::exists(unmade));

    // A plan: a pair of lines for each device sent to, none for one not found.
    const auto plan = directory / "plan.csv";
    std::ofstream(plan) << "mac,name\n02:00:00:00:00:05,plan-5\n02:00:00:00:00:02,plan-2\n"
                           "02:00:00:00:00:99,nobody\n";
    const ProcessResult run = Set({"--plan", plan.string(), "--json", "--timeout", "1",
                                   "--verify-timeout", "3", "--audit", log.string()});
    EXPECT_EQ(run.exit_code, 4) << run.err;
    const Json printed = Json::parse(run.out, nullptr, false);
    ASSERT_EQ(printed["devices"].size(), 3u) << run.out;
    const std::vector<Json> lines = JsonLines(ReadText(log));
    ASSERT_EQ(lines.size(), 12u);
    // Both requests go out before verifying starts.
    ExpectChangeLines(lines[8], lines[10], printed["devices"][0], nullptr);
    ExpectChangeLines(lines[9], lines[11], printed["devices"][1], nullptr);
}

// A log that cannot be written stops the run before anything is sent, with the reason on
// standard error and in the JSON; --no-audit sends without it.
TEST(SetAudit, NothingIsSentWithoutARecord) {
    SimulatedDevices devices(kDevices);
    UdpPeer port(4022);
    ASSERT_TRUE(port.bound());
    const TemporaryDirectory directory;
    std::ofstream(directory / "kept") << "kept\n";
    ASSERT_EQ(MakeSymbolicLink(directory / "kept", directory / "link.jsonl"), "");
    std::filesystem::create_directory(directory / "folder.jsonl");
    const struct {
        std::string log;
        std::string said;
    } cases[] = {
        {(directory / "link.jsonl").string(), "it is a symbolic link, not a regular file"},
        {(directory / "folder.jsonl").string(), "it is a folder, not a regular file"},
        {(directory / "kept" / "audit.jsonl").string(), "looking at it failed: Not a directory"},
    };
    for (const auto& c : cases) {
        const ProcessResult run =
            Set({"02:00:00:00:00:05", "--name", "x", "--timeout", "1", "--json", "--audit", c.log});
        EXPECT_EQ(run.exit_code, 1) << run.err;
        EXPECT_TRUE(
            Contains(run.err, "norvik-set: cannot write the audit log " + c.log + ": " + c.said));
        EXPECT_TRUE(Contains(run.err, ": nothing sent\n"));
        EXPECT_EQ(Json::parse(run.out, nullptr, false).value("exit_code", 0), 1) << run.out;
    }
    // A log that opens but cannot take the line (the file size limit): nothing is sent either,
    // and a plan's summary tells its device was not sent to.
    const std::string limited = (directory / "limited.jsonl").string();
    const std::string cannot = "norvik-set: cannot write the audit log " + limited +
                               ": writing to it failed: File too large: ";
    const ProcessResult one =
        Set({"02:00:00:00:00:05", "--name", "x", "--timeout", "1", "--audit", limited}, 1);
    EXPECT_EQ(one.exit_code, 1) << one.err;
    EXPECT_TRUE(Contains(one.err, cannot + "nothing sent\n"));
    const auto plan = directory / "plan.csv";
    std::ofstream(plan) << "mac,name\n02:00:00:00:00:05,x\n";
    const ProcessResult planned =
        Set({"--plan", plan.string(), "--timeout", "1", "--json", "--audit", limited}, 1);
    EXPECT_EQ(planned.exit_code, 1) << planned.err;
    EXPECT_TRUE(Contains(planned.err, cannot + "the rest is not sent\n"));
    EXPECT_EQ(Json::parse(planned.out, nullptr, false)["devices"][0].value("outcome", ""),
              "not sent")
        << planned.out;
    EXPECT_TRUE(SetRequestsSeen(port, 300ms).empty());
    EXPECT_EQ(ReadText(directory / "kept"), "kept\n");

    const ProcessResult unrecorded =
        Set({"02:00:00:00:00:05", "--name", "x", "--timeout", "1", "--no-verify", "--no-audit"});
    EXPECT_EQ(unrecorded.exit_code, 0) << unrecorded.err;
    EXPECT_EQ(SetRequestsSeen(port, 300ms).size(), 1u);
}

// An outcome line that cannot be written (the file size limit falls inside it) makes the run a
// failure in its JSON too, and leaves no half line for the next run to join.
TEST(SetAudit, AnOutcomeLineThatCannotBeWrittenIsAFailure) {
    SimulatedDevices devices(kDevices);
    const TemporaryDirectory directory;
    const auto measured = directory / "measured.jsonl";
    const ProcessResult first = Set(
        {"02:00:00:00:00:05", "--name", "bbbb", "--timeout", "1", "--audit", measured.string()});
    ASSERT_EQ(first.exit_code, 0) << first.err;
    const std::string lines = ReadText(measured);
    const std::size_t sent_line = lines.find('\n') + 1;
    const std::size_t limit = sent_line + (lines.size() - sent_line) / 2;
    const auto log = directory / "audit.jsonl";
    const ProcessResult run = Set({"02:00:00:00:00:05", "--name", "cccc", "--timeout", "1",
                                   "--json", "--audit", log.string()},
                                  limit);
    EXPECT_EQ(run.exit_code, 1) << run.err;
    EXPECT_TRUE(Contains(run.err, "norvik-set: cannot write the audit log " + log.string() +
                                      ": writing to it failed: File too large\n"));
    const Json printed = Json::parse(run.out, nullptr, false);
    EXPECT_EQ(printed.value("outcome", ""), "applied") << run.out;
    EXPECT_EQ(printed.value("exit_code", 0), 1) << run.out;
    const std::string kept = ReadText(log);
    EXPECT_EQ(JsonLines(kept).size(), 1u) << kept;
    EXPECT_EQ(kept.size(), sent_line) << kept;
}

// A closed standard output is no free number for the log to take: the log holds its JSON lines
// alone, and the output that could not be written makes the run a failure.
TEST(SetAudit, AClosedStandardOutputIsAFailureAndNoPartOfTheLog) {
    SimulatedDevices devices(kDevices);
    const TemporaryDirectory directory;
    const auto log = directory / "audit.jsonl";
    const ProcessResult run = RunProcess(
        Command({"/bin/sh", "-c", "exec \"$0\" \"$@\" >&-", NORVIK_TOOL_NORVIK_SET,
                 "02:00:00:00:00:05", "--name", "closed", "--timeout", "1", "--no-verify",
                 "--audit", log.string()}));
    EXPECT_EQ(run.exit_code, 1) << run.err;
    EXPECT_TRUE(Contains(run.err, "norvik-set: cannot write to standard output: "));
    const std::string text = ReadText(log);
    EXPECT_EQ(JsonLines(text).size(), 2u) << text;
}

// Two runs at once, each a plan of many devices, append to one log: every line whole.
TEST(SetAudit, RunsAtOnceShareALogLineByLine) {
    std::string description;
    std::string plans[2] = {"mac,name\n", "mac,name\n"};
    for (int i = 0; i < 40; ++i) {
        char mac[18];
        std::snprintf(mac, sizeof mac, "02:00:00:00:02:%02x", i);
        description += std::string("pcedit mac=") + mac + " ip=10.0.2." + std::to_string(i + 1) +
                       " name=d" + std::to_string(i) + "\n";
        plans[i % 2] += std::string(mac) + ",n" + std::to_string(i) + "\n";
    }
    SimulatedDevices devices(description);
    const TemporaryDirectory directory;
    const auto log = directory / "audit.jsonl";
    std::vector<std::unique_ptr<BackgroundProcess>> runs;
    for (int i = 0; i < 2; ++i) {
        const auto plan = directory / ("plan" + std::to_string(i) + ".csv");
        std::ofstream(plan) << plans[i];
        runs.push_back(std::make_unique<BackgroundProcess>(
            Command({NORVIK_TOOL_NORVIK_SET, "--plan", plan.string(), "--timeout", "2",
                     "--verify-timeout", "10", "--audit", log.string()})));
    }
    for (auto& run : runs) {
        const ProcessResult result = run->Wait(60s);
        EXPECT_EQ(result.exit_code, 0) << result.err;
    }
    std::map<std::string, int> lines_of_change;
    for (const Json& line : JsonLines(ReadText(log))) {
        ++lines_of_change[line.value("change", "")];
    }
    EXPECT_EQ(lines_of_change.size(), 40u);
    for (const auto& [change, lines] : lines_of_change) {
        EXPECT_EQ(lines, 2) << change;
    }
}

}  // namespace
}  // namespace norvik::test
