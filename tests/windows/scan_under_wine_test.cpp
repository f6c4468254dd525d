// norvik-scan.exe under Wine against the Linux device simulator, beside the Linux scanner, in
// the private network of tools/wine/norvik-wine.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>

#include "norvik_wine.h"
#include "subprocess.h"
#include "text_assertions.h"
#include "udp_peer.h"

namespace norvik::test {
namespace {

using namespace std::chrono_literals;

std::string WindowsScanner() {
    return WindowsBuildDir() + "/cli/scan/norvik-scan.exe";
}

ProcessOptions WindowsScan(std::vector<std::string> args) {
    args.insert(args.begin(), {NORVIK_RUN_WINDOWS_PROGRAM, WindowsScanner()});
    ProcessOptions options = norvik::test::Command(std::move(args));
    options.timeout = 60s;  // Wine's first start in a run takes a while
    return options;
}

ProcessOptions LinuxScan(std::vector<std::string> args) {
    return Command(NORVIK_TOOL_NORVIK_SCAN, std::move(args));
}

class ScanUnderWine : public testing::Test {
protected:
    void SetUp() override {
        if (!InsideNorvikWine()) {
            GTEST_SKIP() << "not inside tools/wine/norvik-wine: no Windows program runs here";
        }
        ASSERT_TRUE(std::filesystem::exists(WindowsScanner())) << WindowsScanner();
    }

    // Starts the simulator with the devices of a file of tests/data/devsim; by default those
    // of both protocols.
    void StartDevices(const std::string& file = "wine_scan.txt") {
        devices_ = std::make_unique<BackgroundProcess>(
            norvik::test::Command({NORVIK_TOOL_NORVIK_DEVSIM, "--file",
                                   std::string(NORVIK_TEST_DATA_DIR) + "/devsim/" + file}));
        ASSERT_TRUE(devices_->WaitForOutput("ready\n", 10s));
    }

    std::unique_ptr<BackgroundProcess> devices_;
};

// What a scan found, apart from the order of discovery, which the two protocols' answers
// interleave as they come: each device's record without its list_index, and each row's texts.
struct Found {
    std::map<std::string, nlohmann::json> devices;            // by MAC
    std::multiset<std::pair<std::string, std::string>> rows;  // name and address
    bool operator==(const Found&) const = default;
};

Found Parse(const std::string& document) {
    const nlohmann::json json = nlohmann::json::parse(document, nullptr, false);
    EXPECT_FALSE(json.is_discarded()) << document;
    Found found;
    if (json.is_discarded()) {
        return found;
    }
    std::set<long long> numbers;
    for (const nlohmann::json& row : json.at("rows")) {
        found.rows.emplace(row.at("name").get<std::string>(), row.at("address").get<std::string>());
        numbers.insert(std::stoll(row.at("number").get<std::string>()));
    }
    for (nlohmann::json device : json.at("devices")) {
        // Each device has the row its list_index numbers.
        EXPECT_EQ(numbers.count(device.at("list_index").get<long long>() + 1), 1u);
        device.erase("list_index");
        found.devices.emplace(device.at("mac").get<std::string>(), device);
    }
    return found;
}

// Text rows through a pipe: UTF-8, as the devices sent the names, and bare line feeds.
TEST_F(ScanUnderWine, ListsExactlyWhatTheLinuxScannerListsAndRowsReachAPipeAsUtf8) {
    StartDevices();
    const ProcessResult linux_scan = RunProcess(LinuxScan({"--json", "--timeout", "1.5"}));
    const ProcessResult windows_scan = RunProcess(WindowsScan({"--json", "--timeout", "1.5"}));
    ASSERT_EQ(linux_scan.exit_code, 0) << linux_scan.err;
    ASSERT_EQ(windows_scan.exit_code, 0) << windows_scan.err;
    EXPECT_EQ(windows_scan.err, "");
    const Found linux_found = Parse(linux_scan.out);
    EXPECT_EQ(linux_found.devices.size(), 6u);
    EXPECT_EQ(Parse(windows_scan.out), linux_found);
    EXPECT_EQ(linux_found.devices.at("00:11:22:33:55:02").at("name").get<std::string>(),
              "Ångström hall");
    // The card each was heard on: WSARecvMsg's IP_PKTINFO and the adapter's friendly name.
    EXPECT_EQ(linux_found.devices.at("00:11:22:33:55:02").at("interface").get<std::string>(), "lo");

    const ProcessResult scan = RunProcess(WindowsScan({"--timeout", "1.5"}));
    ASSERT_EQ(scan.exit_code, 0) << scan.err;
    // The private network's only card, the loopback, holds none of the addresses.
    EXPECT_TRUE(
        Contains(scan.out, "\tCámara Año\t192.168.001.020\twarnings: outside-every-card\n"));
    EXPECT_TRUE(
        Contains(scan.out, "\t攝影機 Kamera\t192.168.001.023\twarnings: outside-every-card\n"));
    EXPECT_FALSE(Contains(scan.out, "\r"));
}

// A reader gone before the output comes: said as on Linux, and a failure.
TEST_F(ScanUnderWine, AClosedPipeIsABrokenPipe) {
    const ProcessResult closed =
        RunProcess(Command({"/bin/sh", "-c", "(\"$0\" \"$1\" --version; echo $? >&2) | true",
                            NORVIK_RUN_WINDOWS_PROGRAM, WindowsScanner()}));
    EXPECT_TRUE(
        Contains(closed.err, "norvik-scan: cannot write to standard output: Broken pipe\n1\n"))
        << closed.err;
}

// ONVIF cameras answer the Windows scanner's Probe as they answer the Linux one's: Wine's
// loopback carries the multicast, and XmlLite reads what expat reads.
TEST_F(ScanUnderWine, ListsThePublishedOnvifCamerasAsTheLinuxScannerDoes) {
    StartDevices("wine_onvif.txt");
    const auto cameras = [](const ProcessResult& scan) {
        std::map<std::string, nlohmann::json> by_endpoint;
        const nlohmann::json json = nlohmann::json::parse(scan.out, nullptr, false);
        EXPECT_FALSE(json.is_discarded()) << scan.out;
        if (!json.is_discarded()) {
            for (const nlohmann::json& device : json.at("devices")) {
                by_endpoint.emplace(device.at("endpoint").get<std::string>(), device);
            }
        }
        return by_endpoint;
    };
    const std::vector<std::string> args = {"--json", "--timeout", "1.5", "--protocols", "onvif"};
    const ProcessResult linux_scan = RunProcess(LinuxScan(args));
    const ProcessResult windows_scan = RunProcess(WindowsScan(args));
    ASSERT_EQ(linux_scan.exit_code, 0) << linux_scan.err;
    ASSERT_EQ(windows_scan.exit_code, 0) << windows_scan.err;
    EXPECT_EQ(windows_scan.err, "");
    const auto found = cameras(windows_scan);
    EXPECT_EQ(found, cameras(linux_scan));
    ASSERT_EQ(found.size(), 2u) << windows_scan.out;
    const nlohmann::json& first = found.at("urn:uuid:6a1d0c1e-0000-4000-8000-000000000001");
    EXPECT_EQ(first.at("name"),
              "Tor S\xC3\xBC"
              "d");
    EXPECT_EQ(first.at("location"), "Halle 3/Ost");
    EXPECT_EQ(first.at("interface"), "lo");
    EXPECT_EQ(found.at("urn:uuid:6a1d0c1e-0000-4000-8000-000000000002").at("name"), "a&b <c>");
}

// On a console (here a terminal that Wine's console serves) the names show as they are, whatever
// the console's code page.
TEST_F(ScanUnderWine, RowsReachAConsoleIntact) {
    StartDevices();
    ProcessOptions options;
    options.args = {
        "/usr/bin/script",
        "--quiet",
        "--return",
        "--command",
        std::string(NORVIK_RUN_WINDOWS_PROGRAM) + " " + WindowsScanner() + " --timeout 1.5",
        "/dev/null"};
    options.extra_env = {"LANG=C.UTF-8"};
    options.timeout = 60s;
    const ProcessResult scan = RunProcess(options);
    ASSERT_EQ(scan.exit_code, 0) << scan.err;
    for (const char* name : {"Cámara Año", "Ångström hall", "攝影機 Kamera"}) {
        EXPECT_TRUE(Contains(scan.out, name));
    }
}

// A Linux program holds the port without sharing it. Windows Sockets report a port that its
// holder keeps to itself as WSAEACCES, whatever the holder is.
TEST_F(ScanUnderWine, AHeldPortEndsTheScanNamingThePortAndWhatToDo) {
    const UdpPeer holder(4023, /*share=*/false);
    ASSERT_TRUE(holder.bound());
    const ProcessResult scan = RunProcess(WindowsScan({"--timeout", "2"}));
    EXPECT_EQ(scan.exit_code, 1);
    EXPECT_TRUE(
        scan.err.starts_with("norvik-scan: ERROR:  10013 bind() failed\nnorvik-scan: UDP port "
                             "4023 cannot be used: "))
        << scan.err;
    EXPECT_TRUE(Contains(scan.err,
                         "(error 10013). Another program holds it without sharing it; "
                         "end that program and try again\n"));
    EXPECT_EQ(scan.out, "");
}

}  // namespace
}  // namespace norvik::test
