#include "wire.h"

#include <algorithm>
#include <cstdint>

namespace norvik {

std::int32_t DatagramReader::I32Le(std::size_t offset) const {
    const std::uint32_t value = static_cast<std::uint32_t>(U8(offset)) |
                                static_cast<std::uint32_t>(U8(offset + 1)) << 8 |
                                static_cast<std::uint32_t>(U8(offset + 2)) << 16 |
                                static_cast<std::uint32_t>(U8(offset + 3)) << 24;
    return static_cast<std::int32_t>(value);
}

bool DatagramReader::HasMagic(std::size_t offset, std::string_view magic) const {
    if (offset + magic.size() > bytes_.size()) {
        return false;
    }
    for (std::size_t i = 0; i < magic.size(); ++i) {
        if (bytes_[offset + i] != static_cast<std::uint8_t>(magic[i])) {
            return false;
        }
    }
    return true;
}

std::int32_t DatagramReader::AtoiField(std::size_t offset, std::size_t width) const {
    const auto is_blank = [](std::uint8_t c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    std::size_t i = 0;
    while (i < width && is_blank(U8(offset + i))) {
        ++i;
    }
    bool negative = false;
    if (i < width && (U8(offset + i) == '+' || U8(offset + i) == '-')) {
        negative = U8(offset + i) == '-';
        ++i;
    }
    std::int64_t value = 0;
    for (; i < width && U8(offset + i) >= '0' && U8(offset + i) <= '9'; ++i) {
        value = std::min<std::int64_t>(value * 10 + (U8(offset + i) - '0'), INT32_MAX);
    }
    return static_cast<std::int32_t>(negative ? -value : value);
}

}  // namespace norvik
