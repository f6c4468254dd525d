#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "console_text.h"
#include "trace_file.h"

namespace norvik {

std::FILE* OpenTraceFileNamedByEnvironment(std::string& why_not) {
    const char* path = std::getenv("NORVIK_TRACE");
    if (path == nullptr || *path == '\0') {
        return nullptr;
    }
    if (std::string_view(path) == "-") {
        return stderr;
    }
    // A log, appended to: never through a symbolic link, never blocking on a FIFO (O_NONBLOCK),
    // not inherited by the web browser (O_CLOEXEC). 0600: the trace maps a site's devices and
    // cards (addresses, camera endpoints), so only this user may read it.
    const int fd =
        ::open(path, O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd < 0) {
        why_not = errno == ELOOP ? "it is a symbolic link" : std::strerror(errno);
        return nullptr;
    }
    // Whatever opened, a FIFO with a reader or a device among them, only a regular file is kept.
    struct stat status;
    const int flags = ::fcntl(fd, F_GETFL);
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || flags < 0 ||
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(fd);
        why_not = "it is not a regular file";
        return nullptr;
    }
    if (status.st_nlink != 1) {
        ::close(fd);
        why_not = "it has another name too (a hard link)";  // the trace would land in that file
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, "a");
    if (file == nullptr) {
        why_not = std::strerror(errno);
        ::close(fd);
    }
    return file;
}

void WriteTraceLine(std::FILE* trace, std::string_view line) {
    WriteText(trace, line);
    std::fflush(trace);  // a trace is read while the program runs, or after it crashed
}

}  // namespace norvik
