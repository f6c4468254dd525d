#pragma once

#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace norvik::devsim {

// The word syntax of description lines: words split by blanks, a word that starts with '#'
// ends the line, key=value words whose value may be quoted ("..." with \" and \\).
struct Word {
    std::string key;  // the whole word when it has no '='
    std::string value;
    bool has_value = false;
};

// The words of one line; the error text when a quoted value is malformed.
std::variant<std::vector<Word>, std::string> SplitWords(std::string_view line);

// A value written so that SplitWords reads it back unchanged: bare when it can be.
std::string QuoteValue(std::string_view value);

}  // namespace norvik::devsim
