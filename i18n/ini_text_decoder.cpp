#include "ini_text_decoder.h"

#include <cstdint>
#include <initializer_list>
#include <utility>

namespace norvik {
namespace {

constexpr char16_t kReplacement = u'\uFFFD';

enum class Encoding { Utf8, Utf16Le, Utf16Be };

struct DetectedEncoding {
    Encoding encoding;
    std::size_t mark_length;  // bytes of the byte-order mark
};

std::uint8_t ByteAt(std::span<const std::byte> bytes, std::size_t offset) {
    return static_cast<std::uint8_t>(bytes[offset]);
}

bool StartsWith(std::span<const std::byte> bytes, std::initializer_list<std::uint8_t> mark) {
    if (bytes.size() < mark.size()) {
        return false;
    }
    std::size_t offset = 0;
    for (std::uint8_t expected : mark) {
        if (ByteAt(bytes, offset++) != expected) {
            return false;
        }
    }
    return true;
}

DetectedEncoding DetectEncoding(std::span<const std::byte> bytes) {
    if (StartsWith(bytes, {0xFF, 0xFE})) {
        return {Encoding::Utf16Le, 2};
    }
    if (StartsWith(bytes, {0xFE, 0xFF})) {
        return {Encoding::Utf16Be, 2};
    }
    if (StartsWith(bytes, {0xEF, 0xBB, 0xBF})) {
        return {Encoding::Utf8, 3};
    }
    return {Encoding::Utf8, 0};
}

// Appends code points as UTF-16 into storage sized for the worst case up front.
class Utf16Writer {
public:
    explicit Utf16Writer(std::size_t max_units)
        : text_(static_cast<qsizetype>(max_units), Qt::Uninitialized) {}

    void Put(char32_t code_point) {
        if (code_point >= 0x10000) {
            code_point -= 0x10000;
            Unit(static_cast<char16_t>(0xD800 + (code_point >> 10)));
            Unit(static_cast<char16_t>(0xDC00 + (code_point & 0x3FF)));
        } else {
            Unit(static_cast<char16_t>(code_point));
        }
    }
    void Unit(char16_t unit) { text_.data()[length_++] = QChar(unit); }

    QString Finish() && {
        text_.truncate(length_);
        return std::move(text_);
    }

private:
    QString text_;
    qsizetype length_ = 0;
};

// A malformed sequence is replaced by one U+FFFD per maximal subpart (the longest prefix that
// could have begun a valid sequence), the usual practice that also resynchronises at once.
QString DecodeUtf8(std::span<const std::byte> bytes) {
    Utf16Writer out(bytes.size());  // never more units than bytes
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::uint8_t lead = ByteAt(bytes, i++);
        if (lead < 0x80) {
            out.Unit(lead);
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
            out.Unit(kReplacement);
            continue;
        }
        int taken = 0;
        while (taken < trail_count && i < bytes.size()) {
            const std::uint8_t trail = ByteAt(bytes, i);
            if (trail < lowest || trail > highest) {
                break;
            }
            code_point = (code_point << 6) | (trail & 0x3F);
            ++i;
            ++taken;
            lowest = 0x80;
            highest = 0xBF;
        }
        out.Put(taken == trail_count ? code_point : kReplacement);
    }
    return std::move(out).Finish();
}

bool IsHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

QString DecodeUtf16(std::span<const std::byte> bytes, bool little_endian) {
    const std::size_t unit_count = bytes.size() / 2;
    const auto unit_at = [&](std::size_t index) {
        const std::uint8_t first = ByteAt(bytes, 2 * index);
        const std::uint8_t second = ByteAt(bytes, 2 * index + 1);
        return static_cast<char16_t>(little_endian ? first | (second << 8) : (first << 8) | second);
    };
    Utf16Writer out(unit_count + 1);
    for (std::size_t i = 0; i < unit_count; ++i) {
        const char16_t unit = unit_at(i);
        if (IsHighSurrogate(unit) && i + 1 < unit_count && IsLowSurrogate(unit_at(i + 1))) {
            out.Unit(unit);
            out.Unit(unit_at(++i));
        } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
            out.Unit(kReplacement);
        } else {
            out.Unit(unit);
        }
    }
    if (bytes.size() % 2 != 0) {
        out.Unit(kReplacement);  // half a code unit
    }
    return std::move(out).Finish();
}

}  // namespace

QString DecodeIniText(std::span<const std::byte> bytes) {
    const DetectedEncoding detected = DetectEncoding(bytes);
    const std::span<const std::byte> text = bytes.subspan(detected.mark_length);
    switch (detected.encoding) {
        case Encoding::Utf16Le:
            return DecodeUtf16(text, true);
        case Encoding::Utf16Be:
            return DecodeUtf16(text, false);
        case Encoding::Utf8:
            break;
    }
    return DecodeUtf8(text);
}

}  // namespace norvik
