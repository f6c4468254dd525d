#include "quoted_if_odd.h"

#include <cstdio>

#include "utf.h"

namespace norvik {
namespace {

// U+0080 to U+009F, the C1 controls, in valid UTF-8: a terminal may take U+009B for CSI.
bool IsC1ControlAt(std::string_view text, std::size_t i) {
    return text[i] == '\xc2' && i + 1 < text.size() &&
           static_cast<unsigned char>(text[i + 1]) < 0xa0;
}

bool IsControlAt(std::string_view text, std::size_t i) {
    return static_cast<unsigned char>(text[i]) < 0x20 || text[i] == '\x7f' ||
           IsC1ControlAt(text, i);
}

}  // namespace

std::string QuotedIfOdd(std::string_view utf8) {
    // Bytes that are not UTF-8 would reach a terminal as they are: a lone 0x9b is the 8-bit CSI.
    const std::string text = Utf16ToUtf8(Utf8ToUtf16(utf8));
    bool odd = text != utf8 || (!text.empty() && text.front() == '"');
    for (std::size_t i = 0; i < text.size() && !odd; ++i) {
        odd = IsControlAt(text, i);
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
        } else if (IsControlAt(text, i)) {
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

}  // namespace norvik
