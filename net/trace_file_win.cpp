#include <cstdlib>
#include <string_view>

#include "trace_file.h"

namespace norvik {

std::FILE* OpenTraceFileNamedByEnvironment() {
    // The wide variant: a path in any language, whatever the ANSI code page.
    const wchar_t* path = ::_wgetenv(L"NORVIK_TRACE");
    if (path == nullptr || *path == L'\0') {
        return nullptr;
    }
    if (std::wstring_view(path) == L"-") {
        return stderr;
    }
    return ::_wfopen(path, L"ab");
}

}  // namespace norvik
