#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace norvik {

// The stream the environment variable NORVIK_TRACE names: standard error for "-", else the
// file, opened for appending; null when the variable is not set or the file cannot be opened,
// and then why_not says why.
std::FILE* OpenTraceFileNamedByEnvironment(std::string& why_not);

// Writes one line of the trace and flushes it, in one step for any other program tracing into
// the same file: Linux appends each write at the end at once; on Windows the file is locked
// while the line is written, since not every file system (nor Wine) appends at once.
void WriteTraceLine(std::FILE* trace, std::string_view line);

}  // namespace norvik
