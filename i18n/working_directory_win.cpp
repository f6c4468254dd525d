#include "working_directory.h"

// After Qt's headers, which the min and max macros of windows.h would break.
#include <windows.h>

namespace norvik {

std::optional<QString> CurrentWorkingDirectory() {
    wchar_t buffer[kWorkingDirectoryBufferLength];
    // 0 on failure; the size it would need when the buffer is too small.
    const DWORD length =
        GetCurrentDirectoryW(static_cast<DWORD>(kWorkingDirectoryBufferLength), buffer);
    if (length == 0 || length >= kWorkingDirectoryBufferLength) {
        return std::nullopt;
    }
    return QString::fromWCharArray(buffer, static_cast<qsizetype>(length));
}

}  // namespace norvik
