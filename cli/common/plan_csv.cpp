#include "plan_csv.h"

#include <algorithm>

#include "device_text.h"
#include "trace.h"
#include "utf.h"

namespace norvik::cli {

std::string CsvCell(std::string_view text) {
    const bool quote = text.find_first_of(",\"\r\n#") != std::string_view::npos ||
                       (!text.empty() && (text.front() == ' ' || text.back() == ' '));
    if (!quote) {
        return std::string(text);
    }
    std::string cell = "\"";
    for (const char c : text) {
        cell += c;
        if (c == '"') {
            cell += '"';
        }
    }
    return cell + '"';
}

std::string PlanCsvHeader() {
    std::string line;
    for (const std::string_view column : kPlanColumns) {
        line += (line.empty() ? "" : ",") + std::string(column);
    }
    return line + '\n';
}

std::string PlanCsvRow(const DeviceRecord& d) {
    const bool has_dns = d.dns_enabled != 0;
    const bool has_mode = d.dhcp_supported != 0 || d.dhcp_on != 0;
    const std::array<std::string, kPlanColumns.size()> cells = {
        Utf16ToUtf8(MacText(d.mac)),
        CsvCell(Utf16ToUtf8(NameText(d.name))),
        DottedAddress(d.ip),
        DottedAddress(d.netmask),
        DottedAddress(d.gateway),
        has_dns ? DottedAddress(d.dns1) : "",
        has_dns ? DottedAddress(d.dns2) : "",
        std::to_string(d.http_port),
        has_mode ? (d.dhcp_on != 0 ? "dhcp" : "static") : ""};
    std::string line;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        line += (i == 0 ? "" : ",") + cells[i];
    }
    return line + '\n';
}

}  // namespace norvik::cli
