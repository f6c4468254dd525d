#include "option_values.h"

#include <charconv>
#include <system_error>

#include "address_text.h"

namespace norvik::cli {
namespace {

// Enough of a value to recognise it by; the rest would only flood the line.
constexpr std::size_t kShownBytes = 64;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The shortest decimal text that reads back as `value`: 86400, 0.5.
std::string NumberText(double value) {
    char text[32];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value);
    return error == std::errc() ? std::string(text, end) : std::string("?");
}

}  // namespace

std::string QuotedValue(std::string_view text) {
    constexpr char kHex[] = "0123456789abcdef";
    std::string quoted = "\"";
    for (std::size_t i = 0; i < text.size() && i < kShownBytes; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte == '"' || byte == '\\') {
            quoted += '\\';
            quoted += static_cast<char>(byte);
        } else if (byte >= 0x20 && byte < 0x7f) {
            quoted += static_cast<char>(byte);
        } else {
            quoted += "\\x";
            quoted += kHex[byte >> 4];
            quoted += kHex[byte & 0xf];
        }
    }
    quoted += text.size() > kShownBytes ? "\"..." : "\"";
    return quoted;
}

std::optional<double> ParseSeconds(std::string_view text, double min, double max,
                                   std::string& problem, bool more_than_min) {
    const std::string_view number = TrimBlanks(text);
    // Digits with at most one point among them, and at least one digit: from_chars alone would
    // also take "1e3", "inf", "nan" and a leading '-'.
    std::size_t digits = 0;
    std::size_t points = 0;
    for (const char c : number) {
        digits += IsDigit(c) ? 1 : 0;
        points += c == '.' ? 1 : 0;
    }
    double value = 0;
    bool read = digits > 0 && points <= 1 && digits + points == number.size();
    if (read) {
        const auto [end, error] =
            std::from_chars(number.data(), number.data() + number.size(), value);
        read = error == std::errc() && end == number.data() + number.size();
    }
    if (!read || value < min || value > max || (more_than_min && value == min)) {
        problem = (more_than_min ? "takes seconds more than " + NumberText(min) + " and at most "
                                 : "takes seconds from " + NumberText(min) + " to ") +
                  NumberText(max) + ", not " + QuotedValue(text);
        return std::nullopt;
    }
    return value;
}

std::optional<std::uint64_t> ParseCount(std::string_view text, std::uint64_t min, std::uint64_t max,
                                        std::string& problem) {
    const std::string_view number = TrimBlanks(text);
    std::uint64_t value = 0;
    bool read = !number.empty();
    for (std::size_t i = 0; read && i < number.size(); ++i) {
        read = IsDigit(number[i]);
    }
    if (read) {
        // Digits only, so the one failure left is a value beyond 2^64 - 1.
        const auto [end, error] =
            std::from_chars(number.data(), number.data() + number.size(), value);
        read = error == std::errc() && end == number.data() + number.size();
    }
    if (!read || value < min || value > max) {
        problem = "takes a whole number from " + std::to_string(min) + " to " +
                  std::to_string(max) + ", not " + QuotedValue(text);
        return std::nullopt;
    }
    return value;
}

std::optional<SearchProtocols> ParseProtocols(std::string_view text, std::string& problem) {
    SearchProtocols protocols{false, false, false};
    bool read = true;
    std::size_t at = 0;
    for (;;) {
        const std::size_t comma = std::min(text.find(',', at), text.size());
        const std::string_view name = TrimBlanks(text.substr(at, comma - at));
        bool* chosen = name == "pcedit" ? &protocols.pcedit
                       : name == "3297" ? &protocols.p3297
                       : name == "onvif" ? &protocols.onvif
                                         : nullptr;
        if (chosen == nullptr || *chosen) {
            read = false;
            break;
        }
        *chosen = true;
        if (comma == text.size()) {
            break;
        }
        at = comma + 1;
    }
    if (!read) {
        problem = "takes pcedit, 3297 and onvif, separated by commas, each once, not " +
                  QuotedValue(text);
        return std::nullopt;
    }
    return protocols;
}

}  // namespace norvik::cli
