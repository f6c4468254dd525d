#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "device_record.h"

// The plan file's CSV: the columns norvik-set --plan reads and norvik-scan --csv writes, so
// that a saved scan edited in a spreadsheet is a plan, and a plan that changes nothing.
namespace norvik::cli {

inline constexpr std::array<std::string_view, 9> kPlanColumns = {
    "mac", "name", "ip", "netmask", "gateway", "dns1", "dns2", "port", "mode"};

// What a spreadsheet takes for the start of a formula. A name cell that begins so, or with
// the quote that marks text, is written with one more leading quote, which the reader strips.
inline constexpr std::string_view kFormulaStarts = "=+-@\t\r";
inline constexpr char kTextMark = '\'';

// The header line, with its line feed.
std::string PlanCsvHeader(char separator = ',');
// A device as it reports itself, with its line feed: the DNS servers empty when its report
// carries none, the mode empty when it carries no mode. A name that a plan cannot carry
// exactly (not UTF-8, or with control characters other than tab and line ends) is left
// empty, which keeps what the device has; *name_left_empty tells the caller so.
std::string PlanCsvRow(const DeviceRecord& device, bool* name_left_empty = nullptr,
                       char separator = ',');
// A cell, quoted when it holds a separator (comma, semicolon or tab), a quote, a line end, a
// '#' or blanks at its ends.
std::string CsvCell(std::string_view text);

// How many bytes at the start of text are well-formed UTF-8 (no overlong forms, surrogates or
// values past U+10FFFF); whether all are.
std::size_t Utf8PrefixLength(std::string_view text);
bool IsUtf8(std::string_view text);
// Whether a name can stand in a plan exactly: UTF-8 without control characters (C0, DEL, C1)
// other than tab, CR and LF.
bool IsPlanNameText(std::string_view name);

}  // namespace norvik::cli
