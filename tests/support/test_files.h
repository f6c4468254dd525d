#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>


namespace norvik::test {

using FileBytes = std::vector<std::byte>;

FileBytes RawBytes(std::string_view bytes);
// UTF-16LE after its byte-order mark: what every platform's reader takes for what it is.
FileBytes Utf16Le(std::u16string_view text);

void WriteFile(const std::filesystem::path& path, const FileBytes& bytes);
FileBytes ReadFile(const std::filesystem::path& path);
// The file's bytes as a string, and a path as the UTF-8 the programs take on every platform.
std::string ReadText(const std::filesystem::path& path);
std::string PathUtf8(const std::filesystem::path& path);

// Makes a symbolic link at `link` to `target`; what went wrong if none could be made (Wine,
// or a Windows user without the right, may not make one).
std::string MakeSymbolicLink(const std::filesystem::path& target,
                             const std::filesystem::path& link);

// The folder of the running test program.
std::filesystem::path ProgramDirectory();

// A directory of its own for the life of the object, removed with what it holds.
class TemporaryDirectory {
public:
    TemporaryDirectory();
    ~TemporaryDirectory();
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// The audit log for norvik-set runs whose record is not what is tested: a file of this test
// program's own, never the machine's (the suite runs as root in CI).
std::string ScratchAuditLog();

// Moves the process into a directory for the life of the object.
class ScopedWorkingDirectory {
public:
    explicit ScopedWorkingDirectory(const std::filesystem::path& directory) {
        std::error_code error;
        std::filesystem::current_path(directory, error);
        EXPECT_FALSE(error) << directory << ": " << error.message();
    }
    ~ScopedWorkingDirectory() { std::filesystem::current_path(previous_); }
    ScopedWorkingDirectory(const ScopedWorkingDirectory&) = delete;
    ScopedWorkingDirectory& operator=(const ScopedWorkingDirectory&) = delete;

private:
    const std::filesystem::path previous_ = std::filesystem::current_path();
};

}  // namespace norvik::test
