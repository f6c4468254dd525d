// Fuzz target: a plan file's bytes, as norvik-set --plan reads them.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <set>
#include <string_view>

#include "device_list.h"
#include "fuzz_check.h"
#include "plan_csv.h"
#include "plan_file.h"

using norvik::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const norvik::cli::Plan plan = norvik::cli::ReadPlan(text);
    // Every line feed of the text, in UTF-16 too, holds a byte 0x0A: no more lines than that.
    const int lines = static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1;
    Check(plan.rows.size() <= norvik::DeviceList::kMaxDevices);
    Check(plan.problems.size() <= norvik::cli::kMaxPlanProblems + 1);
    int previous = 0;
    std::set<norvik::MacAddress> macs;
    for (const norvik::cli::PlanRow& row : plan.rows) {
        // Rows come in file order, each from a line of the file, each MAC once; a name is
        // text a device can be given, a port what a device's record can hold.
        const auto& e = row.edits;
        Check(row.line > previous && row.line <= lines && macs.insert(row.mac).second);
        Check(!e.name || norvik::cli::IsPlanNameText(*e.name));
        Check(!e.port || (*e.port >= std::numeric_limits<std::int32_t>::min() &&
                          *e.port <= std::numeric_limits<std::int32_t>::max()));
        previous = row.line;
    }
    for (const norvik::cli::PlanProblem& problem : plan.problems) {
        // A message never carries a control character of the file to the terminal.
        const bool control =
            std::any_of(problem.message.begin(), problem.message.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20; });
        Check(problem.line >= 0 && problem.line <= lines && !problem.message.empty() && !control);
    }
    return 0;
}
