// norvik-set --plan against the device simulator, inside the suite's private network
// namespace: a plan with problems sends nothing, and forty devices in one go.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <nlohmann/json.hpp>

#include "broadcast_route.h"
#include "simulated_devices.h"
#include "subprocess.h"
#include "test_files.h"
#include "text_assertions.h"
#include "udp_peer.h"

namespace norvik::test {
namespace {

using namespace std::chrono_literals;

constexpr std::uint16_t kPcEditPort = 4022;

ProcessResult SetPlan(const std::string& plan, std::vector<std::string> more = {}) {
    std::vector<std::string> args = {NORVIK_TOOL_NORVIK_SET, "--plan", plan, "--audit",
                                     ScratchAuditLog()};
    args.insert(args.end(), more.begin(), more.end());
    ProcessOptions options = Command(args);
    options.timeout = 90s;
    return RunProcess(options);
}

std::string WritePlan(const TemporaryDirectory& directory, const std::string& text) {
    const auto path = directory / "plan.csv";
    std::ofstream(path, std::ios::binary) << text;
    return path.string();
}

std::string Mac(int i) {
    char text[18];
    std::snprintf(text, sizeof text, "02:00:00:00:01:%02x", i);
    return text;
}

// Verifying stops when the searches can no longer be sent (here the route for broadcasts goes
// once the request is out): the devices the plan reached are still told, "not verified".
TEST(SetPlan, WhenVerifyingStopsTheDevicesSentToAreStillTold) {
    SimulatedDevices devices("pcedit mac=02:00:00:00:00:01 ip=10.0.0.1 name=deaf on_set=ignore\n");
    UdpPeer port(kPcEditPort);
    ASSERT_TRUE(port.bound());
    TemporaryDirectory directory;
    const std::string plan = WritePlan(directory, "mac,name\n02:00:00:00:00:01,hall\n");
    BackgroundProcess run(
        Command({NORVIK_TOOL_NORVIK_SET, "--plan", plan, "--audit", ScratchAuditLog(), "--json",
                 "--timeout", "1", "--verify-timeout", "30"}));
    bool sent = false;
    for (const auto deadline = std::chrono::steady_clock::now() + 10s;
         !sent && std::chrono::steady_clock::now() < deadline;) {
        const auto datagram = port.Receive(500ms);
        sent = datagram && datagram->size() == 74 && (*datagram)[6] != 2;  // not a search
    }
    ASSERT_TRUE(sent);
    ASSERT_TRUE(ChangeBroadcastRoute(SIOCDELRT));
    const ProcessResult result = run.Wait(20s);
    EXPECT_TRUE(ChangeBroadcastRoute(SIOCADDRT));
    EXPECT_EQ(result.exit_code, 1) << result.err;
    const auto json = nlohmann::json::parse(result.out, nullptr, false);
    ASSERT_TRUE(json.is_object()) << result.out;
    EXPECT_EQ(json["error"], "verifying stopped");
    ASSERT_EQ(json["devices"].size(), 1u) << result.out;
    EXPECT_EQ(json["devices"][0]["outcome"], "not verified");
    EXPECT_TRUE(json["devices"][0]["request"].is_string());
}

// A line of each kind of problem, the reader's, a device's check and the plan's own: every one
// named, nothing sent.
TEST(SetPlan, APlanWithProblemsSendsNothingAndNamesEveryBadLine) {
    SimulatedDevices devices(
        "pcedit mac=02:00:00:00:00:01 ip=10.0.0.1 gateway=10.0.0.254\n"
        "pcedit mac=02:00:00:00:00:02 ip=10.0.0.2 gateway=10.0.0.254\n");
    UdpPeer port(kPcEditPort);
    ASSERT_TRUE(port.bound());
    TemporaryDirectory directory;
    const std::string plan =
        WritePlan(directory,
                  "\xEF\xBB\xBFmac,name,ip,netmask,gateway,dns1,dns2,port,mode\r\n"  // 1
                  "# a good line first\r\n"                                          // 2
                  "02:00:00:00:00:01,fine,10.0.0.11,,,,,,\r\n"                       // 3
                  "02:00:00:00:00:0x,,,,,,,,\r\n"                                    // 4 MAC
                  "02:00:00:00:00:02,,,,,,,65537,\r\n"                               // 5 port
                  "02:00:00:00:00:08,,10.0.0.11,,,,,,\r\n");                         // 6 ip twice
    const ProcessResult run = SetPlan(plan, {"--timeout", "1"});
    EXPECT_EQ(run.exit_code, 2);
    EXPECT_EQ(run.out, "");
    for (const int line : {4, 5, 6}) {
        EXPECT_TRUE(Contains(run.err, plan + ":" + std::to_string(line) + ": ")) << "line " << line;
    }
    EXPECT_FALSE(Contains(run.err, plan + ":3:"));
    EXPECT_TRUE(Contains(run.err, ":6: the address 10.0.0.11 of line 3 again\n"));
    EXPECT_TRUE(Contains(run.err, "norvik-set: nothing sent: the plan has problems\n"));
    EXPECT_TRUE(SetRequestsSeen(port, 300ms).empty());
    EXPECT_FALSE(Contains(devices.Stop().out, "applied"));
}

// A file with no line that reads as a plan's: its problems, and not a search for nothing,
// which on a host without a network card would have hidden them behind that failure.
TEST(SetPlan, AFileThatIsNoPlanIsRefusedBeforeSearching) {
    UdpPeer pcedit_searches(kPcEditPort);
    UdpPeer searches_3297(4023);
    ASSERT_TRUE(pcedit_searches.bound() && searches_3297.bound());
    TemporaryDirectory directory;
    const std::string plan = WritePlan(directory, "root:x:0:0:root:/root:/bin/bash\n");
    const ProcessResult run = SetPlan(plan, {"--timeout", "1", "--json"});
    EXPECT_EQ(run.exit_code, 2);
    EXPECT_TRUE(Contains(run.err, plan + ":1: no mac column\n"));
    EXPECT_EQ(nlohmann::json::parse(run.out).value("error", ""),
              "nothing sent: the plan has problems");
    // Thirty bad lines: the first twenty named, the others counted right.
    std::string bad_lines = "mac\n";
    for (int i = 0; i < 30; ++i) {
        bad_lines += "zz\n";
    }
    const ProcessResult many = SetPlan(WritePlan(directory, bad_lines), {"--timeout", "1"});
    EXPECT_EQ(many.exit_code, 2);
    EXPECT_TRUE(Contains(many.err, plan + ":21: "));
    EXPECT_FALSE(Contains(many.err, plan + ":22: "));
    EXPECT_TRUE(Contains(many.err, plan + ": and 10 more problems\n"));
    EXPECT_FALSE(pcedit_searches.Receive(300ms).has_value()) << "it searched";
    EXPECT_FALSE(searches_3297.Receive(0ms).has_value()) << "it searched";
}

// Forty devices, as a site has: one ignores set requests, one goes silent after it, one is
// given the address another device has (refused until --force).
TEST(SetPlan, FortyDevicesOneIgnoringOneSilentOneWithATakenAddress) {
    constexpr int kDevices = 40;
    constexpr int kIgnoring = 5;
    constexpr int kSilent = 6;
    constexpr int kTaking = 7;   // is given the address of...
    constexpr int kHolder = 40;  // ...this one, which keeps it
    std::string description;
    std::string plan_text = "mac,name,ip,netmask,gateway,dns1,dns2,port,mode\n";
    for (int i = 1; i <= kDevices; ++i) {
        description += "pcedit mac=" + Mac(i) + " ip=10.0.1." + std::to_string(i + 10) +
                       " gateway=10.0.1.1 name=cam" + std::to_string(i) +
                       (i == kIgnoring ? " on_set=ignore"
                        : i == kSilent ? " on_set=silent"
                                       : "") +
                       "\n";
        const std::string ip = i == kHolder   ? ""
                               : i == kTaking ? "10.0.1." + std::to_string(kHolder + 10)
                                              : "10.0.1." + std::to_string(i + 110);
        plan_text += Mac(i) + ",site-" + std::to_string(i) + "," + ip + ",,,,,8080,\n";
    }
    SimulatedDevices devices(description);
    TemporaryDirectory directory;
    const std::string plan = WritePlan(directory, plan_text);

    const ProcessResult refused = SetPlan(plan);
    EXPECT_EQ(refused.exit_code, 2);
    EXPECT_EQ(refused.err, plan + ":" + std::to_string(kTaking + 1) + ": the address 10.0.1." +
                               std::to_string(kHolder + 10) + " is taken by " + Mac(kHolder) +
                               " (give --force to send it all the same)\nnorvik-set: nothing sent: "
                               "the plan has problems\n");

    UdpPeer port(kPcEditPort);
    ASSERT_TRUE(port.bound());
    const auto start = std::chrono::steady_clock::now();
    const ProcessResult run = SetPlan(plan, {"--force", "--verify-timeout", "4", "--json"});
    // The search's 3 s, forty requests paced 50 ms apart and the 4 s wait for the silent one.
    EXPECT_LT(std::chrono::steady_clock::now() - start, 15s);
    EXPECT_EQ(run.exit_code, 4) << run.err;  // the worst outcome: no answer
    // One request each.
    EXPECT_EQ(SetRequestsSeen(port, 300ms).size(), 40u);
    const auto json = nlohmann::json::parse(run.out, nullptr, false);
    ASSERT_FALSE(json.is_discarded()) << run.out;
    std::map<std::string, std::string> outcomes;
    for (const auto& device : json["devices"]) {
        outcomes[device["mac"]] = device["outcome"];
    }
    ASSERT_EQ(outcomes.size(), 40u);
    for (int i = 1; i <= kDevices; ++i) {
        const std::string expected = i == kIgnoring ? "not applied"
                                     : i == kSilent ? "no answer"
                                                    : "applied";
        EXPECT_EQ(outcomes[Mac(i)], expected) << Mac(i);
    }
    const auto& ignoring = json["devices"][kIgnoring - 1];
    EXPECT_EQ(ignoring["line"], kIgnoring + 1);
    EXPECT_EQ(ignoring["differs"][0],
              nlohmann::json::parse(R"({"field":"name","sent":"site-5","reported":"cam5"})"));
}

// The wait ends once every device has answered since the requests, not at --verify-timeout.
TEST(SetPlan, StopsWaitingOnceEveryDeviceHasAnswered) {
    SimulatedDevices devices(
        "pcedit mac=02:00:00:00:00:41 ip=10.0.0.41 name=deaf on_set=ignore\n"
        "pcedit mac=02:00:00:00:00:42 ip=10.0.0.42 name=fine\n");
    TemporaryDirectory directory;
    const std::string plan =
        WritePlan(directory, "mac,name\n02:00:00:00:00:41,hall\n02:00:00:00:00:42,yard\n");
    const auto start = std::chrono::steady_clock::now();
    const ProcessResult run = SetPlan(plan, {"--timeout", "1", "--verify-timeout", "60"});
    EXPECT_LT(std::chrono::steady_clock::now() - start, 15s);
    EXPECT_EQ(run.exit_code, 3) << run.err;
    EXPECT_EQ(run.out.substr(0, run.out.find('\n')), "mac\tname\toutcome\tdetails");
    EXPECT_TRUE(Contains(run.out, "02:00:00:00:00:41\thall\tnot applied\tname deaf (sent hall)\n"));
    EXPECT_TRUE(Contains(run.out, "02:00:00:00:00:42\tyard\tapplied\t\n"));
    // A plan whose every device applies succeeds; the mode column reaches the device too.
    const ProcessResult applied =
        SetPlan(WritePlan(directory, "mac,mode\n02:00:00:00:00:42,dhcp\n"), {"--timeout", "1"});
    EXPECT_EQ(applied.exit_code, 0) << applied.out << applied.err;
    // With --no-verify "sent" is the outcome, and the run succeeds whatever the device does.
    const ProcessResult unverified =
        SetPlan(WritePlan(directory, "mac,name\n02:00:00:00:00:41,porch\n"),
                {"--timeout", "1", "--no-verify"});
    EXPECT_EQ(unverified.exit_code, 0) << unverified.out << unverified.err;
    EXPECT_TRUE(Contains(unverified.out, "02:00:00:00:00:41\tporch\tsent\t\n")) << unverified.out;
}

// The scanner's own CSV is a plan whose run changes nothing, whatever the devices report:
// names a spreadsheet would evaluate or a line feed, odd values that are not changed, two
// devices with one address; and it reads as well from standard input.
TEST(SetPlan, TheScannersCsvIsAPlanThatChangesNothing) {
    SimulatedDevices devices(
        "pcedit mac=02:00:00:00:00:31 ip=10.0.0.31 name=\"=1+2\" port=99999\n"
        "pcedit mac=02:00:00:00:00:32 ip=0.0.0.0 name_hex=610a62 netmask=255.0.255.0\n"
        "3297 mac=02:00:00:00:00:33 ip=10.0.0.31 name=\"Camera #1, \\\"east\\\"\" port=-5\n"
        "pcedit mac=02:00:00:00:00:34 ip=10.0.0.34 name=short length=50\n"
        "pcedit mac=02:00:00:00:00:35 ip=10.0.0.35 name_hex=43616ce9\n");
    const ProcessResult scan =
        RunProcess(Command({NORVIK_TOOL_NORVIK_SCAN, "--csv", "--timeout", "1"}));
    ASSERT_EQ(scan.exit_code, 0) << scan.err;
    EXPECT_TRUE(Contains(scan.out, ",'=1+2,"));
    // The name that is not UTF-8 is left empty, and said.
    EXPECT_TRUE(Contains(scan.err, "02:00:00:00:00:35: its name is not text"));
    TemporaryDirectory directory;
    const std::string plan = WritePlan(directory, scan.out);
    for (const bool from_stdin : {false, true}) {
        ProcessOptions options =
            Command({"/bin/sh", "-c",
                     std::string(NORVIK_TOOL_NORVIK_SET) + " --plan " + (from_stdin ? "- <" : "") +
                         plan + " --dry-run --timeout 1 --audit " + ScratchAuditLog()});
        const ProcessResult run = RunProcess(options);
        EXPECT_EQ(run.exit_code, 0) << run.err;
        std::size_t unchanged = 0;
        for (std::size_t at = 0;
             (at = run.out.find("\tnothing to change\t", at)) != std::string::npos; ++at) {
            ++unchanged;
        }
        EXPECT_EQ(unchanged, 5u) << run.out << run.err;
    }
}

}  // namespace
}  // namespace norvik::test
