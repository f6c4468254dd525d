#include "address_text.h"

namespace norvik::cli {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int HexValue(char c) {
    if (IsDigit(c)) {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

}  // namespace

std::optional<Ipv4> ParseIpv4(std::string_view text) {
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
    constexpr std::size_t kLength = 17;  // six pairs and five separators
    if (text.size() != kLength || (text[2] != ':' && text[2] != '-')) {
        return std::nullopt;
    }
    const char separator = text[2];
    MacAddress mac{};
    for (std::size_t i = 0; i < mac.size(); ++i) {
        const std::size_t at = i * 3;
        const int high = HexValue(text[at]);
        const int low = HexValue(text[at + 1]);
        if (high < 0 || low < 0 || (i + 1 < mac.size() && text[at + 2] != separator)) {
            return std::nullopt;
        }
        mac[i] = static_cast<std::uint8_t>(high << 4 | low);
    }
    return mac;
}

}  // namespace norvik::cli
