#include "address_text.h"

#include "wire.h"

namespace norvik::cli {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A MAC address form: its length, and the separator after every `group` digits (0: none).
struct MacForm {
    std::size_t length;
    char separator;
    std::size_t group;
};
constexpr MacForm kColons{17, ':', 2};  // 00:1a:07:10:00:01
constexpr MacForm kDashes{17, '-', 2};  // 00-1A-07-10-00-01
constexpr MacForm kBare{12, 0, 12};     // 001A07100001
constexpr MacForm kDots{14, '.', 4};    // 001a.0710.0001

// `text` is form.length long, so it holds twelve digits where the separators are not.
std::optional<MacAddress> ParseMacForm(std::string_view text, const MacForm& form) {
    MacAddress mac{};
    std::size_t digits = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (form.separator != 0 && (at + 1) % (form.group + 1) == 0) {
            if (text[at] != form.separator) {
                return std::nullopt;
            }
            continue;
        }
        const int value = HexDigitValue(text[at]);
        if (value < 0) {
            return std::nullopt;
        }
        mac[digits / 2] = static_cast<std::uint8_t>(mac[digits / 2] << 4 | value);
        ++digits;
    }
    return mac;
}

}  // namespace

std::string_view TrimBlanks(std::string_view text) {
    constexpr std::string_view kBlanks = " \t";
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

std::optional<Ipv4> ParseIpv4(std::string_view text) {
    text = TrimBlanks(text);
    Ipv4 address{};
    for (std::size_t i = 0; i < address.size(); ++i) {
        if (i > 0) {
            if (text.empty() || text.front() != '.') {
                return std::nullopt;
            }
            text.remove_prefix(1);
        }
        int value = 0;
        std::size_t digits = 0;
        while (digits < text.size() && IsDigit(text[digits]) && digits < 3) {
            value = value * 10 + (text[digits] - '0');
            ++digits;
        }
        if (digits == 0 || value > 255 || (digits < text.size() && IsDigit(text[digits]))) {
            return std::nullopt;
        }
        address[i] = static_cast<std::uint8_t>(value);
        text.remove_prefix(digits);
    }
    return text.empty() ? std::optional(address) : std::nullopt;
}

std::optional<MacAddress> ParseMac(std::string_view text) {
    text = TrimBlanks(text);
    switch (text.size()) {
        case kColons.length:
            return ParseMacForm(text, text[2] == '-' ? kDashes : kColons);
        case kBare.length:
            return ParseMacForm(text, kBare);
        case kDots.length:
            return ParseMacForm(text, kDots);
        default:
            return std::nullopt;
    }
}

}  // namespace norvik::cli
