#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "command_line.h"

namespace norvik::cli {

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

void KeepStandardStreamNumbersTaken() {
    // A closed descriptor 0, 1 or 2 is the number the next socket or file gets, and standard
    // output's data would go into the audit log or a socket. /dev/null opened the other way
    // round takes the number, and a write to the stream still fails and is said.
    const int modes[] = {O_WRONLY, O_RDONLY, O_RDONLY};
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
            // The lowest free number: this one, since those below it are open.
            const int opened = ::open("/dev/null", modes[fd]);
            if (opened >= 0 && opened != fd) {
                ::close(opened);
            }
        }
    }
}

void IgnoreBrokenPipes() {
    std::signal(SIGPIPE, SIG_IGN);
}

void ReadStandardInputAsBytes() {}

}  // namespace norvik::cli
