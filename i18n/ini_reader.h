#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string_view>

namespace norvik {

// Reading an initialisation-format file the way the platform's own service does, so that a
// file written for one platform reads the same on the other:
// - lines end with CR LF, LF or CR; "[name]" starts a section, and the text after ']' is
//   ignored; "key=value" lines belong to the section above them;
// - section and key names match without regard to the case of the letters A to Z;
// - blanks (spaces, tabs) around names, around '=' and at the ends of a value are dropped;
// - a value wrapped in one pair of matching double or single quotes loses them;
// - only the first section of a name counts, and in it the first line of a key;
// - lines without '=', lines starting with ';' and lines before the first section define
//   nothing a lookup can match.

// The value of key in section of text, or nothing when the key is missing.
std::optional<std::u16string_view> FindIniValue(std::u16string_view text,
                                                std::u16string_view section,
                                                std::u16string_view key);

// Copies the key's value, or default_text when the key is missing, into buffer: at most
// buffer.size() - 1 code units, then a terminating null. Returns the number of units copied
// without the terminator (0 also for an empty buffer).
std::size_t LookupIniString(std::u16string_view text, std::u16string_view section,
                            std::u16string_view key, std::u16string_view default_text,
                            std::span<char16_t> buffer);

// LookupIniString over the raw bytes of a file (see DecodeIniText for its encodings). A pure
// function of the bytes: nothing they hold can make it read outside them.
std::size_t ReadIniString(std::span<const std::byte> file, std::u16string_view section,
                          std::u16string_view key, std::u16string_view default_text,
                          std::span<char16_t> buffer);

}  // namespace norvik
