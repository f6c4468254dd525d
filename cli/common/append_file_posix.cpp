#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "append_file.h"
#include "safe_files.h"

namespace norvik::cli {
namespace {

// Readable and writable by its owner alone: who changed which device is nobody else's business.
constexpr mode_t kFileMode = 0600;
constexpr mode_t kFolderMode = 0700;

std::string PosixError(const std::string& step) {
    return step + " failed: " + std::strerror(errno);
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
}

// Makes the folder and those above it that are missing, private to this user.
bool MakeFolders(const std::string& folder, std::string& error) {
    struct stat status;
    if (::stat(folder.c_str(), &status) == 0) {
        if (S_ISDIR(status.st_mode)) {
            return true;
        }
        error = folder + " is not a folder";
        return false;
    }
    if (errno != ENOENT || !MakeFolders(FolderOf(folder), error)) {
        if (error.empty()) {
            error = PosixError("looking at " + folder);
        }
        return false;
    }
    if (::mkdir(folder.c_str(), kFolderMode) != 0 && errno != EEXIST) {
        error = PosixError("making the folder " + folder);
        return false;
    }
    return true;
}

// A new private file under a name nobody can guess, put in place as `path` unless somebody made
// `path` in the meantime (theirs is then looked at like any file found there).
bool CreateInPlace(const std::string& path, std::string& error) {
    const std::string temporary = TemporaryFileFor(path);
    const int fd =
        ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kFileMode);
    if (fd < 0) {
        error = PosixError("making it");
        return false;
    }
    bool ok = ::fchmod(fd, kFileMode) == 0 && ::fsync(fd) == 0;
    if (!ok) {
        error = PosixError("making it private");
    }
    ::close(fd);
    if (!ok) {
        ::unlink(temporary.c_str());
        return false;
    }
    // Renamed, not linked: a second name, even for a moment, would have a run opening the log
    // at once refuse it as a hard link. A file system that cannot rename without replacing
    // gets the link.
    if (::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno == EINVAL || errno == ENOSYS || errno == ENOTSUP) {
        if (::link(temporary.c_str(), path.c_str()) != 0 && errno != EEXIST) {
            ok = false;
        }
    } else if (errno != EEXIST) {
        ok = false;
    }
    if (!ok) {
        error = PosixError("putting it in place");
    }
    ::unlink(temporary.c_str());
    return ok;
}

const char* KindOf(mode_t mode) {
    if (S_ISLNK(mode)) {
        return "a symbolic link";
    }
    if (S_ISDIR(mode)) {
        return "a folder";
    }
    if (S_ISFIFO(mode)) {
        return "a FIFO";
    }
    if (S_ISCHR(mode) || S_ISBLK(mode)) {
        return "a device";
    }
    return "not a regular file";
}

}  // namespace

struct AppendFile::Handle {
    int fd = -1;
    ~Handle() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
};

AppendFile::AppendFile(std::string path, std::unique_ptr<Handle> handle)
    : path_(std::move(path)), handle_(std::move(handle)) {}

AppendFile::~AppendFile() = default;

std::unique_ptr<AppendFile> AppendFile::Open(const std::string& path, std::string& error) {
    error.clear();
    if (path.empty() || path.back() == '/') {
        error = "not the name of a file";
        return nullptr;
    }
    struct stat status;
    if (::lstat(path.c_str(), &status) != 0) {
        if (errno != ENOENT) {
            error = PosixError("looking at it");
            return nullptr;
        }
        if (!MakeFolders(FolderOf(path), error) || !CreateInPlace(path, error)) {
            return nullptr;
        }
    } else if (!S_ISREG(status.st_mode)) {
        error = std::string("it is ") + KindOf(status.st_mode) + ", not a regular file";
        return nullptr;
    }
    // O_NOFOLLOW: a link planted since the look is refused; O_NONBLOCK: a FIFO planted since
    // does not hold us at open (and is refused below).
    auto handle = std::make_unique<Handle>();
    // Read too: the last byte tells whether the last line was cut short.
    handle->fd = ::open(path.c_str(), O_RDWR | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (handle->fd < 0) {
        error =
            errno == ELOOP ? "it is a symbolic link, not a regular file" : PosixError("opening it");
        return nullptr;
    }
    if (::fstat(handle->fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        error = std::string("it is ") + KindOf(status.st_mode) + ", not a regular file";
        return nullptr;
    }
    // A hard link would carry the log's lines into another name's file.
    if (status.st_nlink != 1) {
        error = "it has another name too (a hard link), not a file of its own";
        return nullptr;
    }
    ::fcntl(handle->fd, F_SETFL, O_APPEND);
    return std::unique_ptr<AppendFile>(new AppendFile(path, std::move(handle)));
}

bool AppendFile::Append(std::string_view line, std::string& error) {
    const int fd = handle_->fd;
    // O_APPEND puts each write at the end; the lock keeps a line that needs more than one
    // write from being split by another program's.
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            error = PosixError("locking it");
            return false;
        }
    }
    // A line cut short before (a failed write elsewhere, a program killed mid-line) is ended
    // first, so that this one stays a line of its own.
    const off_t start = ::lseek(fd, 0, SEEK_END);
    char last = '\n';
    std::string text;
    if (start > 0 && ::pread(fd, &last, 1, start - 1) == 1 && last != '\n') {
        text = "\n";
    }
    text += line;
    bool ok = true;
    std::size_t written = 0;
    while (ok && written < text.size()) {
        const ssize_t done = ::write(fd, text.data() + written, text.size() - written);
        if (done < 0 && errno == EINTR) {
            continue;
        }
        if (done <= 0) {
            error = PosixError("writing to it");
            ok = false;
        } else {
            written += static_cast<std::size_t>(done);
        }
    }
    if (!ok && written > 0 && start >= 0) {
        (void)::ftruncate(fd, start);  // no half line for the next run to join its own to
    }
    if (ok && ::fdatasync(fd) != 0) {
        error = PosixError("flushing it to the disk");
        ok = false;
    }
    ::flock(fd, LOCK_UN);
    return ok;
}

}  // namespace norvik::cli
