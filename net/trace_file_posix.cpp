#include <cstdlib>
#include <string_view>

#include "trace_file.h"

namespace norvik {

std::FILE* OpenTraceFileNamedByEnvironment() {
    const char* path = std::getenv("NORVIK_TRACE");
    if (path == nullptr || *path == '\0') {
        return nullptr;
    }
    if (std::string_view(path) == "-") {
        return stderr;
    }
    return std::fopen(path, "ae");  // not inherited by the web browser
}

}  // namespace norvik
