#pragma once

#include <cstdio>

namespace norvik {

// The stream the environment variable NORVIK_TRACE names: standard error for "-", else the
// file, opened for appending; null when the variable is not set or the file cannot be opened.
std::FILE* OpenTraceFileNamedByEnvironment();

}  // namespace norvik
