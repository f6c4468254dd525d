// clang-format off
#include <windows.h>
// clang-format on
#include <fcntl.h>
#include <io.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "console_text.h"
#include "private_security_win.h"
#include "trace_file.h"

namespace norvik {

std::FILE* OpenTraceFileNamedByEnvironment(std::string& why_not) {
    // The wide variant: a path in any language, whatever the ANSI code page.
    const wchar_t* path = ::_wgetenv(L"NORVIK_TRACE");
    if (path == nullptr || *path == L'\0') {
        return nullptr;
    }
    if (std::wstring_view(path) == L"-") {
        return stderr;
    }
    // A log, appended to (WriteTraceLine). Made private, as on Linux: it maps a site's devices
    // and cards. FILE_FLAG_OPEN_REPARSE_POINT opens a link itself, which is then refused, rather
    // than what it points to; the handle is not inherited by the web browser.
    PrivateSecurity security;
    const HANDLE handle = CreateFileW(
        path, FILE_APPEND_DATA | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
        security.get(), OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        why_not = "Windows error " + std::to_string(GetLastError());
        return nullptr;
    }
    // Only a regular file on a disk is kept: no device (NUL, CON), no pipe, no link.
    BY_HANDLE_FILE_INFORMATION information{};
    if (GetFileType(handle) != FILE_TYPE_DISK ||
        GetFileInformationByHandle(handle, &information) == 0 ||
        (information.dwFileAttributes &
         (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
        why_not = (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0
                      ? "it is a link"
                      : "it is not a regular file";
        CloseHandle(handle);
        return nullptr;
    }
    if (information.nNumberOfLinks != 1) {
        why_not = "it has another name too (a hard link)";  // the trace would land in that file
        CloseHandle(handle);
        return nullptr;
    }
    const int fd =
        ::_open_osfhandle(reinterpret_cast<std::intptr_t>(handle), _O_APPEND | _O_BINARY);
    if (fd < 0) {
        why_not = "no file descriptor is left for it";
        CloseHandle(handle);
        return nullptr;
    }
    std::FILE* file = ::_fdopen(fd, "ab");
    if (file == nullptr) {
        why_not = "no stream is left for it";
        ::_close(fd);  // closes the handle too
    }
    return file;
}

void WriteTraceLine(std::FILE* trace, std::string_view line) {
    const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(trace)));
    // Only a file on a disk is locked; standard error on a console or a pipe is written as it is.
    OVERLAPPED whole{};
    const bool locked =
        handle != INVALID_HANDLE_VALUE && GetFileType(handle) == FILE_TYPE_DISK &&
        LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole) != 0;
    WriteText(trace, line);
    std::fflush(trace);  // a trace is read while the program runs, or after it crashed
    if (locked) {
        UnlockFileEx(handle, 0, MAXDWORD, MAXDWORD, &whole);
    }
}

}  // namespace norvik
