#include "verification.h"

#include <algorithm>
#include <chrono>

#include "exit_codes.h"

namespace norvik::cli {
namespace {

bool IsChanged(const PreparedSet& sent, std::string_view field) {
    return std::any_of(sent.changes.begin(), sent.changes.end(),
                       [&](const FieldChange& change) { return change.field == field; });
}

bool ReportCarries(const DeviceRecord& reported, std::string_view field) {
    if (field == "dns1" || field == "dns2") {
        return reported.dns_enabled != 0;
    }
    if (field == "mode") {
        return reported.dhcp_supported != 0 || reported.dhcp_on != 0;
    }
    return true;
}

// Whether every device has an outcome: it reported what it was sent.
bool AllApplied(const std::vector<SentSet>& sent) {
    return std::all_of(sent.begin(), sent.end(),
                       [](const SentSet& s) { return s.outcome == Outcome::kApplied; });
}

}  // namespace

std::vector<FieldDifference> Differences(const PreparedSet& sent, const DeviceRecord& reported) {
    const bool to_dhcp = sent.values.dhcp && IsChanged(sent, "mode");
    const FieldTexts wanted = TextsOf(sent.values);
    const FieldTexts shown = TextsOf(ValuesOf(reported));
    std::vector<FieldDifference> differs;
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        const std::string_view field = wanted[i].first;
        if (!IsChanged(sent, field) || !ReportCarries(reported, field) ||
            (to_dhcp && field != "mode")) {
            continue;
        }
        if (wanted[i].second != shown[i].second) {
            differs.push_back({wanted[i].first, wanted[i].second, shown[i].second});
        }
    }
    return differs;
}

const char* OutcomeText(Outcome outcome) {
    switch (outcome) {
        case Outcome::kApplied:
            return "applied";
        case Outcome::kNotApplied:
            return "not applied";
        case Outcome::kNoAnswer:
            break;
    }
    return "no answer";
}

int ExitCodeOf(Outcome outcome) {
    switch (outcome) {
        case Outcome::kApplied:
            return kExitDone;
        case Outcome::kNotApplied:
            return kExitNotApplied;
        case Outcome::kNoAnswer:
            break;
    }
    return kExitNoAnswer;
}

std::optional<int> Verify(DeviceSearch& search, std::vector<SentSet>& sent,
                          DeviceSearch::Seconds timeout) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(timeout);
    // A device counts as heard only by a report to a search made after its set request.
    const auto look = [&] {
        for (SentSet& s : sent) {
            if (s.outcome == Outcome::kApplied) {
                continue;
            }
            if (auto reported = search.Find(s.mac)) {
                s.heard = *reported;
                s.differs = Differences(s.set, *reported);
                s.outcome = s.differs.empty() ? Outcome::kApplied : Outcome::kNotApplied;
            }
        }
        return AllApplied(sent);
    };
    while (!AllApplied(sent) && Clock::now() < deadline) {
        search.SearchAgain();
        const auto round =
            std::min(kSearchInterval, DeviceSearch::Seconds(deadline - Clock::now()));
        if (const auto failed = search.Wait(round, look)) {
            return failed;
        }
    }
    look();
    return std::nullopt;
}

}  // namespace norvik::cli
