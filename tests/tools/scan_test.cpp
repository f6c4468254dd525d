// norvik-scan against the device simulator, inside the suite's private network namespace.
#include <gtest/gtest.h>

#include <algorithm>

#include <nlohmann/json.hpp>

#include <fstream>
#include <map>
#include <set>
#include <thread>

#include "scan_json.h"
#include "simulated_devices.h"
#include "skip_unless_required.h"
#include "subprocess.h"
#include "test_files.h"
#include "text_assertions.h"
#include "udp_peer.h"

namespace {

using namespace std::chrono_literals;
using norvik::test::BackgroundProcess;
using norvik::test::Contains;
using norvik::test::ProcessOptions;
using norvik::test::ProcessResult;
using norvik::test::RunProcess;
using norvik::test::ScannedDevicesByMac;
using norvik::test::SimulatedDevices;
using norvik::test::TemporaryDirectory;

const std::string kData = std::string(NORVIK_TEST_DATA_DIR) + "/devsim/";

ProcessOptions Scan(std::vector<std::string> args) {
    return norvik::test::Command(NORVIK_TOOL_NORVIK_SCAN, std::move(args));
}

// The simulator with these arguments, ready.
std::unique_ptr<BackgroundProcess> Simulate(std::vector<std::string> args) {
    auto devices = std::make_unique<BackgroundProcess>(
        norvik::test::Command(NORVIK_TOOL_NORVIK_DEVSIM, std::move(args)));
    EXPECT_TRUE(devices->WaitForOutput("ready\n", 10s));
    return devices;
}

std::multiset<std::string> Lines(const std::string& text) {
    std::multiset<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.insert(text.substr(start, end - start));
    }
    return lines;
}

std::multiset<std::string> Macs(const ProcessResult& scan) {
    std::multiset<std::string> macs;
    for (const auto& [mac, device] : ScannedDevicesByMac(scan.out)) {
        macs.insert(mac);
    }
    return macs;
}

TEST(Scan, PrintsTheRowsAsTextOrTheDocumentedJson) {
    const SimulatedDevices devices(
        "pcedit mac=00:11:22:33:44:55 ip=192.168.1.10 netmask=255.255.255.0 "
        "gateway=192.168.1.1 name=cam-1 port=80 port2=0 dns1=8.8.8.8 dns2=0.0.0.0 dhcp=0 "
        "tag=AB\n");
    const ProcessResult text = RunProcess(Scan({"--timeout", "1"}));
    EXPECT_EQ(text.exit_code, 0) << text.err;
    // No card of the private network's PC (it has the loopback alone) holds the address.
    EXPECT_EQ(text.out, "1\tcam-1\t192.168.001.010\twarnings: outside-every-card\n");
    const ProcessResult scan = RunProcess(Scan({"--json", "--timeout", "1"}));
    EXPECT_EQ(scan.exit_code, 0) << scan.err;
    EXPECT_EQ(scan.out,
              "{\"rows\":[{\"number\":\"1\",\"name\":\"cam-1\",\"address\":\"192.168.001.010\"}],"
              "\"devices\":[{\"list_index\":0,\"tag\":\"AB\",\"ip\":\"192.168.1.10\",\"netmask\":"
              "\"255.255.255.0\",\"gateway\":\"192.168.1.1\",\"mac\":\"00:11:22:33:44:55\","
              "\"name\":\"cam-1\",\"name_hex\":\"63616d2d3100000000000000000000000000\","
              "\"dns_enabled\":1,\"dns1\":\"8.8.8.8\",\"dns2\":\"0.0.0.0\",\"http_port\":80,"
              "\"port2\":0,\"dhcp_on\":0,\"dhcp_supported\":1,\"interface\":\"lo\","
              "\"protocols\":[\"pcedit\"],\"warnings\":[\"outside-every-card\"]}],"
              "\"dropped_devices\":0}\n");
    EXPECT_EQ(scan.err, "");
}

// A name's tab or line end cannot split or forge a row, nor a plan row in the CSV: a device's
// name and a camera's are printed quoted.
TEST(Scan, ANameWithALineEndStaysInItsRow) {
    const SimulatedDevices devices(
        "pcedit mac=02:00:00:00:00:09 ip=192.168.1.10 name_hex=610a3209620a\n"
        "onvif endpoint=urn:uuid:cam "
        "scopes=\"onvif://www.onvif.org/name/c%0A02:00:00:00:00:01\"\n");
    const ProcessResult text = RunProcess(Scan({"--timeout", "1"}));
    EXPECT_EQ(text.exit_code, 0) << text.err;
    EXPECT_TRUE(
        Contains(text.out, "1\t\"a\\n2\\tb\\n\"\t192.168.001.010\twarnings: outside-every-card\n"));
    EXPECT_TRUE(Contains(text.out, "-\t\"c\\n02:00:00:00:00:01\"\t"));
    EXPECT_EQ(std::count(text.out.begin(), text.out.end(), '\n'), 2) << text.out;
    const ProcessResult csv = RunProcess(Scan({"--timeout", "1", "--csv"}));
    EXPECT_TRUE(Contains(csv.out, " \"c\\n02:00:00:00:00:01\" \"urn:uuid:cam\"\n"));
    EXPECT_EQ(csv.out.find("\n02:00:00:00:00:01"), std::string::npos) << csv.out;
}

// Each kind of warning, in the text, the JSON; and the CSV a plan file is made from.
TEST(Scan, WarnsOfWhatIsWrongWithEachDeviceAndWritesThePlanColumns) {
    const SimulatedDevices devices(
        "pcedit mac=02:00:00:00:00:01 ip=192.168.1.10 gateway=192.168.2.1 "
        "name=\"a, \\\"b\\\"\"\n"
        "pcedit mac=02:00:00:00:00:02 ip=192.168.1.10 netmask=255.0.255.0\n"
        "3297 mac=02:00:00:00:00:03 ip=169.254.3.4 netmask=255.255.0.0 dhcp=1\n"
        "pcedit mac=02:00:00:00:00:04 ip=0.0.0.0 length=60\n");
    const ProcessResult scan = RunProcess(Scan({"--json", "--timeout", "1"}));
    EXPECT_EQ(scan.exit_code, 0) << scan.err;
    std::map<std::string, std::string> warnings;
    for (const auto& [mac, device] : ScannedDevicesByMac(scan.out)) {
        for (const nlohmann::json& warning : device.at("warnings")) {
            warnings[mac] += warning.get<std::string>() + " ";
        }
    }
    EXPECT_EQ(warnings,
              (std::map<std::string, std::string>{
                  {"02:00:00:00:00:01", "duplicate-ip outside-every-card gateway-outside-subnet "},
                  {"02:00:00:00:00:02", "duplicate-ip outside-every-card netmask-not-contiguous "},
                  {"02:00:00:00:00:03", "link-local outside-every-card "},
                  {"02:00:00:00:00:04", "no-address "}}));
    const ProcessResult text = RunProcess(Scan({"--timeout", "1"}));
    EXPECT_TRUE(Contains(text.out, "\t000.000.000.000\twarnings: no-address\n"));
    const ProcessResult csv = RunProcess(Scan({"--csv", "--timeout", "1"}));
    EXPECT_EQ(csv.exit_code, 0) << csv.err;
    EXPECT_EQ(
        Lines(csv.out),
        (std::multiset<std::string>{
            "mac,name,ip,netmask,gateway,dns1,dns2,port,mode",
            "02:00:00:00:00:01,\"a, \"\"b\"\"\",192.168.1.10,255.255.255.0,192.168.2.1,0.0.0.0,"
            "0.0.0.0,80,static",
            "02:00:00:00:00:02,,192.168.1.10,255.0.255.0,0.0.0.0,0.0.0.0,0.0.0.0,80,static",
            "02:00:00:00:00:03,,169.254.3.4,255.255.0.0,0.0.0.0,0.0.0.0,0.0.0.0,80,dhcp",
            // A 60-byte report carries neither DNS servers nor the mode.
            "02:00:00:00:00:04,,0.0.0.0,255.255.255.0,0.0.0.0,,,80,"}));
    EXPECT_EQ(csv.out.rfind("mac,", 0), 0u) << "the header comes first";
}

TEST(Scan, OddDatagramsAreDroppedOrListedByTheRules) {
    const auto devices = Simulate({"--file", kData + "odd_reports.txt", "--count", "2"});
    const ProcessResult scan = RunProcess(Scan({"--json", "--timeout", "1.5"}));
    EXPECT_EQ(scan.exit_code, 0) << scan.err;
    const auto by_mac = ScannedDevicesByMac(scan.out);
    // Short, long and oversized datagrams, the re-numbering report of an unknown device,
    // unknown types and the raw fragment are all dropped; the device whose first address
    // octet is 0 is listed at every report.
    EXPECT_EQ(Macs(scan), (std::multiset<std::string>{"00:00:00:00:01:02", "00:00:00:00:01:04",
                                                      "00:00:00:00:01:04", "00:00:00:00:01:05",
                                                      "00:00:00:00:01:06", "00:00:00:00:02:03"}));
    ASSERT_EQ(by_mac.size(), 6u);
    const nlohmann::json& junk = by_mac.find("00:00:00:00:01:05")->second;
    EXPECT_EQ(junk.at("name").get<std::string>(), "cam");
    EXPECT_EQ(junk.at("name_hex").get<std::string>(), "63616d000000000000000000000000000000");
    EXPECT_EQ(by_mac.find("00:00:00:00:01:06")->second.at("name").get<std::string>(),
              "abcdefghijklmnopqr");
    const nlohmann::json& minimal = by_mac.find("00:00:00:00:01:02")->second;
    EXPECT_EQ(minimal.at("dns_enabled").get<long long>(), 0);
    EXPECT_EQ(minimal.at("dhcp_supported").get<long long>(), 0);
    // Each type-3 report tells of the refused setting on standard error, with its device and
    // its meaning.
    const std::string refusal =
        "norvik-scan: 00:00:00:00:02:03 answers \"設定失敗:帳號密碼錯誤\" "
        "(the setting failed: wrong account or password)\n";
    EXPECT_EQ(scan.err, refusal + refusal);
}

// Both copies share the ports and the list lock; each lists every device of both protocols.
TEST(Scan, TwoCopiesAtOnceBothListEveryDevice) {
    const auto devices = Simulate({"--pcedit", "20", "--3297", "20"});
    BackgroundProcess first(Scan({"--json", "--timeout", "1.5"}));
    BackgroundProcess second(Scan({"--json", "--timeout", "1.5"}));
    for (BackgroundProcess* scan : {&first, &second}) {
        const ProcessResult result = scan->Wait(10s);
        EXPECT_EQ(result.exit_code, 0) << result.err;
        const auto macs = Macs(result);
        EXPECT_EQ(macs.size(), 40u);
        EXPECT_EQ(std::set<std::string>(macs.begin(), macs.end()).size(), 40u);
    }
}

// An nftables table in the suite's namespace that drops every datagram to the two ports, as a
// local firewall would, for as long as it lives.
class PortsDropped {
public:
    PortsDropped() {
        const ProcessResult nft =
            Nft("add table inet norvik_test { chain input { type filter "
                "hook input priority 0; udp dport { 4022, 4023 } drop; }; }");
        added_ = nft.exit_code == 0;
        error_ = nft.err;
    }
    ~PortsDropped() {
        if (added_) {
            EXPECT_EQ(Nft("delete table inet norvik_test").exit_code, 0);
        }
    }
    bool added() const { return added_; }
    const std::string& error() const { return error_; }

private:
    static ProcessResult Nft(const std::string& command) {
        return RunProcess(norvik::test::Command("/usr/sbin/nft", {command}));  // Debian's nftables
    }
    bool added_ = false;
    std::string error_;
};

TEST(Scan, WhenAFirewallDropsEveryReportItSaysWhereToLook) {
    const auto devices = Simulate({"--pcedit", "2", "--3297", "2"});
    {
        const PortsDropped firewall;
        if (!firewall.added()) {
            // Where the kernel lets no user namespace load nf_tables, for example.
            NORVIK_SKIP_UNLESS_REQUIRED("nft cannot add a rule here: " + firewall.error());
        }
        const ProcessResult scan = RunProcess(Scan({"--json", "--timeout", "0.8"}));
        EXPECT_EQ(scan.exit_code, 0) << scan.err;
        EXPECT_TRUE(ScannedDevicesByMac(scan.out).empty()) << scan.out;
        // The test's network has no card but loopback, which the words name first.
        EXPECT_EQ(scan.err,
                  "norvik-scan: no report arrived on any network card within 0.8 s. No network "
                  "card of this computer is up with a link (a cable in, a Wi-Fi network joined) "
                  "and able to broadcast.\n"
                  "norvik-scan: a firewall on this computer may drop the devices' reports to UDP "
                  "ports 4022 and 4023; as root, see what these show:\n"
                  "nft list ruleset\n"
                  "iptables -L INPUT -n -v\n"
                  "firewall-cmd --list-all\n"
                  "norvik-scan: with firewalld, this lets them in: "
                  "firewall-cmd --add-port=4022-4023/udp\n");
    }
    // With the rule gone the same devices answer, and there is nothing to explain.
    const ProcessResult scan = RunProcess(Scan({"--json", "--timeout", "0.8"}));
    EXPECT_EQ(ScannedDevicesByMac(scan.out).size(), 4u);
    EXPECT_EQ(scan.err, "");
}

// Datagrams that list nothing still show that the ports are open: no word about a firewall.
TEST(Scan, DroppedDatagramsAreNoSilence) {
    BackgroundProcess scan(Scan({"--json", "--timeout", "1"}));
    norvik::test::UdpPeer sender;
    // Some while the scanner is surely listening: too short for a report, so dropped.
    for (int i = 0; i < 5; ++i) {
        std::this_thread::sleep_for(100ms);
        ASSERT_TRUE(sender.Broadcast({'n', 'o', 'i', 's', 'e'}, 4022));
    }
    const ProcessResult result = scan.Wait(10s);
    EXPECT_EQ(result.exit_code, 0) << result.err;
    EXPECT_TRUE(ScannedDevicesByMac(result.out).empty());
    EXPECT_EQ(result.err, "");
}

TEST(Scan, AHeldPortEndsTheScanNamingThePortAndWhatToDo) {
    const norvik::test::UdpPeer holder(4023, /*share=*/false);
    ASSERT_TRUE(holder.bound());
    for (const bool json : {false, true}) {
        const ProcessResult scan =
            RunProcess(Scan(json ? std::vector<std::string>{"--timeout", "2", "--json"}
                                 : std::vector<std::string>{"--timeout", "2"}));
        EXPECT_EQ(scan.exit_code, 1);
        EXPECT_TRUE(Contains(scan.err, "norvik-scan: ERROR:  98 bind() failed\n"));
        EXPECT_TRUE(Contains(scan.err,
                             "norvik-scan: UDP port 4023 cannot be used: Address "
                             "already in use (error 98). Another program holds it"));
        const auto document = nlohmann::json::parse(scan.out, nullptr, false);
        EXPECT_EQ(json ? document.value("exit_code", 0) : 0, json ? 1 : 0) << scan.out;
        EXPECT_EQ(scan.out.empty(), !json);
    }
}

// ONVIF replies come from anyone on the LAN: each bad one is dropped with its reason in the
// trace, and the cameras that answer properly are listed all the same, a flood of made-up ones
// included (each once, none past the list's bound).
TEST(Scan, HostileOnvifRepliesAreDroppedWithTheirReasonsAndTheCamerasStay) {
    const TemporaryDirectory dir;
    const std::string file = (dir / "onvif.txt").string();
    std::ofstream(file)
        << "onvif endpoint=urn:uuid:good name=\"Tor Süd\" hardware=NV-100\n"
           // An entity bomb.
           "onvif_raw text=\"<?xml version='1.0'?><!DOCTYPE l [<!ENTITY a 'aaaaaaaaaa'>"
           "<!ENTITY b '&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;'>]><l>&b;</l>\"\n"
           // Malformed, and a reply without an endpoint.
           "onvif_raw text=\"<s:Envelope><unclosed>\"\n"
           "onvif_raw text=\"<s:Envelope xmlns:s='http://www.w3.org/2003/05/soap-envelope' "
           "xmlns:d='http://schemas.xmlsoap.org/ws/2005/04/discovery'><s:Body><d:ProbeMatches>"
           "<d:ProbeMatch><d:Types>NetworkVideoTransmitter</d:Types></d:ProbeMatch>"
           "</d:ProbeMatches></s:Body></s:Envelope>\"\n"
           // Past the size of any reply: 9000 bytes.
           "onvif_raw text=\"<!-- padding -->\" repeat=563\n";
    const auto devices = Simulate({"--file", file, "--onvif-flood", "300"});
    const ProcessResult scan =
        RunProcess(Scan({"--json", "--trace", "--timeout", "2", "--protocols", "onvif"}));
    ASSERT_EQ(scan.exit_code, 0) << scan.err;
    for (const char* reason :
         {"dropped: a document type declaration (refused)", "dropped: not well-formed XML",
          "dropped: no ProbeMatches, Hello or Bye with an endpoint",
          "dropped: too long (over 1000 bytes; WS-Discovery: over 8192)"}) {
        EXPECT_TRUE(Contains(scan.err, reason));
    }
    const nlohmann::json document = nlohmann::json::parse(scan.out);
    std::set<std::string> endpoints;
    std::size_t flood = 0;
    for (const nlohmann::json& device : document.at("devices")) {
        const std::string endpoint = device.at("endpoint").get<std::string>();
        EXPECT_TRUE(endpoints.insert(endpoint).second) << endpoint << " listed twice";
        flood += endpoint.rfind("urn:uuid:f1000d00-", 0) == 0 ? 1 : 0;
        EXPECT_TRUE(device.at("mac").is_null()) << "no neighbour table on loopback";
    }
    ASSERT_TRUE(endpoints.count("urn:uuid:good")) << scan.out;
    // On loopback the replies seldom overflow the socket's buffer; a few may.
    EXPECT_GT(flood, 250u);
    EXPECT_LE(flood, 300u);
    EXPECT_EQ(document.at("rows"), nlohmann::json::array()) << "--protocols onvif: no device rows";
}

// A search that went out through no card is a failure: said, exit 1, and standard output
// keeps only data.
TEST(Scan, WithoutARouteTheSearchFailsAndSaysWhy) {
    ProcessOptions options = Scan({"--timeout", "0.3"});
    options.args.insert(options.args.begin(), {NORVIK_TOOL_NORVIK_NETNS, "--no-broadcast-route"});
    const ProcessResult scan = RunProcess(options);
    EXPECT_EQ(scan.exit_code, 1) << scan.err;
    EXPECT_EQ(scan.out, "");
    // Any of the three searches may fail first: the receive threads' and the ONVIF Probe.
    EXPECT_TRUE(Contains(
        scan.err, " went out through no network card: Network is unreachable (error 101)\n"));
    EXPECT_TRUE(Contains(scan.err, "norvik-scan: the request to port "));
    // The PCEdit sender's own lines come in their order, on standard error.
    EXPECT_LT(scan.err.find("ERROR:  sendto failed -1,errno:101"),
              scan.err.find("again:  sendto st -1,errno:101"));
}

// Standard output that cannot take the rows is a failure, said on standard error.
TEST(Scan, AFullDiskOrAClosedPipeIsAFailure) {
    const std::string scan = std::string(NORVIK_TOOL_NORVIK_SCAN) + " --timeout 0.2";
    const ProcessResult full =
        RunProcess(norvik::test::Command({"/bin/sh", "-c", scan + " --version >/dev/full"}));
    EXPECT_EQ(full.exit_code, 1);
    EXPECT_EQ(full.err, "norvik-scan: cannot write to standard output: No space left on device\n");
    // The document written as it goes tells its failure in the same words.
    const ProcessResult full_json = RunProcess(
        norvik::test::Command({"/bin/sh", "-c", scan + " --json --protocols pcedit >/dev/full"}));
    EXPECT_EQ(full_json.exit_code, 1);
    EXPECT_TRUE(Contains(full_json.err,
                         "norvik-scan: cannot write to standard output: No space left on device\n"))
        << full_json.err;
    // The reader is gone before the rows come.
    const ProcessResult closed = RunProcess(norvik::test::Command(
        {"/bin/sh", "-c", "(sleep 0.5; " + scan + " --version; echo $? >&2) | true"}));
    EXPECT_TRUE(
        Contains(closed.err, "norvik-scan: cannot write to standard output: Broken pipe\n1\n"));
}

TEST(Scan, WithoutFileDescriptorsTheSocketFailureEndsTheScan) {
#ifdef NORVIK_SANITIZED
    GTEST_SKIP() << "the sanitizers' own checks need file descriptors this test takes away";
#endif
    ProcessOptions options = Scan({"--timeout", "2"});
    // The standard streams and one more, which the loader needs: later it holds one socket
    // at most, so every other socket() fails.
    options.max_open_files = 4;
    const ProcessResult scan = RunProcess(options);
    EXPECT_EQ(scan.exit_code, 1);
    EXPECT_TRUE(Contains(scan.err,
                         "norvik-scan: ERROR:  24 socket() failed\n"
                         "norvik-scan: ERROR:  24 SOCKET test fails\n"));
}

// Bad options are said in the program's own words; with --json standard output still gets
// one JSON object.
TEST(Scan, RejectsBadOptionsInItsOwnWords) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--timeout"}, "norvik-scan: --timeout: needs a value\n"},
        {{"--timeout", "x"}, "norvik-scan: --timeout: takes seconds from 0 to 86400, not \"x\"\n"},
        {{"--bogus"}, "norvik-scan: not an option or value it takes: --bogus\n"},
        // The first of several, as written, not in the parser's order.
        {{"--time", "1"}, "norvik-scan: not an option or value it takes: --time\n"},
        // A flag takes no value: "--json=no" is no way to ask for text.
        {{"--json=no", "--timeout", "-1"}, "norvik-scan: --json: takes no value\n"},
        {{"--json", "--csv"}, "norvik-scan: --json and --csv cannot go together\n"},
    };
    for (const auto& [args, said] : cases) {
        const ProcessResult scan = RunProcess(Scan(args));
        EXPECT_EQ(scan.exit_code, 2);
        EXPECT_EQ(scan.err, said + "Run with --help for more.\n");
        const bool json = std::find(args.begin(), args.end(), "--json") != args.end();
        EXPECT_EQ(scan.out.empty(), !json);
        if (json) {
            EXPECT_EQ(nlohmann::json::parse(scan.out).value("exit_code", 0), 2) << scan.out;
        }
    }
    const ProcessResult version = RunProcess(Scan({"--version"}));
    EXPECT_EQ(version.exit_code, 0);
    EXPECT_EQ(version.out, "norvik-scan 3.0\n");
}

}  // namespace
