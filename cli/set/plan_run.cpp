#include "plan_run.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <thread>

#include "console_text.h"
#include "device_search.h"
#include "device_text.h"
#include "exit_codes.h"
#include "plan_file.h"
#include "set_report.h"
#include "terminal.h"
#include "trace.h"
#include "ui_string_table.h"
#include "utf.h"
#include "verification.h"

namespace norvik::cli {
namespace {

constexpr const char* kProgram = "norvik-set";
// Not a burst: a switch or a device may drop what comes too fast.
constexpr std::chrono::milliseconds kSendInterval{50};

// One line of the plan and what became of it.
struct PlannedDevice {
    const PlanRow* row = nullptr;
    std::optional<DeviceRecord> before;  // not found: empty
    PreparedSet set;
    SentSet sent;
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
    if (settings.no_verify) {
        return "sent";
    }
    return OutcomeText(d.sent.outcome);
}

int ExitCodeOf(const PlannedDevice& d, const PlanSettings& settings) {
    if (!d.before) {
        return kExitNoAnswer;
    }
    if (d.set.changes.empty() || settings.dry_run || settings.no_verify) {
        return kExitDone;
    }
    return norvik::cli::ExitCodeOf(d.sent.outcome);
}

std::string DiffersText(const PlannedDevice& d) {
    std::string text;
    for (const FieldDifference& f : d.sent.differs) {
        text += (text.empty() ? "" : ", ") + f.field + ' ' + f.reported + " (sent " + f.sent + ')';
    }
    return text;
}

// The devices a plan's new address would collide with: any other device found with it,
// unless the plan gives that device another address.
std::vector<PlanProblem> TakenAddresses(const std::vector<PlannedDevice>& planned,
                                        const std::vector<DeviceRecord>& found) {
    std::vector<PlanProblem> problems;
    for (const PlannedDevice& d : planned) {
        if (!d.before || !d.row->edits.ip || *d.row->edits.ip == d.before->ip) {
            continue;
        }
        for (const DeviceRecord& other : found) {
            if (other.mac == d.row->mac || other.ip != *d.row->edits.ip) {
                continue;
            }
            const auto moves =
                std::find_if(planned.begin(), planned.end(), [&](const PlannedDevice& p) {
                    return p.row->mac == other.mac && p.row->edits.ip &&
                           *p.row->edits.ip != other.ip;
                });
            if (moves == planned.end()) {
                problems.push_back({d.row->line, "the address " + DottedAddress(other.ip) +
                                                     " is taken by " + MacString(other.mac) +
                                                     " (give --force to send all the same)"});
                break;
            }
        }
    }
    return problems;
}

void PrintProblems(const std::string& file, std::vector<PlanProblem> problems) {
    std::stable_sort(problems.begin(), problems.end(),
                     [](const PlanProblem& a, const PlanProblem& b) { return a.line < b.line; });
    std::string text;
    for (const PlanProblem& p : problems) {
        text += file + (p.line > 0 ? ":" + std::to_string(p.line) : std::string()) + ": " +
                p.message + '\n';
    }
    WriteText(stderr, text + kProgram + ": nothing sent\n");
}

std::string SummaryText(const std::vector<PlannedDevice>& planned, const PlanSettings& settings) {
    std::string text;
    for (const PlannedDevice& d : planned) {
        if (settings.dry_run && !d.set.changes.empty()) {
            text += "# " + MacString(d.row->mac) + ", line " + std::to_string(d.row->line) + '\n' +
                    ChangesText(d.set);
        }
    }
    text += "mac\tname\toutcome\tdiffers\n";
    for (const PlannedDevice& d : planned) {
        const std::string name =
            d.before
                ? Utf16ToUtf8(NameText(d.set.changes.empty() ? d.before->name : d.set.values.name))
                : std::string();
        text += MacString(d.row->mac) + '\t' + name + '\t' + OutcomeOf(d, settings) + '\t' +
                DiffersText(d) + '\n';
    }
    return text;
}

Json SummaryJson(const std::vector<PlannedDevice>& planned, const PlanSettings& settings) {
    Json devices = Json::array();
    InterfaceNames interface_names;
    for (const PlannedDevice& d : planned) {
        Json device;
        if (d.before) {
            const bool verified =
                !d.set.changes.empty() && !settings.dry_run && !settings.no_verify;
            device = SetJson(*d.before, d.set, OutcomeOf(d, settings), verified ? &d.sent : nullptr,
                             interface_names);
        } else {
            device["mac"] = MacString(d.row->mac);
            device["before"] = nullptr;
            device["outcome"] = OutcomeOf(d, settings);
        }
        device["line"] = d.row->line;
        devices.push_back(std::move(device));
    }
    Json document;
    document["devices"] = std::move(devices);
    return document;
}

}  // namespace

int RunPlan(const PlanSettings& settings) {
    std::ifstream in(settings.file, std::ios::binary);
    std::stringstream content;
    if (!in || !(content << in.rdbuf())) {
        WriteText(stderr, std::string(kProgram) + ": cannot read " + settings.file + '\n');
        return kExitUsage;
    }
    const Plan plan = ReadPlan(content.str());
    std::vector<PlanProblem> problems = plan.problems;

    DeviceSearch search(settings.json ? stderr : stdout, false);
    if (const auto failed = search.Start(kProgram)) {
        return *failed;
    }
    if (const auto failed = search.Wait(DeviceSearch::Seconds(settings.timeout_seconds))) {
        return *failed;
    }
    const std::vector<DeviceRecord> found = search.Devices();
    const std::string question =
        Utf16ToUtf8(ProcessUiStringTable().Text(UiStringId::IpGatewayMismatch));
    std::vector<PlannedDevice> planned;
    for (const PlanRow& row : plan.rows) {
        PlannedDevice& d = planned.emplace_back();
        d.row = &row;
        d.before = search.Find(row.mac);
        if (!d.before) {
            continue;
        }
        auto prepared = PrepareSet(*d.before, row.edits);
        if (const auto* refusal = std::get_if<std::string>(&prepared)) {
            problems.push_back({row.line, *refusal});
            continue;
        }
        d.set = std::get<PreparedSet>(std::move(prepared));
        if (d.set.changes.empty() || !d.set.asks_subnet_question || settings.yes ||
            settings.dry_run) {
            continue;
        }
        if (!CanAskPerson()) {
            problems.push_back({row.line, question + " No terminal to ask on: give --yes"});
        } else if (!AskYesNo(MacString(row.mac) + ": " + question)) {
            problems.push_back({row.line, "not confirmed: " + question});
        }
    }
    if (!settings.force) {
        const auto taken = TakenAddresses(planned, found);
        problems.insert(problems.end(), taken.begin(), taken.end());
    }
    if (!problems.empty()) {
        PrintProblems(settings.file, problems);
        return kExitUsage;
    }

    if (!settings.dry_run) {
        std::vector<SentSet> sent;
        bool first = true;
        for (PlannedDevice& d : planned) {
            if (!d.before || d.set.changes.empty()) {
                continue;
            }
            if (!first) {
                std::this_thread::sleep_for(kSendInterval);
            }
            first = false;
            search.SendPcEdit(ByteSpan(d.set.request.data(), d.set.request.size()));
            sent.push_back({d.row->mac, d.set, std::nullopt, {}, Outcome::kNoAnswer});
        }
        if (!settings.no_verify && !sent.empty()) {
            if (const auto failed =
                    Verify(search, sent, DeviceSearch::Seconds(settings.verify_timeout_seconds))) {
                return *failed;
            }
        }
        for (PlannedDevice& d : planned) {
            const auto result = std::find_if(sent.begin(), sent.end(),
                                             [&](const SentSet& s) { return s.mac == d.row->mac; });
            if (result != sent.end()) {
                d.sent = *result;
            }
        }
    }
    WriteText(stdout, settings.json ? JsonText(SummaryJson(planned, settings))
                                    : SummaryText(planned, settings));
    int exit_code = kExitDone;
    for (const PlannedDevice& d : planned) {
        exit_code = std::max(exit_code, ExitCodeOf(d, settings));
    }
    return exit_code;
}

}  // namespace norvik::cli
