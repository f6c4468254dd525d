// clang-format off
#include <windows.h>
// clang-format on

#include <algorithm>

#include "safe_files.h"
#include "utf.h"

namespace norvik::cli {
namespace {

// Names taken by somebody else in a row before we give up: a guess at random names, or a fault.
constexpr int kNameAttempts = 100;

std::string WindowsError(const std::string& step) {
    return step + " failed with Windows error " + std::to_string(GetLastError());
}

std::wstring Wide(const std::string& path) {
    return ToWide(Utf8ToUtf16(path));
}

std::string Refused(const char* kind) {
    return std::string("it is ") + kind + ", not a regular file: left as it is";
}

// Whether `path` may be replaced: nothing there, or a regular file on a disk. A reparse point
// (a symbolic link, a junction) is seen as itself, not as what it points to.
bool MayReplace(const std::wstring& path, std::string& error) {
    if (path.empty() || path.back() == L'\\' || path.back() == L'/') {
        error = "not the name of a file";
        return false;
    }
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        if (GetLastError() == ERROR_FILE_NOT_FOUND) {
            return true;
        }
        error = WindowsError("looking at it");
        return false;
    }
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        error = Refused("a reparse point (a link)");
        return false;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        error = Refused("a folder");
        return false;
    }
    // Devices (NUL, CON, COM1) and pipes have attributes too: only a handle tells them apart.
    // Opened for its attributes alone, sharing everything, so that no reader is disturbed.
    const HANDLE file = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        if (GetLastError() == ERROR_FILE_NOT_FOUND) {
            return true;
        }
        error = WindowsError("opening it to look at it");
        return false;
    }
    const bool on_disk = GetFileType(file) == FILE_TYPE_DISK;
    CloseHandle(file);
    if (!on_disk) {
        error = Refused("a device or a pipe");
        return false;
    }
    return true;
}

// A new file of its own under an unpredictable name beside `path`: CREATE_NEW, so that nothing
// already there (a planted link) is opened instead.
HANDLE CreateTemporary(const std::string& path, std::wstring& temporary, std::string& error) {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        temporary = Wide(TemporaryFileFor(path));
        const HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            return file;
        }
        const DWORD code = GetLastError();
        if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS) {
            error = WindowsError("creating a temporary file in its folder");
            return INVALID_HANDLE_VALUE;
        }
    }
    error = "creating a temporary file in its folder failed: every name tried was taken";
    return INVALID_HANDLE_VALUE;
}

bool WriteAndFlush(HANDLE file, std::string_view contents, std::string& error) {
    std::size_t written = 0;
    while (written < contents.size()) {
        DWORD done = 0;
        const auto chunk =
            static_cast<DWORD>(std::min<std::size_t>(contents.size() - written, 1u << 20));
        if (WriteFile(file, contents.data() + written, chunk, &done, nullptr) == 0 || done == 0) {
            error = WindowsError("writing the temporary file");
            return false;
        }
        written += done;
    }
    if (FlushFileBuffers(file) == 0) {
        error = WindowsError("flushing the temporary file");
        return false;
    }
    return true;
}

}  // namespace

bool ReplaceFileContents(const std::string& path, std::string_view contents, std::string& error) {
    const std::wstring wide_path = Wide(path);
    if (!MayReplace(wide_path, error)) {
        return false;
    }
    std::wstring temporary;
    const HANDLE file = CreateTemporary(path, temporary, error);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    bool ok = WriteAndFlush(file, contents, error);
    if (CloseHandle(file) == 0 && ok) {
        error = WindowsError("closing the temporary file");
        ok = false;
    }
    // Looked at again just before the rename: something may have come in the meantime.
    ok = ok && MayReplace(wide_path, error);
    if (ok && MoveFileExW(temporary.c_str(), wide_path.c_str(),
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == 0) {
        error = WindowsError("renaming the temporary file over it");
        ok = false;
    }
    if (!ok) {
        DeleteFileW(temporary.c_str());
    }
    return ok;
}

bool CheckReplaceable(const std::string& path, std::string& error) {
    if (!MayReplace(Wide(path), error)) {
        return false;
    }
    std::wstring temporary;
    const HANDLE file = CreateTemporary(path, temporary, error);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    CloseHandle(file);
    if (DeleteFileW(temporary.c_str()) == 0) {
        error = WindowsError("removing the temporary file");
        return false;
    }
    return true;
}

}  // namespace norvik::cli
