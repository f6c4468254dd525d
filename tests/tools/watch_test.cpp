// norvik-watch against the device simulator, inside the suite's private network namespace:
// the event lines as devices come, change, go and come back, a saved scan to compare with,
// the metrics file as promtool reads it, and the end on SIGTERM.
#include <signal.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "json_lines.h"
#include "prometheus_tools.h"
#include "simulated_devices.h"
#include "subprocess.h"
#include "test_files.h"
#include "text_assertions.h"
#include "udp_peer.h"

namespace norvik::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr const char* kHall = "00:11:22:33:44:01";
constexpr const char* kGate = "00:11:22:33:44:02";
constexpr const char* kYard = "00:11:22:33:44:03";
constexpr const char* kDoor = "00:11:22:33:44:04";

// Short searches, so that a device is lost within a second or two.
const std::vector<std::string> kQuick = {"--interval", "0.4", "--timeout", "0.2"};

ProcessOptions Watch(std::vector<std::string> args) {
    args.insert(args.end(), kQuick.begin(), kQuick.end());
    return Command(NORVIK_TOOL_NORVIK_WATCH, std::move(args));
}

std::string Line(const char* mac, const std::string& rest) {
    return std::string("pcedit mac=") + mac + ' ' + rest + '\n';
}

// Each event as "event mac", in order; and each line's form checked on the way.
std::vector<std::string> Said(const std::vector<nlohmann::ordered_json>& events) {
    std::vector<std::string> said;
    for (const nlohmann::ordered_json& event : events) {
        std::vector<std::string> keys;
        for (const auto& item : event.items()) {
            keys.push_back(item.key());
        }
        std::vector<std::string> expected = {"time",      "event",  "mac",     "protocol",
                                             "interface", "device", "warnings"};
        if (event.at("event") == "changed") {
            expected.push_back("changes");
        }
        EXPECT_EQ(keys, expected) << event;
        EXPECT_TRUE(IsUtcTime(event.at("time").get<std::string>())) << event;
        EXPECT_EQ(event.at("device").at("mac"), event.at("mac"));
        EXPECT_FALSE(event.at("device").contains("list_index"));
        EXPECT_EQ(event.at("interface"), "lo");
        said.push_back(event.at("event").get<std::string>() + ' ' +
                       event.at("mac").get<std::string>());
    }
    return said;
}

std::string EventText(const char* event, const char* mac) {
    return std::string("\"event\":\"") + event + "\",\"mac\":\"" + mac + '"';
}

std::string FileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Waits until the file holds the text; false on time-out.
bool WaitForFileText(const std::filesystem::path& path, const std::string& text,
                     std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (FileText(path).find(text) == std::string::npos) {
        if (Clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

TEST(Watch, TellsOfDevicesAddedChangedLostAndBack) {
    const std::string hall = "ip=192.168.1.10 name=hall";
    const std::string gate = "ip=192.168.1.11 name=gate";
    auto hall_devices = std::make_unique<SimulatedDevices>(Line(kHall, hall));
    auto gate_devices = std::make_unique<SimulatedDevices>(Line(kGate, gate));
    // A pipe, not a terminal: JSON lines without being asked.
    BackgroundProcess watch(Watch({"--lost-after", "3"}));
    ASSERT_TRUE(watch.WaitForOutput(EventText("added", kHall), 5s));
    ASSERT_TRUE(watch.WaitForOutput(EventText("added", kGate), 5s));
    // The hall camera renamed and readdressed: its simulator starts again with that.
    hall_devices.reset();
    hall_devices = std::make_unique<SimulatedDevices>(Line(kHall, "ip=192.168.1.20 name=lobby"));
    ASSERT_TRUE(watch.WaitForOutput(EventText("changed", kHall), 5s));
    const auto gone = Clock::now();
    gate_devices.reset();
    ASSERT_TRUE(watch.WaitForOutput(EventText("lost", kGate), 5s));
    // Three searches 0.4 s apart: not before the third has missed it.
    EXPECT_GE(Clock::now() - gone, 800ms);
    gate_devices = std::make_unique<SimulatedDevices>(Line(kGate, gate));
    ASSERT_TRUE(watch.WaitForOutput(EventText("back", kGate), 5s));
    const ProcessResult result = watch.Stop();
    EXPECT_EQ(result.exit_code, 0) << result.err;
    EXPECT_EQ(result.err, "");
    const auto events = JsonLines(result.out);
    std::vector<std::string> said = Said(events);
    ASSERT_EQ(said.size(), 5u) << result.out;
    // The first search hears both, in whichever order they answered.
    std::sort(said.begin(), said.begin() + 2);
    EXPECT_EQ(said, (std::vector<std::string>{
                        std::string("added ") + kHall, std::string("added ") + kGate,
                        std::string("changed ") + kHall, std::string("lost ") + kGate,
                        std::string("back ") + kGate}));
    EXPECT_EQ(events[2].at("device").at("name"), "lobby");
    // The lost event shows the device as last heard; the private network's loopback holds
    // none of these addresses.
    EXPECT_EQ(events[3].at("device").at("ip"), "192.168.1.11");
    EXPECT_EQ(events[3].at("warnings"), nlohmann::ordered_json::array({"outside-every-card"}));
}

TEST(Watch, TheFirstSearchIsComparedWithASavedScan) {
    const TemporaryDirectory dir;
    const auto baseline = dir / "site.json";
    {
        const SimulatedDevices devices(Line(kHall, "ip=192.168.1.10 name=hall") +
                                       Line(kGate, "ip=192.168.1.11 name=gate") +
                                       Line(kYard, "ip=192.168.1.12 name=yard"));
        const ProcessResult scan =
            RunProcess(Command(NORVIK_TOOL_NORVIK_SCAN, {"--json", "--timeout", "0.5"}));
        ASSERT_EQ(scan.exit_code, 0) << scan.err;
        std::ofstream(baseline) << scan.out;
    }
    // The hall as saved, the gate moved, the yard gone and a door new.
    const SimulatedDevices devices(Line(kHall, "ip=192.168.1.10 name=hall") +
                                   Line(kGate, "ip=192.168.1.31 name=gate") +
                                   Line(kDoor, "ip=192.168.1.14 name=door"));
    const ProcessResult result = RunProcess(
        Watch({"--baseline", baseline.string(), "--searches", "3", "--lost-after", "2"}));
    EXPECT_EQ(result.exit_code, 0) << result.err;
    const auto events = JsonLines(result.out);
    std::vector<std::string> said = Said(events);
    ASSERT_EQ(said.size(), 3u) << result.out;
    // A saved device missing is lost at once, after those heard.
    EXPECT_EQ(said.back(), std::string("lost ") + kYard);
    std::sort(said.begin(), said.end() - 1);
    EXPECT_EQ(said, (std::vector<std::string>{std::string("added ") + kDoor,
                                              std::string("changed ") + kGate,
                                              std::string("lost ") + kYard}));
    for (const nlohmann::ordered_json& event : events) {
        if (event.at("event") == "changed") {
            EXPECT_EQ(event.at("changes"),
                      nlohmann::ordered_json::parse(
                          R"({"ip":{"old":"192.168.1.11","new":"192.168.1.31"}})"));
        }
    }
}

// A device whose name holds what a label must escape, and bytes that are no UTF-8.
TEST(Watch, TheMetricsFileIsWhatPromtoolAcceptsAndStaysWholeOnSigterm) {
    NORVIK_NEED_PROMETHEUS_TOOL(NORVIK_PROMTOOL);
    const TemporaryDirectory dir;
    const auto metrics = dir / "norvik.prom";
    // a " b \ c LF é and a lone 0xff byte
    const SimulatedDevices devices(Line(kHall, "ip=192.168.1.10 name_hex=6122625c630ac3a9ff"));
    for (const auto delay : {0ms, 130ms, 270ms}) {
        BackgroundProcess watch(Watch({"--prometheus", metrics.string()}));
        ASSERT_TRUE(watch.WaitForOutput(EventText("added", kHall), 5s));
        ASSERT_TRUE(WaitForFileText(metrics, "norvik_devices 1\n", 5s));
        // At some point of the interval: while a search listens, or between searches.
        std::this_thread::sleep_for(delay);
        const auto signalled = Clock::now();
        ASSERT_TRUE(watch.Signal(SIGTERM));
        const ProcessResult result = watch.Wait(5s);
        EXPECT_LT(Clock::now() - signalled, 1s) << "delay " << delay.count() << " ms";
        EXPECT_EQ(result.exit_code, 0) << result.err;
        EXPECT_EQ(result.err, "");
        const std::string text = FileText(metrics);
        EXPECT_TRUE(Contains(text,
                             "norvik_device_up{mac=\"00:11:22:33:44:01\",endpoint=\"\","
                             "protocol=\"pcedit\",name=\"a\\\"b\\\\c\\n"
                             "\xC3\xA9\xEF\xBF\xBD\",ip=\"192.168.1.10\",interface=\"lo\"} 1\n"));
        // It reads the metrics from standard input.
        const ProcessResult check = RunProcess(Command(
            "/bin/sh",
            {"-c", std::string(NORVIK_PROMTOOL) + " check metrics < '" + metrics.string() + "'"}));
        EXPECT_EQ(check.exit_code, 0) << check.out << check.err << text;
        // No temporary file left beside it.
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                                std::filesystem::directory_iterator()),
                  1)
            << "the metrics alone";
        std::filesystem::remove(metrics);
    }
}

TEST(Watch, CountsTheDatagramsItDropsByReason) {
    const TemporaryDirectory dir;
    const auto metrics = dir / "norvik.prom";
    BackgroundProcess watch(Watch({"--prometheus", metrics.string()}));
    ASSERT_TRUE(WaitForFileText(metrics, "norvik_devices 0\n", 5s));
    UdpPeer sender;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(sender.Broadcast({'n', 'o', 'i', 's', 'e'}, 4022));
    }
    EXPECT_TRUE(
        WaitForFileText(metrics, "norvik_reports_dropped_total{reason=\"too-short\"} 3\n", 5s))
        << FileText(metrics);
    // Our own search requests come back to us too, and are dropped as requests.
    EXPECT_FALSE(
        Contains(FileText(metrics), "norvik_reports_dropped_total{reason=\"request\"} 0\n"));
    EXPECT_EQ(watch.Stop().exit_code, 0);
}

// A metrics file that can no longer be written is said once, and the watch goes on.
// Said at once, counted, and said again while it lasts (every 10 minutes, not every search).
TEST(Watch, AMetricsFileThatCannotBeWrittenIsSaidAndCounted) {
    const TemporaryDirectory dir;
    const auto textfiles = dir / "textfiles";
    std::filesystem::create_directory(textfiles);
    const std::string metrics = (textfiles / "norvik.prom").string();
    BackgroundProcess watch(Watch({"--prometheus", metrics}));
    ASSERT_TRUE(WaitForFileText(metrics, "norvik_devices 0\n", 5s));
    std::filesystem::remove_all(textfiles);
    std::this_thread::sleep_for(1500ms);  // three searches or more
    const ProcessResult result = watch.Stop();
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(result.err, "norvik-watch: " + metrics +
                              ": creating a temporary file in its directory failed: No such file "
                              "or directory (1 failed writes so far)\n");
    // Once it can write again, the file counts the writes that failed.
    std::filesystem::create_directory(textfiles);
    BackgroundProcess again(Watch({"--prometheus", metrics}));
    ASSERT_TRUE(WaitForFileText(metrics, "norvik_metrics_write_failures_total 0\n", 5s));
}

// A search that went out through no card is not a search: counted, said, no device is lost
// for it and the last search's time stays, so the alert on a silent agent fires.
TEST(Watch, ASearchThatCannotBeSentIsCountedNotTakenForSilence) {
    const TemporaryDirectory dir;
    const std::string metrics = (dir / "norvik.prom").string();
    const ProcessResult result = RunProcess(
        Command({NORVIK_TOOL_NORVIK_NETNS, "--no-broadcast-route", NORVIK_TOOL_NORVIK_WATCH,
                 "--interval", "0.2", "--searches", "3", "--prometheus", metrics}));
    EXPECT_EQ(result.exit_code, 0) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_TRUE(Contains(result.err, "norvik-watch: search 1 not sent: the request to port "));
    EXPECT_FALSE(Contains(result.err, "search 2 not sent")) << "said once, not each time";
    const std::string text = FileText(metrics);
    EXPECT_TRUE(Contains(text, "norvik_searches_failed_total 3\n"));
    EXPECT_TRUE(Contains(text, "norvik_last_search_timestamp_seconds 0.000\n"));
}

// Without --timeout a search listens no longer than the interval: three searches 0.3 s apart
// take about a second, not three times the default listening time.
TEST(Watch, TheDefaultTimeoutFollowsAShorterInterval) {
    const auto started = Clock::now();
    const ProcessResult result =
        RunProcess(Command(NORVIK_TOOL_NORVIK_WATCH, {"--interval", "0.3", "--searches", "3"}));
    EXPECT_EQ(result.exit_code, 0) << result.err;
    EXPECT_LT(Clock::now() - started, 4s);
}

TEST(Watch, RefusesBadOptionsAndBadBaselinesBeforeSendingAnything) {
    const TemporaryDirectory dir;
    const auto not_a_scan = dir / "not-a-scan.json";
    std::ofstream(not_a_scan) << "{\"rows\":[]}";
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--interval", "0"}, "--interval: takes seconds more than 0 and at most 86400, not"},
        {{"--interval", "x"}, "--interval: takes seconds more than 0 and at most 86400, not \"x\""},
        // What an unset variable gives: not the same as no --prometheus at all.
        {{"--prometheus", ""}, "--prometheus: takes a file name, not \"\""},
        {{"--searches", "-1"}, "--searches: takes a whole number from 1 to"},
        {{"--lost-after", "2.5"}, "--lost-after: takes a whole number from 1 to 1000000"},
        {{"--timeout", "0.5", "--interval", "0.4"}, "--timeout"},
        {{"--baseline", (dir / "missing.json").string()}, "missing.json: cannot open it"},
        {{"--baseline", dir.path().string()}, ": it is a directory, not a regular file"},
        {{"--baseline", not_a_scan.string()},
         "not-a-scan.json: not a saved norvik-scan --json document: it has no \"devices\" "
         "list"},
        // A metrics file it could never write: the service fails to start.
        {{"--prometheus", (dir / "gone" / "norvik.prom").string()},
         "gone/norvik.prom: creating a temporary file in its directory failed"},
        {{"--prometheus", dir.path().string()}, ": it is a directory, not a regular file"},
        // The default --timeout follows a shorter interval; one given may not exceed it.
        {{"--interval", "1", "--timeout", "2"}, "--timeout: a search cannot listen longer"},
    };
    UdpPeer pcedit_searches(4022);
    UdpPeer searches_3297(4023);
    ASSERT_TRUE(pcedit_searches.bound() && searches_3297.bound());
    for (const auto& [args, said] : cases) {
        const ProcessResult result = RunProcess(Command(NORVIK_TOOL_NORVIK_WATCH, args));
        EXPECT_EQ(result.exit_code, 2) << args.front();
        EXPECT_EQ(result.out, "");
        EXPECT_TRUE(Contains(result.err, said));
    }
    EXPECT_FALSE(pcedit_searches.Receive(300ms).has_value()) << "a refused start searched";
    EXPECT_FALSE(searches_3297.Receive(0ms).has_value()) << "a refused start searched";
}

}  // namespace
}  // namespace norvik::test
