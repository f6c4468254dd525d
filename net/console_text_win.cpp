#include "console_text.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>

#include "utf.h"

namespace norvik {
namespace {

HANDLE ConsoleOf(std::FILE* stream) {
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) ? handle : nullptr;
}

}  // namespace

void WriteText(std::FILE* stream, std::string_view utf8) {
    if (HANDLE console = ConsoleOf(stream)) {
        std::fflush(stream);
        const std::wstring wide = ToWide(Utf8ToUtf16(utf8));
        DWORD written = 0;
        WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
    std::fflush(stream);
    // A pipe whose reader has gone fails with ERROR_NO_DATA (Wine: ERROR_PIPE_NOT_CONNECTED),
    // which the C runtime calls EINVAL.
    if (std::ferror(stream) != 0 && errno == EINVAL) {
        const DWORD error = GetLastError();
        if (error == ERROR_NO_DATA || error == ERROR_PIPE_NOT_CONNECTED ||
            error == ERROR_BROKEN_PIPE) {
            errno = EPIPE;
        }
    }
}

void PrepareConsoleStreams() {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

}  // namespace norvik
