#include "console_text.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

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
}

void PrepareConsoleStreams() {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

}  // namespace norvik
