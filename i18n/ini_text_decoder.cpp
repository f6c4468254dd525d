#include "ini_text_decoder.h"

#include <cstdint>
#include <initializer_list>

#include "utf.h"

namespace norvik {
namespace {

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

std::u16string DecodeUtf16(std::span<const std::byte> bytes, bool little_endian) {
    const std::size_t unit_count = bytes.size() / 2;
    const auto unit_at = [&](std::size_t index) {
        const std::uint8_t first = ByteAt(bytes, 2 * index);
        const std::uint8_t second = ByteAt(bytes, 2 * index + 1);
        return static_cast<char16_t>(little_endian ? first | (second << 8) : (first << 8) | second);
    };
    std::u16string out;
    out.reserve(unit_count + 1);
    for (std::size_t i = 0; i < unit_count; ++i) {
        const char16_t unit = unit_at(i);
        if (IsHighSurrogate(unit) && i + 1 < unit_count && IsLowSurrogate(unit_at(i + 1))) {
            out += unit;
            out += unit_at(++i);
        } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
            out += kReplacementCharacter;
        } else {
            out += unit;
        }
    }
    if (bytes.size() % 2 != 0) {
        out += kReplacementCharacter;  // half a code unit
    }
    return out;
}

}  // namespace

std::u16string DecodeIniText(std::span<const std::byte> bytes) {
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
    return Utf8ToUtf16(
        std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

}  // namespace norvik
