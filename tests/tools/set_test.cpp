// norvik-set against the device simulator, inside the suite's private network namespace: its
// request bytes against the window's Submit for the same edits, and each outcome.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <nlohmann/json.hpp>
#include <thread>

#include "dialog_rules.h"
#include "dialog_template.h"
#include "json_lines.h"
#include "memory_dialog_view.h"
#include "memory_list_view.h"
#include "pcedit.h"
#include "recording_messages.h"
#include "report_bytes.h"
#include "simulated_devices.h"
#include "subprocess.h"
#include "test_files.h"
#include "text_assertions.h"
#include "udp_peer.h"
#include "utf.h"

namespace norvik::test {
namespace {

using namespace std::chrono_literals;

// Device() of report_bytes.h named "cam", as the simulator's description file has it.
constexpr const char* kCamera =
    "mac=00:11:22:33:44:55 ip=192.168.1.10 netmask=255.255.255.0 gateway=192.168.1.1 name=cam "
    "port=80 dns1=8.8.8.8 dns2=0.0.0.0 dhcp=0 tag=AB";
constexpr const char* kCameraMac = "00:11:22:33:44:55";

ProcessOptions Set(std::vector<std::string> args) {
    args.insert(args.begin(), {NORVIK_TOOL_NORVIK_SET, "--audit", ScratchAuditLog()});
    ProcessOptions options = Command(std::move(args));
    options.timeout = 60s;
    return options;
}

std::string Hex(const Bytes& bytes) {
    std::string hex;
    for (const std::uint8_t b : bytes) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", b);
        hex += pair;
    }
    return hex;
}

// The window's Submit, through the dialog's rules over a window in memory: the request it
// sends for the camera with these edits, the question answered with OK.
std::optional<Bytes> WindowSubmit(const std::function<void(MemoryDialogView&)>& edit) {
    ListLock lock("");
    MemoryDialogView view;
    MemoryListView rows;
    RecordingMessages messages;
    Discovery discovery(lock, rows, messages, [](int) {});
    std::optional<Bytes> sent;
    DialogRules rules(
        view, {rows, [] {}}, lock, discovery, [&](const BroadcastSender& sender, ByteSpan request) {
            sent = Bytes(request.begin(), request.begin() + static_cast<long>(sender.length));
        });
    {
        std::lock_guard guard(lock);
        pcedit::HandleDatagram(discovery.report_context(), PcEditReport(Device().Named("cam")));
    }
    rules.OnListClick(rows.rows().at(0)[0]);
    edit(view);
    rules.OnSubmit();
    return sent;
}

// One table of edits, made in the window and given to norvik-set.
struct EditCase {
    const char* what;
    std::vector<std::string> options;
    std::function<void(MemoryDialogView&)> edit;
};

const std::vector<EditCase>& EditCases() {
    static const std::vector<EditCase> cases = {
        {"a new name", {"--name", "Hall"}, [](auto& v) { v.SetControlText(kNameEdit, u"Hall"); }},
        {"a name cut to 18 bytes of UTF-8, forced",
         {"--name", "Cámara de la entrada", "--force"},
         [](auto& v) { v.SetControlText(kNameEdit, u"Cámara de la entrada"); }},
        {"a new address in another subnet",
         {"--ip", "10.0.0.254", "--yes"},
         [](auto& v) { v.SetAddress(kIpControl, 0x0A0000FE); }},
        {"the netmask alone",
         {"--netmask", "255.255.0.0"},
         [](auto& v) { v.SetAddress(kNetmaskControl, 0xFFFF0000); }},
        {"a foreign gateway, answered yes",
         {"--gateway", "192.168.2.1", "--yes"},
         [](auto& v) { v.SetAddress(kGatewayControl, 0xC0A80201); }},
        {"port 65536, forced",
         {"--port", "65536", "--force"},
         [](auto& v) { v.SetControlText(kPort1Edit, u"65536"); }},
        {"port 0, forced",
         {"--port", "0", "--force"},
         [](auto& v) { v.SetControlText(kPort1Edit, u"0"); }},
        {"DNS 2 alone",
         {"--dns2", "1.1.1.1"},
         [](auto& v) { v.SetAddress(kDns2Control, 0x01010101); }},
        {"DHCP",
         {"--dhcp"},
         [](auto& v) {
             v.SetChecked(kDhcpRadio, true);
             v.SetChecked(kStaticRadio, false);
         }},
        {"everything at once",
         {"--name", "x", "--ip", "192.168.1.11", "--gateway", "0.0.0.0", "--dns1", "9.9.9.9",
          "--port", "8080"},
         [](auto& v) {
             v.SetControlText(kNameEdit, u"x");
             v.SetAddress(kIpControl, 0xC0A8010B);
             v.SetAddress(kGatewayControl, 0);
             v.SetAddress(kDns1Control, 0x09090909);
             v.SetControlText(kPort1Edit, u"8080");
         }},
    };
    return cases;
}

TEST(Set, SendsTheWindowsSubmitBytesForTheSameEdits) {
    // The device ignores the requests, so every case starts from the same settings.
    SimulatedDevices devices(std::string("pcedit ") + kCamera + " on_set=ignore\n");
    UdpPeer port(pcedit::kPort);
    ASSERT_TRUE(port.bound());
    for (const EditCase& c : EditCases()) {
        SCOPED_TRACE(c.what);
        const std::optional<Bytes> window = WindowSubmit(c.edit);
        ASSERT_TRUE(window.has_value());
        std::vector<std::string> args = {kCameraMac, "--dry-run"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const ProcessResult dry_run = RunProcess(Set(args));
        EXPECT_EQ(dry_run.exit_code, 0) << dry_run.err;
        EXPECT_TRUE(Contains(dry_run.out, "request\t" + Hex(*window) + "\n"));
        EXPECT_TRUE(SetRequestsSeen(port, 300ms).empty()) << "a dry run sends no set request";

        args[1] = "--no-verify";
        const ProcessResult run = RunProcess(Set(args));
        EXPECT_EQ(run.exit_code, 0) << run.err;
        // Through the one card there is, the loopback: one request.
        EXPECT_EQ(SetRequestsSeen(port, 300ms), std::vector<Bytes>{*window});
    }
}

// The window's Search after a Submit re-sends the set request's bytes with the search flags
// in bytes 6 and 25 alone, which a device may take for the settings again; the searches that
// verify a change are new ones, the start-up search's bytes.
TEST(Set, VerifiesWithNewSearchesNotTheSetRequestsBytes) {
    SimulatedDevices devices(std::string("pcedit ") + kCamera + " on_set=ignore\n");
    UdpPeer port(pcedit::kPort);
    ASSERT_TRUE(port.bound());
    const ProcessResult run =
        RunProcess(Set({kCameraMac, "--name", "Hall", "--port", "81", "--verify-timeout", "3"}));
    EXPECT_EQ(run.exit_code, 3) << run.err;
    const Bytes startup_search = PcEditSearchRequest();
    int searches = 0;
    while (const auto datagram = port.Receive(300ms)) {
        if (datagram->size() == 74 && (*datagram)[6] == pcedit::kFlagSearch) {
            EXPECT_EQ(*datagram, startup_search);
            ++searches;
        }
    }
    // The first search, one at once after the request, one every 2 s of the 3 s.
    EXPECT_GE(searches, 3);
}

struct Outcome {
    int exit_code;
    std::string line;  // standard output's last line
};

Outcome RunSet(std::vector<std::string> args) {
    const ProcessResult run = RunProcess(Set(std::move(args)));
    std::string out = run.out;
    if (!out.empty() && out.back() == '\n') {
        out.pop_back();
    }
    return {run.exit_code, out.substr(out.rfind('\n') + 1)};
}

// Devices that fail the ways real ones do, and what norvik-set makes of each.
TEST(Set, TellsWhetherTheDeviceTookTheSettings) {
    SimulatedDevices devices(
        "pcedit mac=02:00:00:00:00:01 ip=10.0.0.1 name=good\n"
        "pcedit mac=02:00:00:00:00:02 ip=10.0.0.2 name=deaf on_set=ignore\n"
        "3297 mac=02:00:00:00:00:03 ip=10.0.0.3 name=half on_set=partial\n"
        "pcedit mac=02:00:00:00:00:04 ip=10.0.0.4 name=gone on_set=silent\n"
        "pcedit mac=02:00:00:00:00:05 ip=10.0.0.5 name=slow on_set=restart restart_ms=2500\n");
    const std::vector<std::string> quick = {"--timeout", "2", "--verify-timeout", "3"};
    const auto set = [&](std::vector<std::string> args, const std::vector<std::string>& more) {
        args.insert(args.end(), more.begin(), more.end());
        return RunSet(args);
    };
    const Outcome good = set({"02:00:00:00:00:01", "--ip", "10.0.0.101"}, quick);
    EXPECT_EQ(good.exit_code, 0);
    EXPECT_EQ(good.line, "applied: 02:00:00:00:00:01 reports every value sent");

    const Outcome deaf = set({"02:00:00:00:00:02", "--name", "new"}, quick);
    EXPECT_EQ(deaf.exit_code, 3);
    EXPECT_EQ(deaf.line, "not applied: 02:00:00:00:00:02 reports name deaf (sent new)");

    const Outcome gone = set({"02:00:00:00:00:04", "--name", "new"}, quick);
    EXPECT_EQ(gone.exit_code, 4);
    EXPECT_EQ(gone.line, "no answer: 02:00:00:00:00:04 was not heard again");

    // Silent for 2.5 s after the request, then with the new name: found by a later search.
    const Outcome slow = set({"02:00:00:00:00:05", "--name", "new", "--verify-timeout", "10"}, {});
    EXPECT_EQ(slow.exit_code, 0);
    EXPECT_EQ(slow.line, "applied: 02:00:00:00:00:05 reports every value sent");

    // With --json: the device before the request, the outcome and the device after.
    const ProcessResult run = RunProcess(Set({"02:00:00:00:00:03", "--name", "whole", "--ip",
                                              "10.0.0.103", "--verify-timeout", "3", "--json"}));
    EXPECT_EQ(run.exit_code, 3) << run.err;
    const auto json = nlohmann::json::parse(run.out, nullptr, false);
    ASSERT_FALSE(json.is_discarded()) << run.out;
    EXPECT_EQ(json["mac"], "02:00:00:00:00:03");
    EXPECT_EQ(json["before"]["name"], "half");
    EXPECT_EQ(json["before"]["ip"], "10.0.0.3");
    EXPECT_EQ(json["changes"],
              nlohmann::json::parse(R"([{"field":"name","old":"half","new":"whole"},
        {"field":"ip","old":"10.0.0.3","new":"10.0.0.103"}])"));
    EXPECT_EQ(json["request"].get<std::string>().size(), 148u);
    EXPECT_EQ(json["request"].get<std::string>().substr(0, 12), "504345646974");
    EXPECT_EQ(json["outcome"], "not applied");
    EXPECT_EQ(json["after"]["name"], "whole");
    EXPECT_EQ(json["after"]["ip"], "10.0.0.3");
    EXPECT_EQ(
        json["differs"],
        nlohmann::json::parse(R"([{"field":"ip","sent":"10.0.0.103","reported":"10.0.0.3"}])"));
}

// Where Submit stops without a word, norvik-set says why, and sends nothing either.
TEST(Set, RefusesWhatSubmitRefusesAndAsksNoOneWithoutATerminal) {
    SimulatedDevices devices(std::string("pcedit ") + kCamera + "\n");
    UdpPeer port(pcedit::kPort);
    ASSERT_TRUE(port.bound());
    const std::string no_terminal =
        "norvik-set: IP and Gateway do not match. Do you want to continue? No terminal to ask on: "
        "give --yes to send all the same.\nnorvik-set: not sent\n";
    const struct {
        std::vector<std::string> options;
        int exit_code;
        std::string err;
    } cases[] = {
        {{"--ip", "192.168.1.0"},
         2,
         "norvik-set: not sent: the address 192.168.1.0 ends in .0 or .255\n"},
        {{"--port", "0"},
         2,
         "norvik-set: not sent: the port 0 is no web port (1 to 65535) (give --force to send it "
         "all the same)\n"},
        {{"--name", std::string(32, 'n')},
         2,
         "norvik-set: not sent: the name is 32 bytes of UTF-8, and a device holds 18 (give "
         "--force to send it cut to fit)\n"},
        {{"--netmask", "255.0.255.0"},
         2,
         "norvik-set: not sent: 255.0.255.0 is no subnet mask: its ones are not contiguous (give "
         "--force to send it all the same)\n"},
        {{"--ip", "127.0.0.1"},
         2,
         "norvik-set: not sent: the address 127.0.0.1 is a loopback address (give --force to "
         "send it all the same)\n"},
        {{"--gateway", "192.168.2.1"}, 2, no_terminal},
        // A dry run ends where the real run would.
        {{"--gateway", "192.168.2.1", "--dry-run"}, 2, no_terminal},
        {{"--name", "cam", "--ip", "192.168.1.10"},
         0,
         "norvik-set: nothing to change: 00:11:22:33:44:55 already reports these values\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options.front() + " " + c.options.back());
        std::vector<std::string> args = {kCameraMac, "--timeout", "2"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const ProcessResult run = RunProcess(Set(args));
        EXPECT_EQ(run.exit_code, c.exit_code);
        EXPECT_EQ(run.err, c.err);
        EXPECT_TRUE(SetRequestsSeen(port, 200ms).empty());
    }
}

// On a terminal the question is asked, as the window asks it; the answer decides, and Ctrl+C
// at the question ends the run, one device's or a plan's, with nothing sent.
TEST(Set, AsksTheSubnetQuestionOnATerminal) {
    SimulatedDevices devices(std::string("pcedit ") + kCamera + " on_set=ignore\n");
    UdpPeer port(pcedit::kPort);
    ASSERT_TRUE(port.bound());
    TemporaryDirectory directory;
    const std::string plan = (directory / "plan.csv").string();
    std::ofstream(plan) << "mac,gateway\n" << kCameraMac << ",192.168.2.1\n";
    const std::string one = std::string(kCameraMac) + " --gateway 192.168.2.1";
    const struct {
        std::string target;
        std::string keys;  // for printf
        int exit_code;
        std::string said;
        std::size_t sent;
    } cases[] = {
        {one, "n\\n", 2, "norvik-set: not sent", 0},
        {one, "y\\n", 0, "", 1},
        {one, "\\003", 130, "^C\r\nnorvik-set: interrupted: nothing sent", 0},
        {"--plan " + plan, "\\003", 130, "^C\r\nnorvik-set: interrupted: nothing sent", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target + " " + c.keys);
        // script gives the program a terminal; the keys are typed once the question is on it.
        const std::string typescript = (directory / "typescript").string();
        std::filesystem::remove(typescript);
        const std::string command = std::string(NORVIK_TOOL_NORVIK_SET) + " " + c.target +
                                    " --no-verify --timeout 1 --audit " + ScratchAuditLog();
        const std::string keys = "for i in $(seq 200); do grep -q y/N " + typescript +
                                 " 2>/dev/null && break; sleep 0.1; done; printf '" + c.keys + "'";
        ProcessOptions options =
            Command({"/bin/sh", "-c",
                     "(" + keys + ") | /usr/bin/script --quiet --return --flush --command '" +
                         command + "' " + typescript});
        options.timeout = 30s;
        const ProcessResult run = RunProcess(options);
        EXPECT_TRUE(Contains(run.out, "Do you want to continue? [y/N]")) << run.err;
        EXPECT_EQ(run.exit_code, c.exit_code) << run.out;
        EXPECT_TRUE(Contains(run.out, c.said));
        EXPECT_EQ(SetRequestsSeen(port, 300ms).size(), c.sent);
    }
}

TEST(Set, RejectsBadOptionsBeforeSearching) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{}, "give a MAC address or --plan FILE.csv"},
        {{"00:11:22:33:44"}, "MAC: not a MAC address: 00:11:22:33:44 (give it as 00:1a:07"},
        {{kCameraMac, "--ip", "1.2.3"}, "--ip: not an address A.B.C.D: 1.2.3"},
        {{kCameraMac, "--port", "http"}, "--port: takes a whole number from 0 to 65536, not"},
        {{kCameraMac, "--dhcp", "--static"}, "--dhcp and --static cannot go together"},
        // Too short to hear one search: no verdict could come of it.
        {{kCameraMac, "--verify-timeout", "0"}, "--verify-timeout: takes seconds from 1 to"},
        {{kCameraMac, kCameraMac}, "not an option or value it takes: 00:11:22:33:44:55"},
        {{kCameraMac, "--bogus"}, "not an option or value it takes: --bogus"},
        {{kCameraMac, "--name", "x", "--dry-run=no"}, "--dry-run: takes no value"},
        {{"--plan", ""}, "--plan: takes a file name, not \"\""},
    };
    for (const auto& [args, said] : cases) {
        for (const bool json : {false, true}) {
            std::vector<std::string> with = args;
            if (json) {
                with.push_back("--json");
            }
            const ProcessResult run = RunProcess(Set(with));
            EXPECT_EQ(run.exit_code, 2) << run.err;
            EXPECT_EQ(run.err.rfind("norvik-set: " + said, 0), 0u) << run.err;
            EXPECT_TRUE(Contains(run.err, "\nRun with --help for more.\n"));
            const auto document = nlohmann::json::parse(run.out, nullptr, false);
            EXPECT_EQ(json ? document.value("exit_code", 0) : 0, json ? 2 : 0) << run.out;
            EXPECT_EQ(run.out.empty(), !json);
        }
    }
    const ProcessResult version = RunProcess(Set({"--version"}));
    EXPECT_EQ(version.out, "norvik-set 3.0\n");
}

// Every outcome is what was seen: a value a short report cannot show is sent and never called
// applied; a 3297 report does show the mode; a refusal is told at once; a MAC as printed on a
// label is found; one device gets the address check a plan gets, for a new address only.
TEST(Set, EachOutcomeIsWhatWasSeen) {
    SimulatedDevices devices(
        "pcedit mac=02:00:00:00:00:11 ip=10.0.0.11 name=short length=69 on_set=ignore\n"
        "3297 mac=02:00:00:00:00:12 ip=10.0.0.12 name=static on_set=ignore\n"
        "3297 mac=02:00:00:00:00:13 ip=10.0.0.13 name=locked reject_set=1\n"
        "pcedit mac=02:00:00:00:00:14 ip=10.0.0.14 name=fine\n"
        "pcedit mac=02:00:00:00:00:15 ip=10.0.0.14 name=twin\n");
    const struct {
        std::vector<std::string> args;
        int exit_code;
        std::string outcome;  // the JSON's
        std::string said;     // part of standard error
    } cases[] = {
        {{"02:00:00:00:00:11", "--dhcp"}, 5, "not verifiable", ""},
        {{"02:00:00:00:00:12", "--dhcp"}, 3, "not applied", ""},
        {{"02:00:00:00:00:13", "--name", "x"},
         6,
         "refused",
         "02:00:00:00:00:13 answers \"設定失敗:帳號密碼錯誤\" (the setting failed: wrong account "
         "or password)"},
        {{"02 00 00 00 00 14"}, 2, "", "not a MAC address"},
        {{" 020000000014 ", "--name", "hall", "--verify-timeout", "1"}, 0, "applied", ""},
        // Its own address, which a twin shares, is no new address.
        {{"02:00:00:00:00:14", "--ip", "10.0.0.14", "--name", "hall2", "--verify-timeout", "1"},
         0,
         "applied",
         ""},
        {{"0200.0000.0014", "--ip", "10.0.0.12"},
         2,
         "not sent",
         "not sent: the address 10.0.0.12 is taken by 02:00:00:00:00:12"},
        {{"02:00:00:00:00:99"},
         4,
         "not found",
         "norvik-set: no device with the MAC address 02:00:00:00:00:99 answered\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.front() + " " + c.args.back());
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--json", "--timeout", "1"});
        const auto start = std::chrono::steady_clock::now();
        const ProcessResult run = RunProcess(Set(args));
        EXPECT_EQ(run.exit_code, c.exit_code) << run.err;
        EXPECT_TRUE(Contains(run.err, c.said));
        const auto json = nlohmann::json::parse(run.out, nullptr, false);
        ASSERT_TRUE(json.is_object()) << run.out;
        EXPECT_EQ(json.value("outcome", std::string()), c.outcome) << run.out;
        if (c.outcome == "not verifiable") {
            EXPECT_EQ(json["not_shown"], nlohmann::json::array({"mode"}));
        }
        if (c.outcome == "refused") {
            EXPECT_EQ(json["refusal"]["meaning"], "the setting failed: wrong account or password");
            EXPECT_LT(std::chrono::steady_clock::now() - start, 8s) << "a refusal ends at once";
        }
    }
    // A value that reads like a flag is the option's value, and the output stays text.
    const ProcessResult dry =
        RunProcess(Set({"02:00:00:00:00:14", "--name", "--json", "--dry-run"}));
    EXPECT_EQ(dry.exit_code, 0);
    EXPECT_TRUE(Contains(dry.out, "\t--json\nrequest\t")) << dry.out;
    EXPECT_TRUE(Contains(dry.err, "norvik-set: dry run: nothing sent\n"));
    // An empty value joined to its option is that option's, not the next argument's (which
    // would have been the name, and --json lost).
    const ProcessResult emptied =
        RunProcess(Set({"02:00:00:00:00:14", "--name=", "--json", "--dry-run"}));
    EXPECT_EQ(emptied.exit_code, 0) << emptied.err;
    const auto emptied_json = nlohmann::json::parse(emptied.out, nullptr, false);
    ASSERT_TRUE(emptied_json.is_object()) << emptied.out;
    EXPECT_EQ(emptied_json["changes"][0]["field"], "name");
    EXPECT_EQ(emptied_json["changes"][0]["new"], "");
    const ProcessResult sent = RunProcess(Set({"02:00:00:00:00:14", "--name", "x", "--no-verify"}));
    EXPECT_EQ(sent.exit_code, 0);
    EXPECT_TRUE(
        Contains(sent.err, "norvik-set: sent: 02:00:00:00:00:14 (not verified: --no-verify)"));
}

// No route for broadcasts: the search never went out, which is said, not taken for silence.
TEST(Set, ASearchThatCannotBeSentIsAnErrorNotNoAnswer) {
    const ProcessResult run = RunProcess(Command(
        {NORVIK_TOOL_NORVIK_NETNS, "--no-broadcast-route", NORVIK_TOOL_NORVIK_SET, kCameraMac,
         "--name", "x", "--timeout", "0.5", "--json", "--audit", ScratchAuditLog()}));
    EXPECT_EQ(run.exit_code, 1) << run.err;
    EXPECT_TRUE(Contains(run.err, "went out through no network card: Network is unreachable"));
    EXPECT_FALSE(Contains(run.err, "firewall"));
    const auto printed = nlohmann::json::parse(run.out);
    EXPECT_EQ(printed.value("exit_code", 0), 1) << run.out;
    EXPECT_EQ(printed.value("outcome", ""), "not sent") << "no search went out to find nothing";
    // A receive port held by another program: no search either, and the JSON names the device.
    const UdpPeer holder(4023, /*share=*/false);
    ASSERT_TRUE(holder.bound());
    const ProcessResult held =
        RunProcess(Set({kCameraMac, "--name", "x", "--timeout", "0.5", "--json"}));
    EXPECT_EQ(held.exit_code, 1) << held.err;
    EXPECT_TRUE(Contains(held.err, "UDP port 4023 cannot be used"));
    const auto held_json = nlohmann::json::parse(held.out);
    EXPECT_EQ(held_json.value("mac", ""), kCameraMac) << held.out;
    EXPECT_EQ(held_json.value("outcome", ""), "not sent") << held.out;
}

// Ctrl+C, or the terminal closing (an ssh session ending), while verifying ends the wait, tells
// what is known and leaves the outcome in the audit log; under nohup the hangup is ignored.
TEST(Set, AnInterruptWhileVerifyingSaysWhatIsKnown) {
    // A device silent after a request is silent for good: one for each case.
    SimulatedDevices devices(
        "pcedit mac=02:00:00:00:00:21 ip=10.0.0.21 on_set=silent\n"
        "pcedit mac=02:00:00:00:00:22 ip=10.0.0.22 on_set=silent\n"
        "pcedit mac=02:00:00:00:00:23 ip=10.0.0.23 on_set=silent\n");
    const struct {
        std::string mac;
        int signal;
        bool nohup;
        int exit_code;
        std::string outcome;
    } cases[] = {
        {"02:00:00:00:00:21", SIGINT, false, 130,
         "interrupted: 02:00:00:00:00:21 was not heard again yet\n"},
        {"02:00:00:00:00:22", SIGHUP, false, 130,
         "interrupted: 02:00:00:00:00:22 was not heard again yet\n"},
        {"02:00:00:00:00:23", SIGHUP, true, 4,
         "no answer: 02:00:00:00:00:23 was not heard again\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mac);
        ProcessOptions options =
            Set({c.mac, "--name", "x", "--timeout", "1", "--verify-timeout", "4"});
        if (c.nohup) {
            options.args.insert(options.args.begin(), "/usr/bin/nohup");
        }
        BackgroundProcess run(options);
        ASSERT_TRUE(run.WaitForOutput("request\t", 10s));
        std::this_thread::sleep_for(1s);
        ASSERT_TRUE(run.Signal(c.signal));
        const ProcessResult result = run.Wait(10s);
        EXPECT_EQ(result.exit_code, c.exit_code) << result.err;
        EXPECT_TRUE(Contains(result.out, c.outcome)) << result.err;
        const std::vector<nlohmann::ordered_json> audit = JsonLines(ReadText(ScratchAuditLog()));
        ASSERT_FALSE(audit.empty());
        EXPECT_EQ(audit.back().value("outcome", ""), c.outcome.substr(0, c.outcome.find(':')));
    }
}

}  // namespace
}  // namespace norvik::test
