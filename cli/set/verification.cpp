#include "verification.h"

#include <algorithm>
#include <chrono>

#include "console_text.h"
#include "exit_codes.h"

namespace norvik::cli {
namespace {

bool Settled(const SentSet& s) {
    return s.outcome == Outcome::kApplied || s.outcome == Outcome::kRefused || s.rounds_heard >= 2;
}

bool AllSettled(const std::vector<SentSet>& sent) {
    return std::all_of(sent.begin(), sent.end(), Settled);
}

// What a DHCP server gives a device, so what it reports after a switch to DHCP instead of what
// was sent. Its name and port stay its own and count.
bool FromDhcpServer(std::string_view field) {
    return field == "ip" || field == "netmask" || field == "gateway" || field == "dns1" ||
           field == "dns2";
}

}  // namespace

Comparison Compare(const PreparedSet& sent, const DeviceRecord& reported) {
    const bool to_dhcp = sent.values.dhcp && Changes(sent, "mode");
    const FieldTexts wanted = TextsOf(sent.values);
    const FieldTexts shown = TextsOf(ValuesOf(reported));
    Comparison comparison;
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        const std::string_view field = wanted[i].first;
        if (!Changes(sent, field) || (to_dhcp && FromDhcpServer(field))) {
            continue;
        }
        if (!ReportCarries(reported, field)) {
            comparison.not_shown.push_back(wanted[i].first);
        } else if (wanted[i].second != shown[i].second) {
            comparison.differs.push_back({wanted[i].first, wanted[i].second, shown[i].second});
        }
    }
    return comparison;
}

const char* OutcomeText(Outcome outcome) {
    switch (outcome) {
        case Outcome::kApplied:
            return "applied";
        case Outcome::kNotApplied:
            return "not applied";
        case Outcome::kNotVerifiable:
            return "not verifiable";
        case Outcome::kRefused:
            return "refused";
        case Outcome::kInterrupted:
            return "interrupted";
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
        case Outcome::kNotVerifiable:
            return kExitNotVerifiable;
        case Outcome::kRefused:
            return kExitRefused;
        case Outcome::kInterrupted:
            return kExitInterrupted;
        case Outcome::kNoAnswer:
            break;
    }
    return kExitNoAnswer;
}

std::optional<int> Verify(const char* program, DeviceSearch& search, std::vector<SentSet>& sent,
                          DeviceSearch::Seconds timeout, std::size_t refusals_before,
                          const std::function<bool()>& stop) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(timeout);
    int round = 0;
    // Every search of a round is made after the requests: what it hears is the device now.
    const auto look = [&] {
        const std::vector<Refusal> refusals = search.Refusals();
        for (SentSet& s : sent) {
            if (Settled(s)) {
                continue;
            }
            for (std::size_t i = refusals_before; i < refusals.size(); ++i) {
                if (refusals[i].mac == s.mac) {
                    s.refusal = refusals[i];
                    s.outcome = Outcome::kRefused;
                }
            }
            if (s.outcome == Outcome::kRefused) {
                continue;
            }
            if (auto reported = search.Find(s.mac)) {
                s.heard = *reported;
                s.comparison = Compare(s.set, *reported);
                s.outcome = !s.comparison.differs.empty()    ? Outcome::kNotApplied
                            : !s.comparison.not_shown.empty() ? Outcome::kNotVerifiable
                                                              : Outcome::kApplied;
                if (s.last_round != round) {
                    s.last_round = round;
                    ++s.rounds_heard;
                }
            }
        }
        return AllSettled(sent) || (stop && stop());
    };
    while (!AllSettled(sent) && Clock::now() < deadline && !(stop && stop())) {
        ++round;
        search.SearchAgain();
        if (const auto failure = search.SendFailure()) {
            WriteText(stderr, std::string(program) + ": " + *failure + '\n');
            return kExitError;
        }
        const auto left = std::chrono::duration_cast<DeviceSearch::Seconds>(deadline - Clock::now());
        if (const auto failed = search.Wait(std::min(kSearchInterval, left), look)) {
            return failed;
        }
        look();
    }
    if (stop && stop()) {
        for (SentSet& s : sent) {
            if (!Settled(s)) {
                s.outcome = Outcome::kInterrupted;
            }
        }
    }
    return std::nullopt;
}

}  // namespace norvik::cli
