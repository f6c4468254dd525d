#include "plan_csv.h"

#include <algorithm>
#include <cstdint>

#include "device_text.h"
#include "quoted_if_odd.h"
#include "trace.h"
#include "utf.h"

namespace norvik::cli {
namespace {

// The length of the UTF-8 sequence at the start of text, or 0 when it is not well-formed.
std::size_t SequenceLength(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
    const std::uint8_t lead = byte(0);
    if (lead < 0x80) {
        return 1;
    }
    std::size_t length = 0;
    std::uint8_t low = 0x80;  // the range of the second byte, narrower after some leads
    std::uint8_t high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;   // no overlong forms
        high = lead == 0xED ? 0x9F : 0xBF;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;   // no overlong forms
        high = lead == 0xF4 ? 0x8F : 0xBF;  // nothing past U+10FFFF
    } else {
        return 0;
    }
    if (text.size() < length || byte(1) < low || byte(1) > high) {
        return 0;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF) {
            return 0;
        }
    }
    return length;
}

}  // namespace

std::size_t Utf8PrefixLength(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t length = SequenceLength(text.substr(at));
        if (length == 0) {
            break;
        }
        at += length;
    }
    return at;
}

bool IsUtf8(std::string_view text) {
    return Utf8PrefixLength(text) == text.size();
}

bool IsPlanNameText(std::string_view name) {
    if (!IsUtf8(name)) {
        return false;
    }
    for (std::size_t i = 0; i < name.size(); ++i) {
        const bool line_break_or_tab = name[i] == '\t' || name[i] == '\r' || name[i] == '\n';
        if (IsControlCharacterAt(name, i) && !line_break_or_tab) {
            return false;
        }
    }
    return true;
}

std::string CsvCell(std::string_view text) {
    const bool quote = text.find_first_of(",;\t\"\r\n#") != std::string_view::npos ||
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

std::string PlanCsvHeader(char separator) {
    std::string line;
    for (const std::string_view column : kPlanColumns) {
        if (!line.empty()) {
            line += separator;
        }
        line += column;
    }
    return line + '\n';
}

std::string PlanCsvRow(const DeviceRecord& d, bool* name_left_empty, char separator) {
    // The name's own bytes: decoding them for display would put U+FFFD in place of what is
    // not UTF-8, and a plan read back would then rename the device.
    const std::string name(d.name.begin(), std::find(d.name.begin(), d.name.end(), 0));
    const bool writable = IsPlanNameText(name);
    if (name_left_empty != nullptr) {
        *name_left_empty = !writable;
    }
    std::string name_cell;
    if (writable && !name.empty() &&
        (kFormulaStarts.find(name.front()) != std::string_view::npos ||
         name.front() == kTextMark)) {
        name_cell = kTextMark;
    }
    if (writable) {
        name_cell = CsvCell(name_cell + name);
    }
    // What the report did not carry is left empty: the record's value is not the device's.
    const bool has_dns = (d.reported & kReportedDns) != 0;
    const bool has_mode = (d.reported & kReportedMode) != 0;
    const bool has_ports = (d.reported & kReportedPorts) != 0;
    const std::array<std::string, kPlanColumns.size()> cells = {
        Utf16ToUtf8(MacText(d.mac)),
        name_cell,
        DottedAddress(d.ip),
        DottedAddress(d.netmask),
        DottedAddress(d.gateway),
        has_dns ? DottedAddress(d.dns1) : "",
        has_dns ? DottedAddress(d.dns2) : "",
        has_ports ? std::to_string(d.http_port) : "",
        has_mode ? (d.dhcp_on != 0 ? "dhcp" : "static") : ""};
    std::string line;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (i > 0) {
            line += separator;
        }
        line += cells[i];
    }
    return line + '\n';
}

}  // namespace norvik::cli
