// Fuzz target: a plan file's bytes, as norvik-set --plan reads them.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <set>
#include <string_view>

#include "plan_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const norvik::cli::Plan plan = norvik::cli::ReadPlan(text);
    const int lines = static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1;
    int previous = 0;
    std::set<norvik::MacAddress> macs;
    for (const norvik::cli::PlanRow& row : plan.rows) {
        // Rows come in file order, each a line of the file, each MAC once.
        if (row.line <= previous || row.line > lines || !macs.insert(row.mac).second) {
            __builtin_trap();
        }
        previous = row.line;
    }
    for (const norvik::cli::PlanProblem& problem : plan.problems) {
        if (problem.line < 0 || problem.line > lines || problem.message.empty()) {
            __builtin_trap();
        }
    }
    return 0;
}
