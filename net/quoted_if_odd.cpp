#include "quoted_if_odd.h"

#include <cstdio>

#include "utf.h"

namespace norvik {
std::string QuotedIfOdd(std::string_view utf8) {
    // Bytes that are not UTF-8 would reach a terminal as they are: a lone 0x9b is the 8-bit CSI.
    // A name that reaches us as text has had them replaced by U+FFFD already: quoted too, so
    // that it does not pass for what the device sent.
    const std::string text = Utf16ToUtf8(Utf8ToUtf16(utf8));
    bool odd =
        text != utf8 || (!text.empty() && text.front() == '"') ||
        text.find(Utf16ToUtf8(std::u16string(1, kReplacementCharacter))) != std::string::npos;
    for (std::size_t i = 0; i < text.size() && !odd; ++i) {
        odd = IsControlCharacterAt(text, i);
    }
    if (!odd) {
        return text;
    }
    std::string quoted = "\"";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (c == '\b' || c == '\f' || c == '\n' || c == '\r' || c == '\t') {
            quoted += '\\';
            quoted += c == '\b' ? 'b' : c == '\f' ? 'f' : c == '\n' ? 'n' : c == '\r' ? 'r' : 't';
        } else if (IsControlCharacterAt(text, i)) {
            const unsigned code = c == '\xc2' ? static_cast<unsigned char>(text[++i])
                                              : static_cast<unsigned char>(c);
            char escape[7];
            std::snprintf(escape, sizeof escape, "\\u%04x", code);
            quoted += escape;
        } else {
            quoted += c;
        }
    }
    return quoted + '"';
}

bool IsControlCharacterAt(std::string_view utf8, std::size_t i) {
    const auto byte = static_cast<unsigned char>(utf8[i]);
    return byte < 0x20 || byte == 0x7f ||
           (byte == 0xc2 && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) < 0xa0);
}

}  // namespace norvik
