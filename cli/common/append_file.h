#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

// A log that several programs append to at once: each line arrives whole, none is lost in the
// page cache, and what is at the name is never followed elsewhere.
namespace norvik::cli {

class AppendFile {
public:
    // Opens the regular file at `path` (a UTF-8 path) for appending. Where it is missing it is
    // made, with the folders above it that are missing, private to this user: made exclusively
    // under a name of its own and linked into place, so that nobody else's file is taken for
    // it. Refused (with why in `error`) when a link (also a hard link), a FIFO, a device or a
    // folder is there.
    static std::unique_ptr<AppendFile> Open(const std::string& path, std::string& error);
    ~AppendFile();
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;

    // Writes `line` at the end in one piece while holding the file's lock, then flushes it to
    // the disk; a last line cut short before is ended first. False (with why in `error`) when
    // any step failed; on Linux what a failed write wrote is taken back.
    bool Append(std::string_view line, std::string& error);

    const std::string& path() const { return path_; }

private:
    struct Handle;
    AppendFile(std::string path, std::unique_ptr<Handle> handle);

    std::string path_;
    std::unique_ptr<Handle> handle_;
};

}  // namespace norvik::cli
