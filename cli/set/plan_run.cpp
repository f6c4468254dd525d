#include "plan_run.h"

#include <algorithm>
#include <map>
#include <thread>

#include "console_text.h"
#include "device_search.h"
#include "device_text.h"
#include "exit_codes.h"
#include "plan_file.h"
#include "quoted_if_odd.h"
#include "set_report.h"
#include "stop_signal.h"
#include "terminal.h"
#include "trace.h"
#include "ui_string_table.h"
#include "utf.h"
#include "verification.h"

namespace norvik::cli {
namespace {

// Not a burst: a switch or a device may drop what comes too fast.
constexpr std::chrono::milliseconds kSendInterval{50};
// More problems than this are counted, not listed: a file that is no plan at all gives a
// short answer.
constexpr std::size_t kProblemsListed = 20;

// One line of the plan and what became of it.
struct PlannedDevice {
    const PlanRow* row = nullptr;
    std::optional<DeviceRecord> before;  // not found: empty
    PreparedSet set;
    SentSet sent;
    bool was_sent = false;
    std::string change;  // the audit log's id of its request
};

std::string MacString(const MacAddress& mac) {
    return Utf16ToUtf8(MacText(mac));
}

// The device's outcome as the summary names it.
std::string OutcomeOf(const PlannedDevice& d, const PlanSettings& settings) {
    if (!d.before) {
        return "not found";
    }
    if (d.set.changes.empty()) {
        return "nothing to change";
    }
    if (settings.dry_run) {
        return "dry run";
    }
    if (settings.no_verify || !d.was_sent) {
        return d.was_sent ? "sent" : "not sent";
    }
    return OutcomeText(d.sent.outcome);
}

int ExitCodeOf(const PlannedDevice& d, const PlanSettings& settings) {
    if (!d.before) {
        return kExitNoAnswer;
    }
    if (d.set.changes.empty() || settings.dry_run) {
        return kExitDone;
    }
    // Left unsent by a failure or a stop: nothing of the device was seen after the search, so
    // no outcome (not even "no answer") is its code.
    if (!d.was_sent) {
        return StopRequested() ? kExitInterrupted : kExitError;
    }
    return settings.no_verify ? kExitDone : norvik::cli::ExitCodeOf(d.sent.outcome);
}

// Problems that only the devices found show: a new address another device has, or that two
// lines give; only addresses a line changes count.
std::vector<PlanProblem> AddressProblems(const std::vector<PlannedDevice>& planned,
                                         const std::vector<DeviceRecord>& found, bool force) {
    std::vector<PlanProblem> problems;
    std::map<Ipv4, int> line_of_new_ip;
    for (const PlannedDevice& d : planned) {
        // A device not found may be a typo's: its address counts as new.
        const bool new_ip = d.before ? Changes(d.set, "ip") : d.row->edits.ip.has_value();
        if (!new_ip) {
            continue;
        }
        const Ipv4 ip = d.before ? d.set.values.ip : *d.row->edits.ip;
        const auto [other, first] = line_of_new_ip.emplace(ip, d.row->line);
        if (!first) {
            problems.push_back({d.row->line, "the address " + DottedAddress(ip) + " of line " +
                                                 std::to_string(other->second) + " again"});
            continue;
        }
        if (!d.before || force) {
            continue;
        }
        const auto moves = [&](const DeviceRecord& device) {
            return std::any_of(planned.begin(), planned.end(), [&](const PlannedDevice& p) {
                return p.before && p.row->mac == device.mac && Changes(p.set, "ip") &&
                       p.set.values.ip != device.ip;
            });
        };
        if (const auto taken = TakenAddress(d.row->mac, d.set.values.ip, found, moves)) {
            problems.push_back({d.row->line, *taken});
        }
    }
    return problems;
}

std::string ProblemsText(const std::string& file, std::vector<PlanProblem> problems) {
    std::stable_sort(problems.begin(), problems.end(),
                     [](const PlanProblem& a, const PlanProblem& b) { return a.line < b.line; });
    std::string text;
    const std::string name = file == "-" ? "standard input" : file;
    std::size_t unlisted = 0;
    for (std::size_t i = 0; i < problems.size(); ++i) {
        const PlanProblem& p = problems[i];
        if (i >= kProblemsListed) {
            unlisted += p.stands_for;
            continue;
        }
        text += name + (p.line > 0 ? ":" + std::to_string(p.line) : std::string()) + ": " +
                p.message + '\n';
    }
    if (unlisted > 0) {
        text += name + ": and " + std::to_string(unlisted) + " more problem" +
                (unlisted == 1 ? "" : "s") + "\n";
    }
    return text;
}

Json ProblemsJson(const std::vector<PlanProblem>& problems) {
    Json list = Json::array();
    for (const PlanProblem& p : problems) {
        list.push_back({{"line", p.line}, {"message", p.message}});
    }
    Json fields;
    fields["problems"] = std::move(list);
    return fields;
}

std::string SummaryText(const std::vector<PlannedDevice>& planned, const PlanSettings& settings) {
    std::string text;
    for (const PlannedDevice& d : planned) {
        if (settings.dry_run && !d.set.changes.empty()) {
            text += "# " + MacString(d.row->mac) + ", line " + std::to_string(d.row->line) + '\n' +
                    ChangesText(d.set);
        }
    }
    text += "mac\tname\toutcome\tdetails\n";
    for (const PlannedDevice& d : planned) {
        const std::string name =
            d.before ? QuotedIfOdd(Utf16ToUtf8(NameText(d.set.changes.empty() ? d.before->name
                                                                             : d.set.values.name)))
                     : std::string();
        text += MacString(d.row->mac) + '\t' + name + '\t' + OutcomeOf(d, settings) + '\t' +
                (d.was_sent && !settings.no_verify ? DetailText(d.sent) : std::string()) + '\n';
    }
    return text;
}

Json SummaryJson(const std::vector<PlannedDevice>& planned, const PlanSettings& settings) {
    Json devices = Json::array();
    InterfaceNames interface_names;
    for (const PlannedDevice& d : planned) {
        const bool verified = d.was_sent && !settings.no_verify;
        Json device = SetJson(d.row->mac, d.before ? &*d.before : nullptr, d.set,
                              OutcomeOf(d, settings), verified ? &d.sent : nullptr,
                              interface_names);
        device["line"] = d.row->line;
        devices.push_back(std::move(device));
    }
    Json document;
    document["devices"] = std::move(devices);
    return document;
}

}  // namespace

int RunPlan(const Program& program, const PlanSettings& settings, AuditTrail& trail) {
    std::string read_error;
    const auto text = ReadPlanText(settings.file, read_error);
    if (!text) {
        return program.Fail(kExitUsage, read_error);
    }
    const Plan plan = ReadPlan(*text);
    const auto refuse = [&](const std::vector<PlanProblem>& problems) {
        WriteText(stderr, ProblemsText(settings.file, problems));
        return program.Fail(kExitUsage, "nothing sent: the plan has problems",
                            ProblemsJson(problems));
    };
    // The lines that read well are checked against the devices too, so that one run names
    // every problem. With none, a search finds nothing to check: a file that is no plan is
    // told as one, even where no network card is up.
    std::vector<PlanProblem> problems = plan.problems;
    if (plan.rows.empty() && !problems.empty()) {
        return refuse(problems);
    }

    DeviceSearch search(program.name(), false);
    if (const auto failed = search.Start()) {
        return program.Fail(*failed, "cannot search");
    }
    AcceptStopSignals();
    if (const auto failed = search.Wait(DeviceSearch::Seconds(settings.timeout_seconds),
                                        [] { return StopRequested(); })) {
        return program.Fail(*failed, search.SocketFailure());
    }
    if (const auto failure = search.SendFailure()) {
        return program.Fail(kExitError, *failure);
    }
    if (StopRequested()) {
        return program.Fail(kExitInterrupted, "interrupted while searching: nothing sent");
    }
    const std::vector<DeviceRecord> found = search.Devices();
    const std::string question =
        Utf16ToUtf8(ProcessUiStringTable().Text(UiStringId::IpGatewayMismatch));
    std::vector<PlannedDevice> planned;
    planned.reserve(plan.rows.size());
    for (const PlanRow& row : plan.rows) {
        PlannedDevice& d = planned.emplace_back();
        d.row = &row;
        d.before = search.Find(row.mac);
        if (!d.before) {
            continue;
        }
        auto prepared = PrepareSet(*d.before, row.edits, settings.force);
        if (const auto* refusal = std::get_if<std::string>(&prepared)) {
            problems.push_back({row.line, *refusal});
            continue;
        }
        d.set = std::get<PreparedSet>(std::move(prepared));
        if (d.set.changes.empty() || !d.set.asks_subnet_question || settings.yes) {
            continue;
        }
        if (!CanAskPerson()) {
            problems.push_back({row.line, question + " No terminal to ask on: give --yes"});
        } else if (!AskYesNo(MacString(row.mac) + ": " + question)) {
            if (StopRequested()) {
                return program.Fail(kExitInterrupted, "interrupted: nothing sent");
            }
            problems.push_back({row.line, "not confirmed: " + question});
        }
    }
    const auto taken = AddressProblems(planned, found, settings.force);
    problems.insert(problems.end(), taken.begin(), taken.end());
    if (!problems.empty()) {
        return refuse(problems);
    }
    if (std::none_of(planned.begin(), planned.end(),
                     [](const PlannedDevice& d) { return d.before.has_value(); })) {
        search.SayIfNothingArrived(settings.timeout_seconds);
    }

    bool audit_failed = false;
    if (settings.dry_run) {
        program.Say("dry run: nothing sent");
    } else {
        const std::size_t refusals_before = search.Refusals().size();
        std::vector<SentSet> sent;
        bool first = true;
        for (PlannedDevice& d : planned) {
            if (!d.before || d.set.changes.empty() || StopRequested()) {
                continue;
            }
            if (!first) {
                std::this_thread::sleep_for(kSendInterval);
            }
            first = false;
            // What went out before a failure is said in the summary; the rest stays unsent.
            std::string error;
            const auto change = trail.Sending(d.row->mac, *d.before, d.set, error);
            if (!change) {
                program.Say(error + ": the rest is not sent");
                audit_failed = true;
                break;
            }
            d.change = *change;
            if (!search.SendPcEdit(ByteSpan(d.set.request.data(), d.set.request.size()))) {
                error = search.SendFailure().value_or("a set request could not be sent");
                program.Say(error);
                audit_failed = !trail.Ended(d.change, d.row->mac, "not sent", nullptr, error, error);
                break;
            }
            d.was_sent = true;
            sent.push_back({d.row->mac, d.set, std::nullopt, {}, std::nullopt, 0, -1,
                            Outcome::kNoAnswer});
        }
        if (!settings.no_verify && !sent.empty()) {
            if (const auto failed =
                    Verify(program.name(), search, sent, DeviceSearch::Seconds(settings.verify_timeout_seconds),
                           refusals_before, [] { return StopRequested(); })) {
                for (const PlannedDevice& d : planned) {
                    std::string error;
                    if (d.was_sent &&
                        !trail.Ended(d.change, d.row->mac, "not verified", nullptr,
                                     "verifying stopped", error)) {
                        program.Say(error);
                    }
                }
                // The requests went out: what each device got is still told.
                Json summary = SummaryJson(planned, settings);
                for (std::size_t i = 0; i < planned.size(); ++i) {
                    if (planned[i].was_sent) {
                        summary["devices"][i]["outcome"] = "not verified";
                    }
                }
                return program.Fail(*failed, "verifying stopped", std::move(summary));
            }
        }
        for (PlannedDevice& d : planned) {
            const auto result = std::find_if(sent.begin(), sent.end(),
                                             [&](const SentSet& s) { return s.mac == d.row->mac; });
            if (result != sent.end()) {
                d.sent = *result;
            }
            std::string error;
            if (d.was_sent && !trail.Ended(d.change, d.row->mac, OutcomeOf(d, settings),
                                           settings.no_verify ? nullptr : &d.sent, "", error)) {
                program.Say(error);
                audit_failed = true;
            }
        }
    }
    search.Stop();
    program.Print(program.json() ? JsonText(SummaryJson(planned, settings))
                                 : SummaryText(planned, settings));
    int exit_code = kExitDone;
    for (const PlannedDevice& d : planned) {
        exit_code = std::max(exit_code, ExitCodeOf(d, settings));
    }
    if (audit_failed) {
        exit_code = std::max(exit_code, static_cast<int>(kExitError));
    }
    if (StopRequested()) {
        program.Say("interrupted: the summary tells what was known");
        exit_code = kExitInterrupted;
    }
    return program.Finish(exit_code);
}

}  // namespace norvik::cli
