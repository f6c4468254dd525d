// clang-format off
#include <windows.h>
// clang-format on

#include <algorithm>

#include "append_file.h"
#include "private_security_win.h"
#include "safe_files.h"
#include "utf.h"

namespace norvik::cli {
namespace {

std::string WindowsError(const std::string& step) {
    return step + " failed with Windows error " + std::to_string(GetLastError());
}

std::wstring Wide(const std::string& path) {
    return ToWide(Utf8ToUtf16(path));
}

std::wstring FolderOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? L"." : path.substr(0, slash);
}

bool MakeFolders(const std::wstring& folder, PrivateSecurity& security, std::string& error) {
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            return true;
        }
        error = Utf16ToUtf8(FromWide(folder)) + " is not a folder";
        return false;
    }
    const std::wstring parent = FolderOf(folder);
    // The climb ends at a folder that exists (the working folder ".", a drive "C:", a share) or
    // at the root of a name like "\logs": a drive or share that is not there is not made, which
    // CreateDirectoryW then says.
    if (parent != folder && !parent.empty() && !MakeFolders(parent, security, error)) {
        return false;
    }
    if (CreateDirectoryW(folder.c_str(), security.get()) == 0 &&
        GetLastError() != ERROR_ALREADY_EXISTS) {
        error = WindowsError("making the folder " + Utf16ToUtf8(FromWide(folder)));
        return false;
    }
    return true;
}

// A new private file under a name nobody can guess, moved to `path` unless somebody made
// `path` in the meantime (theirs is then looked at like any file found there).
bool CreateInPlace(const std::string& path, PrivateSecurity& security, std::string& error) {
    const std::wstring temporary = Wide(TemporaryFileFor(path));
    const HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, security.get(), CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = WindowsError("making it");
        return false;
    }
    CloseHandle(file);
    bool ok = true;
    if (MoveFileExW(temporary.c_str(), Wide(path).c_str(), MOVEFILE_WRITE_THROUGH) == 0 &&
        GetLastError() != ERROR_ALREADY_EXISTS && GetLastError() != ERROR_FILE_EXISTS) {
        error = WindowsError("putting it in place");
        ok = false;
    }
    DeleteFileW(temporary.c_str());
    return ok;
}

std::string NotARegularFile(DWORD attributes) {
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0
               ? "it is a reparse point (a link), not a regular file"
               : "it is a folder, not a regular file";
}

}  // namespace

struct AppendFile::Handle {
    HANDLE file = INVALID_HANDLE_VALUE;
    ~Handle() {
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
        }
    }
};

AppendFile::AppendFile(std::string path, std::unique_ptr<Handle> handle)
    : path_(std::move(path)), handle_(std::move(handle)) {}

AppendFile::~AppendFile() = default;

std::unique_ptr<AppendFile> AppendFile::Open(const std::string& path, std::string& error) {
    error.clear();
    const std::wstring wide = Wide(path);
    if (wide.empty() || wide.back() == L'\\' || wide.back() == L'/') {
        error = "not the name of a file";
        return nullptr;
    }
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        if (GetLastError() != ERROR_FILE_NOT_FOUND && GetLastError() != ERROR_PATH_NOT_FOUND) {
            error = WindowsError("looking at it");
            return nullptr;
        }
        PrivateSecurity security;
        if (!MakeFolders(FolderOf(wide), security, error) ||
            !CreateInPlace(path, security, error)) {
            return nullptr;
        }
    } else if ((attributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
        error = NotARegularFile(attributes);
        return nullptr;
    }
    // A reparse point (a link, a junction) is opened as itself, so that it is seen and refused.
    auto handle = std::make_unique<Handle>();
    // Read too: the last byte tells whether the last line was cut short.
    handle->file =
        CreateFileW(wide.c_str(), FILE_APPEND_DATA | FILE_READ_DATA | FILE_READ_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle->file == INVALID_HANDLE_VALUE) {
        error = WindowsError("opening it");
        return nullptr;
    }
    BY_HANDLE_FILE_INFORMATION information{};
    if (GetFileType(handle->file) != FILE_TYPE_DISK ||
        GetFileInformationByHandle(handle->file, &information) == 0) {
        error = "it is a device or a pipe, not a regular file";
        return nullptr;
    }
    // Looked at again through the handle: something may have come since.
    if ((information.dwFileAttributes &
         (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
        error = NotARegularFile(information.dwFileAttributes);
        return nullptr;
    }
    // A hard link would carry the log's lines into another name's file.
    if (information.nNumberOfLinks != 1) {
        error = "it has another name too (a hard link), not a file of its own";
        return nullptr;
    }
    return std::unique_ptr<AppendFile>(new AppendFile(path, std::move(handle)));
}

bool AppendFile::Append(std::string_view line, std::string& error) {
    // FILE_APPEND_DATA alone puts each write at the end; the lock keeps a line that needs
    // more than one write from being split by another program's.
    OVERLAPPED whole{};
    if (LockFileEx(handle_->file, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole) == 0) {
        error = WindowsError("locking it");
        return false;
    }
    // A line cut short before (a failed write elsewhere, a program killed mid-line) is ended
    // first, so that this one stays a line of its own.
    std::string text;
    LARGE_INTEGER size{};
    if (GetFileSizeEx(handle_->file, &size) != 0 && size.QuadPart > 0) {
        OVERLAPPED at_last{};
        at_last.Offset = static_cast<DWORD>(size.QuadPart - 1);
        at_last.OffsetHigh = static_cast<DWORD>((size.QuadPart - 1) >> 32);
        char last = '\n';
        DWORD got = 0;
        if (ReadFile(handle_->file, &last, 1, &got, &at_last) != 0 && got == 1 && last != '\n') {
            text = "\n";
        }
    }
    text += line;
    bool ok = true;
    std::size_t written = 0;
    while (ok && written < text.size()) {
        DWORD done = 0;
        const auto chunk =
            static_cast<DWORD>(std::min<std::size_t>(text.size() - written, 1u << 20));
        if (WriteFile(handle_->file, text.data() + written, chunk, &done, nullptr) == 0 ||
            done == 0) {
            error = WindowsError("writing to it");
            ok = false;
        }
        written += done;
    }
    if (ok && FlushFileBuffers(handle_->file) == 0) {
        error = WindowsError("flushing it to the disk");
        ok = false;
    }
    UnlockFileEx(handle_->file, 0, MAXDWORD, MAXDWORD, &whole);
    return ok;
}

}  // namespace norvik::cli
