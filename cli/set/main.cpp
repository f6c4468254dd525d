// norvik-set: changes a device's network settings from the command line, with the request the
// window's Submit sends, and tells whether the device took them.
#include <string>

#include "address_text.h"
#include "audit_trail.h"
#include "command_line.h"
#include "device_edit.h"
#include "device_search.h"
#include "device_text.h"
#include "exit_codes.h"
#include "option_values.h"
#include "plan_run.h"
#include "program.h"
#include "set_report.h"
#include "stop_signal.h"
#include "terminal.h"
#include "user_context.h"
#include "ui_string_table.h"
#include "utf.h"
#include "verification.h"

namespace {

using namespace norvik::cli;

constexpr const char* kDescription =
    "Searches for the device with the MAC address MAC (both protocols, through every network\n"
    "card), applies the window's Submit checks and stricter ones to what the changes given\n"
    "change, sends the same set request Submit sends and searches again every 2 seconds until\n"
    "the device reports the new values. Settings not given keep what the device reported.\n"
    "With --plan FILE.csv (- for standard input) it sets every device of a plan file (columns\n"
    "mac, name, ip, netmask, gateway, dns1, dns2, port, mode; norvik-scan --csv writes one):\n"
    "the whole file is checked first, and nothing is sent while it has a problem.\n"
    "Every request sent leaves a line in the audit log, and its outcome another: by default\n";
constexpr const char* kDescriptionEnd =
    ". Nothing is sent when the log cannot be written, unless --no-audit is given.\n"
    "Exit status: 0 applied (or dry run done, sent, or nothing to change), 1 network or system\n"
    "error, 2 bad usage or a value the checks refuse, 3 not applied, 4 no answer or MAC not\n"
    "found, 5 not verifiable (the device's report cannot show a value sent), 6 refused by the\n"
    "device, 130 interrupted.";

// The log's default places are this platform's.
std::string Description() {
    return kDescription + DefaultRecordPlaces("audit.jsonl") + kDescriptionEnd;
}

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
    std::optional<std::string> audit;
    bool no_audit = false;
    std::optional<std::string> reason;
};

void AddAddress(CLI::App& app, const std::string& name, std::optional<norvik::Ipv4>& address,
                const std::string& description) {
    app.add_option_function<std::string>(
           name,
           [&address, name](const std::string& text) {
               address = ParseIpv4(text);
               if (!address) {
                   throw CLI::ValidationError(name, "not an address A.B.C.D: " + text);
               }
           },
           description)
        ->type_name("A.B.C.D");
}

void AddOptions(CLI::App& app, Options& o) {
    app.add_option_function<std::string>(
        "MAC",
        [&o](const std::string& text) {
            if (!ParseMac(text)) {
                throw CLI::ValidationError(
                    "MAC", "not a MAC address: " + text + " (give it as " +
                               std::string(kMacForms) + ")");
            }
            o.mac_text = text;
        },
        "the device's MAC address, as 00:1a:07:10:00:01 or as printed on its label")
        ->type_name("MAC");
    app.add_option_function<std::string>(
           "--name", [&o](const std::string& name) { o.edits.name = name; },
           "the new name (18 bytes of UTF-8 reach the device)")
        ->type_name("TEXT");
    AddAddress(app, "--ip", o.edits.ip, "the new address");
    AddAddress(app, "--netmask", o.edits.netmask, "the new subnet mask");
    AddAddress(app, "--gateway", o.edits.gateway, "the new gateway");
    AddAddress(app, "--dns1", o.edits.dns1, "the new first DNS server");
    AddAddress(app, "--dns2", o.edits.dns2, "the new second DNS server");
    app.add_option_function<std::string>(
           "--port",
           [&o](const std::string& text) {
               std::string problem;
               const auto port = ParseCount(text, 0, 65536, problem);
               if (!port) {
                   throw CLI::ValidationError("--port", problem);
               }
               o.edits.port = static_cast<long long>(*port);
           },
           "the new web port, 1 to 65535")
        ->type_name("N");
    auto* dhcp = app.add_flag_callback(
        "--dhcp", [&o] { o.edits.dhcp = true; }, "the device takes its address by DHCP");
    auto* fixed = app.add_flag_callback(
        "--static", [&o] { o.edits.dhcp = false; }, "the device keeps the address it is given");
    dhcp->excludes(fixed);
    // Every option up to here is one device's; a plan gives them per line.
    const std::vector<CLI::Option*> one_device = app.get_options();
    auto* plan = AddFileOption(
        app, "--plan", "FILE.csv", [&o](const std::string& file) { o.plan = file; },
        "set the devices of a plan file (- for standard input)");
    for (CLI::Option* option : one_device) {
        if (option->get_name() != "--help" && option->get_name() != "--version") {
            plan->excludes(option);
        }
    }
    app.add_flag("--force", o.force,
                 "send what the stricter checks refuse: an address another device has, an odd "
                 "address or netmask, port 0 or 65536, a name cut to 18 bytes");
    app.add_flag("--yes", o.yes,
                 "answer the question (IP and gateway in different subnets) with yes");
    app.add_flag("--dry-run", o.dry_run,
                 "only search, and print what would change and the request as hex");
    app.add_flag("--no-verify", o.no_verify, "send, and do not search again");
    AddSecondsOption(app, "--timeout", o.timeout_seconds, 0,
                     "how long to search for the device (default 3)");
    auto* audit = AddFileOption(
        app, "--audit", "FILE", [&o](const std::string& file) { o.audit = file; },
        "the audit log to append to (default: see above)");
    app.add_flag("--no-audit", o.no_audit, "send without leaving a record in the audit log")
        ->excludes(audit);
    app.add_option("--reason", o.reason, "why, for the audit log (a ticket, a person)")
        ->type_name("TEXT");
    AddSecondsOption(app, "--verify-timeout", o.verify_timeout_seconds, kMinVerifySeconds,
                     "how long to wait for the device to report the new values (default 30)");
}

// Submit's question, asked of a person at a terminal or answered by --yes; false: do not
// send (said on standard error).
bool SubnetQuestionAnswered(const Program& program, const Options& options) {
    const std::string question = norvik::Utf16ToUtf8(
        norvik::ProcessUiStringTable().Text(norvik::UiStringId::IpGatewayMismatch));
    if (options.yes) {
        return true;
    }
    if (!CanAskPerson()) {
        program.Say(question + " No terminal to ask on: give --yes to send all the same.");
        return false;
    }
    return AskYesNo(question);
}

int Run(const Program& program, const Options& options, AuditTrail& trail) {
    const norvik::MacAddress mac = *ParseMac(options.mac_text);
    const std::string mac_text = norvik::Utf16ToUtf8(norvik::MacText(mac));
    InterfaceNames interface_names;
    PreparedSet none;
    // What a search that could not go out tells of the device: nothing sent to it.
    const Json unsent = SetJson(mac, nullptr, none, "not sent", nullptr, interface_names);
    DeviceSearch search(program.name(), false);
    if (const auto failed = search.Start()) {
        return program.Fail(*failed, "cannot search", unsent);
    }
    AcceptStopSignals();
    const auto found = [&] { return StopRequested() || search.Find(mac).has_value(); };
    if (const auto failed = search.Wait(DeviceSearch::Seconds(options.timeout_seconds), found)) {
        return program.Fail(*failed, search.SocketFailure(), unsent);
    }
    // A new address is checked against every device the search hears (once the device has
    // answered: for one that did not there is nothing to check).
    const auto answered = search.Find(mac);
    if (options.edits.ip && !options.force && !StopRequested() && answered &&
        *options.edits.ip != answered->ip) {
        if (const auto failed = search.Wait(DeviceSearch::Seconds(options.timeout_seconds),
                                            [] { return StopRequested(); })) {
            return program.Fail(*failed, search.SocketFailure(), unsent);
        }
    }
    if (const auto failure = search.SendFailure()) {
        return program.Fail(kExitError, *failure, unsent);  // nor can it have found nothing
    }
    Json fields = SetJson(mac, nullptr, none, "not found", nullptr, interface_names);
    if (StopRequested()) {
        fields["outcome"] = "interrupted";
        return program.Fail(kExitInterrupted, "interrupted while searching: nothing sent", fields);
    }
    const auto before = search.Find(mac);
    if (!before) {
        search.SayIfNothingArrived(options.timeout_seconds);
        return program.Fail(kExitNoAnswer, "no device with the MAC address " + mac_text + " answered",
                            fields);
    }
    const auto prepared = PrepareSet(*before, options.edits, options.force);
    fields = SetJson(mac, &*before, none, "not sent", nullptr, interface_names);
    if (const auto* refusal = std::get_if<std::string>(&prepared)) {
        return program.Fail(kExitUsage, "not sent: " + *refusal, fields);
    }
    const PreparedSet& set = std::get<PreparedSet>(prepared);
    if (!options.force && Changes(set, "ip")) {
        if (const auto taken = TakenAddress(mac, set.values.ip, search.Devices())) {
            return program.Fail(kExitUsage, "not sent: " + *taken, fields);
        }
    }
    const auto print = [&](const std::string& outcome, const SentSet* verified) {
        if (program.json()) {
            program.Print(JsonText(SetJson(mac, &*before, set, outcome, verified, interface_names)));
        } else if (verified != nullptr) {
            program.Print(OutcomeLine(*verified));
        }
    };
    if (set.changes.empty()) {
        program.Say("nothing to change: " + mac_text + " already reports these values");
        print("nothing to change", nullptr);
        return program.Finish(kExitDone);
    }
    if (set.name_cut) {
        program.Say("the name is cut to the 18 bytes a device holds");
    }
    if (!program.json()) {
        program.Print(ChangesText(set));
    }
    // A dry run ends where the real run would: at the question, when it is not answered.
    if (set.asks_subnet_question && !SubnetQuestionAnswered(program, options)) {
        if (StopRequested()) {
            fields["outcome"] = "interrupted";
            return program.Fail(kExitInterrupted, "interrupted: nothing sent", fields);
        }
        return program.Fail(kExitUsage, "not sent", fields);
    }
    if (options.dry_run) {
        program.Say("dry run: nothing sent");
        print("dry run", nullptr);
        return program.Finish(kExitDone);
    }
    std::string audit_error;
    const auto change = trail.Sending(mac, *before, set, audit_error);
    if (!change) {
        return program.Fail(kExitError, audit_error + ": nothing sent", fields);
    }
    // The outcome's line; false (with why in audit_error) when it could not be written.
    const auto ended = [&](const std::string& outcome, const SentSet* verified,
                           const std::string& problem) {
        return trail.Ended(*change, mac, outcome, verified, problem, audit_error);
    };
    // An outcome seen, or, when its line could not be written, the outcome with that failure.
    const auto finish = [&](const std::string& outcome, const SentSet* verified, int exit_code) {
        if (!ended(outcome, verified, "")) {
            if (verified != nullptr && !program.json()) {
                program.Print(OutcomeLine(*verified));
            }
            return program.Fail(std::max(exit_code, static_cast<int>(kExitError)), audit_error,
                                SetJson(mac, &*before, set, outcome, verified, interface_names));
        }
        print(outcome, verified);
        return program.Finish(exit_code);
    };
    const auto fail = [&](const std::string& outcome, const PreparedSet& request,
                          const std::string& problem, int exit_code) {
        if (!ended(outcome, nullptr, problem)) {
            program.Say(audit_error);
            exit_code = std::max(exit_code, static_cast<int>(kExitError));
        }
        return program.Fail(exit_code, problem,
                            SetJson(mac, &*before, request, outcome, nullptr, interface_names));
    };
    const std::size_t refusals_before = search.Refusals().size();
    if (!search.SendPcEdit(norvik::ByteSpan(set.request.data(), set.request.size()))) {
        return fail("not sent", none,
                    search.SendFailure().value_or("the set request could not be sent"), kExitError);
    }
    if (options.no_verify) {
        program.Say("sent: " + mac_text + " (not verified: --no-verify)");
        return finish("sent", nullptr, kExitDone);
    }
    std::vector<SentSet> sent{{mac, set, std::nullopt, {}, std::nullopt, 0, -1, Outcome::kNoAnswer}};
    if (const auto failed = Verify(program.name(), search, sent, DeviceSearch::Seconds(options.verify_timeout_seconds),
                                   refusals_before, [] { return StopRequested(); })) {
        return fail("not verified", set, "verifying stopped: the request was sent", *failed);
    }
    search.Stop();
    return finish(OutcomeText(sent[0].outcome), &sent[0], ExitCodeOf(sent[0].outcome));
}

}  // namespace

int main(int argc, char** argv) {
    const std::string description = Description();
    Program program("norvik-set", description.c_str());
    Options options;
    AddOptions(program.app(), options);
    program.AddJsonFlag("print one JSON object, also on errors");
    if (const auto exit_code = program.Parse(argc, argv)) {
        return *exit_code;
    }
    if (options.plan.empty() && options.mac_text.empty()) {
        return program.UsageError("give a MAC address or --plan FILE.csv");
    }
    // Before any file is made: a stop asked for while the audit log is made waits until the
    // log is whole and in place.
    InstallStopHandlers();
    // A dry run sends nothing, so it leaves no record either.
    std::unique_ptr<AppendFile> log;
    if (!options.dry_run && !options.no_audit) {
        std::string error;
        log = AuditTrail::OpenLog(options.audit, error);
        if (!log) {
            return program.Fail(kExitError, error + ": nothing sent");
        }
    }
    AuditTrail trail(std::move(log), {UserName(), HostName(), program.name(), Program::Version(),
                                      options.reason});
    if (!options.plan.empty()) {
        return RunPlan(program,
                       {options.plan, options.yes, options.force, options.dry_run,
                        options.no_verify, options.timeout_seconds,
                        options.verify_timeout_seconds},
                       trail);
    }
    return Run(program, options, trail);
}
