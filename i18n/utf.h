#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// The one conversion between UTF-8 and UTF-16 that the whole program uses: device names from
// the wire and to it, language files, paths and console output. Whatever is not valid text
// becomes U+FFFD, so the same bytes read the same on every platform.
namespace norvik {

// Each maximal ill-formed subpart (the longest prefix that could have begun a valid sequence)
// becomes one U+FFFD, the usual practice that also resynchronises at once.
std::u16string Utf8ToUtf16(std::span<const std::uint8_t> utf8);
inline std::u16string Utf8ToUtf16(std::string_view utf8) {
    return Utf8ToUtf16(std::span(reinterpret_cast<const std::uint8_t*>(utf8.data()), utf8.size()));
}

// An unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

inline bool IsHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
inline bool IsLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

inline constexpr char16_t kReplacementCharacter = u'\uFFFD';

#ifdef _WIN32
// Windows' wide strings are UTF-16 too; these only change the element type.
static_assert(sizeof(wchar_t) == sizeof(char16_t));
inline std::wstring ToWide(std::u16string_view text) {
    return std::wstring(text.begin(), text.end());
}
inline std::u16string FromWide(std::wstring_view text) {
    return std::u16string(text.begin(), text.end());
}
#endif

}  // namespace norvik
