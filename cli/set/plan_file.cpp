#include "plan_file.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>

#include "address_text.h"
#include "command_line.h"
#include "device_list.h"
#include "plan_csv.h"
#include "quoted_if_odd.h"
#include "utf.h"

namespace norvik::cli {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";
constexpr std::string_view kSaveHint = "save it as CSV UTF-8";
constexpr std::array<char, 3> kSeparators = {',', ';', '\t'};
constexpr std::string_view kSeparatorLine = "sep=";
constexpr std::size_t kShownBytes = 40;  // of a bad cell, in a message

// The first problems in full, the others only counted, so that a file of garbage costs
// neither memory nor a screen of messages.
class Problems {
public:
    void Add(int line, std::string message) {
        if (listed_.size() < kMaxPlanProblems) {
            listed_.push_back({line, std::move(message)});
            return;
        }
        if (more_++ == 0) {
            first_more_line_ = line;
        }
    }
    std::vector<PlanProblem> Take() && {
        if (more_ > 0) {
            listed_.push_back({first_more_line_,
                               "and " + std::to_string(more_) + " more problem" +
                                   (more_ == 1 ? "" : "s") + " from here on",
                               more_});
        }
        return std::move(listed_);
    }

private:
    std::vector<PlanProblem> listed_;
    std::size_t more_ = 0;
    int first_more_line_ = 0;
};

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return lower;
}

std::string Hex(std::uint8_t byte) {
    constexpr std::string_view kDigits = "0123456789ABCDEF";
    return {kDigits[byte >> 4], kDigits[byte & 0xF]};
}

// A cell as a message shows it: control characters as \xNN, cut at a character's start after
// kShownBytes, so that what a file holds cannot steer the terminal or split a message line.
std::string Shown(std::string_view cell) {
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(cell[i]); };
    std::size_t end = std::min(cell.size(), kShownBytes);
    while (end > 0 && end < cell.size() && (byte(end) & 0xC0) == 0x80) {
        --end;  // within a character
    }
    const std::string_view kept = cell.substr(0, end);
    std::string shown;
    for (std::size_t i = 0; i < end; ++i) {
        if (IsControlCharacterAt(kept, i)) {
            // A C1 control, two bytes, shows as its second: U+009B as \x9B.
            shown += "\\x" + Hex(byte(cell[i] == '\xC2' ? ++i : i));
        } else {
            shown += cell[i];
        }
    }
    return end < cell.size() ? shown + "..." : shown;
}

// UTF-16 after its byte-order mark, as UTF-8; nothing, with the lines that show it, when a
// surrogate stands alone or a byte is left over.
std::optional<std::string> FromUtf16(std::string_view bytes, bool big_endian, Problems& problems) {
    if (bytes.size() % 2 != 0) {
        problems.Add(0, "UTF-16 text of an odd number of bytes: " + std::string(kSaveHint));
        return std::nullopt;
    }
    std::u16string units(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i) {
        const auto first = static_cast<std::uint8_t>(bytes[2 * i]);
        const auto second = static_cast<std::uint8_t>(bytes[2 * i + 1]);
        units[i] = static_cast<char16_t>(big_endian ? first << 8 | second : second << 8 | first);
    }
    // Utf16ToUtf8 would make a lone surrogate U+FFFD: a name changed without a word.
    int line = 1;
    int bad_line = 0;  // the last line found bad, told once
    for (std::size_t i = 0; i < units.size(); ++i) {
        const char16_t c = units[i];
        line += c == u'\n' ? 1 : 0;
        if (IsHighSurrogate(c) && i + 1 < units.size() && IsLowSurrogate(units[i + 1])) {
            ++i;
        } else if ((IsHighSurrogate(c) || IsLowSurrogate(c)) && bad_line != line) {
            problems.Add(line, "not UTF-16 text (a lone surrogate): " + std::string(kSaveHint));
            bad_line = line;
        }
    }
    if (bad_line != 0) {
        return std::nullopt;
    }
    return Utf16ToUtf8(units);
}

// Refuses text with NUL bytes (no CSV, one short message) or bytes that are not UTF-8 (each
// line that has them).
bool CheckText(std::string_view text, Problems& problems) {
    const auto lines_before = [&](std::size_t from, std::size_t to) {
        return static_cast<int>(std::count(text.begin() + static_cast<std::ptrdiff_t>(from),
                                           text.begin() + static_cast<std::ptrdiff_t>(to), '\n'));
    };
    if (const std::size_t nul = text.find('\0'); nul != std::string_view::npos) {
        problems.Add(lines_before(0, nul) + 1,
                     "a NUL byte: this is no CSV text (" + std::string(kSaveHint) + ")");
        return false;
    }
    bool good = true;
    int line = 1;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t bad = at + Utf8PrefixLength(text.substr(at));
        if (bad == text.size()) {
            break;
        }
        line += lines_before(at, bad);
        problems.Add(line, "not UTF-8 text (byte 0x" + Hex(static_cast<std::uint8_t>(text[bad])) +
                               "): " + std::string(kSaveHint));
        good = false;
        const std::size_t next = text.find('\n', bad);  // one problem a line
        if (next == std::string_view::npos) {
            break;
        }
        ++line;
        at = next + 1;
    }
    return good;
}

// The plan's bytes as UTF-8 without a byte-order mark; nothing when they are not text of a
// known encoding, with the problems that say so.
std::optional<std::string> DecodedText(std::string_view bytes, Problems& problems) {
    std::optional<std::string> text;
    if (bytes.starts_with(kUtf16LeMark) || bytes.starts_with(kUtf16BeMark)) {
        text = FromUtf16(bytes.substr(2), bytes.starts_with(kUtf16BeMark), problems);
    } else {
        text = std::string(bytes.substr(bytes.starts_with(kByteOrderMark) ? 3 : 0));
    }
    if (!text || !CheckText(*text, problems)) {
        return std::nullopt;
    }
    return text;
}

struct Cell {
    std::string text;
    bool quoted = false;
};

struct Record {
    int line = 0;  // where it begins
    std::vector<Cell> cells;
    std::string error;  // empty when it reads well
    int error_line = 0;
    bool open_quote = false;  // a quote not closed: the rest of the text is in it

    bool Empty() const {
        return std::all_of(cells.begin(), cells.end(),
                           [](const Cell& cell) { return cell.text.empty(); });
    }
};

// The records of the text, one a line unless a quoted cell holds line ends; blank and comment
// lines are passed over.
class RecordReader {
public:
    RecordReader(std::string_view text, char separator, int line)
        : text_(text), separator_(separator), line_(line) {}

    // The next record; false at the end of the text.
    bool Next(Record& record) {
        if (!SkipBlankAndCommentLines()) {
            return false;
        }
        record = Record{};
        record.line = line_;
        for (;;) {
            SkipBlanks();
            Cell cell;
            if (at_ < text_.size() && text_[at_] == '"') {
                cell.quoted = true;
                const int opened = line_;
                if (!ReadQuoted(cell.text)) {
                    record.error = "a quote is not closed";
                    record.error_line = opened;
                    record.open_quote = true;
                    return true;
                }
                SkipBlanks();
                if (at_ < text_.size() && text_[at_] != separator_ && !AtLineEnd()) {
                    record.error = "text after a quoted cell";
                    record.error_line = line_;
                    SkipLine();
                    return true;
                }
            } else {
                const std::size_t start = at_;
                while (at_ < text_.size() && text_[at_] != separator_ && !AtLineEnd()) {
                    ++at_;
                }
                std::string_view raw = text_.substr(start, at_ - start);
                while (!raw.empty() && IsBlank(raw.back())) {
                    raw.remove_suffix(1);
                }
                cell.text = raw;
            }
            record.cells.push_back(std::move(cell));
            if (at_ < text_.size() && text_[at_] == separator_) {
                ++at_;
                continue;
            }
            SkipLine();
            return true;
        }
    }

private:
    bool IsBlank(char c) const { return c == ' ' || (c == '\t' && separator_ != '\t'); }

    bool AtLineEnd() const {
        return text_[at_] == '\n' ||
               (text_[at_] == '\r' && at_ + 1 < text_.size() && text_[at_ + 1] == '\n');
    }

    void SkipBlanks() {
        while (at_ < text_.size() && IsBlank(text_[at_])) {
            ++at_;
        }
    }

    // Past the next line feed, or to the end.
    void SkipLine() {
        const std::size_t end = text_.find('\n', at_);
        at_ = end == std::string_view::npos ? text_.size() : end + 1;
        if (end != std::string_view::npos) {
            ++line_;
        }
    }

    bool SkipBlankAndCommentLines() {
        while (at_ < text_.size()) {
            std::size_t first = at_;
            while (first < text_.size() && (text_[first] == ' ' || text_[first] == '\t')) {
                ++first;
            }
            const bool blank = first == text_.size() || text_[first] == '\n' ||
                               text_.substr(first).starts_with("\r\n");
            if (!blank && text_[first] != '#') {
                return true;
            }
            SkipLine();
        }
        return false;
    }

    // From an opening quote past its closing one; false when none closes it.
    bool ReadQuoted(std::string& cell) {
        for (++at_; at_ < text_.size(); ++at_) {
            const char c = text_[at_];
            if (c == '"') {
                if (at_ + 1 < text_.size() && text_[at_ + 1] == '"') {
                    cell += '"';
                    ++at_;
                    continue;
                }
                ++at_;
                return true;
            }
            if (c == '\n') {
                ++line_;
            }
            cell += c;
        }
        return false;
    }

    std::string_view text_;
    char separator_;
    int line_;
    std::size_t at_ = 0;
};

bool KnownColumn(std::string_view column) {
    return std::find(kPlanColumns.begin(), kPlanColumns.end(), column) != kPlanColumns.end();
}

// A header's names, lower case, without the empty cells at its end (a spreadsheet's unused
// columns).
std::vector<std::string> HeaderColumns(const Record& header) {
    std::vector<std::string> columns;
    for (const Cell& cell : header.cells) {
        columns.push_back(Lower(cell.text));
    }
    while (!columns.empty() && columns.back().empty()) {
        columns.pop_back();
    }
    return columns;
}

// The first record that is not empty, read with this separator.
std::optional<Record> FirstRecord(std::string_view text, char separator, int line) {
    RecordReader reader(text, separator, line);
    Record record;
    while (reader.Next(record)) {
        if (!record.error.empty() || !record.Empty()) {
            return record;
        }
    }
    return std::nullopt;
}

// The separator whose header names known columns only, the first of kSeparators when
// several do; else the one that finds the most known columns.
char GuessSeparator(std::string_view text, int line) {
    char best = kSeparators.front();
    long best_known = -1;
    for (const char separator : kSeparators) {
        const auto header = FirstRecord(text, separator, line);
        if (!header || !header->error.empty()) {
            continue;
        }
        const std::vector<std::string> columns = HeaderColumns(*header);
        const auto known = std::count_if(columns.begin(), columns.end(),
                                         [](const std::string& c) { return KnownColumn(c); });
        if (known == static_cast<long>(columns.size())) {
            return separator;
        }
        if (known > best_known) {
            best = separator;
            best_known = known;
        }
    }
    return best;
}

// A port as the scanner writes what a device reports: a 32-bit integer, sign and all.
std::optional<long long> ParsePort(std::string_view cell) {
    constexpr std::size_t kMaxChars = 11;  // "-2147483648"
    long long port = 0;
    const char* const end = cell.data() + cell.size();
    if (cell.size() > kMaxChars || cell.starts_with('+')) {
        return std::nullopt;
    }
    const auto [stop, error] = std::from_chars(cell.data(), end, port);
    if (error != std::errc() || stop != end || port < std::numeric_limits<std::int32_t>::min() ||
        port > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    return port;
}

bool HasLineEnd(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

// Reads one cell of a row into its edit; the problem, or an empty text.
std::string ReadCell(std::string_view column, const Cell& cell, PlanRow& row) {
    DeviceEdits& e = row.edits;
    const std::string& text = cell.text;
    if (column == "mac") {
        const auto mac = ParseMac(text);
        row.mac = mac.value_or(MacAddress{});
        return mac ? "" : "not a MAC address: " + Shown(text);
    }
    if (text.empty()) {
        return "";
    }
    if (column == "name") {
        const std::string_view name = std::string_view(text).substr(text[0] == kTextMark ? 1 : 0);
        // Line ends come only within quotes: a stray CR outside them is no part of a name.
        if (!IsPlanNameText(name) || (!cell.quoted && HasLineEnd(name))) {
            return "a control character in the name: " + Shown(name);
        }
        e.name = std::string(name);
        return "";
    }
    if (column == "port") {
        e.port = ParsePort(text);
        return e.port ? "" : "the port is not a whole number: " + Shown(text);
    }
    if (column == "mode") {
        const std::string mode = Lower(text);
        if (mode != "dhcp" && mode != "static") {
            return "the mode is dhcp, static or empty, not " + Shown(text);
        }
        e.dhcp = mode == "dhcp";
        return "";
    }
    const std::map<std::string_view, std::optional<Ipv4>*> addresses = {{"ip", &e.ip},
                                                                        {"netmask", &e.netmask},
                                                                        {"gateway", &e.gateway},
                                                                        {"dns1", &e.dns1},
                                                                        {"dns2", &e.dns2}};
    const auto address = ParseIpv4(text);
    *addresses.at(column) = address;
    return address ? "" : std::string(column) + " is not an address A.B.C.D: " + Shown(text);
}

std::string ColumnList() {
    std::string list;
    for (const std::string_view column : kPlanColumns) {
        list += (list.empty() ? "" : ", ") + std::string(column);
    }
    return list;
}

// The header's columns; nothing when they are not what a plan needs, with the problems.
std::optional<std::vector<std::string>> ReadHeader(const Record& header, Problems& problems) {
    if (!header.error.empty()) {
        problems.Add(header.error_line, header.error);
        return std::nullopt;
    }
    const std::vector<std::string> columns = HeaderColumns(header);
    bool good = true;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const std::string& column = columns[i];
        if (column.empty()) {
            problems.Add(header.line, "column " + std::to_string(i + 1) + " has no name");
            good = false;
        } else if (!KnownColumn(column)) {
            problems.Add(header.line, "unknown column \"" + Shown(header.cells[i].text) + "\"");
            good = false;
        } else if (std::find(columns.begin(), columns.begin() + static_cast<std::ptrdiff_t>(i),
                             column) != columns.begin() + static_cast<std::ptrdiff_t>(i)) {
            problems.Add(header.line, "column " + column + " twice");
            good = false;
        }
    }
    if (std::find(columns.begin(), columns.end(), "mac") == columns.end()) {
        problems.Add(header.line, "no mac column");
        good = false;
    }
    if (!good) {
        problems.Add(header.line, "the header names columns of " + ColumnList() +
                                      ", separated by commas, semicolons or tabs");
        return std::nullopt;
    }
    return columns;
}

}  // namespace

std::optional<std::string> ReadPlanText(const std::string& file, std::string& error) {
    const bool standard_input = file == "-";
    const std::string name = standard_input ? std::string("standard input") : file;
    const std::string too_large = name + " is larger than " + std::to_string(kMaxPlanBytes >> 20) +
                                  " MiB: a plan names at most " +
                                  std::to_string(DeviceList::kMaxDevices) + " devices";
    std::ifstream in;
    if (!standard_input) {
        const std::filesystem::path path(std::u8string(file.begin(), file.end()));
        std::error_code status_error;
        const auto status = std::filesystem::status(path, status_error);
        if (std::filesystem::is_directory(status)) {
            error = "cannot read " + name + ": it is a directory";
            return std::nullopt;
        }
        std::error_code size_error;
        if (std::filesystem::is_regular_file(status) &&
            std::filesystem::file_size(path, size_error) > kMaxPlanBytes && !size_error) {
            error = too_large;
            return std::nullopt;
        }
        errno = 0;
        in.open(path, std::ios::binary);
        if (!in) {
            error = "cannot read " + name +
                    (errno != 0 ? ": " + std::string(std::strerror(errno)) : std::string());
            return std::nullopt;
        }
    } else {
        ReadStandardInputAsBytes();  // CR LF and all
    }
    std::string bytes;
    std::array<char, 1 << 16> chunk{};
    errno = 0;
    for (;;) {
        std::size_t got = 0;
        if (standard_input) {
            got = std::fread(chunk.data(), 1, chunk.size(), stdin);
        } else {
            in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
            got = static_cast<std::size_t>(in.gcount());
        }
        if (got == 0) {
            break;
        }
        if (bytes.size() + got > kMaxPlanBytes) {
            error = too_large;
            return std::nullopt;
        }
        bytes.append(chunk.data(), got);
    }
    if (standard_input ? std::ferror(stdin) != 0 : in.bad()) {
        error = "cannot read " + name +
                (errno != 0 ? ": " + std::string(std::strerror(errno)) : std::string());
        return std::nullopt;
    }
    return bytes;
}

Plan ReadPlan(std::string_view bytes) {
    Plan plan;
    Problems problems;
    const auto finish = [&] {
        plan.problems = std::move(problems).Take();
        return std::move(plan);
    };
    if (bytes.size() > kMaxPlanBytes) {
        problems.Add(0, "larger than " + std::to_string(kMaxPlanBytes >> 20) +
                            " MiB: a plan names at most " +
                            std::to_string(DeviceList::kMaxDevices) + " devices");
        return finish();
    }
    const std::optional<std::string> decoded = DecodedText(bytes, problems);
    if (!decoded) {
        return finish();
    }
    std::string_view text = *decoded;

    int first_line = 1;
    std::optional<char> separator;
    const std::string_view first = text.substr(0, text.find('\n'));
    if (Lower(first.substr(0, kSeparatorLine.size())) == kSeparatorLine) {
        std::string_view named = first.substr(kSeparatorLine.size());
        if (named.ends_with('\r')) {
            named.remove_suffix(1);
        }
        // A spreadsheet that took the line for a row writes it back with empty cells after it.
        const bool one = !named.empty() && named.find_first_not_of(named[0]) == std::string::npos;
        if (!one ||
            std::find(kSeparators.begin(), kSeparators.end(), named[0]) == kSeparators.end()) {
            problems.Add(
                1, "the separator is a comma, a semicolon or a tab, not \"" + Shown(named) + "\"");
            return finish();
        }
        separator = named[0];
        text.remove_prefix(std::min(first.size() + 1, text.size()));
        first_line = 2;
    }
    if (!separator) {
        separator = GuessSeparator(text, first_line);
    }

    RecordReader reader(text, *separator, first_line);
    std::optional<std::vector<std::string>> columns;
    std::map<MacAddress, int> line_of_mac;
    std::size_t rows = 0;
    Record record;
    while (reader.Next(record)) {
        if (record.error.empty() && record.Empty()) {
            continue;
        }
        if (!columns) {
            columns = ReadHeader(record, problems);
            if (!columns) {
                return finish();
            }
            continue;
        }
        if (!record.error.empty()) {
            problems.Add(record.error_line, record.error);
            if (record.open_quote) {
                break;
            }
            continue;
        }
        if (++rows > DeviceList::kMaxDevices) {
            problems.Add(record.line, "more than " + std::to_string(DeviceList::kMaxDevices) +
                                          " devices: the most a plan names");
            break;
        }
        std::size_t cells = record.cells.size();
        while (cells > 0 && record.cells[cells - 1].text.empty()) {
            --cells;  // empty cells under a spreadsheet's unused columns
        }
        if (cells > columns->size()) {
            problems.Add(record.line, std::to_string(cells) + " cells, but " +
                                          std::to_string(columns->size()) + " columns");
            continue;
        }
        PlanRow row;
        row.line = record.line;
        bool good = true;
        for (std::size_t i = 0; i < columns->size(); ++i) {
            const Cell cell = i < cells ? record.cells[i] : Cell{};
            const std::string message = ReadCell((*columns)[i], cell, row);
            if (!message.empty()) {
                problems.Add(record.line, message);
                good = false;
            }
        }
        if (!good) {
            continue;
        }
        const auto [mac, new_mac] = line_of_mac.emplace(row.mac, row.line);
        if (!new_mac) {
            problems.Add(row.line,
                         "the MAC address of line " + std::to_string(mac->second) + " again");
            continue;
        }
        plan.rows.push_back(std::move(row));
    }
    if (!columns) {
        problems.Add(0, "the plan is empty: it has no header line (" +
                            std::string(PlanCsvHeader().substr(0, PlanCsvHeader().size() - 1)) +
                            ") and no devices");
    }
    return finish();
}

}  // namespace norvik::cli
