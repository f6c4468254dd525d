#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "safe_files.h"

namespace norvik::cli {
namespace {

// Readable by the collector, which usually runs as another user; whatever the umask says.
constexpr mode_t kFileMode = 0644;
// Names taken by somebody else in a row before we give up: a guess at random names, or a fault.
constexpr int kNameAttempts = 100;

std::string PosixError(const std::string& step) {
    return step + " failed: " + std::strerror(errno);
}

const char* KindOfNonRegularFile(mode_t mode) {
    if (S_ISLNK(mode)) {
        return "a symbolic link";
    }
    if (S_ISDIR(mode)) {
        return "a directory";
    }
    if (S_ISFIFO(mode)) {
        return "a FIFO";
    }
    if (S_ISCHR(mode) || S_ISBLK(mode)) {
        return "a device";
    }
    if (S_ISSOCK(mode)) {
        return "a socket";
    }
    return "not a regular file";
}

// Whether `path` may be replaced: nothing there, or a regular file. lstat, so that a link is
// seen as the link.
bool MayReplace(const std::string& path, std::string& error) {
    if (path.empty() || path.back() == '/') {
        error = "not the name of a file";
        return false;
    }
    struct stat status;
    if (::lstat(path.c_str(), &status) != 0) {
        if (errno == ENOENT) {
            return true;
        }
        error = PosixError("looking at it");
        return false;
    }
    if (!S_ISREG(status.st_mode)) {
        error = std::string("it is ") + KindOfNonRegularFile(status.st_mode) +
                ", not a regular file: left as it is";
        return false;
    }
    return true;
}

// A new file of its own under an unpredictable name beside `path`: O_EXCL and O_NOFOLLOW, so
// that nothing already there (a planted link, a FIFO) is opened instead.
int CreateTemporary(const std::string& path, std::string& temporary, std::string& error) {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        temporary = TemporaryFileFor(path);
        const int fd = ::open(temporary.c_str(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kFileMode);
        if (fd >= 0) {
            if (::fchmod(fd, kFileMode) != 0) {
                error = PosixError("setting the temporary file's mode");
                ::close(fd);
                ::unlink(temporary.c_str());
                return -1;
            }
            return fd;
        }
        if (errno != EEXIST) {
            error = PosixError("creating a temporary file in its directory");
            return -1;
        }
    }
    error = "creating a temporary file in its directory failed: every name tried was taken";
    return -1;
}

bool WriteAndFlush(int fd, std::string_view contents, std::string& error) {
    std::size_t written = 0;
    while (written < contents.size()) {
        const ssize_t done = ::write(fd, contents.data() + written, contents.size() - written);
        if (done < 0 && errno == EINTR) {
            continue;
        }
        if (done <= 0) {
            error = PosixError("writing the temporary file");
            return false;
        }
        written += static_cast<std::size_t>(done);
    }
    if (::fsync(fd) != 0) {
        error = PosixError("flushing the temporary file");
        return false;
    }
    return true;
}

// Makes the rename itself last over a power cut. The new contents are in place whatever this
// says, so a failure here is no failure of the replacement.
void FlushDirectoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string directory =
        slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// What replacing and the check before it both start with: FILE may be replaced, and an
// exclusive temporary beside it (its descriptor, or -1 with why).
int StartReplacing(const std::string& path, std::string& temporary, std::string& error) {
    return MayReplace(path, error) ? CreateTemporary(path, temporary, error) : -1;
}

}  // namespace

bool ReplaceFileContents(const std::string& path, std::string_view contents, std::string& error) {
    std::string temporary;
    const int fd = StartReplacing(path, temporary, error);
    if (fd < 0) {
        return false;
    }
    bool ok = WriteAndFlush(fd, contents, error);
    if (::close(fd) != 0 && ok) {
        error = PosixError("closing the temporary file");
        ok = false;
    }
    // Looked at again just before the rename: something may have come in the meantime.
    ok = ok && MayReplace(path, error);
    if (ok && std::rename(temporary.c_str(), path.c_str()) != 0) {
        error = PosixError("renaming the temporary file over it");
        ok = false;
    }
    if (!ok) {
        ::unlink(temporary.c_str());
        return false;
    }
    FlushDirectoryOf(path);
    return true;
}

bool CheckReplaceable(const std::string& path, std::string& error) {
    std::string temporary;
    const int fd = StartReplacing(path, temporary, error);
    if (fd < 0) {
        return false;
    }
    ::close(fd);
    if (::unlink(temporary.c_str()) != 0) {
        error = PosixError("removing the temporary file " + temporary);
        return false;
    }
    return true;
}

}  // namespace norvik::cli
