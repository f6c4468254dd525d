#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device_edit.h"

// The plan file: which device gets which settings, one device a line, as CSV with a header
// of the columns in plan_csv.h (any order; mac required). UTF-8, with or without a byte-order
// mark, CR LF or LF; blank lines and '#' comments (outside quotes, to the end of the line)
// are skipped. A cell may be quoted ("a, ""b""") and is trimmed of blanks outside quotes. An
// empty cell keeps what the device reports.
namespace norvik::cli {

struct PlanRow {
    int line = 0;  // 1-based, in the file
    MacAddress mac{};
    DeviceEdits edits;
};

struct PlanProblem {
    int line = 0;  // 1-based; 0 for the file as a whole
    std::string message;
};

struct Plan {
    std::vector<PlanRow> rows;  // the lines that read well, in file order
    std::vector<PlanProblem> problems;
};

// Reads the whole file and finds every problem a file can have on its own: an unknown or
// repeated column, no mac column, a bad MAC, address, port or mode, a name over 31
// characters, a line with more cells than the header, a quote not closed, the same MAC twice
// and the same new address twice.
Plan ReadPlan(std::string_view text);

// The bytes of FILE, or of standard input for "-", bounded; nothing (with why) otherwise.
std::optional<std::string> ReadPlanText(const std::string& file, std::string& error);

}  // namespace norvik::cli
