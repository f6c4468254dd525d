#pragma once

#include <cstddef>
#include <span>
#include <string>

namespace norvik {

// The text of an initialisation file: UTF-16LE or UTF-16BE when it starts with their
// byte-order mark, otherwise UTF-8 (a leading byte-order mark dropped). Whatever is not valid
// text (a malformed or cut sequence, an unpaired surrogate, an odd last byte) becomes U+FFFD.
std::u16string DecodeIniText(std::span<const std::byte> bytes);

}  // namespace norvik
