#pragma once

#include <cstdio>
#include <string>

namespace norvik {

// The stream the environment variable NORVIK_TRACE names: standard error for "-", else the
// file, opened for appending; null when the variable is not set or the file cannot be opened,
// and then why_not says why.
std::FILE* OpenTraceFileNamedByEnvironment(std::string& why_not);

}  // namespace norvik
