#include "device_text.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace norvik {

QString TextUpToNul(ByteSpan bytes) {
    const auto* text = reinterpret_cast<const char*>(bytes.data());
    return QString::fromUtf8(text, static_cast<qsizetype>(::strnlen(text, bytes.size())));
}

QString AddressText(const Ipv4& address) {
    // Written out by hand: it is made for every new row of a burst of thousands.
    char16_t text[15];
    std::size_t at = 0;
    for (std::size_t i = 0; i < address.size(); ++i) {
        if (i > 0) {
            text[at++] = u'.';
        }
        text[at++] = static_cast<char16_t>(u'0' + address[i] / 100);
        text[at++] = static_cast<char16_t>(u'0' + address[i] / 10 % 10);
        text[at++] = static_cast<char16_t>(u'0' + address[i] % 10);
    }
    return QString(reinterpret_cast<const QChar*>(text), static_cast<qsizetype>(at));
}

RowTexts MakeRowTexts(const DeviceName& name, const Ipv4& address) {
    return {NameText(name), AddressText(address)};
}

QString RowNumberText(int list_index) {
    return QString::number(list_index + 1);
}

int ParseRowNumber(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace()) {
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
        value = std::min(value * 10 + (text[i].unicode() - u'0'), kMax + 1);
    }
    return static_cast<int>(std::clamp(negative ? -value : value, kMin, kMax));
}

QString MacText(const MacAddress& mac) {
    return QString::asprintf("%02x:%02x:%02x:%02x:%02x:%02x", mac[0], mac[1], mac[2], mac[3],
                             mac[4], mac[5]);
}

}  // namespace norvik
