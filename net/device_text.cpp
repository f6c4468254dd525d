#include "device_text.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <iterator>
#include <limits>

#include "utf.h"

namespace norvik {
namespace {

// What iswspace says of the C locale's wide characters.
bool IsSpace(char16_t c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

}  // namespace

std::u16string TextUpToNul(ByteSpan bytes) {
    const auto end = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
    const ByteSpan text = bytes.first(static_cast<std::size_t>(end - bytes.begin()));
    // Names are nearly always ASCII, each byte one unit of the same value: no decoding needed.
    if (std::all_of(text.begin(), text.end(), [](std::uint8_t byte) { return byte < 0x80; })) {
        return std::u16string(text.begin(), text.end());
    }
    return Utf8ToUtf16(text);
}

std::u16string AddressText(const Ipv4& address) {
    // Each octet's three digits looked up, into one buffer made a string in one go: it is
    // made for every new row of a burst of thousands.
    static constexpr auto kDigits = [] {
        std::array<std::array<char16_t, 3>, 256> digits{};
        for (std::size_t octet = 0; octet < digits.size(); ++octet) {
            digits[octet] = {static_cast<char16_t>(u'0' + octet / 100),
                             static_cast<char16_t>(u'0' + octet / 10 % 10),
                             static_cast<char16_t>(u'0' + octet % 10)};
        }
        return digits;
    }();
    char16_t text[15];
    for (std::size_t i = 0; i < address.size(); ++i) {
        std::copy_n(kDigits[address[i]].begin(), 3, text + 4 * i);
        if (i + 1 < address.size()) {
            text[4 * i + 3] = u'.';
        }
    }
    return std::u16string(text, std::size(text));
}

RowTexts MakeRowTexts(const DeviceName& name, const Ipv4& address) {
    return {NameText(name), AddressText(address)};
}

std::u16string RowNumberText(int list_index) {
    // Written out by hand, like the address: made for every new row.
    char16_t digits[12];
    char16_t* start = std::end(digits);
    long long number = static_cast<long long>(list_index) + 1;
    const bool negative = number < 0;
    number = negative ? -number : number;
    do {
        *--start = static_cast<char16_t>(u'0' + number % 10);
        number /= 10;
    } while (number > 0);
    if (negative) {
        *--start = u'-';
    }
    return std::u16string(start, std::end(digits));
}

int ReadLeadingInteger(std::u16string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    constexpr long long kMax = std::numeric_limits<int>::max();
    constexpr long long kMin = std::numeric_limits<int>::min();
    long long value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        // Saturates like the C library does; row numbers never come near the limit.
        value = std::min(value * 10 + (text[i] - u'0'), kMax + 1);
    }
    return static_cast<int>(std::clamp(negative ? -value : value, kMin, kMax));
}

std::u16string MacText(const MacAddress& mac) {
    char text[18];
    std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", mac[0], mac[1], mac[2],
                  mac[3], mac[4], mac[5]);
    return Utf8ToUtf16(text);
}

}  // namespace norvik
