#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace norvik::devsim {

// Writes fields into a zero-filled packet of fixed size at a running offset. Bytes that would
// fall past the end are dropped, so a layout and a shorter packet can be combined safely.
class ByteWriter {
public:
    explicit ByteWriter(std::size_t size) : bytes_(size, 0) {}

    ByteWriter& SeekTo(std::size_t offset) {
        offset_ = offset;
        return *this;
    }
    ByteWriter& PutU8(std::uint8_t value) {
        if (offset_ < bytes_.size()) {
            bytes_[offset_] = value;
        }
        ++offset_;
        return *this;
    }
    ByteWriter& PutBytes(std::span<const std::uint8_t> values) {
        for (std::uint8_t b : values) {
            PutU8(b);
        }
        return *this;
    }
    ByteWriter& PutAscii(std::string_view text) {
        for (char c : text) {
            PutU8(static_cast<std::uint8_t>(c));
        }
        return *this;
    }
    ByteWriter& PutU16LittleEndian(std::uint16_t value) {
        return PutU8(static_cast<std::uint8_t>(value & 0xff))
            .PutU8(static_cast<std::uint8_t>(value >> 8));
    }
    ByteWriter& PutI32LittleEndian(std::int32_t value) {
        const auto u = static_cast<std::uint32_t>(value);
        for (int shift = 0; shift < 32; shift += 8) {
            PutU8(static_cast<std::uint8_t>((u >> shift) & 0xff));
        }
        return *this;
    }

    std::vector<std::uint8_t> Take() { return std::move(bytes_); }

private:
    std::vector<std::uint8_t> bytes_;
    std::size_t offset_ = 0;
};

// Reads fields at a running offset; bytes past the end of the data read as 0, as they do in
// a receive buffer that was zeroed before the datagram came in.
class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    ByteReader& SeekTo(std::size_t offset) {
        offset_ = offset;
        return *this;
    }
    std::uint8_t ReadU8() {
        const std::uint8_t value = offset_ < bytes_.size() ? bytes_[offset_] : 0;
        ++offset_;
        return value;
    }
    template <std::size_t N>
    std::array<std::uint8_t, N> ReadArray() {
        std::array<std::uint8_t, N> values{};
        std::generate(values.begin(), values.end(), [this] { return ReadU8(); });
        return values;
    }
    std::uint16_t ReadU16LittleEndian() {
        const std::uint16_t low = ReadU8();
        const std::uint16_t high = ReadU8();
        return static_cast<std::uint16_t>(low | (high << 8));
    }
    bool MatchAscii(std::string_view text) {
        bool match = true;
        for (char c : text) {
            match = ReadU8() == static_cast<std::uint8_t>(c) && match;
        }
        return match;
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t offset_ = 0;
};

}  // namespace norvik::devsim
