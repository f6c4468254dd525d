#include <windows.h>

#include "utf.h"
#include "working_directory.h"

namespace norvik {

std::optional<std::u16string> CurrentWorkingDirectory() {
    wchar_t buffer[kWorkingDirectoryBufferLength];
    // 0 on failure; the size it would need when the buffer is too small.
    const DWORD length =
        GetCurrentDirectoryW(static_cast<DWORD>(kWorkingDirectoryBufferLength), buffer);
    if (length == 0 || length >= kWorkingDirectoryBufferLength) {
        return std::nullopt;
    }
    return FromWide(std::wstring_view(buffer, length));
}

}  // namespace norvik
