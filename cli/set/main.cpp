// norvik-set: changes a device's network settings from the command line, with the request the
// window's Submit sends, and tells whether the device took them.
#include <string>

#include "address_text.h"
#include "command_line.h"
#include "console_text.h"
#include "device_edit.h"
#include "device_search.h"
#include "device_text.h"
#include "exit_codes.h"
#include "nothing_arrived.h"
#include "plan_run.h"
#include "set_report.h"
#include "terminal.h"
#include "ui_string_table.h"
#include "utf.h"
#include "verification.h"

namespace {

using namespace norvik::cli;

constexpr const char* kProgram = "norvik-set";
constexpr const char* kDescription =
    "Searches for the device with the MAC address MAC (both protocols, through every network\n"
    "card), applies the window's Submit checks to its reported settings with the changes\n"
    "given, sends the same set request Submit sends and searches again every 2 seconds until\n"
    "the device reports the new values. Settings not given keep what the device reported.\n"
    "With --plan FILE.csv it sets every device of a plan file (columns mac, name, ip,\n"
    "netmask, gateway, dns1, dns2, port, mode; norvik-scan --csv writes one): the whole file\n"
    "is checked first, and nothing is sent while it has a problem.\n"
    "Exit status: 0 applied (or dry run done, or nothing to change), 1 network error, 2 bad\n"
    "usage or a value the checks refuse, 3 not applied, 4 no answer or MAC not found.";

struct Options {
    std::string mac_text;
    std::string plan;
    bool force = false;
    DeviceEdits edits;
    bool yes = false;
    bool dry_run = false;
    bool no_verify = false;
    double timeout_seconds = 3;
    double verify_timeout_seconds = 30;
    bool json = false;
};

CLI::Validator AddressValidator() {
    return CLI::Validator(
        [](const std::string& text) {
            return ParseIpv4(text) ? std::string() : "not an address A.B.C.D: " + text;
        },
        "");
}

void AddAddress(CLI::App& app, const std::string& name, std::optional<norvik::Ipv4>& address,
                const std::string& description) {
    app.add_option_function<std::string>(
           name, [&address](const std::string& text) { address = ParseIpv4(text); }, description)
        ->check(AddressValidator())
        ->type_name("A.B.C.D");
}

void AddOptions(CLI::App& app, Options& o) {
    auto* mac = app.add_option("MAC", o.mac_text, "the device's MAC address, as 00:11:22:aa:bb:cc");
    mac->check(CLI::Validator(
        [](const std::string& text) {
            return ParseMac(text) ? std::string() : "not a MAC address: " + text;
        },
        "MAC"));
    app.add_option_function<std::string>(
           "--name", [&o](const std::string& name) { o.edits.name = name; },
           "the new name (at most 31 characters; 18 bytes of UTF-8 reach the device)")
        ->type_name("TEXT");
    AddAddress(app, "--ip", o.edits.ip, "the new address");
    AddAddress(app, "--netmask", o.edits.netmask, "the new subnet mask");
    AddAddress(app, "--gateway", o.edits.gateway, "the new gateway");
    AddAddress(app, "--dns1", o.edits.dns1, "the new first DNS server");
    AddAddress(app, "--dns2", o.edits.dns2, "the new second DNS server");
    app.add_option_function<long long>(
           "--port", [&o](long long port) { o.edits.port = port; }, "the new web port, 0 to 65536")
        ->type_name("N");
    auto* dhcp = app.add_flag_callback(
        "--dhcp", [&o] { o.edits.dhcp = true; }, "the device takes its address by DHCP");
    auto* fixed = app.add_flag_callback(
        "--static", [&o] { o.edits.dhcp = false; }, "the device keeps the address it is given");
    dhcp->excludes(fixed);
    // Every option up to here is one device's; a plan gives them per line.
    const std::vector<CLI::Option*> one_device = app.get_options();
    auto* plan = app.add_option("--plan", o.plan, "set the devices of a plan file")
                     ->check(CLI::ExistingFile)
                     ->type_name("FILE.csv");
    for (CLI::Option* option : one_device) {
        if (option->get_name() != "--help") {
            plan->excludes(option);
        }
    }
    app.add_flag("--force", o.force, "a plan may give a device an address another device has")
        ->needs(plan);
    app.add_flag("--yes", o.yes,
                 "answer the question (IP and gateway in different subnets) with yes");
    app.add_flag("--dry-run", o.dry_run,
                 "only search, and print what would change and the request as hex");
    app.add_flag("--no-verify", o.no_verify, "send, and do not search again");
    AddSecondsOption(app, "--timeout", o.timeout_seconds,
                     "how long to search for the device (default 3)");
    AddSecondsOption(app, "--verify-timeout", o.verify_timeout_seconds,
                     "how long to wait for the device to report the new values (default 30)");
    app.add_flag("--json", o.json, "print one JSON object");
}

void Fail(const std::string& message) {
    norvik::WriteText(stderr, std::string(kProgram) + ": " + message + '\n');
}

// Submit's question, asked of a person at a terminal or answered by --yes; false: do not
// send (said on standard error).
bool SubnetQuestionAnswered(const Options& options) {
    const std::string question = norvik::Utf16ToUtf8(
        norvik::ProcessUiStringTable().Text(norvik::UiStringId::IpGatewayMismatch));
    if (options.yes) {
        return true;
    }
    if (!CanAskPerson()) {
        Fail(question + " No terminal to ask on: give --yes to send all the same.");
        return false;
    }
    if (!AskYesNo(question)) {
        Fail("not sent");
        return false;
    }
    return true;
}

int Run(const Options& options) {
    const norvik::MacAddress mac = *ParseMac(options.mac_text);
    const std::string mac_text = norvik::Utf16ToUtf8(norvik::MacText(mac));
    DeviceSearch search(options.json ? stderr : stdout, false);
    if (const auto failed = search.Start(kProgram)) {
        return *failed;
    }
    if (const auto failed = search.Wait(DeviceSearch::Seconds(options.timeout_seconds),
                                        [&] { return search.Find(mac).has_value(); })) {
        return *failed;
    }
    const auto before = search.Find(mac);
    if (!before) {
        if (search.arrivals() == 0 && options.timeout_seconds > 0) {
            norvik::WriteText(stderr,
                              norvik::NothingArrivedHere(kProgram, options.timeout_seconds));
        }
        Fail("no device with the MAC address " + mac_text + " answered");
        return kExitNoAnswer;
    }
    const auto prepared = PrepareSet(*before, options.edits);
    if (const auto* refusal = std::get_if<std::string>(&prepared)) {
        Fail("not sent: " + *refusal);
        return kExitUsage;
    }
    const PreparedSet& set = std::get<PreparedSet>(prepared);
    InterfaceNames interface_names;
    const auto print = [&](const std::string& outcome, const SentSet* verified) {
        if (options.json) {
            norvik::WriteText(stdout,
                              JsonText(SetJson(*before, set, outcome, verified, interface_names)));
        } else if (verified != nullptr) {
            norvik::WriteText(stdout, OutcomeLine(*verified));
        }
    };
    if (set.changes.empty()) {
        Fail("nothing to change: " + mac_text + " already reports these values");
        print("nothing to change", nullptr);
        return kExitDone;
    }
    if (set.name_cut) {
        Fail("the name is cut to the 18 bytes a device holds");
    }
    if (!options.json) {
        norvik::WriteText(stdout, ChangesText(set));
    }
    if (options.dry_run) {
        print("dry run", nullptr);
        return kExitDone;
    }
    if (set.asks_subnet_question && !SubnetQuestionAnswered(options)) {
        return kExitUsage;
    }
    search.SendPcEdit(norvik::ByteSpan(set.request.data(), set.request.size()));
    if (options.no_verify) {
        print("sent", nullptr);
        return kExitDone;
    }
    std::vector<SentSet> sent{{mac, set, std::nullopt, {}, Outcome::kNoAnswer}};
    if (const auto failed =
            Verify(search, sent, DeviceSearch::Seconds(options.verify_timeout_seconds))) {
        return *failed;
    }
    print(OutcomeText(sent[0].outcome), &sent[0]);
    return ExitCodeOf(sent[0].outcome);
}

}  // namespace

int main(int argc, char** argv) {
    norvik::PrepareConsoleStreams();
    CLI::App app(kDescription, kProgram);
    Options options;
    AddOptions(app, options);
    if (const auto exit_code = ParseCommandLine(app, argc, argv)) {
        return *exit_code;
    }
    if (!options.plan.empty()) {
        return RunPlan({options.plan, options.yes, options.force, options.dry_run,
                        options.no_verify, options.timeout_seconds, options.verify_timeout_seconds,
                        options.json});
    }
    if (options.mac_text.empty()) {
        Fail("give a MAC address or --plan FILE.csv\nRun with --help for more.");
        return kExitUsage;
    }
    return Run(options);
}
