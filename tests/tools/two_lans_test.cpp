// A PC with two network cards on two LANs, as a recorder PC with a camera LAN and an office LAN
// has: the suite's private namespace is the PC, each LAN a namespace of its own behind a veth
// pair, with a simulator in it. The default route leaves through card A only, so a broadcast
// that followed the routes would never reach LAN B.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <fstream>
#include <sstream>
#include <thread>

#include "broadcast_sender.h"
#include "device_list.h"
#include "discovery.h"
#include "json_lines.h"
#include "list_lock.h"
#include "memory_list_view.h"
#include "network_interfaces.h"
#include "recording_messages.h"
#include "request_buffer.h"
#include "scan_json.h"
#include "set_request.h"
#include "skip_unless_required.h"
#include "subprocess.h"
#include "text_assertions.h"
#include "wait_for.h"

namespace {

using namespace std::chrono_literals;
using norvik::test::BackgroundProcess;
using norvik::test::Command;
using norvik::test::Contains;
using norvik::test::ProcessOptions;
using norvik::test::ProcessResult;
using norvik::test::RunProcess;

std::string Which(const std::string& program) {
    for (const char* dir : {"/usr/sbin/", "/usr/bin/", "/sbin/", "/bin/"}) {
        if (::access((dir + program).c_str(), X_OK) == 0) {
            return dir + program;
        }
    }
    return program;
}

::testing::AssertionResult Ran(std::vector<std::string> args) {
    const ProcessResult result = RunProcess(Command(args));
    if (result.exit_code == 0) {
        return ::testing::AssertionSuccess();
    }
    std::string line;
    for (const std::string& arg : args) {
        line += arg + " ";
    }
    return ::testing::AssertionFailure() << line << "failed: " << result.err;
}

std::string NetworkNamespaceOf(const std::string& pid) {
    struct stat info {};
    return ::stat(("/proc/" + pid + "/ns/net").c_str(), &info) == 0 ? std::to_string(info.st_ino)
                                                                    : "";
}

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++count;
    }
    return count;
}

// One LAN: a namespace held open by a sleeping process, its end of the veth pair, and the
// simulator that plays its devices.
struct Lan {
    std::string card;    // the PC's card into this LAN
    std::string prefix;  // "10.1.0": the PC is .1, the LAN's side .2
    std::string devices;
    std::unique_ptr<BackgroundProcess> holder;
    std::unique_ptr<BackgroundProcess> simulator;
    std::string pid;
    std::string mac;  // the LAN side's card's MAC; empty: the system's choice

    std::vector<std::string> Inside(std::vector<std::string> args) const {
        args.insert(args.begin(), {Which("nsenter"), "-t", pid, "-n"});
        return args;
    }
};

class TwoLans : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(::access(Which("ip").c_str(), X_OK), 0) << "iproute2's ip is needed";
        // This namespace's loopback route for the broadcast address would make every card's
        // broadcast also a loopback one; a PC has none.
        RunProcess(Command({Which("ip"), "route", "del", "255.255.255.255/32", "dev", "lo"}));
        for (Lan& lan : lans_) {
            ASSERT_NO_FATAL_FAILURE(Build(lan));
        }
        ASSERT_TRUE(Ran({Which("ip"), "route", "add", "default", "via", "10.1.0.254"}));
        for (Lan& lan : lans_) {
            lan.simulator = std::make_unique<BackgroundProcess>(
                Command(lan.Inside({NORVIK_TOOL_NORVIK_DEVSIM, "--real-network", "--verbose",
                                    "--file", lan.devices})));
            ASSERT_TRUE(lan.simulator->WaitForOutput("ready\n", 10s));
        }
    }

    void TearDown() override {
        for (const std::string& card :
             {lans_[0].card, lans_[1].card, std::string("nvk-br"), std::string("nvk-c")}) {
            RunProcess(Command({Which("ip"), "link", "del", card}));
        }
    }

    void Build(Lan& lan) {
        const std::string file = ::testing::TempDir() + "norvik-lan-" + lan.card + ".txt";
        std::ofstream(file) << lan.devices;
        lan.devices = file;
        lan.holder = std::make_unique<BackgroundProcess>(
            Command({Which("unshare"), "-n", Which("sleep"), "600"}));
        lan.pid = std::to_string(lan.holder->pid());
        const std::string ours = NetworkNamespaceOf("self");
        for (int i = 0; i < 200 && NetworkNamespaceOf(lan.pid) == ours; ++i) {
            std::this_thread::sleep_for(10ms);
        }
        ASSERT_NE(NetworkNamespaceOf(lan.pid), ours) << "the LAN's namespace was not made";
        const std::string ip = Which("ip");
        ASSERT_TRUE(Ran({ip, "link", "add", lan.card, "type", "veth", "peer", "name", "lan0",
                         "netns", lan.pid}));
        ASSERT_TRUE(Ran({ip, "addr", "add", lan.prefix + ".1/24", "dev", lan.card}));
        ASSERT_TRUE(Ran({ip, "link", "set", lan.card, "up"}));
        if (!lan.mac.empty()) {
            ASSERT_TRUE(Ran(lan.Inside({ip, "link", "set", "lan0", "address", lan.mac})));
        }
        ASSERT_TRUE(Ran(lan.Inside({ip, "addr", "add", lan.prefix + ".2/24", "dev", "lan0"})));
        ASSERT_TRUE(Ran(lan.Inside({ip, "link", "set", "lan0", "up"})));
        ASSERT_TRUE(Ran(lan.Inside({ip, "link", "set", "lo", "up"})));
        ASSERT_TRUE(Ran(lan.Inside({ip, "route", "add", "default", "dev", "lan0"})));
    }

    static ProcessResult Scan(std::vector<std::string> args = {}) {
        args.insert(args.begin(), {NORVIK_TOOL_NORVIK_SCAN, "--json", "--timeout", "1"});
        return RunProcess(Command(args));
    }

    // Each device's member of that name in a scan, by MAC.
    static std::map<std::string, nlohmann::json> Each(const ProcessResult& scan,
                                                      const std::string& member) {
        std::map<std::string, nlohmann::json> each;
        for (const auto& [mac, device] : norvik::test::ScannedDevicesByMac(scan.out)) {
            each[mac] = device.at(member);
        }
        return each;
    }

    static std::map<std::string, nlohmann::json> EachDeviceOnItsLansCard() {
        return {{"00:1a:07:0a:00:01", "nvk-a"},
                {"00:1a:07:0a:00:02", "nvk-a"},
                {"00:1a:07:0b:00:01", "nvk-b"},
                {"00:1a:07:0b:00:02", "nvk-b"}};
    }

    std::array<Lan, 2> lans_{
        Lan{"nvk-a", "10.1.0",
            "pcedit mac=00:1a:07:0a:00:01 ip=192.168.1.20 name=a-pcedit\n"
            "3297 mac=00:1a:07:0a:00:02 ip=10.1.0.21 name=a-3297\n",
            nullptr, nullptr, "", ""},
        Lan{"nvk-b", "10.2.0",
            "pcedit mac=00:1a:07:0b:00:01 ip=172.16.0.20 netmask=255.255.0.0 name=b-pcedit\n"
            "3297 mac=00:1a:07:0b:00:02 ip=172.16.0.21 name=b-3297\n",
            nullptr, nullptr, "", ""}};
};

TEST_F(TwoLans, TheScanListsBothLansAndEachHearsOneSearchPerProtocol) {
    const ProcessResult scan = Scan({"--trace"});
    ASSERT_EQ(scan.exit_code, 0) << scan.err;
    EXPECT_EQ(Each(scan, "interface"), EachDeviceOnItsLansCard());
    // Only the device inside card A's subnet can have its web page opened from this PC.
    const auto outside = nlohmann::json::array({"outside-every-card"});
    EXPECT_EQ(Each(scan, "warnings"),
              (std::map<std::string, nlohmann::json>{{"00:1a:07:0a:00:01", outside},
                                                     {"00:1a:07:0a:00:02", nlohmann::json::array()},
                                                     {"00:1a:07:0b:00:01", outside},
                                                     {"00:1a:07:0b:00:02", outside}}));
    // The trace tells of each request through each card, and of no failure.
    for (const std::string port : {"4022", "4023"}) {
        for (const Lan& lan : lans_) {
            EXPECT_EQ(Count(scan.err, "request to 255.255.255.255:" + port + " through " +
                                          lan.card + ": sent"),
                      1u)
                << scan.err;
        }
    }
    EXPECT_EQ(Count(scan.err, "ERROR"), 0u) << scan.err;
    EXPECT_EQ(Count(scan.err, "bytes: new device"), 4u) << scan.err;
    for (Lan& lan : lans_) {
        const ProcessResult heard = lan.simulator->Stop();
        EXPECT_EQ(Count(heard.err, "PCEdit search"), 1u) << lan.card << heard.err;
        EXPECT_EQ(Count(heard.err, "3297 search"), 1u) << lan.card << heard.err;
        EXPECT_EQ(Count(heard.err, "from " + lan.prefix + ".1:"), 2u) << lan.card << heard.err;
    }
}

// Submit addresses a device by its MAC, so it must reach a device on the LAN without the
// default route even when the device's address belongs to neither LAN.
TEST_F(TwoLans, ASetRequestReachesADeviceOnTheLanWithoutTheDefaultRoute) {
    const std::string mac = "00:1a:07:0b:00:01";
    ASSERT_EQ(Each(Scan(), "ip")[mac], "172.16.0.20");
    norvik::DeviceList devices;
    norvik::DeviceRecord* record = devices.AppendRecord({0x00, 0x1a, 0x07, 0x0b, 0x00, 0x01});
    devices.SetAddress(*record, {172, 16, 0, 20});
    record->netmask = {255, 255, 0, 0};
    devices.set_selected(record);
    norvik::pcedit::SetValues values;
    values.ip = {172, 16, 0, 99};
    values.netmask = record->netmask;
    std::array<std::uint8_t, norvik::kRequestBufferSize> request{};
    ASSERT_TRUE(norvik::pcedit::PrepareSetRequest(devices, values, request));
    norvik::test::RecordingMessages messages;
    EXPECT_EQ(norvik::Send(norvik::kPcEditSender, request, messages), 74);
    EXPECT_TRUE(messages.messages().empty());
    EXPECT_TRUE(messages.diagnostics().empty());
    EXPECT_TRUE(lans_[1].simulator->WaitForOutput("applied " + mac, 5s));
    EXPECT_EQ(Each(Scan(), "ip")[mac], "172.16.0.99");
}

// A card taken down while the program runs is left out of the next search without a word to
// the person; its devices are simply not heard any more.
TEST_F(TwoLans, ACardTakenDownMidRunIsLeftOutOfTheNextSearch) {
    norvik::ListLock lock("");
    norvik::MemoryListView view;
    norvik::test::RecordingMessages messages;
    messages.RecordTrace();
    norvik::Discovery discovery(lock, view, messages, [](int) {});
    const auto started = discovery.Start();
    ASSERT_TRUE(started.pcedit_receiver && started.receiver_3297);
    const auto rows = [&] {
        std::lock_guard guard(lock);
        return view.ItemCount();
    };
    ASSERT_TRUE(norvik::test::WaitFor([&] { return rows() == 4; }));
    const std::size_t traced_before = messages.trace().size();

    ASSERT_TRUE(Ran({Which("ip"), "link", "set", "nvk-b", "down"}));
    // Search, as the window does it: the list emptied, both requests sent again.
    {
        std::lock_guard guard(lock);
        discovery.devices().FreeAllRecords();
        view.DeleteAllItems();
    }
    norvik::SendRequest(norvik::kPcEditSender,
                        discovery.pcedit_request().Update(norvik::pcedit::PrepareSearchCommand),
                        messages);
    norvik::SendRequest(norvik::k3297Sender,
                        discovery.request_3297().Update(norvik::p3297::BuildSearchRequest),
                        messages);
    ASSERT_TRUE(norvik::test::WaitFor([&] { return rows() == 2; }));
    std::this_thread::sleep_for(500ms);  // LAN B's devices would have answered by now
    EXPECT_EQ(rows(), 2);
    {
        std::lock_guard guard(lock);
        for (const norvik::DeviceRecord& device : discovery.devices()) {
            EXPECT_EQ(norvik::InterfaceName(device.interface_index), "nvk-a");
        }
    }
    discovery.Stop();
    EXPECT_TRUE(messages.messages().empty());
    EXPECT_TRUE(messages.output().empty());
    EXPECT_TRUE(messages.diagnostics().empty());
    const auto trace = messages.trace();
    EXPECT_EQ(std::count_if(trace.begin() + static_cast<std::ptrdiff_t>(traced_before), trace.end(),
                            [](const std::string& line) {
                                return line.find("through nvk-b") != std::string::npos;
                            }),
              0);
}

// A camera switch without a DHCP server leaves the card cabled to it without an address: its
// devices are still searched, and set by MAC, through that card. A card that is up without a
// link reaches nobody and is left out.
TEST_F(TwoLans, ACardWithoutAnAddressIsSearchedAndSetThrough) {
    const std::string ip = Which("ip");
    ASSERT_TRUE(Ran({ip, "addr", "flush", "dev", "nvk-b"}));
    ASSERT_TRUE(Ran({ip, "link", "add", "nvk-c", "type", "veth", "peer", "name", "nvk-c-peer"}));
    ASSERT_TRUE(Ran({ip, "link", "set", "nvk-c", "up"}));  // its peer stays down: no link
    const ProcessResult scan = Scan({"--trace"});
    ASSERT_EQ(scan.exit_code, 0) << scan.err;
    EXPECT_EQ(Each(scan, "interface"), EachDeviceOnItsLansCard());
    EXPECT_EQ(Count(scan.err, "through nvk-b: sent"), 2u) << scan.err;
    EXPECT_EQ(Count(scan.err, "through nvk-c"), 0u) << scan.err;
    // Without a log of its own, a run as root would append to this machine's audit log.
    const ProcessResult set =
        RunProcess(Command({NORVIK_TOOL_NORVIK_SET, "00:1a:07:0b:00:01", "--name", "b-renamed",
                            "--timeout", "1", "--no-audit"}));
    EXPECT_EQ(set.exit_code, 0) << set.err;
    EXPECT_TRUE(lans_[1].simulator->WaitForOutput("applied 00:1a:07:0b:00:01", 5s));
}

// A card that is a bridge's port is searched through the bridge alone: a device behind it
// hears each request once, not once more through the port.
TEST_F(TwoLans, ABridgesPortIsSearchedThroughTheBridgeAlone) {
    const std::string ip = Which("ip");
    if (RunProcess(Command({ip, "link", "add", "nvk-br", "type", "bridge"})).exit_code != 0) {
        NORVIK_SKIP_UNLESS_REQUIRED("this kernel cannot make a bridge");
    }
    ASSERT_TRUE(Ran({ip, "addr", "flush", "dev", "nvk-b"}));
    ASSERT_TRUE(Ran({ip, "link", "set", "nvk-b", "master", "nvk-br"}));
    ASSERT_TRUE(Ran({ip, "addr", "add", "10.2.0.1/24", "dev", "nvk-br"}));
    ASSERT_TRUE(Ran({ip, "link", "set", "nvk-br", "up"}));
    const ProcessResult scan = Scan({"--trace"});
    ASSERT_EQ(scan.exit_code, 0) << scan.err;
    EXPECT_EQ(Each(scan, "interface")["00:1a:07:0b:00:01"], "nvk-br") << scan.err;
    EXPECT_EQ(Count(scan.err, "through nvk-br: sent"), 2u) << scan.err;
    EXPECT_EQ(Count(scan.err, "through nvk-b:"), 0u) << scan.err;
    const ProcessResult heard = lans_[1].simulator->Stop();
    EXPECT_EQ(Count(heard.err, "PCEdit search"), 1u) << heard.err;
    EXPECT_EQ(Count(heard.err, "3297 search"), 1u) << heard.err;
}

// ONVIF cameras on both LANs: on LAN A the device at .2 answers PCEdit and ONVIF from the card
// whose MAC it reports; on LAN B a camera of ONVIF alone, and Debian's wsdd, a real
// WS-Discovery responder for a Windows PC, which is no camera.
class TwoLansWithCameras : public TwoLans {
protected:
    TwoLansWithCameras() {
        lans_[0].mac = "02:00:00:0a:00:09";
        lans_[0].devices +=
            "pcedit mac=02:00:00:0a:00:09 ip=10.1.0.2 name=a-both\n"
            "onvif endpoint=urn:uuid:0000000a-0000-4000-8000-000000000009 name=a-both-onvif "
            "hardware=NV-1 mac=02:00:00:0a:00:09\n";
        lans_[1].mac = "02:00:00:0b:00:09";
        lans_[1].devices +=
            "onvif endpoint=urn:uuid:0000000b-0000-4000-8000-000000000009 "
            "name=\"Tor Süd\" hardware=NV-2 location=\"Halle 3/Ost\"\n";
    }
};

TEST_F(TwoLansWithCameras, ACameraWithADevicesMacIsThatDeviceAndTheOtherStandsAlone) {
    const ProcessResult scan = Scan({"--trace"});
    ASSERT_EQ(scan.exit_code, 0) << scan.err;
    const auto devices = norvik::test::ScannedDevicesByMac(scan.out);
    // Four devices of the two protocols, one of them with its camera, and one camera alone:
    // its MAC from the neighbour table, as it is on card B's subnet.
    ASSERT_EQ(devices.size(), 6u) << scan.out;
    const nlohmann::json& both = devices.find("02:00:00:0a:00:09")->second;
    EXPECT_EQ(both.at("protocols"), nlohmann::json({"pcedit", "onvif"}));
    EXPECT_EQ(both.at("endpoint"), "urn:uuid:0000000a-0000-4000-8000-000000000009");
    EXPECT_EQ(both.at("name"), "a-both");
    EXPECT_EQ(both.at("hardware"), "NV-1");
    EXPECT_EQ(both.at("warnings"), nlohmann::json::array());
    const nlohmann::json& alone = devices.find("02:00:00:0b:00:09")->second;
    EXPECT_TRUE(alone.at("list_index").is_null());
    EXPECT_EQ(alone.at("protocols"), nlohmann::json({"onvif"}));
    EXPECT_EQ(alone.at("ip"), "10.2.0.2");
    EXPECT_EQ(alone.at("interface"), "nvk-b");
    EXPECT_EQ(alone.at("name"), "Tor Süd");
    EXPECT_EQ(alone.at("location"), "Halle 3/Ost");
    EXPECT_EQ(alone.at("xaddrs"), nlohmann::json({"http://10.2.0.2/onvif/device_service"}));
    EXPECT_EQ(alone.at("warnings"), nlohmann::json::array());
    // The Probe went out through each card once.
    for (const Lan& lan : lans_) {
        EXPECT_EQ(Count(scan.err, "port 3702: Probe sent through " + lan.card), 1u) << scan.err;
    }
    // The rows: the device's row names its camera; the camera alone has a row "-".
    const ProcessResult rows = RunProcess(
        Command({NORVIK_TOOL_NORVIK_SCAN, "--timeout", "1", "--protocols", "pcedit,onvif"}));
    ASSERT_EQ(rows.exit_code, 0) << rows.err;
    EXPECT_TRUE(Contains(rows.out,
                         "\ta-both\t010.001.000.002\tonvif: "
                         "urn:uuid:0000000a-0000-4000-8000-000000000009\n"));
    EXPECT_TRUE(Contains(rows.out,
                         "-\tTor Süd\t010.002.000.002\tonvif: "
                         "urn:uuid:0000000b-0000-4000-8000-000000000009\n"));
    EXPECT_FALSE(Contains(rows.out, "a-3297")) << "the 3297 search was not asked for";
}

// The systemd service's /proc shows processes alone (ProcSubset=pid): no /proc/net there, and
// the camera's MAC is found all the same.
TEST_F(TwoLansWithCameras, TheCamerasMacIsFoundWhereProcShowsProcessesAlone) {
    const ProcessResult scan =
        RunProcess(Command({Which("unshare"), "--mount", "--pid", "--fork", Which("sh"), "-c",
                            "mount -t proc -o subset=pid proc /proc && ! test -e /proc/net && "
                            "exec \"$0\" --json --timeout 1",
                            NORVIK_TOOL_NORVIK_SCAN}));
    ASSERT_EQ(scan.exit_code, 0) << scan.err;
    EXPECT_EQ(norvik::test::ScannedDevicesByMac(scan.out).count("02:00:00:0b:00:09"), 1u)
        << scan.out;
}

TEST_F(TwoLansWithCameras, AWindowsResponderIsNoCameraAndAHelloOrByeIsToldAtOnce) {
    if (::access(NORVIK_WSDD, R_OK) != 0) {
        NORVIK_SKIP_UNLESS_REQUIRED("Debian's wsdd was not found (./dev.sh test unpacks it)");
    }
    BackgroundProcess watch(Command({NORVIK_TOOL_NORVIK_WATCH, "--interval", "60", "--timeout", "1",
                                     "--json-lines", "--trace"}));
    // The first search: every device and camera added.
    ASSERT_TRUE(watch.WaitForOutput("0000000b-0000-4000-8000-000000000009", 10s));
    // wsdd in LAN B announces a Windows PC: heard, and dropped as no camera.
    BackgroundProcess wsdd(Command(
        lans_[1].Inside({"python3", NORVIK_WSDD, "-i", "lan0", "-4", "--no-http", "-n", "DESK"})));
    ASSERT_TRUE(watch.WaitForError("not an ONVIF NetworkVideoTransmitter", 10s))
        << "wsdd's Hello was not heard";
    // LAN B's simulator ends: its camera's Bye makes it lost now, not after --lost-after
    // searches of 60 seconds.
    const auto stopped = std::chrono::steady_clock::now();
    lans_[1].simulator->Stop();
    ASSERT_TRUE(watch.WaitForOutput("\"event\":\"lost\"", 10s));
    EXPECT_LT(std::chrono::steady_clock::now() - stopped, 5s);
    // It comes back: its Hello makes it back at once.
    lans_[1].simulator = std::make_unique<BackgroundProcess>(Command(lans_[1].Inside(
        {NORVIK_TOOL_NORVIK_DEVSIM, "--real-network", "--file", lans_[1].devices})));
    ASSERT_TRUE(watch.WaitForOutput("\"event\":\"back\"", 10s));
    wsdd.Stop();
    const ProcessResult result = watch.Stop();
    const auto events = norvik::test::JsonLines(result.out);
    std::vector<std::string> camera_events;
    for (const nlohmann::ordered_json& event : events) {
        EXPECT_FALSE(Contains(event.at("device").value("name", ""), "DESK"));
        if (event.at("device").value("endpoint", "") ==
            "urn:uuid:0000000b-0000-4000-8000-000000000009") {
            camera_events.push_back(event.at("event").get<std::string>() + " " +
                                    event.at("protocol").get<std::string>() + " " +
                                    event.at("mac").get<std::string>());
        }
    }
    EXPECT_EQ(camera_events, (std::vector<std::string>{"added onvif 02:00:00:0b:00:09",
                                                       "lost onvif 02:00:00:0b:00:09",
                                                       "back onvif 02:00:00:0b:00:09"}))
        << result.out;
    // wsdd's PC is in no event: the first search's 6 devices added, then the camera's lost
    // and back.
    EXPECT_EQ(events.size(), 8u) << result.out;
}

}  // namespace
