#pragma once

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

// The changed fields that the device's report shows otherwise. Only the fields its kind of
// report carries count (a short PCEdit report has no DNS servers or mode); after a switch to
// DHCP only the mode does, since the device takes its address from the DHCP server then.
std::vector<FieldDifference> Differences(const PreparedSet& sent, const DeviceRecord& reported);

enum class Outcome { kApplied, kNotApplied, kNoAnswer };
const char* OutcomeText(Outcome outcome);  // "applied", "not applied", "no answer"
int ExitCodeOf(Outcome outcome);

// One device whose set request went out, and what was heard from it since.
struct SentSet {
    MacAddress mac{};
    PreparedSet set;
    std::optional<DeviceRecord> heard;  // its last report, if any
    std::vector<FieldDifference> differs;
    Outcome outcome = Outcome::kNoAnswer;
};

inline constexpr DeviceSearch::Seconds kSearchInterval{2.0};

// Searches again at once and then every kSearchInterval until every device reports what it
// was sent or `timeout` has passed, and sets each one's outcome. The exit code to end with
// when a receive socket failed.
std::optional<int> Verify(DeviceSearch& search, std::vector<SentSet>& sent,
                          DeviceSearch::Seconds timeout);

}  // namespace norvik::cli
