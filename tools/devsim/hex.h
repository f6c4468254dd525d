#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace norvik::devsim {

// The value of one hexadecimal digit, either case; -1 for any other character.
int HexDigitValue(char c);

// Bytes from pairs of hexadecimal digits with nothing between them; empty on odd length or
// any other character.
std::optional<std::vector<std::uint8_t>> ParseHex(std::string_view text);
std::string FormatHex(std::span<const std::uint8_t> bytes);  // lower case, no separators

}  // namespace norvik::devsim
