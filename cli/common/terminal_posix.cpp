#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "stop_signal.h"
#include "terminal.h"

namespace norvik::cli {

bool CanAskPerson() {
    return ::isatty(STDIN_FILENO) != 0 && ::isatty(STDERR_FILENO) != 0;
}

bool OutputIsTerminal() {
    return ::isatty(STDOUT_FILENO) != 0;
}

std::string ReadAnswerLine() {
    // The stop handlers restart an interrupted read, so a blocked read would outlast Ctrl+C:
    // the wait is a short poll between which the stop flag is asked.
    constexpr int kPollMilliseconds = 100;
    std::string line;
    while (!StopRequested()) {
        pollfd input{STDIN_FILENO, POLLIN, 0};
        const int ready = ::poll(&input, 1, kPollMilliseconds);
        if (ready == 0 || (ready < 0 && errno == EINTR)) {
            continue;
        }
        char c = 0;
        if (ready < 0 || ::read(STDIN_FILENO, &c, 1) != 1 || c == '\n') {
            break;  // the end of the line or of input, or standard input gone
        }
        line += c;
    }
    return line;
}

}  // namespace norvik::cli
