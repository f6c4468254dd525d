#pragma once

#include <QString>

#include <cstddef>
#include <span>

namespace norvik {

// The text of an initialisation file: UTF-16LE or UTF-16BE when it starts with their
// byte-order mark, otherwise UTF-8 (a leading byte-order mark dropped). Whatever is not valid
// text (a malformed or cut sequence, an unpaired surrogate, an odd last byte) becomes U+FFFD.
QString DecodeIniText(std::span<const std::byte> bytes);

}  // namespace norvik
