#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Values of options as a person types them, read without CLI11's own messages.
namespace norvik::cli {

// Seconds as a person writes them: "3", "0.5", "2.", ".5"; no sign, exponent, hex, inf or nan.
std::optional<double> ParseSeconds(std::string_view text, double min, double max,
                                   std::string& problem);
// A whole number: digits only (no sign, no blanks inside; blanks around trimmed), no overflow.
std::optional<std::uint64_t> ParseCount(std::string_view text, std::uint64_t min,
                                        std::uint64_t max, std::string& problem);

}  // namespace norvik::cli
