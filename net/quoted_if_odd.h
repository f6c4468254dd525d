#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace norvik {

// A text from the network as a person reads it in a line: as it is, unless a control character
// would break the line, a tab split its fields or a terminal act on it, or bytes that are not
// UTF-8 would reach the terminal (a device's name is any bytes it sends) or were replaced by
// U+FFFD on the way, or it begins with a quote; then quoted and escaped as in JSON, with \u00XX
// for DEL and the C1 controls too, and U+FFFD for each piece that is not UTF-8.
std::string QuotedIfOdd(std::string_view utf8);

// Whether a control character begins at utf8[i]: C0, DEL, or a C1 control (U+0080 to U+009F,
// two bytes in UTF-8), which a terminal may take for CSI and the like.
bool IsControlCharacterAt(std::string_view utf8, std::size_t i);

}  // namespace norvik
