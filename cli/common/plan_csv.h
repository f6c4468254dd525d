#pragma once

#include <array>
#include <string>
#include <string_view>

#include "device_record.h"

// The plan file's CSV: the columns norvik-set --plan reads and norvik-scan --csv writes, so
// that a saved scan edited in a spreadsheet is a plan.
namespace norvik::cli {

inline constexpr std::array<std::string_view, 9> kPlanColumns = {
    "mac", "name", "ip", "netmask", "gateway", "dns1", "dns2", "port", "mode"};

// The header line, with its line feed.
std::string PlanCsvHeader();
// A device as it reports itself, with its line feed: the DNS servers empty when its report
// carries none, the mode empty when it carries no mode.
std::string PlanCsvRow(const DeviceRecord& device);
// A cell, quoted when it holds a comma, a quote, a line end, a '#' (which starts a comment
// outside quotes) or blanks at its ends.
std::string CsvCell(std::string_view text);

}  // namespace norvik::cli
