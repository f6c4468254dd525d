#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>

namespace norvik {

using ByteSpan = std::span<const std::uint8_t>;
using MutableByteSpan = std::span<std::uint8_t>;

// Reads the fields of a datagram at fixed offsets. A byte past the datagram's end reads as 0,
// as it does from a receive buffer that was zero-filled before the datagram arrived.
class DatagramReader {
public:
    explicit DatagramReader(ByteSpan bytes) : bytes_(bytes) {}

    std::size_t size() const { return bytes_.size(); }
    std::uint8_t U8(std::size_t offset) const {
        return offset < bytes_.size() ? bytes_[offset] : std::uint8_t{0};
    }
    template <std::size_t N>
    std::array<std::uint8_t, N> Bytes(std::size_t offset) const {
        std::array<std::uint8_t, N> field;
        // A field the datagram holds whole, as nearly every field is, in one copy of a size
        // known here; a field cut by the datagram's end keeps its zeros from there on.
        if (Available(offset, N) == N) {
            std::memcpy(field.data(), bytes_.data() + offset, N);
        } else {
            field = {};
            if (const std::size_t held = Available(offset, N); held > 0) {
                std::memcpy(field.data(), bytes_.data() + offset, held);
            }
        }
        return field;
    }
    std::int32_t I32Le(std::size_t offset) const {
        const std::array<std::uint8_t, 4> b = Bytes<4>(offset);
        return static_cast<std::int32_t>(
            static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
            static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24);
    }
    bool HasMagic(std::size_t offset, std::string_view magic) const;
    // A decimal number in a text field of width characters, read the way atoi reads text:
    // leading blanks and a sign allowed, up to the first non-digit; no digits read as 0.
    std::int32_t AtoiField(std::size_t offset, std::size_t width) const;

private:
    // How many of the width bytes from offset the datagram holds.
    std::size_t Available(std::size_t offset, std::size_t width) const {
        return offset < bytes_.size() ? std::min(width, bytes_.size() - offset) : 0;
    }

    ByteSpan bytes_;
};

// Writers for building requests in a buffer. The caller's offsets are within the buffer.
inline void PutBytes(MutableByteSpan buffer, std::size_t offset, ByteSpan bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        buffer[offset + i] = bytes[i];
    }
}
inline void PutText(MutableByteSpan buffer, std::size_t offset, std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        buffer[offset + i] = static_cast<std::uint8_t>(text[i]);
    }
}
// The value of a hexadecimal digit in either case; -1 for any other character.
inline int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
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

inline void PutU16Le(MutableByteSpan buffer, std::size_t offset, std::uint16_t value) {
    buffer[offset] = static_cast<std::uint8_t>(value & 0xFF);
    buffer[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

}  // namespace norvik
