#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device_edit.h"

// The plan file: which device gets which settings, one device a record, as CSV with a header
// of the columns in plan_csv.h (any order; mac required). The cells are separated by commas,
// semicolons or tabs: a first line "sep=;" says which, else it is the one that splits the
// header into known columns. UTF-8 with or without a byte-order mark, or UTF-16 with one; CR
// LF or LF. Blank lines and lines whose first non-blank character is '#' are skipped; a '#'
// anywhere else is text. A cell may be quoted ("a, ""b"""), and a quoted name may hold line
// ends; a cell is trimmed of blanks outside quotes. One leading ' of a name cell is dropped:
// it marks text for spreadsheets. An empty cell keeps what the device reports.
namespace norvik::cli {

// A plan names at most as many devices as the device list holds; a file past this size is
// neither a scan nor something a person typed, and is refused before it is read whole.
inline constexpr std::size_t kMaxPlanBytes = std::size_t{16} << 20;
// Problems listed in full; the rest are counted.
inline constexpr std::size_t kMaxPlanProblems = 20;

struct PlanRow {
    int line = 0;  // 1-based, in the file: where the row begins
    MacAddress mac{};
    DeviceEdits edits;
};

struct PlanProblem {
    int line = 0;  // 1-based; 0 for the file as a whole
    std::string message;
    std::size_t stands_for = 1;  // the "and N more" entry stands for the N it only counted
};

struct Plan {
    std::vector<PlanRow> rows;  // the rows that read well, in file order
    std::vector<PlanProblem> problems;
};

// The bytes of FILE, or of standard input for "-", at most kMaxPlanBytes of them; nothing
// when it cannot be read or is larger, with a sentence naming the file in error.
std::optional<std::string> ReadPlanText(const std::string& file, std::string& error);

// Reads the whole plan and finds what is wrong with its form: text that is not UTF-8 or
// UTF-16 with a byte-order mark, a file with NUL bytes, no header, an unknown or repeated
// column, no mac column, a line with more cells than the header, a quote not closed, a
// control character in a cell, a bad MAC, address or mode, a port that is not a 32-bit
// integer, the same MAC twice, more rows than the device list holds. Whether a value suits a
// device (port range, name length, free addresses) is for the run, which knows what a row
// changes. Problems past kMaxPlanProblems are told as one "and N more".
Plan ReadPlan(std::string_view bytes);

}  // namespace norvik::cli
