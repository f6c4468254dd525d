#include "wire.h"

#include <algorithm>
#include <cstdint>

namespace norvik {

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
    // Only the bytes the datagram holds are read: a byte past its end reads as 0, which is no
    // blank, sign or digit, so it would end the number just as the end of the field does.
    const std::size_t held = Available(offset, width);
    const std::uint8_t* at = held > 0 ? bytes_.data() + offset : nullptr;
    const std::uint8_t* const end = at + held;
    while (at != end && (*at == ' ' || (*at >= '\t' && *at <= '\r'))) {
        ++at;
    }
    bool negative = false;
    if (at != end && (*at == '+' || *at == '-')) {
        negative = *at == '-';
        ++at;
    }
    // Saturates at INT32_MAX of either sign, which a five-digit port field never reaches.
    std::int64_t value = 0;
    for (; at != end && static_cast<unsigned>(*at - '0') <= 9; ++at) {
        value = std::min<std::int64_t>(value * 10 + (*at - '0'), INT32_MAX);
    }
    return static_cast<std::int32_t>(negative ? -value : value);
}

}  // namespace norvik
