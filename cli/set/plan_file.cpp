#include "plan_file.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <map>
#include <optional>

#include "address_text.h"
#include "plan_csv.h"
#include "submit_checks.h"
#include "trace.h"
#include "utf.h"

namespace norvik::cli {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return lower;
}

// The cells of one line, up to a comment; nothing and a message when a quote is not closed.
std::optional<std::vector<std::string>> SplitCells(std::string_view line, std::string& error) {
    std::vector<std::string> cells;
    std::string cell;
    bool quoted = false;      // inside quotes
    bool was_quoted = false;  // this cell had quotes: its blanks are its own
    std::size_t i = 0;
    const auto finish = [&] {
        cells.push_back(was_quoted ? cell : std::string(Trimmed(cell)));
        cell.clear();
        was_quoted = false;
    };
    for (; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                cell += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                cell += c;
            }
        } else if (c == '"' && Trimmed(cell).empty() && !was_quoted) {
            cell.clear();
            quoted = true;
            was_quoted = true;
        } else if (c == ',') {
            finish();
        } else if (c == '#') {
            break;
        } else if (!was_quoted) {
            cell += c;
        } else if (!IsBlank(c)) {
            error = "text after a quoted cell";
            return std::nullopt;
        }
    }
    if (quoted) {
        error = "a quote is not closed";
        return std::nullopt;
    }
    finish();
    return cells;
}

// The file's lines without their line ends, the first without a byte-order mark.
std::vector<std::string_view> Lines(std::string_view text) {
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        text.remove_prefix(kByteOrderMark.size());
    }
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.push_back(line);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return lines;
}

bool IsEmptyLine(const std::vector<std::string>& cells) {
    return std::all_of(cells.begin(), cells.end(), [](const std::string& c) { return c.empty(); });
}

// Reads one cell of a row into its edit; the problem, or an empty text.
std::string ReadCell(std::string_view column, const std::string& cell, PlanRow& row) {
    DeviceEdits& e = row.edits;
    if (column == "mac") {
        const auto mac = ParseMac(cell);
        row.mac = mac.value_or(MacAddress{});
        return mac ? "" : "not a MAC address: " + cell;
    }
    if (cell.empty()) {
        return "";
    }
    if (column == "name") {
        if (!NameFits(Utf8ToUtf16(cell))) {
            return "the name has more than " + std::to_string(kNameMaxChars) + " characters";
        }
        e.name = cell;
        return "";
    }
    if (column == "port") {
        long long port = -1;
        const bool digits = cell.size() <= 6 && std::all_of(cell.begin(), cell.end(), [](char c) {
                                return c >= '0' && c <= '9';
                            });
        if (digits) {
            port = std::stoll(cell);
        }
        if (!digits || !PortInRange(port)) {
            return "the port is not from " + std::to_string(kPortMin) + " to " +
                   std::to_string(kPortMax) + ": " + cell;
        }
        e.port = port;
        return "";
    }
    if (column == "mode") {
        const std::string mode = Lower(cell);
        if (mode != "dhcp" && mode != "static") {
            return "the mode is dhcp, static or empty, not " + cell;
        }
        e.dhcp = mode == "dhcp";
        return "";
    }
    const std::map<std::string_view, std::optional<Ipv4>*> addresses = {{"ip", &e.ip},
                                                                        {"netmask", &e.netmask},
                                                                        {"gateway", &e.gateway},
                                                                        {"dns1", &e.dns1},
                                                                        {"dns2", &e.dns2}};
    const auto address = ParseIpv4(cell);
    *addresses.at(column) = address;
    return address ? "" : std::string(column) + " is not an address A.B.C.D: " + cell;
}

}  // namespace

std::optional<std::string> ReadPlanText(const std::string& file, std::string& error) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream content;
    if (!in || !(content << in.rdbuf())) {
        error = "cannot read it";
        return std::nullopt;
    }
    return content.str();
}

Plan ReadPlan(std::string_view text) {
    Plan plan;
    const auto problem = [&](int line, std::string message) {
        plan.problems.push_back({line, std::move(message)});
    };
    std::vector<std::string> columns;
    std::map<MacAddress, int> line_of_mac;
    std::map<Ipv4, int> line_of_ip;
    const std::vector<std::string_view> lines = Lines(text);
    for (std::size_t index = 0; index < lines.size(); ++index) {
        const int number = static_cast<int>(index) + 1;
        std::string error;
        const auto cells = SplitCells(lines[index], error);
        if (!cells) {
            problem(number, error);
            continue;
        }
        if (IsEmptyLine(*cells)) {
            continue;
        }
        if (columns.empty()) {
            for (const std::string& cell : *cells) {
                const std::string column = Lower(cell);
                if (std::find(kPlanColumns.begin(), kPlanColumns.end(), column) ==
                    kPlanColumns.end()) {
                    problem(number, "unknown column \"" + cell + "\"");
                } else if (std::find(columns.begin(), columns.end(), column) != columns.end()) {
                    problem(number, "column " + column + " twice");
                }
                columns.push_back(column);
            }
            if (std::find(columns.begin(), columns.end(), "mac") == columns.end()) {
                problem(number, "no mac column");
            }
            continue;
        }
        if (cells->size() > columns.size()) {
            problem(number, std::to_string(cells->size()) + " cells, but " +
                                std::to_string(columns.size()) + " columns");
            continue;
        }
        PlanRow row;
        row.line = number;
        bool good = true;
        for (std::size_t i = 0; i < columns.size(); ++i) {
            const std::string cell = i < cells->size() ? (*cells)[i] : std::string();
            if (std::find(kPlanColumns.begin(), kPlanColumns.end(), columns[i]) ==
                kPlanColumns.end()) {
                continue;
            }
            const std::string message = ReadCell(columns[i], cell, row);
            if (!message.empty()) {
                problem(number, message);
                good = false;
            }
        }
        if (!good) {
            continue;
        }
        const auto [mac, new_mac] = line_of_mac.emplace(row.mac, number);
        if (!new_mac) {
            problem(number, "the MAC address of line " + std::to_string(mac->second) + " again");
            continue;
        }
        if (row.edits.ip) {
            const auto [ip, new_ip] = line_of_ip.emplace(*row.edits.ip, number);
            if (!new_ip) {
                problem(number, "the address " + DottedAddress(*row.edits.ip) + " of line " +
                                    std::to_string(ip->second) + " again");
                continue;
            }
        }
        plan.rows.push_back(std::move(row));
    }
    if (columns.empty()) {
        problem(0, "no header line (" +
                       std::string(PlanCsvHeader().substr(0, PlanCsvHeader().size() - 1)) + ")");
    }
    return plan;
}

}  // namespace norvik::cli
