#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "device_edit.h"
#include "device_search.h"

// Whether a device took its new settings: it is searched for again until it reports them.
namespace norvik::cli {

struct FieldDifference {
    std::string field;
    std::string sent;
    std::string reported;
};

// What a device's report says of the fields sent to it.
struct Comparison {
    std::vector<FieldDifference> differs;  // shown, and otherwise than sent
    std::vector<std::string> not_shown;    // sent, but the report does not carry them
};

// Compares the changed fields with the report. After a switch to DHCP the address, netmask,
// gateway and DNS servers do not count, since the device takes them from the DHCP server then.
Comparison Compare(const PreparedSet& sent, const DeviceRecord& reported);

enum class Outcome { kApplied, kNotApplied, kNotVerifiable, kRefused, kNoAnswer, kInterrupted };
// "applied", "not applied", "not verifiable", "refused", "no answer", "interrupted"
const char* OutcomeText(Outcome outcome);
int ExitCodeOf(Outcome outcome);

// One device whose set request went out, and what was heard from it since.
struct SentSet {
    MacAddress mac{};
    PreparedSet set;
    std::optional<DeviceRecord> heard;  // its last report, if any
    Comparison comparison;
    std::optional<Refusal> refusal;
    int rounds_heard = 0;  // searches since the request that it answered
    int last_round = -1;
    Outcome outcome = Outcome::kNoAnswer;
};

inline constexpr DeviceSearch::Seconds kSearchInterval{2.0};
// The shortest verification that hears one search.
inline constexpr double kMinVerifySeconds = 1.0;

// Searches again at once and then every kSearchInterval until every device has settled (it
// reports what it was sent, refused, or answered two searches since the request) or `timeout`
// has passed or `stop` holds, and sets each one's outcome (devices not settled at a stop:
// interrupted). Refusals from refusals_before on count. The exit code to end with when a
// receive socket failed or a search could not be sent (said).
std::optional<int> Verify(const char* program, DeviceSearch& search, std::vector<SentSet>& sent,
                          DeviceSearch::Seconds timeout, std::size_t refusals_before,
                          const std::function<bool()>& stop);

}  // namespace norvik::cli
