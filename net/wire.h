#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
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
        std::array<std::uint8_t, N> field{};
        for (std::size_t i = 0; i < N; ++i) {
            field[i] = U8(offset + i);
        }
        return field;
    }
    std::int32_t I32Le(std::size_t offset) const;
    bool HasMagic(std::size_t offset, std::string_view magic) const;
    // A decimal number in a text field of width characters, read the way atoi reads text:
    // leading blanks and a sign allowed, up to the first non-digit; no digits read as 0.
    std::int32_t AtoiField(std::size_t offset, std::size_t width) const;

private:
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
inline void PutU16Le(MutableByteSpan buffer, std::size_t offset, std::uint16_t value) {
    buffer[offset] = static_cast<std::uint8_t>(value & 0xFF);
    buffer[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

}  // namespace norvik
