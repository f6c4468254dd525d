#include "watch_files.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#ifdef _WIN32
// clang-format off
#include <windows.h>
// clang-format on
#include "utf.h"
#else
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#endif

namespace norvik::cli {
namespace {

std::filesystem::path Utf8Path(const std::string& path) {
    return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

#ifdef _WIN32
std::string WindowsError(const char* step) {
    return std::string(step) + " failed with Windows error " + std::to_string(GetLastError());
}

bool WriteAndFlush(const std::wstring& path, std::string_view contents, std::string& error) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = WindowsError("creating the temporary file");
        return false;
    }
    bool ok = true;
    std::size_t written = 0;
    while (ok && written < contents.size()) {
        DWORD done = 0;
        const auto chunk =
            static_cast<DWORD>(std::min<std::size_t>(contents.size() - written, 1u << 20));
        ok = WriteFile(file, contents.data() + written, chunk, &done, nullptr) != 0;
        written += done;
    }
    if (!ok) {
        error = WindowsError("writing the temporary file");
    } else if (FlushFileBuffers(file) == 0) {
        error = WindowsError("flushing the temporary file");
        ok = false;
    }
    CloseHandle(file);
    return ok;
}
#else
std::string PosixError(const char* step) {
    return std::string(step) + " failed: " + std::strerror(errno);
}

bool WriteAndFlush(const std::string& path, std::string_view contents, std::string& error) {
    // Readable by the collector, which usually runs as another user.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = PosixError("creating the temporary file");
        return false;
    }
    bool ok = true;
    std::size_t written = 0;
    while (ok && written < contents.size()) {
        const ssize_t done = ::write(fd, contents.data() + written, contents.size() - written);
        if (done < 0 && errno == EINTR) {
            continue;
        }
        ok = done > 0;
        written += ok ? static_cast<std::size_t>(done) : 0;
    }
    if (!ok) {
        error = PosixError("writing the temporary file");
    } else if (::fsync(fd) != 0) {
        error = PosixError("flushing the temporary file");
        ok = false;
    }
    if (::close(fd) != 0 && ok) {
        error = PosixError("closing the temporary file");
        ok = false;
    }
    return ok;
}
#endif

}  // namespace

std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t max_bytes,
                                         std::string& error) {
    std::ifstream in(Utf8Path(path), std::ios::binary);
    if (!in) {
        error = "cannot open it";
        return std::nullopt;
    }
    std::string bytes;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        bytes.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (bytes.size() > max_bytes) {
            error = "it is larger than " + std::to_string(max_bytes >> 20) + " MiB";
            return std::nullopt;
        }
    }
    if (in.bad()) {
        error = "reading it failed";
        return std::nullopt;
    }
    return bytes;
}

std::string TemporaryFileFor(const std::string& path) {
    return path + ".tmp";
}

bool CheckReplaceable(const std::string& path, std::string& error) {
    std::string existing;
    std::string read_error;
    const auto old = ReadWholeFile(path, 64u << 20, read_error);
    return ReplaceFileContents(path, old.value_or(""), error);
}

bool ReplaceFileContents(const std::string& path, std::string_view contents, std::string& error) {
    const std::string temporary = TemporaryFileFor(path);
#ifdef _WIN32
    const std::wstring wide_temporary = ToWide(Utf8ToUtf16(temporary));
    const std::wstring wide_path = ToWide(Utf8ToUtf16(path));
    if (!WriteAndFlush(wide_temporary, contents, error)) {
        DeleteFileW(wide_temporary.c_str());
        return false;
    }
    if (MoveFileExW(wide_temporary.c_str(), wide_path.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == 0) {
        error = WindowsError("renaming the temporary file");
        DeleteFileW(wide_temporary.c_str());
        return false;
    }
#else
    if (!WriteAndFlush(temporary, contents, error)) {
        ::unlink(temporary.c_str());
        return false;
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        error = PosixError("renaming the temporary file");
        ::unlink(temporary.c_str());
        return false;
    }
#endif
    return true;
}

}  // namespace norvik::cli
