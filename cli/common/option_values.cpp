#include "option_values.h"

#include <cstdio>

namespace norvik::cli {
namespace {

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

std::string Shown(std::string_view text) {
    std::string shown = "\"";
    for (const char c : text.substr(0, 40)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f || c == '"' || c == '\\') {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
            shown += escaped;
        } else {
            shown += c;
        }
    }
    return shown + (text.size() > 40 ? "...\"" : "\"");
}

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

}  // namespace

std::optional<double> ParseSeconds(std::string_view text, double min, double max,
                                   std::string& problem) {
    const std::string_view digits = Trimmed(text);
    double whole = 0;
    double fraction = 0;
    double scale = 1;
    bool any = false;
    bool point = false;
    bool good = !digits.empty() && digits.size() <= 32;
    for (const char c : digits) {
        if (c == '.' && !point) {
            point = true;
        } else if (c >= '0' && c <= '9') {
            any = true;
            if (point) {
                scale /= 10;
                fraction += (c - '0') * scale;
            } else {
                whole = whole * 10 + (c - '0');
            }
        } else {
            good = false;
        }
    }
    const double value = whole + fraction;
    if (!good || !any || value < min || value > max) {
        problem = "takes seconds from " + Number(min) + " to " + Number(max) + ", not " + Shown(text);
        return std::nullopt;
    }
    return value;
}

std::optional<std::uint64_t> ParseCount(std::string_view text, std::uint64_t min,
                                        std::uint64_t max, std::string& problem) {
    const std::string_view digits = Trimmed(text);
    std::uint64_t value = 0;
    bool good = !digits.empty();
    for (const char c : digits) {
        if (c < '0' || c > '9' || value > (UINT64_MAX - static_cast<unsigned>(c - '0')) / 10) {
            good = false;
            break;
        }
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (!good || value < min || value > max) {
        problem = "takes a whole number from " + std::to_string(min) + " to " +
                  std::to_string(max) + ", not " + Shown(text);
        return std::nullopt;
    }
    return value;
}

}  // namespace norvik::cli
