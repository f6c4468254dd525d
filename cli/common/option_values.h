#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Option values as a person writes them on a command line, with messages that say what the
// option takes. On failure `problem` is one phrase without the option's name, such as
// "takes seconds from 0 to 86400, not \"-1\"", for the caller to put after the name.
namespace norvik::cli {

// Seconds as a person writes them: "3", "0.5", "2.", ".5"; no sign, exponent, hex, inf or nan.
// From min to max, or with more_than_min more than min (an interval of 0 would never wait).
std::optional<double> ParseSeconds(std::string_view text, double min, double max,
                                   std::string& problem, bool more_than_min = false);
// A whole number: digits only (no sign, no blanks inside; blanks around trimmed), no overflow.
std::optional<std::uint64_t> ParseCount(std::string_view text, std::uint64_t min, std::uint64_t max,
                                        std::string& problem);

// The protocols a search asks in.
struct SearchProtocols {
    bool pcedit = true;
    bool p3297 = true;
    bool onvif = false;  // the programs that list devices ask for it; norvik-set never needs it
};
// --protocols' value: "pcedit", "3297" and "onvif", separated by commas (blanks around each
// allowed), each at most once, at least one.
std::optional<SearchProtocols> ParseProtocols(std::string_view text, std::string& problem);

// The value in double quotes, for a message: printable ASCII as it is, '"' and '\' after a
// backslash, any other byte as \xNN, so that a hostile value cannot break the message's line
// or the terminal. A long value is cut, ending in "...".
std::string QuotedValue(std::string_view text);

}  // namespace norvik::cli
