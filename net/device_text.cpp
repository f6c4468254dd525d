#include "device_text.h"

#include <algorithm>
#include <cstdio>
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
    return Utf8ToUtf16(bytes.first(static_cast<std::size_t>(end - bytes.begin())));
}

std::u16string AddressText(const Ipv4& address) {
    // Written out by hand: it is made for every new row of a burst of thousands.
    std::u16string text(15, u'.');
    std::size_t at = 0;
    for (const std::uint8_t octet : address) {
        text[at] = static_cast<char16_t>(u'0' + octet / 100);
        text[at + 1] = static_cast<char16_t>(u'0' + octet / 10 % 10);
        text[at + 2] = static_cast<char16_t>(u'0' + octet % 10);
        at += 4;
    }
    return text;
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
