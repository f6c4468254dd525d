#include "utf.h"

namespace norvik {
namespace {

void AppendUtf8(std::string& out, char32_t code_point) {
    const auto put = [&](unsigned value) { out += static_cast<char>(value); };
    if (code_point < 0x80) {
        put(code_point);
    } else if (code_point < 0x800) {
        put(0xC0 | (code_point >> 6));
        put(0x80 | (code_point & 0x3F));
    } else if (code_point < 0x10000) {
        put(0xE0 | (code_point >> 12));
        put(0x80 | ((code_point >> 6) & 0x3F));
        put(0x80 | (code_point & 0x3F));
    } else {
        put(0xF0 | (code_point >> 18));
        put(0x80 | ((code_point >> 12) & 0x3F));
        put(0x80 | ((code_point >> 6) & 0x3F));
        put(0x80 | (code_point & 0x3F));
    }
}

}  // namespace

std::u16string Utf8ToUtf16(std::span<const std::uint8_t> bytes) {
    // Never more units than bytes: written in place, then cut to what was written.
    std::u16string out(bytes.size(), u'\0');
    std::size_t written = 0;
    const auto put = [&](char32_t code_point) {
        if (code_point >= 0x10000) {
            code_point -= 0x10000;
            out[written++] = static_cast<char16_t>(0xD800 + (code_point >> 10));
            out[written++] = static_cast<char16_t>(0xDC00 + (code_point & 0x3FF));
        } else {
            out[written++] = static_cast<char16_t>(code_point);
        }
    };
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::uint8_t lead = bytes[i++];
        if (lead < 0x80) {
            out[written++] = lead;
            continue;
        }
        int trail_count;
        std::uint8_t lowest = 0x80;   // allowed range of the first trail byte, which rules out
        std::uint8_t highest = 0xBF;  // overlong forms, surrogates and values past U+10FFFF
        char32_t code_point;
        if (lead >= 0xC2 && lead <= 0xDF) {
            trail_count = 1;
            code_point = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            trail_count = 2;
            code_point = lead & 0x0F;
            if (lead == 0xE0) {
                lowest = 0xA0;
            } else if (lead == 0xED) {
                highest = 0x9F;
            }
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            trail_count = 3;
            code_point = lead & 0x07;
            if (lead == 0xF0) {
                lowest = 0x90;
            } else if (lead == 0xF4) {
                highest = 0x8F;
            }
        } else {
            put(kReplacementCharacter);
            continue;
        }
        int taken = 0;
        while (taken < trail_count && i < bytes.size()) {
            const std::uint8_t trail = bytes[i];
            if (trail < lowest || trail > highest) {
                break;
            }
            code_point = (code_point << 6) | (trail & 0x3F);
            ++i;
            ++taken;
            lowest = 0x80;
            highest = 0xBF;
        }
        put(taken == trail_count ? code_point : kReplacementCharacter);
    }
    out.resize(written);
    return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size() * 3);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            const char16_t low = text[++i];
            AppendUtf8(out, 0x10000 + ((char32_t{unit} - 0xD800) << 10) + (low - 0xDC00));
        } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
            AppendUtf8(out, kReplacementCharacter);
        } else {
            AppendUtf8(out, unit);
        }
    }
    return out;
}

}  // namespace norvik
