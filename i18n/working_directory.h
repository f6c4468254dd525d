#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace norvik {

// The working directory is read into a buffer of this many UTF-16 code units, the
// terminator included; a longer directory is not used.
inline constexpr qsizetype kWorkingDirectoryBufferLength = 500;

#ifdef _WIN32
inline constexpr char16_t kDirectorySeparator = u'\\';
#else
inline constexpr char16_t kDirectorySeparator = u'/';
#endif

// The process's current working directory, or nothing when it cannot be read or does not fit
// kWorkingDirectoryBufferLength.
std::optional<QString> CurrentWorkingDirectory();

// file_name inside directory. A root directory already ends with its separator.
QString PathInDirectory(const QString& directory, QStringView file_name);

}  // namespace norvik
