#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace norvik {

// The working directory is read into a buffer of this many UTF-16 code units, the
// terminator included; a longer directory is not used.
inline constexpr std::size_t kWorkingDirectoryBufferLength = 500;

#ifdef _WIN32
inline constexpr char16_t kDirectorySeparator = u'\\';
#else
inline constexpr char16_t kDirectorySeparator = u'/';
#endif

// The process's current working directory, or nothing when it cannot be read or does not fit
// kWorkingDirectoryBufferLength.
std::optional<std::u16string> CurrentWorkingDirectory();

// file_name inside directory. A root directory already ends with its separator.
std::u16string PathInDirectory(std::u16string_view directory, std::u16string_view file_name);

}  // namespace norvik
